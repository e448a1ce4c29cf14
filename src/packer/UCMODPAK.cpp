#include "packer/UCMODPAK.h"

#include "app/UCancel.h"
#include "app/UFileIO.h"
#include "app/UMessage.h"
#include "app/UText.h"
#include "app/UUtil.h"
#include "archives/UCMOD.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t KeyEntrySize = 24;
constexpr std::size_t ResEntrySize = 8;
constexpr std::uint32_t NoStrRef = 0xFFFFFFFFu;

const char *KindFileType(int kind)
{
    switch (kind) {
    case akMOD: return "MOD ";
    case akHAK: return "HAK ";
    case akERF: return "ERF ";
    }
    return nullptr;
}

const char *KindExtension(int kind)
{
    switch (kind) {
    case akMOD: return ".mod";
    case akHAK: return ".hak";
    case akERF: return ".erf";
    }
    return "";
}

bool EndsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string UpToZero(const std::string &text)
{
    return text.substr(0, text.find('\0'));
}

// The string the packer edits: language 0 when present, else the first.
int EditedString(const std::vector<RMOD_LOCSTRING> &strings)
{
    for (std::size_t i = 0; i < strings.size(); ++i)
        if (strings[i].LanguageID == 0)
            return int(i);
    return strings.empty() ? -1 : 0;
}

} // namespace

CResourceBytes::CResourceBytes(std::string bytes)
    : m_shared(std::make_shared<const std::string>(std::move(bytes))), m_bytes(*m_shared)
{
}

CResourceBytes::CResourceBytes(std::shared_ptr<const std::string> shared, std::size_t offset, std::size_t size)
    : m_shared(std::move(shared)), m_bytes(std::string_view(*m_shared).substr(offset, size))
{
}

CMODPAK::CMODPAK() : m_codec(&GameTextCodec())
{
    std::memcpy(Header.data() + 4, "V1.0", 4);
    PutU32LE(Header.data() + 20, HeaderSize); // localized strings follow the header
    PutU32LE(Header.data() + 32, 102);        // build year, counted from 1900
    PutU32LE(Header.data() + 40, NoStrRef);   // no description string reference
}

bool CMODPAK::Open(const std::string &path)
{
    if (!FileExists(path))
        return false;
    FileName = path;
    Kind = akNone;
    OverlappingEntries = 0;
    m_entries.clear();
    m_indexValid = false;
    LocStrings.clear();
    Title.clear();
    Url.clear();
    Description.clear();

    CInputFile file(path);
    std::string head = file.ReadAvailableAt(0, HeaderSize);
    std::string type = UpperCaseAscii(head.substr(0, 4));
    if (head.size() == HeaderSize) {
        if (type == "MOD ")
            Kind = akMOD;
        else if (type == "HAK ")
            Kind = akHAK;
        else if (type == "ERF ")
            Kind = akERF;
    }
    if (Kind == akNone) {
        ShowErrorMessage(AboutFile(path, "Not a Duskmere MOD/HAK/ERF File."));
        return false;
    }
    std::memcpy(Header.data(), head.data(), HeaderSize);
    const unsigned char *h = Header.data();
    std::uint32_t stringCount = ReadU32LE(h + 8);
    std::uint32_t stringOffset = ReadU32LE(h + 20);
    std::uint32_t count = ReadU32LE(h + 16);
    std::uint32_t keyOffset = ReadU32LE(h + 24);
    std::uint32_t resOffset = ReadU32LE(h + 28);

    // Localized strings: only those lying wholly between their offset and the
    // first list that follows it (older writers claimed strings they never wrote).
    std::uint64_t stringsEnd = file.Size();
    for (std::uint32_t listOffset : {keyOffset, resOffset})
        if (listOffset >= stringOffset)
            stringsEnd = std::min<std::uint64_t>(stringsEnd, listOffset);
    std::uint64_t position = stringOffset;
    for (std::uint32_t i = 0; i < stringCount && position + 8 <= stringsEnd; ++i) {
        unsigned char lead[8];
        file.ReadAt(position, lead, 8);
        std::uint32_t size = ReadU32LE(lead + 4);
        if (position + 8 + size > stringsEnd)
            break;
        LocStrings.push_back({ReadU32LE(lead), file.ReadStringAt(position + 8, size)});
        position += 8 + std::uint64_t(size);
    }
    int edited = EditedString(LocStrings);
    if (edited >= 0 && Kind == akMOD) {
        Description = UpToZero(LocStrings[std::size_t(edited)].Text);
    } else if (edited >= 0 && Kind == akHAK) {
        std::string text = UpToZero(LocStrings[std::size_t(edited)].Text);
        std::size_t first = text.find('\n');
        Title = text.substr(0, first);
        if (first != std::string::npos) {
            std::size_t second = text.find('\n', first + 1);
            Url = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
            if (second != std::string::npos)
                Description = text.substr(second + 1);
        }
    }

    // Every listed resource's bytes must be in the file: the packer holds them all.
    std::string damage;
    const std::vector<RMOD_ENTRY> listedEntries = ReadErfEntries(file, count, keyOffset, resOffset, damage);
    std::uint64_t first = file.Size();
    std::uint64_t end = 0;
    for (const RMOD_ENTRY &listed : listedEntries) {
        std::uint32_t offset = std::uint32_t(listed.Offset);
        std::uint32_t size = std::uint32_t(listed.Size);
        if (!file.Holds(offset, size)) {
            Header = CMODPAK().Header;
            ShowErrorMessage("\"" + path + "\" is damaged: the resource " + Codec().Decode(listed.ResRef) +
                             " lies past the end of the file.");
            Kind = akNone;
            LocStrings.clear();
            Title.clear();
            Url.clear();
            Description.clear();
            return false;
        }
        if (size > 0) {
            first = std::min<std::uint64_t>(first, offset);
            end = std::max<std::uint64_t>(end, std::uint64_t(offset) + size);
        }
    }
    // The bytes from the first resource to the end of the last, read once and
    // shared by all.
    const auto bytes = std::make_shared<const std::string>(
        first < end ? file.ReadStringAt(first, std::size_t(end - first)) : std::string());
    m_entries.reserve(listedEntries.size());
    for (const RMOD_ENTRY &listed : listedEntries) {
        const std::uint32_t size = std::uint32_t(listed.Size);
        m_entries.push_back({listed.ResRef, listed.ResID, listed.ResType, listed.Offset, listed.Size,
                             size > 0 ? CResourceBytes(bytes, std::uint32_t(listed.Offset) - first, size)
                                      : CResourceBytes()});
    }
    m_indexValid = false;
    OverlappingEntries = CountOverlappingEntries(listedEntries);
    if (!damage.empty())
        ShowErrorMessage(damage);
    return true;
}

