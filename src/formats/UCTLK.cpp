#include "formats/UCTLK.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "app/UUtil.h"

#include <algorithm>
#include <list>
#include <mutex>
#include <sys/stat.h>

namespace {

constexpr std::size_t HeaderSize = 20;
constexpr std::size_t EntrySize = 40;
constexpr std::size_t SoundResRefSize = 16;

// What tells one state of a file on disk from another: a rewrite changes the
// size, the times or (when replaced by another file) the inode.
struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};
    timespec Changed{};

    bool operator==(const TFileIdentity &other) const
    {
        return Device == other.Device && Inode == other.Inode && Size == other.Size &&
               Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec &&
               Changed.tv_sec == other.Changed.tv_sec && Changed.tv_nsec == other.Changed.tv_nsec;
    }
};

bool IdentityOf(const std::string &path, TFileIdentity &identity)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    identity = {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    return true;
}

// Tables read lately, the most recently used first. Only a few are kept: the
// game's dialog.tlk is the one every GFF and sound set window asks for.
class CTalkTableCache {
public:
    static constexpr std::size_t MaxTables = 4;

    std::shared_ptr<const TTalkTableData> Get(const std::string &path)
    {
        TFileIdentity identity;
        if (!IdentityOf(path, identity))
            return ReadTalkTable(path); // vanished meanwhile: let the reader report it
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (auto it = m_tables.begin(); it != m_tables.end(); ++it) {
                if (it->Path != path)
                    continue;
                if (it->Identity == identity) {
                    m_tables.splice(m_tables.begin(), m_tables, it);
                    return m_tables.front().Data;
                }
                m_tables.erase(it); // changed on disk: read again
                break;
            }
        }
        // Read outside the lock; the identity taken before reading makes any
        // later change of the file visible to the next request.
        std::shared_ptr<const TTalkTableData> data = ReadTalkTable(path);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tables.remove_if([&](const TCached &cached) { return cached.Path == path; });
        m_tables.push_front({path, identity, data});
        if (m_tables.size() > MaxTables)
            m_tables.pop_back();
        return data;
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tables.clear();
    }

private:
    struct TCached {
        std::string Path;
        TFileIdentity Identity;
        std::shared_ptr<const TTalkTableData> Data;
    };
    std::mutex m_mutex;
    std::list<TCached> m_tables;
};

CTalkTableCache &TalkTableCache()
{
    static CTalkTableCache cache;
    return cache;
}

const std::vector<RTLK> &NoEntries()
{
    static const std::vector<RTLK> empty;
    return empty;
}

} // namespace

std::shared_ptr<const TTalkTableData> ReadTalkTable(const std::string &path)
{
    auto data = std::make_shared<TTalkTableData>();
    data->FileName = path;
    CInputFile file(path);
    const std::uint64_t fileSize = file.Size();
    const std::string damaged = "\"" + path + "\" is damaged: ";
    if (fileSize < HeaderSize) {
        data->Damage = damaged + "it is shorter than a talk-table header (" + std::to_string(HeaderSize) + " bytes).";
        return data; // no header, no entries
    }

    unsigned char header[HeaderSize];
    file.ReadAt(0, header, HeaderSize);
    data->LanguageID = ReadU32LE(header + 8);
    const std::uint32_t declaredCount = ReadU32LE(header + 12);
    data->StringDataOffset = ReadU32LE(header + 16);

    // Only the entries that lie wholly inside the file are read; the count is
    // never trusted for an allocation.
    const std::uint64_t fitting = (fileSize - HeaderSize) / EntrySize;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(declaredCount, fitting));
    data->StringCount = static_cast<std::uint32_t>(count);
    if (count < declaredCount)
        data->Damage = damaged + "its header announces " + std::to_string(declaredCount) + " entries, but only " +
                       std::to_string(count) + " lie inside it.";

    const std::string table = file.ReadStringAt(HeaderSize, count * EntrySize);
    data->StringBlock = file.ReadAvailableAt(data->StringDataOffset, std::size_t(fileSize));
    const std::string_view block = data->StringBlock;

    data->Entries.reserve(count);
    std::size_t textsOutside = 0;
    const auto *entry = reinterpret_cast<const unsigned char *>(table.data());
    for (std::size_t i = 0; i < count; ++i, entry += EntrySize) {
        RTLK &record = data->Entries.emplace_back();
        record.Index = static_cast<std::int32_t>(i);
        record.SoundResRef = FixedName(entry + 4, SoundResRefSize);
        const auto offset = static_cast<std::int32_t>(ReadU32LE(entry + 28));
        const std::uint32_t size = ReadU32LE(entry + 32);
        // The text at offset 0 (the start of the block) is never shown; a text
        // that does not lie wholly inside the file is left empty.
        if (offset <= 0)
            continue;
        if (size <= block.size() && std::uint64_t(offset) <= block.size() - size)
            record.Text = block.substr(std::size_t(offset), size);
        else
            ++textsOutside;
    }
    if (textsOutside > 0 && data->Damage.empty())
        data->Damage = damaged + "the texts of " + std::to_string(textsOutside) + " entries lie past its end.";
    return data;
}

