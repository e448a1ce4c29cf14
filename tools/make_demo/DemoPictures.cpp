#include "DemoPictures.h"

#include "testdata/ByteBuilder.h"
#include "testdata/PspBuilder.h"

#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

using testdata::ByteBuilder;

namespace demo {

namespace {

struct Rgba {
    std::uint8_t R, G, B, A;
};

Rgba Channels(std::uint32_t argb)
{
    return {std::uint8_t(argb >> 16), std::uint8_t(argb >> 8), std::uint8_t(argb), std::uint8_t(argb >> 24)};
}

Rgba At(const Picture &picture, int x, int y)
{
    return Channels(picture.Pixels.at(std::size_t(y) * std::size_t(picture.Width) + std::size_t(x)));
}

void CheckSize(const Picture &picture, int maxSide)
{
    if (picture.Width <= 0 || picture.Height <= 0 || picture.Width > maxSide || picture.Height > maxSide ||
        picture.Pixels.size() != std::size_t(picture.Width) * std::size_t(picture.Height))
        throw std::invalid_argument("picture size not supported by the writer");
}

void U16BE(ByteBuilder &out, std::uint32_t value)
{
    out.U8(std::uint8_t(value >> 8)).U8(std::uint8_t(value));
}

void U32BE(ByteBuilder &out, std::uint32_t value)
{
    U16BE(out, value >> 16);
    U16BE(out, value & 0xffff);
}

// The distinct colours of a picture in the order they first appear; throws
// when there are more than 256.
std::vector<std::uint32_t> Palette(const Picture &picture, std::map<std::uint32_t, int> &index)
{
    std::vector<std::uint32_t> colours;
    for (std::uint32_t argb : picture.Pixels) {
        if (index.emplace(argb, int(colours.size())).second)
            colours.push_back(argb);
        if (colours.size() > 256)
            throw std::invalid_argument("more than 256 colours for a palette");
    }
    return colours;
}

// ---------------------------------------------------------------- TGA

std::string TgaPixel(const Rgba &c, const TgaLayout &layout, const std::map<std::uint32_t, int> &index,
                     std::uint32_t argb)
{
    std::string bytes;
    auto put = [&bytes](unsigned value) { bytes.push_back(char(value & 0xff)); };
    switch (layout.ImageKind) {
    case TgaLayout::ColourMapped:
        put(unsigned(index.at(argb)));
        break;
    case TgaLayout::Grey:
        put(c.R);
        if (layout.Bits == 16)
            put(c.A);
        break;
    case TgaLayout::TrueColour:
        if (layout.Bits == 16) {
            const unsigned value = (c.A >= 128 ? 0x8000u : 0u) | unsigned(c.R >> 3) << 10 |
                                   unsigned(c.G >> 3) << 5 | unsigned(c.B >> 3);
            put(value);
            put(value >> 8);
        } else {
            put(c.B);
            put(c.G);
            put(c.R);
            if (layout.Bits == 32)
                put(c.A);
        }
        break;
    }
    return bytes;
}

// One row's pixels as run-length packets: a run packet for repeats, a raw
// packet otherwise; packets never cross a row.
void PutRunLengthRow(ByteBuilder &out, const std::vector<std::string> &row)
{
    const std::size_t width = row.size();
    std::size_t x = 0;
    while (x < width) {
        std::size_t run = 1;
        while (x + run < width && run < 128 && row[x + run] == row[x])
            ++run;
        if (run > 1) {
            out.U8(std::uint8_t(0x80 | (run - 1))).Bytes(row[x]);
            x += run;
            continue;
        }
        std::size_t raw = 1;
        while (x + raw < width && raw < 128 && (x + raw + 1 >= width || row[x + raw] != row[x + raw + 1]))
            ++raw;
        out.U8(std::uint8_t(raw - 1));
        for (std::size_t i = 0; i < raw; ++i)
            out.Bytes(row[x + i]);
        x += raw;
    }
}

// ---------------------------------------------------------------- PCX

void PutPcxLine(ByteBuilder &out, const std::vector<std::uint8_t> &line)
{
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || line[i] >= 0xC0)
            out.U8(std::uint8_t(0xC0 | run));
        out.U8(line[i]);
        i += run;
    }
}

// ---------------------------------------------------------------- PNG

