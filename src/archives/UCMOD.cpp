#include "archives/UCMOD.h"

#include "app/UCancel.h"
#include "app/UMessage.h"
#include "app/UText.h"
#include "app/UUtil.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace {
constexpr std::size_t HeaderSize = 40;
constexpr std::size_t KeyEntrySize = 24;
constexpr std::size_t ResEntrySize = 8;
} // namespace

void CMOD::Clear()
{
    Entries.clear();
    EntryCount = 0;
    FileName.clear();
}

bool CMOD::Open(const std::string &path)
{
    Clear();
    if (!FileExists(path))
        return false;
    FileName = path;
    m_codec = &GameTextCodec();
    std::unique_ptr<CInputFile> file;
    try {
        file = std::make_unique<CInputFile>(path);
    } catch (const EFileError &) {
        ShowErrorMessage("cant't open " + path);
        return false;
    }
    unsigned char header[HeaderSize] = {};
    std::string head = file->ReadAvailableAt(0, HeaderSize);
    std::memcpy(header, head.data(), head.size());
    std::string type = UpperCaseAscii(std::string(reinterpret_cast<char *>(header), 4));
    if (head.size() < HeaderSize || (type != "MOD " && type != "HAK " && type != "ERF ")) {
        ShowErrorMessage(AboutFile(path, "Not a Duskmere MOD/HAK/ERF File."));
        return false;
    }
    std::uint32_t count = ReadU32LE(header + 16);
    std::uint32_t keyOffset = ReadU32LE(header + 24);
    std::uint32_t resOffset = ReadU32LE(header + 28);

    std::string damage;
    Entries = ReadErfEntries(*file, count, keyOffset, resOffset, damage);
    EntryCount = std::int32_t(Entries.size());
    if (!damage.empty())
        ShowErrorMessage(damage);
    return true;
}

std::vector<RMOD_ENTRY> ReadErfEntries(const CInputFile &file, std::uint32_t count, std::uint32_t keyOffset,
                                       std::uint32_t resOffset, std::string &damage)
{
    // An entry is listed only when both its key entry and its resource entry
    // lie inside the file.
    auto inside = [&](std::uint64_t offset, std::size_t width) -> std::uint64_t {
        return offset >= file.Size() ? 0 : (file.Size() - offset) / width;
    };
    std::uint64_t listed = std::min<std::uint64_t>(
        {std::uint64_t(count), inside(keyOffset, KeyEntrySize), inside(resOffset, ResEntrySize), std::uint64_t(INT32_MAX)});
    std::string keys = file.ReadStringAt(keyOffset, std::size_t(listed * KeyEntrySize));
    std::string resources = file.ReadStringAt(resOffset, std::size_t(listed * ResEntrySize));
    damage.clear();
    if (listed < count)
        damage = "\"" + file.Path() + "\" is damaged: its header announces " + std::to_string(count) +
                 " entries, but only " + std::to_string(listed) + " lie inside it.";
    std::vector<RMOD_ENTRY> entries(static_cast<std::size_t>(listed));
    for (std::size_t i = 0; i < listed; ++i) {
        const auto *key = reinterpret_cast<const unsigned char *>(keys.data()) + i * KeyEntrySize;
        const auto *res = reinterpret_cast<const unsigned char *>(resources.data()) + i * ResEntrySize;
        RMOD_ENTRY &entry = entries[i];
        entry.ResRef = FixedName(key, 16);
        entry.ResID = std::int32_t(ReadU32LE(key + 16));
        entry.ResType = std::int32_t(ReadU32LE(key + 20));
        entry.Offset = std::int32_t(ReadU32LE(res));
        entry.Size = std::int32_t(ReadU32LE(res + 4));
    }
    return entries;
}

std::size_t CountOverlappingEntries(const std::vector<RMOD_ENTRY> &entries)
{
    // Byte ranges by where they start; each is held against the furthest end
    // of those before it.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    ranges.reserve(entries.size());
    for (const RMOD_ENTRY &entry : entries)
        if (entry.Size != 0)
            ranges.emplace_back(std::uint32_t(entry.Offset), std::uint64_t(std::uint32_t(entry.Offset)) +
                                                                 std::uint32_t(entry.Size));
    std::sort(ranges.begin(), ranges.end());
    std::size_t overlapping = 0;
    std::uint64_t furthestEnd = 0;
    for (const auto &[start, end] : ranges) {
        if (start < furthestEnd)
            ++overlapping;
        furthestEnd = std::max(furthestEnd, end);
    }
    return overlapping;
}

std::string CMOD::OutputName(const RMOD_ENTRY &entry) const
{
    return ResourceFileName(entry.ResRef, LowerCaseAscii(TypeToExt(entry.ResType)), Codec());
}

namespace {
// An entry's bytes; offsets and sizes are unsigned 32-bit values in the file.
std::string ReadEntry(const CInputFile &archive, const RMOD_ENTRY &entry)
{
    return archive.ReadStringAt(std::uint32_t(entry.Offset), std::uint32_t(entry.Size));
}
} // namespace

void CMOD::ExtractOne(const CInputFile &archive, const RMOD_ENTRY &entry, const std::string &folder)
{
    ThrowIfCancelled();
    CurrentIndex = int(&entry - Entries.data());
    CurrentName = OutputName(entry);
    if (OnExtract)
        OnExtract(*this);
    // Read first: an entry that lies past the end of the archive writes no file.
    std::string bytes = ReadEntry(archive, entry);
    WriteWholeFile(IncludeTrailingSeparator(folder) + OutputName(entry), bytes);
}

void CMOD::ExtractToFile(int index, const std::string &folder)
{
    CInputFile archive(FileName);
    ExtractOne(archive, Entries.at(std::size_t(index)), folder);
}

void CMOD::ExtractEntries(const std::vector<int> &indices, const std::string &folder)
{
    // Name and type to the first entry carrying them, built once per call.
    std::unordered_map<std::string, int> first;
    first.reserve(Entries.size());
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        first.emplace(ResourceKey(Entries[i].ResRef, Entries[i].ResType), int(i));
    }
    CInputFile archive(FileName);
    for (int index : indices) {
        const RMOD_ENTRY &entry = Entries.at(std::size_t(index));
        ExtractOne(archive, Entries[std::size_t(first.at(ResourceKey(entry.ResRef, entry.ResType)))], folder);
    }
}

void CMOD::ExtractAll(const std::string &folder)
{
    CInputFile archive(FileName);
    for (const RMOD_ENTRY &entry : Entries)
        ExtractOne(archive, entry, folder);
}

std::string CMOD::ExtractToString(int index) const
{
    const RMOD_ENTRY &entry = Entries.at(std::size_t(index));
    CInputFile archive(FileName);
    return ReadEntry(archive, entry);
}

void CMOD::ExtractToStream(int index, CMemoryStream &stream)
{
    const RMOD_ENTRY &entry = Entries.at(std::size_t(index));
    CInputFile archive(FileName);
    CurrentName = OutputName(entry);
    if (OnExtract)
        OnExtract(*this);
    std::string bytes = ReadEntry(archive, entry);
    stream.CopyIn(bytes);
}

int CMOD::Find(const std::string &resref, std::int32_t resType) const
{
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].ResType == resType && SameNameNoCase(Entries[i].ResRef, resref))
            return int(i);
    return -1;
}
