#include "DemoFormats.h"

#include "testdata/ByteBuilder.h"

#include <bit>
#include <map>
#include <stdexcept>

using testdata::ByteBuilder;

namespace demo {

namespace {
enum GffType : std::uint32_t {
    gffByte = 0,
    gffWord = 2,
    gffDWord = 4,
    gffInt = 5,
    gffFloat = 8,
    gffString = 10,
    gffResRef = 11,
    gffLocString = 12,
    gffList = 15,
};
} // namespace

GffWriter::GffWriter(std::string fileType, std::string version)
    : m_type(std::move(fileType)), m_version(std::move(version))
{
    AddStruct(0xFFFFFFFF);
}

int GffWriter::AddStruct(std::uint32_t id)
{
    m_structs.push_back({id, {}});
    return static_cast<int>(m_structs.size()) - 1;
}

void GffWriter::AddField(int s, Field field)
{
    m_structs.at(static_cast<std::size_t>(s)).Fields.push_back(std::move(field));
}

void GffWriter::Byte(int s, const std::string &label, std::uint8_t value)
{
    AddField(s, {label, gffByte, value, {}, {}});
}

void GffWriter::Word(int s, const std::string &label, std::uint16_t value)
{
    AddField(s, {label, gffWord, value, {}, {}});
}

void GffWriter::DWord(int s, const std::string &label, std::uint32_t value)
{
    AddField(s, {label, gffDWord, value, {}, {}});
}

void GffWriter::Int(int s, const std::string &label, std::int32_t value)
{
    AddField(s, {label, gffInt, static_cast<std::uint32_t>(value), {}, {}});
}

void GffWriter::Float(int s, const std::string &label, float value)
{
    AddField(s, {label, gffFloat, std::bit_cast<std::uint32_t>(value), {}, {}});
}

void GffWriter::String(int s, const std::string &label, const std::string &value)
{
    ByteBuilder data;
    data.U32(static_cast<std::uint32_t>(value.size())).Bytes(value);
    AddField(s, {label, gffString, 0, data.Take(), {}});
}

void GffWriter::ResRef(int s, const std::string &label, const std::string &value)
{
    if (value.size() > 255)
        throw std::length_error("ResRef field too long");
    ByteBuilder data;
    data.U8(static_cast<std::uint8_t>(value.size())).Bytes(value);
    AddField(s, {label, gffResRef, 0, data.Take(), {}});
}

void GffWriter::LocString(int s, const std::string &label, std::uint32_t strRef,
                          const std::vector<std::pair<std::uint32_t, std::string>> &texts)
{
    ByteBuilder body;
    body.U32(strRef).U32(static_cast<std::uint32_t>(texts.size()));
    for (const auto &[id, text] : texts)
        body.U32(id).U32(static_cast<std::uint32_t>(text.size())).Bytes(text);
    ByteBuilder data;
    data.U32(static_cast<std::uint32_t>(body.Size())).Bytes(body.Data());
    AddField(s, {label, gffLocString, 0, data.Take(), {}});
}

void GffWriter::List(int s, const std::string &label, const std::vector<int> &structs)
{
    AddField(s, {label, gffList, 0, {}, structs});
}

std::string GffWriter::Build() const
{
    ByteBuilder structArray, fieldArray, labelArray, fieldData, fieldIndices, listIndices;
    std::map<std::string, std::uint32_t> labels;
    std::uint32_t fieldCount = 0;
    for (const auto &st : m_structs) {
        const auto first = fieldCount;
        for (const auto &field : st.Fields) {
            auto [it, added] = labels.emplace(field.Label, static_cast<std::uint32_t>(labels.size()));
            if (added)
                labelArray.Fixed(field.Label, 16);
            std::uint32_t word = field.Value;
            if (!field.Data.empty()) {
                word = static_cast<std::uint32_t>(fieldData.Size());
                fieldData.Bytes(field.Data);
            } else if (field.Type == gffList) {
                word = static_cast<std::uint32_t>(listIndices.Size());
                listIndices.U32(static_cast<std::uint32_t>(field.Structs.size()));
                for (int element : field.Structs)
                    listIndices.U32(static_cast<std::uint32_t>(element));
            }
            fieldArray.U32(field.Type).U32(it->second).U32(word);
            ++fieldCount;
        }
        std::uint32_t dataOrOffset = 0;
        if (st.Fields.size() == 1) {
            dataOrOffset = first;
        } else if (st.Fields.size() > 1) {
            dataOrOffset = static_cast<std::uint32_t>(fieldIndices.Size());
            for (std::uint32_t f = first; f < fieldCount; ++f)
                fieldIndices.U32(f);
        }
        structArray.U32(st.Id).U32(dataOrOffset).U32(static_cast<std::uint32_t>(st.Fields.size()));
    }

    const std::uint32_t structOffset = 56;
    const auto fieldOffset = structOffset + static_cast<std::uint32_t>(structArray.Size());
    const auto labelOffset = fieldOffset + static_cast<std::uint32_t>(fieldArray.Size());
    const auto dataOffset = labelOffset + static_cast<std::uint32_t>(labelArray.Size());
    const auto indicesOffset = dataOffset + static_cast<std::uint32_t>(fieldData.Size());
    const auto listOffset = indicesOffset + static_cast<std::uint32_t>(fieldIndices.Size());

    ByteBuilder out;
    out.Fixed(m_type, 4).Fixed(m_version, 4);
    out.U32(structOffset).U32(static_cast<std::uint32_t>(m_structs.size()));
    out.U32(fieldOffset).U32(fieldCount);
    out.U32(labelOffset).U32(static_cast<std::uint32_t>(labels.size()));
    out.U32(dataOffset).U32(static_cast<std::uint32_t>(fieldData.Size()));
    out.U32(indicesOffset).U32(static_cast<std::uint32_t>(fieldIndices.Size()));
    out.U32(listOffset).U32(static_cast<std::uint32_t>(listIndices.Size()));
    out.Bytes(structArray.Data()).Bytes(fieldArray.Data()).Bytes(labelArray.Data());
    out.Bytes(fieldData.Data()).Bytes(fieldIndices.Data()).Bytes(listIndices.Data());
    return out.Take();
}

Picture CheckerPicture(int width, int height, std::uint32_t a, std::uint32_t b, int cell)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Pixels.push_back(((x / cell + y / cell) % 2) ? b : a);
    return picture;
}

