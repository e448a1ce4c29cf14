// Builds a KEY index and the BIF archives it names, byte by byte from the file
// layout. The key table lists each BIF's resources in index order, BIF after BIF.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testdata {

struct KeyResource {
    std::string ResRef;
    std::uint16_t Type = 0;
    std::string Data;
};

struct BifSpec {
    std::string KeyName;  // name as the KEY stores it, e.g. "data\\demo.bif"
    std::string DiskName; // path on disk below the KEY's folder ('/'-separated); empty: KeyName
    std::uint16_t Drives = 1;
    std::vector<KeyResource> Resources; // a resource's Index is its position here

    // Deliberately odd files.
    std::optional<std::uint32_t> VariableCountField;       // written instead of the real count
    std::optional<std::uint32_t> VariableTableOffsetField; // written instead of 20
    std::uint32_t FixedCount = 0; // zero-filled fixed-resource entries after the variable table
    bool OnDisk = true;           // false: named by the KEY but not written
};

// A key entry appended verbatim after the regular ones, with a ResID of the caller's choice.
struct RawKeyEntry {
    std::string ResRef;
    std::uint16_t Type = 0;
    std::uint32_t ResId = 0;
};

class KeyBifBuilder {
public:
    static constexpr std::uint32_t KeyHeaderSize = 64;
    static constexpr std::uint32_t BifHeaderSize = 20;
    static constexpr std::uint32_t FileEntrySize = 12;
    static constexpr std::uint32_t KeyEntrySize = 22;
    static constexpr std::uint32_t VarEntrySize = 16;
    static constexpr std::uint32_t FixEntrySize = 20;

    // Returns the BIF's number (its position in the file table).
    int AddBif(std::string keyName, std::string diskName = {});
    // Returns the resource's Index inside its BIF.
    int AddResource(int bif, std::string resref, std::uint16_t type, std::string data);
    BifSpec &Bif(int bif) { return m_bifs.at(static_cast<std::size_t>(bif)); }
    const BifSpec &Bif(int bif) const { return m_bifs.at(static_cast<std::size_t>(bif)); }
    int BifCount() const { return static_cast<int>(m_bifs.size()); }
    std::size_t ResourceCount() const;

    // KEY header and table oddities.
    std::string Signature = "KEY ";
    std::string Version = "V1  ";
    std::optional<std::uint32_t> BifCountField;
    std::optional<std::uint32_t> KeyCountField;
    std::optional<std::uint32_t> FileTableOffsetField;
    std::optional<std::uint32_t> KeyTableOffsetField;
    std::vector<RawKeyEntry> ExtraKeys;
    bool InterleaveKeys = false; // list the BIFs' resources round-robin instead of grouped

    static std::uint32_t ResId(int bif, int index)
    {
        return (static_cast<std::uint32_t>(bif) << 20) | static_cast<std::uint32_t>(index);
    }

    std::string BuildKey() const;
    std::string BuildBif(int bif) const;
    std::uint64_t BifFileSize(int bif) const;
    // Where a BIF lies below the KEY's folder.
    std::filesystem::path BifRelativePath(int bif) const;
    // Writes keyFileName and every BIF marked OnDisk below folder.
    void WriteTo(const std::filesystem::path &folder, const std::string &keyFileName = "chitin.key") const;

private:
    std::vector<BifSpec> m_bifs;
};

} // namespace testdata
