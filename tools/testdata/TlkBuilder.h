// Builds a talk table (TLK) byte by byte from the file layout: 20-byte header,
// 40-byte entries, then the string data block holding the texts one after the
// other, the first text at offset 0 of the block.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testdata {

struct TlkEntry {
    std::string SoundResRef; // at most 16 bytes are stored
    std::string Text;
    float SoundLength = 0.0f;
    // Deliberately odd entries: written instead of the computed values.
    std::optional<std::int32_t> OffsetField; // OffsetToString, relative to the block
    std::optional<std::uint32_t> SizeField;  // StringSize
};

class TlkBuilder {
public:
    static constexpr std::uint32_t HeaderSize = 20;
    static constexpr std::uint32_t EntrySize = 40;
    // Flags of an entry: text present, sound present, sound length present.
    static constexpr std::uint32_t TextPresent = 1;
    static constexpr std::uint32_t SoundPresent = 2;
    static constexpr std::uint32_t SoundLengthPresent = 4;

    std::string FileType = "TLK ";
    std::string Version = "V3.0";
    std::uint32_t LanguageId = 0;
    std::vector<TlkEntry> Entries;
    std::optional<std::uint32_t> StringCountField;
    std::optional<std::uint32_t> StringDataOffsetField;

    // Returns the new entry's number.
    int Add(std::string soundResRef, std::string text);

    std::uint32_t StringDataOffset() const;
    // Offset of entry i's text, relative to the string data block.
    std::uint32_t TextOffset(std::size_t i) const;
    std::string Build() const;
    void WriteTo(const std::filesystem::path &path) const;
};

} // namespace testdata