std::uint32_t Crc32(const std::string &bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char byte : bytes)
        crc = table[(crc ^ std::uint8_t(byte)) & 0xff] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::string &bytes)
{
    std::uint32_t a = 1, b = 0;
    for (char byte : bytes) {
        a = (a + std::uint8_t(byte)) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutPngChunk(ByteBuilder &out, const char *type, const std::string &data)
{
    U32BE(out, std::uint32_t(data.size()));
    const std::string typed = std::string(type) + data;
    out.Bytes(typed);
    U32BE(out, Crc32(typed));
}

// ---------------------------------------------------------------- GIF

// Packs variable-width codes, lowest bit first.
class CodeWriter {
public:
    void Put(unsigned code, int width)
    {
        m_bits |= std::uint64_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.push_back(char(m_bits & 0xff));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    std::string Finish()
    {
        if (m_count > 0)
            m_bytes.push_back(char(m_bits & 0xff));
        return m_bytes;
    }

private:
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::string m_bytes;
};

// A level of a colour cube of n steps per channel.
std::uint8_t CubeLevel(std::uint8_t value, int steps)
{
    const int step = (value * steps) / 256;
    return std::uint8_t(step * 255 / (steps - 1));
}

} // namespace

std::string MakeTgaWith(const Picture &picture, const TgaLayout &layout)
{
    CheckSize(picture, 65535);
    std::map<std::uint32_t, int> index;
    std::vector<std::uint32_t> palette;
    if (layout.ImageKind == TgaLayout::ColourMapped)
        palette = Palette(picture, index);

    unsigned alphaBits = 0;
    if (layout.ImageKind == TgaLayout::TrueColour && layout.Bits == 32)
        alphaBits = 8;
    else if (layout.ImageKind == TgaLayout::TrueColour && layout.Bits == 16)
        alphaBits = 1;
    else if (layout.ImageKind == TgaLayout::Grey && layout.Bits == 16)
        alphaBits = 8;
    const unsigned descriptor = alphaBits | (layout.TopDown ? 0x20u : 0u) | (layout.RightToLeft ? 0x10u : 0u);

    ByteBuilder out;
    out.U8(std::uint8_t(layout.Id.size()));
    out.U8(palette.empty() ? 0 : 1);
    out.U8(std::uint8_t(layout.ImageKind + (layout.RunLength ? 8 : 0)));
    out.U16(0).U16(std::uint16_t(palette.size())).U8(palette.empty() ? 0 : std::uint8_t(layout.MapEntryBits));
    out.U16(0).U16(0).U16(std::uint16_t(picture.Width)).U16(std::uint16_t(picture.Height));
    out.U8(std::uint8_t(layout.Bits)).U8(std::uint8_t(descriptor));
    out.Bytes(layout.Id);
    for (std::uint32_t argb : palette) {
        const Rgba c = Channels(argb);
        out.U8(c.B).U8(c.G).U8(c.R);
        if (layout.MapEntryBits == 32)
            out.U8(c.A);
    }

    for (int row = 0; row < picture.Height; ++row) {
        const int y = layout.TopDown ? row : picture.Height - 1 - row;
        std::vector<std::string> pixels;
        for (int column = 0; column < picture.Width; ++column) {
            const int x = layout.RightToLeft ? picture.Width - 1 - column : column;
            const std::uint32_t argb = picture.Pixels[std::size_t(y) * std::size_t(picture.Width) + std::size_t(x)];
            pixels.push_back(TgaPixel(Channels(argb), layout, index, argb));
        }
        if (layout.RunLength) {
            PutRunLengthRow(out, pixels);
        } else {
            for (const std::string &pixel : pixels)
                out.Bytes(pixel);
        }
    }
    return out.Take();
}

std::string MakePcx(const Picture &picture, bool paletted)
{
    CheckSize(picture, 65535);
    std::map<std::uint32_t, int> index;
    std::vector<std::uint32_t> palette;
    if (paletted)
        palette = Palette(picture, index);
    const std::uint16_t bytesPerLine = std::uint16_t((picture.Width + 1) & ~1);

    ByteBuilder out;
    out.U8(0x0A).U8(5).U8(1).U8(8);
    out.U16(0).U16(0).U16(std::uint16_t(picture.Width - 1)).U16(std::uint16_t(picture.Height - 1));
    out.U16(72).U16(72).Zeros(48).U8(0);
    out.U8(paletted ? 1 : 3).U16(bytesPerLine).U16(1).U16(0).U16(0);
    out.PadTo(128);

    for (int y = 0; y < picture.Height; ++y) {
        if (paletted) {
            std::vector<std::uint8_t> line(bytesPerLine, 0);
            for (int x = 0; x < picture.Width; ++x)
                line[std::size_t(x)] = std::uint8_t(index.at(
                    picture.Pixels[std::size_t(y) * std::size_t(picture.Width) + std::size_t(x)]));
            PutPcxLine(out, line);
            continue;
        }
        for (int plane = 0; plane < 3; ++plane) {
            std::vector<std::uint8_t> line(bytesPerLine, 0);
            for (int x = 0; x < picture.Width; ++x) {
                const Rgba c = At(picture, x, y);
                line[std::size_t(x)] = plane == 0 ? c.R : plane == 1 ? c.G : c.B;
            }
            PutPcxLine(out, line);
        }
    }
    if (paletted) {
        out.U8(0x0C);
        for (std::size_t i = 0; i < 256; ++i) {
            const Rgba c = Channels(i < palette.size() ? palette[i] : 0);
            out.U8(c.R).U8(c.G).U8(c.B);
        }
    }
    return out.Take();
}

std::string MakeSgi(const Picture &picture, bool withAlpha)
{
    CheckSize(picture, 65535);
    const int channels = withAlpha ? 4 : 3;
    ByteBuilder out;
    U16BE(out, 474);
    out.U8(0).U8(1); // stored verbatim, one byte per channel
    U16BE(out, 3);
    U16BE(out, std::uint32_t(picture.Width));
    U16BE(out, std::uint32_t(picture.Height));
    U16BE(out, std::uint32_t(channels));
    U32BE(out, 0);
    U32BE(out, 255);
    out.Zeros(4).Fixed("demo", 80);
    U32BE(out, 0); // a normal picture, no colour map
    out.PadTo(512);
    for (int channel = 0; channel < channels; ++channel)
        for (int y = picture.Height - 1; y >= 0; --y) // bottom row first
            for (int x = 0; x < picture.Width; ++x) {
                const Rgba c = At(picture, x, y);
                out.U8(channel == 0 ? c.R : channel == 1 ? c.G : channel == 2 ? c.B : c.A);
            }
    return out.Take();
}

std::string MakePsd(const Picture &picture, bool withAlpha)
{
    CheckSize(picture, 30000);
    const int channels = withAlpha ? 4 : 3;
    ByteBuilder out;
    out.Bytes("8BPS");
    U16BE(out, 1);
    out.Zeros(6);
    U16BE(out, std::uint32_t(channels));
    U32BE(out, std::uint32_t(picture.Height));
    U32BE(out, std::uint32_t(picture.Width));
    U16BE(out, 8);
    U16BE(out, 3); // RGB
    U32BE(out, 0); // colour mode data
    U32BE(out, 0); // image resources
    U32BE(out, 0); // layers and masks
    U16BE(out, 0); // raw image data
    for (int channel = 0; channel < channels; ++channel)
        for (int y = 0; y < picture.Height; ++y)
            for (int x = 0; x < picture.Width; ++x) {
                const Rgba c = At(picture, x, y);
                out.U8(channel == 0 ? c.R : channel == 1 ? c.G : channel == 2 ? c.B : c.A);
            }
    return out.Take();
}

std::string MakeTiff(const Picture &picture, int orientation)
{
    CheckSize(picture, 65535);
    enum : std::uint16_t { Short = 3, Long = 4 };
    struct Entry {
        std::uint16_t Tag, Type;
        std::uint32_t Count, Value;
    };
    const std::uint32_t dataSize = std::uint32_t(picture.Width) * std::uint32_t(picture.Height) * 3;
    const std::uint32_t entryCount = 11;
    const std::uint32_t bitsOffset = 8 + 2 + 12 * entryCount + 4;
    const std::uint32_t dataOffset = bitsOffset + 6;
    const Entry entries[entryCount] = {
        {256, Long, 1, std::uint32_t(picture.Width)},  // image width
        {257, Long, 1, std::uint32_t(picture.Height)}, // image length
        {258, Short, 3, bitsOffset},                   // bits per sample
        {259, Short, 1, 1},                            // no compression
        {262, Short, 1, 2},                            // RGB
        {273, Long, 1, dataOffset},                    // strip offsets
        {274, Short, 1, std::uint32_t(orientation)},   // orientation
        {277, Short, 1, 3},                            // samples per pixel
        {278, Long, 1, std::uint32_t(picture.Height)}, // rows per strip
        {279, Long, 1, dataSize},                      // strip byte counts
        {284, Short, 1, 1},                            // chunky pixels
    };
    ByteBuilder out;
    out.Bytes("II").U16(42).U32(8);
    out.U16(std::uint16_t(entryCount));
    for (const Entry &entry : entries) {
        out.U16(entry.Tag).U16(entry.Type).U32(entry.Count);
        if (entry.Type == Short && entry.Count == 1)
            out.U16(std::uint16_t(entry.Value)).U16(0);
        else
            out.U32(entry.Value);
    }
    out.U32(0); // no further directory
    out.U16(8).U16(8).U16(8);
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x) {
            const Rgba c = At(picture, x, y);
            out.U8(c.R).U8(c.G).U8(c.B);
        }
    return out.Take();
}

std::string MakePsp(const Picture &picture)
{
    std::string rgba;
    for (const std::uint32_t argb : picture.Pixels)
        rgba += {char(argb >> 16), char(argb >> 8), char(argb), char(argb >> 24)};
    testdata::PspBuilder file;
    file.Width = picture.Width;
    file.Height = picture.Height;
    file.Compression = testdata::PspBuilder::Lz77;
    file.Layers = {testdata::PspBuilder::RgbaLayer(0, 0, picture.Width, picture.Height, rgba)};
    return file.Build();
}

std::string MakePng(const Picture &picture)
{
    CheckSize(picture, 65535);
    std::string raw;
    for (int y = 0; y < picture.Height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < picture.Width; ++x) {
            const Rgba c = At(picture, x, y);
            raw.push_back(char(c.R));
            raw.push_back(char(c.G));
            raw.push_back(char(c.B));
            raw.push_back(char(c.A));
        }
    }
    ByteBuilder zlib;
    zlib.U8(0x78).U8(0x01);
    for (std::size_t offset = 0; offset < raw.size(); offset += 65535) {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - offset);
        zlib.U8(offset + length == raw.size() ? 1 : 0);
        zlib.U16(std::uint16_t(length)).U16(std::uint16_t(~length));
        zlib.Bytes(std::string_view(raw).substr(offset, length));
    }
    U32BE(zlib, Adler32(raw));

    ByteBuilder header;
    U32BE(header, std::uint32_t(picture.Width));
    U32BE(header, std::uint32_t(picture.Height));
    header.U8(8).U8(6).U8(0).U8(0).U8(0); // 8-bit RGBA, deflate, no filter choice, no interlace

    ByteBuilder out;
    out.Bytes("\x89PNG\r\n\x1a\n");
    PutPngChunk(out, "IHDR", header.Data());
    PutPngChunk(out, "IDAT", zlib.Data());
    PutPngChunk(out, "IEND", "");
    return out.Take();
}