Picture StripesPicture(int width, int height, const std::vector<std::uint32_t> &colours)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Pixels.push_back(colours[static_cast<std::size_t>(y) % colours.size()]);
    return picture;
}

namespace {
std::uint32_t PixelAt(const Picture &picture, int x, int y)
{
    return picture.Pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width) +
                             static_cast<std::size_t>(x));
}

void PutBgr(ByteBuilder &out, std::uint32_t argb)
{
    out.U8(argb & 0xff).U8((argb >> 8) & 0xff).U8((argb >> 16) & 0xff);
}

void PutTgaHeader(ByteBuilder &out, std::uint8_t imageType, const Picture &picture,
                  std::uint8_t bits, std::uint8_t descriptor)
{
    out.U8(0).U8(0).U8(imageType).Zeros(5); // no id, no colour map
    out.U16(0).U16(0).U16(static_cast<std::uint16_t>(picture.Width));
    out.U16(static_cast<std::uint16_t>(picture.Height)).U8(bits).U8(descriptor);
}
} // namespace

std::string MakeTga(const Picture &picture)
{
    ByteBuilder out;
    PutTgaHeader(out, 2, picture, 24, 0);
    for (int y = picture.Height - 1; y >= 0; --y)
        for (int x = 0; x < picture.Width; ++x)
            PutBgr(out, PixelAt(picture, x, y));
    return out.Take();
}

std::string MakeTgaRle(const Picture &picture)
{
    ByteBuilder out;
    PutTgaHeader(out, 10, picture, 32, 0x28); // 8 alpha bits, top row first
    auto putPixel = [&](std::uint32_t argb) {
        PutBgr(out, argb);
        out.U8(argb >> 24);
    };
    // Packets never cross a row: a run packet for repeats, a raw packet otherwise.
    for (int y = 0; y < picture.Height; ++y) {
        int x = 0;
        while (x < picture.Width) {
            int run = 1;
            while (x + run < picture.Width && run < 128 && PixelAt(picture, x + run, y) == PixelAt(picture, x, y))
                ++run;
            if (run > 1) {
                out.U8(static_cast<std::uint8_t>(0x80 | (run - 1)));
                putPixel(PixelAt(picture, x, y));
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < picture.Width && raw < 128 &&
                   (x + raw + 1 >= picture.Width || PixelAt(picture, x + raw, y) != PixelAt(picture, x + raw + 1, y)))
                ++raw;
            out.U8(static_cast<std::uint8_t>(raw - 1));
            for (int i = 0; i < raw; ++i)
                putPixel(PixelAt(picture, x + i, y));
            x += raw;
        }
    }
    return out.Take();
}

std::string MakeBmp(const Picture &picture)
{
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(picture.Width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(picture.Height);
    ByteBuilder out;
    out.Bytes("BM").U32(54 + imageSize).U16(0).U16(0).U32(54);
    out.U32(40).I32(picture.Width).I32(picture.Height).U16(1).U16(24).U32(0);
    out.U32(imageSize).U32(2835).U32(2835).U32(0).U32(0);
    for (int y = picture.Height - 1; y >= 0; --y) {
        const auto rowStart = out.Size();
        for (int x = 0; x < picture.Width; ++x)
            PutBgr(out, PixelAt(picture, x, y));
        out.PadTo(rowStart + rowSize);
    }
    return out.Take();
}

std::string MakeWav(int sampleRate, int milliseconds, int pitch)
{
    const int samples = sampleRate * milliseconds / 1000;
    const int period = sampleRate / pitch;
    ByteBuilder out;
    out.Bytes("RIFF").U32(36 + 2 * static_cast<std::uint32_t>(samples)).Bytes("WAVE");
    out.Bytes("fmt ").U32(16).U16(1).U16(1).U32(static_cast<std::uint32_t>(sampleRate));
    out.U32(static_cast<std::uint32_t>(sampleRate) * 2).U16(2).U16(16);
    out.Bytes("data").U32(2 * static_cast<std::uint32_t>(samples));
    const int amplitude = 12000;
    for (int i = 0; i < samples; ++i) {
        const int phase = i % period; // 0 .. period-1
        const int rising = phase < period / 2 ? phase : period - phase;
        const int value = -amplitude + 4 * amplitude * rising / period;
        out.U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
    }
    return out.Take();
}

std::string MakeSsf(const std::vector<std::string> &sounds)
{
    const auto count = static_cast<std::uint32_t>(sounds.size());
    ByteBuilder out;
    out.Bytes("SSF V1.0").U32(count).U32(40).Zeros(24);
    for (std::uint32_t i = 0; i < count; ++i)
        out.U32(40 + 4 * count + 20 * i);
    for (std::uint32_t i = 0; i < count; ++i)
        out.Fixed(sounds[i], 16).U32(1000 + i);
    return out.Take();
}

} // namespace demo
