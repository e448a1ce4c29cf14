// Builds a GFF file byte by byte from the file layout: 56-byte header, struct
// array, field array, labels, field data, field indices and list indices.
// Struct 0 is the top-level struct. Fields are numbered in the order they are
// added, whatever struct they belong to; a struct lists its own field numbers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testdata {

namespace gfftype {
inline constexpr std::uint32_t UINT8 = 0;
inline constexpr std::uint32_t INT8 = 1;
inline constexpr std::uint32_t UINT16 = 2;
inline constexpr std::uint32_t INT16 = 3;
inline constexpr std::uint32_t UINT32 = 4;
inline constexpr std::uint32_t INT32 = 5;
inline constexpr std::uint32_t UINT64 = 6;
inline constexpr std::uint32_t INT64 = 7;
inline constexpr std::uint32_t FLOAT = 8;
inline constexpr std::uint32_t DOUBLE = 9;
inline constexpr std::uint32_t STRING = 10;
inline constexpr std::uint32_t RESREF = 11;
inline constexpr std::uint32_t LOCSTRING = 12;
inline constexpr std::uint32_t VOID = 13;
inline constexpr std::uint32_t STRUCT = 14;
inline constexpr std::uint32_t LIST = 15;
} // namespace gfftype

struct GffField {
    std::string Label;
    std::uint32_t Type = 0;
    std::uint32_t Word = 0;          // the in-place value (small types)
    std::string Data;                // bytes in the field data block; empty for in-place types
    bool InData = false;             // the field's word is an offset into the field data block
    std::vector<int> Elements;       // struct numbers of a list
    // Deliberately odd files: written instead of the computed values.
    std::optional<std::uint32_t> WordField;       // the DataOrDataOffset word
    std::optional<std::uint32_t> LabelIndexField; // the label number
};

struct GffStruct {
    std::uint32_t Id = 0;
    std::vector<int> Fields; // field numbers
    std::optional<std::uint32_t> DataOrDataOffsetField;
    std::optional<std::uint32_t> FieldCountField;
};

struct GffSubstring {
    std::uint32_t Id = 0; // language * 2 + gender, as stored
    std::string Text;
};

class GffBuilder {
public:
    static constexpr std::uint32_t HeaderSize = 56;
    static constexpr std::uint32_t StructSize = 12;
    static constexpr std::uint32_t FieldSize = 12;
    static constexpr std::uint32_t LabelSize = 16;

    explicit GffBuilder(std::string fileType = "GFF ", std::string version = "V3.2",
                        std::uint32_t topStructId = 0xFFFFFFFF);

    std::string FileType; // four characters, cut or padded with zero bytes
    std::string Version;

    // Header fields written instead of the computed ones (for damaged files).
    std::optional<std::uint32_t> FieldOffsetField;
    std::optional<std::uint32_t> LabelOffsetField;
    std::optional<std::uint32_t> LabelCountField;
    std::optional<std::uint32_t> FieldDataOffsetField;
    std::optional<std::uint32_t> FieldIndicesOffsetField;
    std::optional<std::uint32_t> ListIndicesOffsetField;
    // Bytes appended after the last section.
    std::string Trailer;

    // Returns the new struct's number.
    int AddStruct(std::uint32_t id);
    GffStruct &Struct(int number) { return m_structs.at(static_cast<std::size_t>(number)); }

    // Each adder appends a field to struct s and returns the field's number.
    int Byte(int s, const std::string &label, std::uint8_t value);
    int Char(int s, const std::string &label, std::int8_t value);
    int Word(int s, const std::string &label, std::uint16_t value);
    int Short(int s, const std::string &label, std::int16_t value);
    int DWord(int s, const std::string &label, std::uint32_t value);
    int Int(int s, const std::string &label, std::int32_t value);
    int DWord64(int s, const std::string &label, std::uint64_t value);
    int Int64(int s, const std::string &label, std::int64_t value);
    int Float(int s, const std::string &label, float value);
    int Double(int s, const std::string &label, double value);
    int String(int s, const std::string &label, const std::string &value);
    int ResRef(int s, const std::string &label, const std::string &value);
    int LocString(int s, const std::string &label, std::uint32_t strRef,
                  const std::vector<GffSubstring> &substrings = {});
    int List(int s, const std::string &label, const std::vector<int> &elements);
    // Any type with its word in place (types 13, 14, 16 and above).
    int Raw(int s, const std::string &label, std::uint32_t type, std::uint32_t word);

    GffField &Field(int number) { return m_fields.at(static_cast<std::size_t>(number)); }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }

    // Offsets of the sections in the built file (valid for the current content).
    struct Layout {
        std::uint32_t StructOffset, FieldOffset, LabelOffset, FieldDataOffset, FieldIndicesOffset,
            ListIndicesOffset, End;
        std::vector<std::uint32_t> DataOffsets; // per field: its offset in the field data block
        std::vector<std::uint32_t> ListOffsets; // per field: its offset in the list indices
    };
    Layout ComputeLayout() const;

    std::string Build() const;
    void WriteTo(const std::filesystem::path &path) const;

private:
    int Add(int s, GffField field);
    std::vector<std::string> Labels() const;

    std::vector<GffStruct> m_structs;
    std::vector<GffField> m_fields;
};

} // namespace testdata