std::string MakeGif(const Picture &picture)
{
    CheckSize(picture, 65535);
    // Alpha is not kept: every pixel is opaque.
    Picture opaque = picture;
    for (std::uint32_t &argb : opaque.Pixels)
        argb |= 0xFF000000u;
    std::map<std::uint32_t, int> index;
    std::vector<std::uint32_t> palette;
    try {
        palette = Palette(opaque, index);
    } catch (const std::invalid_argument &) {
        for (std::uint32_t &argb : opaque.Pixels) {
            const Rgba c = Channels(argb);
            argb = 0xFF000000u | std::uint32_t(CubeLevel(c.R, 6)) << 16 | std::uint32_t(CubeLevel(c.G, 7)) << 8 |
                   CubeLevel(c.B, 6);
        }
        index.clear();
        palette = Palette(opaque, index);
    }

    ByteBuilder out;
    out.Bytes("GIF89a").U16(std::uint16_t(picture.Width)).U16(std::uint16_t(picture.Height));
    out.U8(0xF7).U8(0).U8(0); // global palette of 256 entries
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgba c = Channels(i < palette.size() ? palette[i] : 0);
        out.U8(c.R).U8(c.G).U8(c.B);
    }
    out.U8(0x2C).U16(0).U16(0).U16(std::uint16_t(picture.Width)).U16(std::uint16_t(picture.Height)).U8(0);

    // Every pixel as a literal 9-bit code; a clear code every 128 pixels keeps
    // the decoder's table, and so the code width, from growing.
    constexpr unsigned kClear = 256, kEnd = 257;
    CodeWriter codes;
    std::size_t sinceClear = 128;
    for (std::uint32_t argb : opaque.Pixels) {
        if (sinceClear == 128) {
            codes.Put(kClear, 9);
            sinceClear = 0;
        }
        codes.Put(unsigned(index.at(argb)), 9);
        ++sinceClear;
    }
    codes.Put(kEnd, 9);
    const std::string data = codes.Finish();

    out.U8(8); // minimum code size
    for (std::size_t offset = 0; offset < data.size(); offset += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - offset);
        out.U8(std::uint8_t(length)).Bytes(std::string_view(data).substr(offset, length));
    }
    out.U8(0).U8(0x3B);
    return out.Take();
}

