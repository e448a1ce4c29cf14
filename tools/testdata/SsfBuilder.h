// Builds a sound set (SSF) byte by byte from the file layout: 40-byte header,
// offset table of one absolute position per slot, 20-byte entries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testdata {

struct SsfSlot {
    std::string ResRef; // cut to 16 bytes, padded with zero bytes
    std::uint32_t StringRef = 0xFFFFFFFF;
};

class SsfBuilder {
public:
    static constexpr std::uint32_t HeaderSize = 40;
    static constexpr std::uint32_t EntrySize = 20;
    static constexpr std::uint32_t NoStringRef = 0xFFFFFFFF;

    std::string FileType = "SSF ";
    std::string Version = "V1.0";
    std::vector<SsfSlot> Slots;

    // Deliberately odd files: written instead of the real values.
    std::optional<std::uint32_t> EntryCountField;
    std::optional<std::uint32_t> TableOffsetField; // the real table always follows the header
    // Entries are written last slot first (the offset table still points at each
    // slot's own entry), so a reader must follow the offsets.
    bool EntriesReversed = false;

    // Returns the new slot's number.
    int Add(std::string resref, std::uint32_t stringRef = NoStringRef);

    // Where the offset table puts slot i's entry in Build()'s bytes.
    std::uint32_t EntryPosition(std::size_t slot) const;
    std::string Build() const;
    void WriteTo(const std::filesystem::path &path) const;
};

} // namespace testdata
