#include "media/UBmpFile.h"

#include "app/UFileIO.h"

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint16_t kPlanes = 1;
constexpr std::uint16_t kBitsPerPixel = 32;
constexpr std::uint32_t kUncompressed = 0;

} // namespace

std::string EncodeBmp32(const TRgbaImage &picture)
{
    const std::uint32_t pixelBytes = std::uint32_t(picture.Width) * std::uint32_t(picture.Height) * 4;
    const std::uint32_t dataOffset = kFileHeaderSize + kInfoHeaderSize;
    std::string out;
    out.reserve(dataOffset + pixelBytes);
    out += "BM";
    AppendU32LE(out, dataOffset + pixelBytes);
    AppendU32LE(out, 0); // reserved
    AppendU32LE(out, dataOffset);

    AppendU32LE(out, kInfoHeaderSize);
    AppendU32LE(out, std::uint32_t(picture.Width));
    AppendU32LE(out, std::uint32_t(picture.Height)); // positive: bottom row first
    AppendU16LE(out, kPlanes);
    AppendU16LE(out, kBitsPerPixel);
    AppendU32LE(out, kUncompressed);
    AppendU32LE(out, pixelBytes);
    AppendU32LE(out, 0); // pixels per metre, both ways: not given
    AppendU32LE(out, 0);
    AppendU32LE(out, 0); // colours used, important: none (no palette)
    AppendU32LE(out, 0);

    const std::size_t rowBytes = std::size_t(picture.Width) * 4;
    for (int y = picture.Height - 1; y >= 0; --y) {
        const std::uint8_t *pixel = picture.Pixels.data() + std::size_t(y) * rowBytes;
        for (int x = 0; x < picture.Width; ++x, pixel += 4) {
            const char bgra[4] = {char(pixel[2]), char(pixel[1]), char(pixel[0]), char(255)};
            out.append(bgra, 4);
        }
    }
    return out;
}

void SaveBmp32(const std::string &path, const TRgbaImage &picture)
{
    WriteWholeFile(path, EncodeBmp32(picture));
}
