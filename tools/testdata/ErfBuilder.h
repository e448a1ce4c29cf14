// Builds an ERF-family archive (MOD, HAK, ERF) byte by byte from the file layout:
// 160-byte header, localized string list, key list, resource list, data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testdata {

struct ErfResource {
    std::string ResRef;
    std::uint16_t Type = 0;
    std::string Data;
    std::uint16_t Reserved = 0;          // the word after the type
    std::optional<std::uint32_t> ResId;  // default: the entry's position
};

struct ErfString {
    std::uint32_t LanguageId = 0;
    std::string Text;
};

class ErfBuilder {
public:
    static constexpr std::uint32_t HeaderSize = 160;
    static constexpr std::uint32_t KeyEntrySize = 24;
    static constexpr std::uint32_t ResourceEntrySize = 8;

    explicit ErfBuilder(std::string fileType = "ERF ") : FileType(std::move(fileType)) {}

    std::string FileType; // "MOD ", "HAK ", "ERF " (or anything, for odd files)
    std::string Version = "V1.0";
    std::vector<ErfString> Strings;
    std::vector<ErfResource> Resources;
    std::uint32_t BuildYear = 125; // counted from 1900
    std::uint32_t BuildDay = 1;
    std::uint32_t DescriptionStrRef = 0xFFFFFFFF;

    // Deliberately odd files: written instead of the real values.
    std::optional<std::uint32_t> LanguageCountField;
    std::optional<std::uint32_t> EntryCountField;
    std::optional<std::uint32_t> KeyListOffsetField;
    std::optional<std::uint32_t> ResourceListOffsetField;

    // Returns the new entry's position.
    int Add(std::string resref, std::uint16_t type, std::string data);
    ErfBuilder &AddString(std::uint32_t languageId, std::string text);

    // The one localized string of a HAK: title, line feed, URL, line feed,
    // description, zero byte.
    static std::string HakText(const std::string &title, const std::string &url,
                               const std::string &description);

    std::string Build() const;
    void WriteTo(const std::filesystem::path &path) const;
};

} // namespace testdata