void ClearTalkTableCache()
{
    TalkTableCache().Clear();
}

void CTLK::Load(const std::string &path)
{
    if (!FileExists(path))
        return;
    m_data = TalkTableCache().Get(path);
    m_codec = &LanguageTextCodec(m_data->LanguageID, GameTextCodec());
    FileName = path;
    StringCount = m_data->StringCount;
    StringDataOffset = m_data->StringDataOffset;
}

void CTLK::LoadGameTalkTable()
{
    try {
        Load(GameTalkTablePath());
    } catch (const EFileError &) {
        *this = CTLK();
    }
}

const std::string &CTLK::Damage() const
{
    static const std::string none;
    return m_data ? m_data->Damage : none;
}

const CGameTextCodec &CTLK::Codec() const
{
    return m_codec ? *m_codec : GameTextCodec();
}

const std::vector<RTLK> &CTLK::Entries() const
{
    return m_data ? m_data->Entries : NoEntries();
}

std::string_view CTLK::GetSound(std::int32_t id) const
{
    const std::vector<RTLK> &entries = Entries();
    if (id < 0 || std::size_t(id) >= entries.size())
        return {};
    return entries[std::size_t(id)].SoundResRef;
}

std::string_view CTLK::GetText(std::int32_t id) const
{
    const std::vector<RTLK> &entries = Entries();
    if (id < 0 || std::size_t(id) >= entries.size())
        return {};
    return entries[std::size_t(id)].Text;
}

std::string CTLK::GameTalkTablePath()
{
    const std::string folder = GetGameFolder();
    // Without a game folder the path names the root's dialog.tlk, which normally does not exist.
    if (folder.empty())
        return "/dialog.tlk";
    return FindPathNoCase(folder, "dialog.tlk");
}

namespace {

// Bytes up to the blank count as whitespace.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::vector<std::size_t> CTLK::Search(std::string_view text) const
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    std::vector<std::size_t> found;
    if (text.empty())
        return found;
    const std::vector<RTLK> &entries = Entries();
    const CGameTextCodec &codec = Codec();
    if (codec.SingleByte()) {
        // One byte per character: the stored bytes are searched for the text's bytes.
        const std::optional<std::string> encoded = codec.Encode(text);
        if (!encoded)
            return found;
        const std::string needle = LowerCaseAscii(*encoded);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (ContainsNoCase(entries[i].SoundResRef, needle) || ContainsNoCase(entries[i].Text, needle))
                found.push_back(i);
        return found;
    }
    // Several bytes per character: a byte match could start inside a character,
    // so each entry is decoded first.
    const std::string needle = LowerCaseAscii(std::string(text));
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (ContainsNoCase(codec.Decode(entries[i].SoundResRef), needle) ||
            ContainsNoCase(codec.Decode(entries[i].Text), needle))
            found.push_back(i);
    return found;
}
