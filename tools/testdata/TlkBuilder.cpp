#include "testdata/TlkBuilder.h"

#include "testdata/ByteBuilder.h"

namespace testdata {

int TlkBuilder::Add(std::string soundResRef, std::string text)
{
    TlkEntry entry;
    entry.SoundResRef = std::move(soundResRef);
    entry.Text = std::move(text);
    Entries.push_back(std::move(entry));
    return static_cast<int>(Entries.size()) - 1;
}

std::uint32_t TlkBuilder::StringDataOffset() const
{
    return HeaderSize + EntrySize * static_cast<std::uint32_t>(Entries.size());
}

std::uint32_t TlkBuilder::TextOffset(std::size_t i) const
{
    std::uint32_t offset = 0;
    for (std::size_t k = 0; k < i && k < Entries.size(); ++k)
        offset += static_cast<std::uint32_t>(Entries[k].Text.size());
    return offset;
}

std::string TlkBuilder::Build() const
{
    ByteBuilder out;
    out.Fixed(FileType, 4).Fixed(Version, 4).U32(LanguageId);
    out.U32(StringCountField.value_or(static_cast<std::uint32_t>(Entries.size())));
    out.U32(StringDataOffsetField.value_or(StringDataOffset()));
    std::uint32_t offset = 0;
    for (const auto &entry : Entries) {
        std::uint32_t flags = 0;
        if (!entry.Text.empty())
            flags |= TextPresent;
        if (!entry.SoundResRef.empty())
            flags |= SoundPresent;
        if (entry.SoundLength != 0.0f)
            flags |= SoundLengthPresent;
        out.U32(flags).Fixed(entry.SoundResRef, 16).U32(0).U32(0);
        out.I32(entry.OffsetField.value_or(static_cast<std::int32_t>(offset)));
        out.U32(entry.SizeField.value_or(static_cast<std::uint32_t>(entry.Text.size())));
        out.F32(entry.SoundLength);
        offset += static_cast<std::uint32_t>(entry.Text.size());
    }
    for (const auto &entry : Entries)
        out.Bytes(entry.Text);
    return out.Take();
}

void TlkBuilder::WriteTo(const std::filesystem::path &path) const
{
    WriteFile(path, Build());
}

} // namespace testdata
