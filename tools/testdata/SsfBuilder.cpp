#include "testdata/SsfBuilder.h"

#include "testdata/ByteBuilder.h"

namespace testdata {

int SsfBuilder::Add(std::string resref, std::uint32_t stringRef)
{
    Slots.push_back({std::move(resref), stringRef});
    return static_cast<int>(Slots.size()) - 1;
}

std::uint32_t SsfBuilder::EntryPosition(std::size_t slot) const
{
    const auto count = static_cast<std::uint32_t>(Slots.size());
    const auto place = static_cast<std::uint32_t>(EntriesReversed ? Slots.size() - 1 - slot : slot);
    return HeaderSize + 4 * count + EntrySize * place;
}

std::string SsfBuilder::Build() const
{
    const auto count = static_cast<std::uint32_t>(Slots.size());
    ByteBuilder out;
    out.Fixed(FileType, 4).Fixed(Version, 4);
    out.U32(EntryCountField.value_or(count)).U32(TableOffsetField.value_or(HeaderSize));
    out.PadTo(HeaderSize);
    for (std::size_t slot = 0; slot < Slots.size(); ++slot)
        out.U32(EntryPosition(slot));
    for (std::size_t place = 0; place < Slots.size(); ++place) {
        const SsfSlot &slot = Slots[EntriesReversed ? Slots.size() - 1 - place : place];
        out.Fixed(slot.ResRef, 16).U32(slot.StringRef);
    }
    return out.Take();
}

void SsfBuilder::WriteTo(const std::filesystem::path &path) const
{
    WriteFile(path, Build());
}

} // namespace testdata
