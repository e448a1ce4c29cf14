#include "testdata/ErfBuilder.h"

#include "testdata/ByteBuilder.h"

namespace testdata {

int ErfBuilder::Add(std::string resref, std::uint16_t type, std::string data)
{
    ErfResource res;
    res.ResRef = std::move(resref);
    res.Type = type;
    res.Data = std::move(data);
    Resources.push_back(std::move(res));
    return static_cast<int>(Resources.size()) - 1;
}

ErfBuilder &ErfBuilder::AddString(std::uint32_t languageId, std::string text)
{
    Strings.push_back({languageId, std::move(text)});
    return *this;
}

std::string ErfBuilder::HakText(const std::string &title, const std::string &url,
                                const std::string &description)
{
    return title + '\n' + url + '\n' + description + '\0';
}

std::string ErfBuilder::Build() const
{
    std::uint32_t stringsSize = 0;
    for (const auto &text : Strings)
        stringsSize += 8 + static_cast<std::uint32_t>(text.Text.size());
    const auto count = static_cast<std::uint32_t>(Resources.size());
    const std::uint32_t stringsOffset = HeaderSize;
    const std::uint32_t keyListOffset = stringsOffset + stringsSize;
    const std::uint32_t resourceListOffset = keyListOffset + KeyEntrySize * count;
    const std::uint32_t dataOffset = resourceListOffset + ResourceEntrySize * count;

    ByteBuilder out;
    out.Fixed(FileType, 4).Fixed(Version, 4);
    out.U32(LanguageCountField.value_or(static_cast<std::uint32_t>(Strings.size())));
    out.U32(stringsSize);
    out.U32(EntryCountField.value_or(count));
    out.U32(stringsOffset);
    out.U32(KeyListOffsetField.value_or(keyListOffset));
    out.U32(ResourceListOffsetField.value_or(resourceListOffset));
    out.U32(BuildYear).U32(BuildDay).U32(DescriptionStrRef);
    out.PadTo(HeaderSize);

    for (const auto &text : Strings)
        out.U32(text.LanguageId).U32(static_cast<std::uint32_t>(text.Text.size())).Bytes(text.Text);

    for (std::uint32_t i = 0; i < count; ++i) {
        const auto &res = Resources[i];
        out.Fixed(res.ResRef, 16).U32(res.ResId.value_or(i)).U16(res.Type).U16(res.Reserved);
    }
    std::uint32_t offset = dataOffset;
    for (const auto &res : Resources) {
        out.U32(offset).U32(static_cast<std::uint32_t>(res.Data.size()));
        offset += static_cast<std::uint32_t>(res.Data.size());
    }
    for (const auto &res : Resources)
        out.Bytes(res.Data);
    return out.Take();
}

void ErfBuilder::WriteTo(const std::filesystem::path &path) const
{
    WriteFile(path, Build());
}

} // namespace testdata