Picture EmblemPicture(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width * 2 - 1;
            const double v = (y + 0.5) / height * 2 - 1;
            const double d = std::sqrt(u * u + v * v);
            const double t = double(y) / height;
            std::uint32_t r = std::uint32_t(20 + 30 * t), g = std::uint32_t(40 + 110 * t),
                          b = std::uint32_t(110 + 50 * t), a = 255;
            if (d > 1.2) {
                a = 0;
            } else if (d > 0.62 && d < 0.78) {
                r = 230, g = 180, b = 40; // gold ring
            } else if (d <= 0.5) {
                const double shade = 1 - d;
                r = std::uint32_t(140 + 110 * shade), g = std::uint32_t(30 * shade), b = std::uint32_t(40 * shade);
                if (std::abs(u - v) < 0.09 || std::abs(u + v) < 0.09) // a white cross
                    r = g = b = 245;
            }
            picture.Pixels.push_back(a << 24 | r << 16 | g << 8 | b);
        }
    return picture;
}

Picture LandscapePicture(int width, int height)
{
    Picture picture{width, height, {}};
    const double horizon = 0.62 * height;
    const double sunX = 0.74 * width, sunY = 0.24 * height, sunRadius = 0.08 * std::min(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double far = horizon - 0.08 * height * (1 + std::sin(x * 6.0 / width));
            const double near = horizon + 0.06 * height * (1 + std::sin(x * 3.0 / width + 2.0));
            std::uint32_t r, g, b;
            if (y >= near) {
                const double t = (y - near) / (height - near + 1);
                r = std::uint32_t(50 - 30 * t), g = std::uint32_t(140 - 60 * t), b = std::uint32_t(40 - 20 * t);
            } else if (y >= far) {
                r = 70, g = 110, b = 90; // distant hills
            } else if (std::hypot(x - sunX, y - sunY) < sunRadius) {
                r = 255, g = 220, b = 90;
            } else {
                const double t = y / horizon;
                r = std::uint32_t(60 + 140 * t), g = std::uint32_t(120 + 100 * t), b = std::uint32_t(200 + 40 * t);
            }
            picture.Pixels.push_back(0xFF000000u | r << 16 | g << 8 | b);
        }
    return picture;
}

