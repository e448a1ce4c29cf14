#include "media/UPictureFormats.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "media/UDdsFile.h"
#include "media/UPSP.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace {

const unsigned char *Bytes(std::string_view bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.data());
}

bool StartsWith(std::string_view bytes, const char *signature, std::size_t length)
{
    return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

// TGA files carry no signature: the 18-byte header must describe a picture
// that the format allows and that fits in the file.
bool IsTga(std::string_view bytes)
{
    constexpr std::size_t kHeaderSize = 18;
    if (bytes.size() < kHeaderSize)
        return false;
    const unsigned char *h = Bytes(bytes);
    const unsigned idLength = h[0];
    const unsigned mapType = h[1];
    const unsigned imageType = h[2];
    const unsigned mapLength = ReadU16LE(h + 5);
    const unsigned mapEntryBits = h[7];
    const unsigned width = ReadU16LE(h + 12);
    const unsigned height = ReadU16LE(h + 14);
    const unsigned depth = h[16];
    const unsigned descriptor = h[17];

    if (width == 0 || height == 0)
        return false;
    if ((descriptor & 0xC0) != 0 || (descriptor & 0x0F) > 8) // interleaving bits, alpha bits
        return false;

    // The colour map: present with a known entry size, or absent. Without one
    // its fields mean nothing: many writers leave bytes of their own there.
    if (mapType == 1) {
        if (mapLength == 0 || (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 &&
                               mapEntryBits != 32))
            return false;
    } else if (mapType != 0) {
        return false;
    }

    const unsigned kind = imageType & ~8u; // 1 colour-mapped, 2 true colour, 3 grey; +8 run-length
    if (imageType != kind && imageType != kind + 8)
        return false;
    switch (kind) {
    case 1:
        if (mapType != 1 || (depth != 8 && depth != 16))
            return false;
        break;
    case 2:
        if (depth != 15 && depth != 16 && depth != 24 && depth != 32)
            return false;
        break;
    case 3:
        if (depth != 8 && depth != 16)
            return false;
        break;
    default:
        return false;
    }

    // The pixel data must fit in the file: all of it when stored plainly, at
    // least one full run packet per 128 pixels when run-length encoded.
    const std::uint64_t bytesPerPixel = (depth + 7) / 8;
    const std::uint64_t mapBytes = mapType == 1 ? std::uint64_t(mapLength) * ((mapEntryBits + 7) / 8) : 0;
    const std::uint64_t pixels = std::uint64_t(width) * height;
    const std::uint64_t dataStart = kHeaderSize + idLength + mapBytes;
    const std::uint64_t leastData =
        imageType >= 8 ? (pixels + 127) / 128 * (1 + bytesPerPixel) : pixels * bytesPerPixel;
    return dataStart + leastData <= std::uint64_t(bytes.size());
}

bool IsPcx(std::string_view bytes)
{
    constexpr std::size_t kHeaderSize = 128;
    if (bytes.size() <= kHeaderSize)
        return false;
    const unsigned char *h = Bytes(bytes);
    const unsigned version = h[1];
    const unsigned encoding = h[2];
    const unsigned bitsPerPixel = h[3];
    const unsigned planes = h[65];
    return h[0] == 0x0A && (version == 0 || (version >= 2 && version <= 5)) && encoding <= 1 &&
           (bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8) &&
           ReadU16LE(h + 4) <= ReadU16LE(h + 8) && ReadU16LE(h + 6) <= ReadU16LE(h + 10) && planes >= 1 && planes <= 4;
}

bool IsGif(std::string_view bytes)
{
    return bytes.size() >= 13 && (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6));
}

bool IsPng(std::string_view bytes)
{
    return StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8);
}

bool IsPsd(std::string_view bytes)
{
    if (bytes.size() < 26 || !StartsWith(bytes, "8BPS", 4))
        return false;
    const unsigned version = ReadU16BE(Bytes(bytes) + 4); // 2: the large-document variant
    return version == 1 || version == 2;
}

bool IsTiff(std::string_view bytes)
{
    // Little- or big-endian; 42 for classic files, 43 for 64-bit offsets.
    return bytes.size() >= 8 && (StartsWith(bytes, "II*\0", 4) || StartsWith(bytes, "MM\0*", 4) ||
                                 StartsWith(bytes, "II+\0", 4) || StartsWith(bytes, "MM\0+", 4));
}

bool IsSgi(std::string_view bytes)
{
    constexpr std::size_t kHeaderSize = 512;
    if (bytes.size() < kHeaderSize)
        return false;
    const unsigned char *h = Bytes(bytes);
    const unsigned dimension = ReadU16BE(h + 4);
    return ReadU16BE(h) == 474 && h[2] <= 1 && (h[3] == 1 || h[3] == 2) && dimension >= 1 && dimension <= 3 &&
           ReadU16BE(h + 6) > 0;
}

bool IsJpeg(std::string_view bytes)
{
    return StartsWith(bytes, "\xFF\xD8\xFF", 3);
}

bool IsBmp(std::string_view bytes)
{
    if (bytes.size() < 26 || !StartsWith(bytes, "BM", 2))
        return false;
    switch (ReadU32LE(Bytes(bytes) + 14)) { // size of the info header, one per version
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

} // namespace

const std::vector<TPictureFormat> &PictureFormats()
{
    static const std::vector<TPictureFormat> formats = {
        {"TGA", IsTga},   {"PCX", IsPcx}, {"GIF", IsGif}, {"PNG", IsPng},   {"PSD", IsPsd},  {"PSP", IsPspFile},
        {"DDS", IsDdsFile}, {"TIFF", IsTiff}, {"SGI", IsSgi}, {"JPEG", IsJpeg}, {"BMP", IsBmp},
    };
    return formats;
}

const TPictureFormat *RecognisePicture(std::string_view bytes)
{
    for (const TPictureFormat &format : PictureFormats())
        if (format.Recognises(bytes))
            return &format;
    return nullptr;
}

const char *PictureFormatOfExtension(std::string_view extension)
{
    static const std::pair<const char *, const char *> names[] = {
        {"TGA", "TGA"},  {"VDA", "TGA"},  {"ICB", "TGA"},      {"VST", "TGA"},  {"PCX", "PCX"},   {"GIF", "GIF"},
        {"PNG", "PNG"},  {"PSD", "PSD"},  {"PSP", "PSP"},      {"PSPIMAGE", "PSP"}, {"DDS", "DDS"}, {"TIF", "TIFF"},
        {"TIFF", "TIFF"}, {"SGI", "SGI"}, {"RGB", "SGI"},      {"RGBA", "SGI"}, {"BW", "SGI"},    {"JPG", "JPEG"},
        {"JPEG", "JPEG"}, {"JPE", "JPEG"}, {"JFIF", "JPEG"},   {"BMP", "BMP"},  {"DIB", "BMP"},
    };
    const std::string upper = UpperCaseAscii(std::string(extension));
    for (const auto &[suffix, format] : names)
        if (upper == suffix)
            return format;
    return nullptr;
}