std::string CMODPAK::BuildLocalizedStrings(std::uint32_t &count) const
{
    std::vector<RMOD_LOCSTRING> strings = LocStrings;
    if (Kind == akERF) {
        // An ERF shows no title or description: the string the packer edits goes
        // rather than be carried along unseen; strings of other languages stay.
        const int edited = EditedString(strings);
        if (edited >= 0)
            strings.erase(strings.begin() + edited);
    } else if (Kind == akMOD || Kind == akHAK) {
        int edited = EditedString(strings);
        if (edited < 0) {
            strings.push_back({0, {}});
            edited = 0;
        }
        std::string &text = strings[std::size_t(edited)].Text;
        if (Kind == akMOD)
            text = Description;
        else
            text = Title + '\n' + Url + '\n' + Description + '\0';
    }
    std::string bytes;
    for (const RMOD_LOCSTRING &string : strings) {
        AppendU32LE(bytes, string.LanguageID);
        AppendU32LE(bytes, std::uint32_t(string.Text.size()));
        bytes += string.Text;
    }
    count = std::uint32_t(strings.size());
    return bytes;
}

std::string CMODPAK::TargetPath(const std::string &path) const
{
    const char *extension = KindExtension(Kind);
    return EndsWith(path, extension) ? path : path + extension;
}

std::string CMODPAK::Save(const std::string &path)
{
    const char *fileType = KindFileType(Kind);
    if (!fileType)
        throw EFileError(AboutFile(path, "The archive has no kind (MOD, HAK or ERF) to be saved as."));
    std::string target = TargetPath(path);

    std::uint32_t stringCount = 0;
    std::string strings = BuildLocalizedStrings(stringCount);
    std::uint64_t keyOffset = HeaderSize + strings.size();
    std::uint64_t resOffset = keyOffset + KeyEntrySize * m_entries.size();
    std::uint64_t dataOffset = resOffset + ResEntrySize * m_entries.size();
    std::uint64_t end = dataOffset;
    for (const RMOD_FILE &entry : m_entries)
        end += entry.Data.size();
    if (end > 0xFFFFFFFFull)
        throw EFileError("\"" + target + "\" would exceed 4 GB, more than an archive can address.");

    std::array<unsigned char, HeaderSize> header = Header;
    std::memcpy(header.data(), fileType, 4);
    PutU32LE(header.data() + 8, stringCount);
    PutU32LE(header.data() + 12, std::uint32_t(strings.size()));
    PutU32LE(header.data() + 16, std::uint32_t(m_entries.size()));
    PutU32LE(header.data() + 20, HeaderSize);
    PutU32LE(header.data() + 24, std::uint32_t(keyOffset));
    PutU32LE(header.data() + 28, std::uint32_t(resOffset));

    std::string keyList;
    std::string resList;
    keyList.reserve(KeyEntrySize * m_entries.size());
    resList.reserve(ResEntrySize * m_entries.size());
    std::vector<std::int32_t> offsets;
    offsets.reserve(m_entries.size());
    std::uint64_t offset = dataOffset;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const RMOD_FILE &entry = m_entries[i];
        char name[16] = {};
        std::memcpy(name, entry.ResRef.data(), std::min<std::size_t>(16, entry.ResRef.size()));
        keyList.append(name, 16);
        AppendU32LE(keyList, std::uint32_t(i));
        AppendU32LE(keyList, std::uint32_t(entry.ResType));
        AppendU32LE(resList, std::uint32_t(offset));
        AppendU32LE(resList, std::uint32_t(entry.Data.size()));
        offsets.push_back(std::int32_t(offset));
        offset += entry.Data.size();
    }

    CAtomicFile file(target);
    file.File().Write(header.data(), header.size());
    file.File().Write(strings);
    file.File().Write(keyList);
    file.File().Write(resList);
    for (const RMOD_FILE &entry : m_entries) {
        ThrowIfCancelled(); // the temporary file goes, the previous archive stays
        file.File().Write(entry.Data);
    }
    file.Commit();

    Header = header;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        m_entries[i].Offset = offsets[i];
        m_entries[i].Size = std::int32_t(m_entries[i].Data.size());
    }
    return target;
}