Picture PlanksPicture(int width, int height)
{
    Picture picture{width, height, {}};
    const int planks = 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int plank = y * planks / height;
            const double across = double(y * planks % height) / height; // 0 to 1 within the plank
            const double grain = 0.5 + 0.5 * std::sin(x * 0.35 + plank * 2.1 + 6 * std::sin(y * 0.21 + x * 0.02));
            double light = 0.78 + 0.14 * grain - (plank % 2 ? 0.08 : 0.0);
            if (across < 0.06 || across > 0.94)
                light = 0.35; // the seam between two planks
            std::uint32_t r = std::uint32_t(150 * light), g = std::uint32_t(95 * light), b = std::uint32_t(50 * light);
            const int nailX = (plank % 2 == 0 ? width / 8 : width - width / 8);
            if (std::hypot(x + 0.5 - nailX, (across - 0.5) * height / planks) < std::max(1.5, width / 40.0))
                r = g = b = 70; // an iron nail
            picture.Pixels.push_back(0xFF000000u | r << 16 | g << 8 | b);
        }
    return picture;
}

Picture RunePicture(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width * 2 - 1;
            const double v = (y + 0.5) / height * 2 - 1;
            const double d = std::hypot(u, v);
            // The sign: a stem with two arms forking upwards.
            const bool stem = std::abs(u) < 0.07 && v > -0.55 && v < 0.55;
            const bool arms = v < 0.05 && v > -0.55 && std::abs(std::abs(u) - (0.05 - v) * 0.7) < 0.07;
            double alpha = 0;
            std::uint32_t r = 90, g = 200, b = 255;
            if (std::abs(d - 0.78) < 0.08 || stem || arms) {
                alpha = 1;
                r = 200, g = 240, b = 255;
            } else if (d < 0.95) {
                alpha = 0.35 * (1 - d); // a faint glow inside the ring
            }
            picture.Pixels.push_back(std::uint32_t(alpha * 255 + 0.5) << 24 | r << 16 | g << 8 | b);
        }
    return picture;
}

} // namespace demo
