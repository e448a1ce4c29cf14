#include "formats/UCSSF.h"

#include "app/UFileIO.h"
#include "app/UUtil.h"

#include <algorithm>

namespace {

constexpr std::uint64_t HeaderSize = 40;
constexpr std::uint64_t EntryCountOffset = 8;
// The offset table is taken to follow the header, whatever TableOffset says.
constexpr std::uint64_t OffsetTableStart = HeaderSize;
constexpr std::uint64_t OffsetSize = 4;
constexpr std::size_t ResRefSize = 16;
constexpr std::size_t EntrySize = ResRefSize + 4;
constexpr std::uint32_t NoStringRef = 0xFFFFFFFF;

bool IsBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

} // namespace

CSSF::CSSF() : Codec(&GameTextCodec())
{
    TalkTable.LoadGameTalkTable();
}

bool CSSF::Load(const std::string &path)
{
    if (!FileExists(path))
        return false;
    const CInputFile file(path);
    if (!file.Holds(0, HeaderSize))
        return true;

    unsigned char countBytes[4];
    file.ReadAt(EntryCountOffset, countBytes, sizeof countBytes);
    // Only the offsets that lie inside the file are read; a damaged table ends there.
    const std::uint64_t offsetsInFile = (file.Size() - OffsetTableStart) / OffsetSize;
    const auto slotCount = static_cast<std::size_t>(std::min<std::uint64_t>(ReadU32LE(countBytes), offsetsInFile));
    if (slotCount > MaxSlots)
        throw EFileError("\"" + path + "\" is too large to show: it has " + std::to_string(slotCount) +
                         " slots, more than a sound set's " + std::to_string(MaxSlots) + ".");
    const std::string offsets = file.ReadStringAt(OffsetTableStart, slotCount * OffsetSize);

    for (std::size_t slot = 0; slot < slotCount; ++slot) {
        const std::uint32_t position =
            ReadU32LE(reinterpret_cast<const unsigned char *>(offsets.data()) + slot * OffsetSize);
        if (!file.Holds(position, EntrySize))
            break; // an entry past the end: the slots before it are kept
        unsigned char entry[EntrySize];
        file.ReadAt(position, entry, EntrySize);
        Entries.push_back(RSSF{std::to_string(slot), FixedName(entry, ResRefSize),
                               LookupStrRef(ReadU32LE(entry + ResRefSize))});
    }
    return true;
}

std::string_view CSSF::LookupStrRef(std::uint32_t ref) const
{
    if (ref == NoStringRef)
        return {};
    const auto id = static_cast<std::int32_t>(ref);
    const std::string_view sound = TalkTable.GetSound(id);
    if (!IsBlank(sound))
        return sound;
    return TalkTable.GetText(id);
}