std::string CMODPAK::NameOfFile(const std::string &path)
{
    std::string name = ExtractFileName(path);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::optional<std::string> CMODPAK::ResRefOfFile(const std::string &path) const
{
    return Codec().Encode(NameOfFile(path));
}

std::string CMODPAK::RefusalReason(const std::string &path, std::string *resref, std::int32_t *type) const
{
    if (NameOfFile(path).empty())
        return "it has no name before its extension";
    std::optional<std::string> name = ResRefOfFile(path);
    if (!name)
        return "its name has characters the game's text encoding (" + Codec().Name() + ") cannot hold";
    if (name->size() > 16)
        return "its name is longer than 16 characters";
    const std::string ext = ExtractFileExt(path);
    const std::int32_t resType = ExtToType(ext.empty() ? ext : ext.substr(1));
    if (resType < 0)
        return "its extension names no resource type";
    if (Find(*name, resType) >= 0)
        return "a resource of that name and type is already present";
    if (resref)
        *resref = std::move(*name);
    if (type)
        *type = resType;
    return {};
}

std::string CMODPAK::AddFileIfAccepted(const std::string &path)
{
    RMOD_FILE entry;
    std::string reason = RefusalReason(path, &entry.ResRef, &entry.ResType);
    if (!reason.empty())
        return reason;
    entry.Data = CResourceBytes(ReadWholeFile(path));
    entry.ResID = std::int32_t(m_entries.size());
    entry.Size = std::int32_t(entry.Data.size());
    m_entries.push_back(std::move(entry));
    return {};
}

void CMODPAK::AddFile(const std::string &path)
{
    const std::optional<std::string> resref = ResRefOfFile(path);
    if (!resref)
        throw EFileError("\"" + path + "\" cannot be added: " + RefusalReason(path) + ".");
    std::string data = ReadWholeFile(path);
    std::string ext = ExtractFileExt(path);
    RMOD_FILE entry;
    entry.ResRef = *resref;
    entry.ResID = std::int32_t(m_entries.size());
    entry.ResType = ExtToType(ext.empty() ? ext : ext.substr(1));
    entry.Size = std::int32_t(data.size());
    entry.Data = CResourceBytes(std::move(data));
    m_entries.push_back(std::move(entry));
}

int CMODPAK::AddEntry(const RMOD_FILE &source)
{
    RMOD_FILE entry;
    entry.ResRef = source.ResRef;
    entry.ResID = std::int32_t(m_entries.size());
    entry.ResType = source.ResType;
    entry.Size = source.Size;
    entry.Data = source.Data;
    m_entries.push_back(std::move(entry));
    return int(m_entries.size()) - 1;
}

void CMODPAK::UpdateIndex() const
{
    if (!m_indexValid || m_indexedCount > m_entries.size()) {
        m_index.clear();
        m_indexedCount = 0;
        m_indexValid = true;
    }
    for (; m_indexedCount < m_entries.size(); ++m_indexedCount) {
        const RMOD_FILE &entry = m_entries[m_indexedCount];
        m_index.emplace(ResourceKey(entry.ResRef, entry.ResType), int(m_indexedCount)); // keeps the first
    }
}

int CMODPAK::Find(const std::string &resref, std::int32_t resType) const
{
    UpdateIndex();
    auto found = m_index.find(ResourceKey(resref, resType));
    return found == m_index.end() ? -1 : found->second;
}

void CMODPAK::Delete(int index)
{
    if (index < 0 || std::size_t(index) >= m_entries.size())
        throw std::out_of_range("CMODPAK::Delete: no entry " + std::to_string(index));
    m_entries.erase(m_entries.begin() + index);
    m_indexValid = false;
}

void CMODPAK::ExportToFile(int index, const std::string &folder)
{
    ThrowIfCancelled();
    const RMOD_FILE &entry = m_entries.at(std::size_t(index));
    CurrentName = ResourceFilePath(folder, entry.ResRef, TypeToExt(entry.ResType), Codec());
    if (OnExport)
        OnExport(*this);
    WriteWholeFile(CurrentName, entry.Data);
}

void CMODPAK::ExportAll(const std::string &folder)
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        ExportToFile(int(i), folder);
}
