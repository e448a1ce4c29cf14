// Makers of small, made-up files in the formats the viewer reads, for the demo data.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace demo {

// A GFF file (header, structs, fields, labels, field data, field and list indices).
// Struct 0 is the top-level struct.
class GffWriter {
public:
    explicit GffWriter(std::string fileType, std::string version = "V3.2");

    int AddStruct(std::uint32_t id);
    void Byte(int s, const std::string &label, std::uint8_t value);
    void Word(int s, const std::string &label, std::uint16_t value);
    void DWord(int s, const std::string &label, std::uint32_t value);
    void Int(int s, const std::string &label, std::int32_t value);
    void Float(int s, const std::string &label, float value);
    void String(int s, const std::string &label, const std::string &value);
    void ResRef(int s, const std::string &label, const std::string &value);
    void LocString(int s, const std::string &label, std::uint32_t strRef,
                   const std::vector<std::pair<std::uint32_t, std::string>> &texts);
    void List(int s, const std::string &label, const std::vector<int> &structs);

    std::string Build() const;

private:
    struct Field {
        std::string Label;
        std::uint32_t Type = 0;
        std::uint32_t Value = 0;  // in-place value
        std::string Data;         // bytes in the field data block (complex types)
        std::vector<int> Structs; // list elements
    };
    struct Struct {
        std::uint32_t Id = 0;
        std::vector<Field> Fields;
    };
    void AddField(int s, Field field);

    std::string m_type;
    std::string m_version;
    std::vector<Struct> m_structs;
};

// Pixels are rows of BGRA quadruples, top row first.
struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels; // 0xAARRGGBB
};
Picture CheckerPicture(int width, int height, std::uint32_t a, std::uint32_t b, int cell);
Picture StripesPicture(int width, int height, const std::vector<std::uint32_t> &colours);

std::string MakeTga(const Picture &picture);    // uncompressed, 24 bits, bottom-up
std::string MakeTgaRle(const Picture &picture); // run-length, 32 bits, top-down
std::string MakeBmp(const Picture &picture);    // 24 bits, rows padded to four bytes
// 16-bit mono PCM: a triangle wave of the given pitch.
std::string MakeWav(int sampleRate, int milliseconds, int pitch);
// A sound set: slot i holds sounds[i] and the string reference 1000 + i.
std::string MakeSsf(const std::vector<std::string> &sounds);

} // namespace demo
