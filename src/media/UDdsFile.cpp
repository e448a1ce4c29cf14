// Reader of DDS textures. Every size is worked out from the width, the
// height and the format in 64 bits and checked against the file before a
// byte of a level is read; the sizes the headers state themselves (pitch,
// linear size) are never trusted. A level occupies whole 4 x 4 blocks even
// where the picture ends inside one: those pixels are decoded and dropped.
#include "media/UDdsFile.h"

#include "app/UFileIO.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace {

// ---------------------------------------------------------------- layouts

constexpr unsigned char kMagic[4] = {'D', 'D', 'S', ' '};

// The standard container: "DDS " and a 124-byte header.
constexpr std::size_t kStandardHeaderSize = 128;
constexpr std::uint32_t kHeaderSizeField = 124;
constexpr std::size_t kFlags = 8, kHeight = 12, kWidth = 16, kDepth = 24, kMipCount = 28;
constexpr std::size_t kPixelFlags = 80, kFourCC = 84, kBitCount = 88, kRedMask = 92, kGreenMask = 96,
                      kBlueMask = 100, kAlphaMask = 104, kCaps = 108, kCaps2 = 112;
constexpr std::uint32_t kFlagMipCount = 0x20000, kFlagDepth = 0x800000;
constexpr std::uint32_t kCapsMipmap = 0x400000;
constexpr std::uint32_t kCaps2Cubemap = 0x200, kCaps2Volume = 0x200000;
constexpr std::uint32_t kPixelAlpha = 0x1, kPixelAlphaOnly = 0x2, kPixelFourCC = 0x4, kPixelPalette = 0x20,
                        kPixelRgb = 0x40, kPixelYuv = 0x200, kPixelLuminance = 0x20000;

// The extension header after FourCC "DX10".
constexpr std::size_t kDx10HeaderEnd = 148;
constexpr std::size_t kDxgiFormat = 128, kDimension = 132, kMiscFlag = 136, kArraySize = 140;
constexpr std::uint32_t kTexture2D = 3;
constexpr std::uint32_t kMiscCube = 0x4;

// The newer edition's short header: width, height, colour-format code, the
// size of level 0, and the mean alpha (a float nobody needs).
constexpr std::size_t kShortHeaderSize = 20;
constexpr std::uint32_t kShortDxt1 = 3, kShortDxt5 = 4;

constexpr std::uint32_t FourCC(const char (&text)[5])
{
    return std::uint32_t(std::uint8_t(text[0])) | std::uint32_t(std::uint8_t(text[1])) << 8 |
           std::uint32_t(std::uint8_t(text[2])) << 16 | std::uint32_t(std::uint8_t(text[3])) << 24;
}

const unsigned char *Bytes(std::string_view bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.data());
}

std::uint64_t BlockBytes(TDdsFormat format)
{
    return format == TDdsFormat::Dxt1 || format == TDdsFormat::Bc4 ? 8 : 16;
}

int LevelSide(int side, std::size_t level)
{
    return std::max(1, side >> level);
}

// Bytes of one level: whole blocks, or rows of whole pixels without padding.
std::uint64_t LevelBytes(const TDdsTexture &texture, int width, int height)
{
    if (!texture.Compressed())
        return (std::uint64_t(width) * texture.Masks.BitCount + 7) / 8 * std::uint64_t(height);
    return (std::uint64_t(width) + 3) / 4 * ((std::uint64_t(height) + 3) / 4) * BlockBytes(texture.Format);
}

// Levels down to 1 x 1: 1 + floor(log2(largest side)).
std::size_t FullChain(int width, int height)
{
    return std::size_t(std::bit_width(unsigned(std::max(width, height))));
}

// Takes levels from offset while they fit in the file, at most count of
// them; false when not even the first fits.
bool FindLevels(TDdsTexture &texture, std::string_view bytes, std::size_t offset, std::size_t count)
{
    count = std::min(count, FullChain(texture.Width, texture.Height));
    std::uint64_t position = offset;
    for (std::size_t level = 0; level < count; ++level) {
        const int width = LevelSide(texture.Width, level);
        const int height = LevelSide(texture.Height, level);
        const std::uint64_t size = LevelBytes(texture, width, height);
        if (position > bytes.size() || size > bytes.size() - position)
            break;
        texture.Levels.push_back({width, height, bytes.substr(std::size_t(position), std::size_t(size))});
        position += size;
    }
    return !texture.Levels.empty();
}

// ---------------------------------------------------------------- checks

class CDdsReader {
public:
    CDdsReader(std::string_view bytes, const std::string &fileName) : m_bytes(bytes), m_fileName(fileName) {}

    TDdsTexture Read();

private:
    std::string_view m_bytes;
    const std::string &m_fileName;

    [[noreturn]] void Damaged(const std::string &reason) const
    {
        throw EFileError("\"" + m_fileName + "\" is damaged: " + reason + ".");
    }
    [[noreturn]] void Unsupported(const std::string &what) const
    {
        throw EFileError("\"" + m_fileName + "\" is a DDS texture of a kind that cannot be shown: " + what + ".");
    }
    std::uint32_t U32(std::size_t offset) const { return ReadU32LE(Bytes(m_bytes) + offset); }

    void CheckSize(std::uint32_t width, std::uint32_t height) const;
    TDdsTexture ReadShort() const;
    TDdsTexture ReadStandard() const;
    void ReadPixelFormat(TDdsTexture &texture, std::size_t &dataStart) const;
    void ReadDx10(TDdsTexture &texture) const;
};

std::string SizeText(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

void CDdsReader::CheckSize(std::uint32_t width, std::uint32_t height) const
{
    if (width == 0 || height == 0)
        Damaged("the texture is " + SizeText(width, height) + " pixels");
    if (width > std::uint32_t(kMaxPictureSide) || height > std::uint32_t(kMaxPictureSide) ||
        std::uint64_t(width) * height * 4 > std::uint64_t(kMaxPictureMegabytes) << 20)
        Unsupported("it is too large (" + SizeText(width, height) + ")");
}

// The size of level 0 as the short header states it: the bytes of its
// blocks, or for a side below 4 perhaps the bytes its pixels would take.
bool ShortBaseSizeAgrees(std::uint32_t field, const TDdsTexture &texture)
{
    if (field == LevelBytes(texture, texture.Width, texture.Height))
        return true;
    const std::uint64_t pixels = std::uint64_t(texture.Width) * std::uint64_t(texture.Height);
    const std::uint64_t pixelBytes = texture.Format == TDdsFormat::Dxt1 ? pixels / 2 : pixels;
    return (texture.Width < 4 || texture.Height < 4) && field == pixelBytes;
}

TDdsTexture CDdsReader::ReadShort() const
{
    if (m_bytes.size() < kShortHeaderSize)
        Damaged("it is too short to hold a DDS header");
    const std::uint32_t width = U32(0), height = U32(4), code = U32(8), baseSize = U32(12);
    if (code != kShortDxt1 && code != kShortDxt5)
        Damaged("it starts neither with \"DDS \" nor with a short DDS header (colour-format code " +
                std::to_string(code) + ")");
    CheckSize(width, height);
    TDdsTexture texture;
    texture.ShortHeader = true;
    texture.Format = code == kShortDxt1 ? TDdsFormat::Dxt1 : TDdsFormat::Dxt5;
    texture.Width = int(width);
    texture.Height = int(height);
    if (!ShortBaseSizeAgrees(baseSize, texture))
        Damaged("its header gives " + std::to_string(baseSize) + " bytes for the first level of " +
                SizeText(width, height) + " pixels");
    if (!FindLevels(texture, m_bytes, kShortHeaderSize, FullChain(texture.Width, texture.Height)))
        Damaged("it is cut short: it holds fewer bytes than its first level needs");
    return texture;
}

void CDdsReader::ReadPixelFormat(TDdsTexture &texture, std::size_t &dataStart) const
{
    const std::uint32_t flags = U32(kPixelFlags);
    if (flags & kPixelFourCC) {
        const std::uint32_t fourCC = U32(kFourCC);
        switch (fourCC) {
        case FourCC("DXT1"):
            texture.Format = TDdsFormat::Dxt1;
            texture.Dxt1Alpha = (flags & kPixelAlpha) != 0;
            return;
        case FourCC("DXT2"): // premultiplied alpha, shown as stored
        case FourCC("DXT3"):
            texture.Format = TDdsFormat::Dxt3;
            return;
        case FourCC("DXT4"):
        case FourCC("DXT5"):
            texture.Format = TDdsFormat::Dxt5;
            return;
        case FourCC("ATI1"):
        case FourCC("BC4U"):
            texture.Format = TDdsFormat::Bc4;
            return;
        case FourCC("ATI2"):
        case FourCC("BC5U"):
            texture.Format = TDdsFormat::Bc5;
            return;
        case FourCC("DX10"):
            if (m_bytes.size() < kDx10HeaderEnd)
                Damaged("it is too short to hold its DX10 header");
            ReadDx10(texture);
            dataStart = kDx10HeaderEnd;
            return;
        default: {
            std::string name;
            for (int shift = 0; shift < 32; shift += 8) {
                const char c = char((fourCC >> shift) & 0xFF);
                name += c >= 0x20 && c < 0x7F ? c : '?';
            }
            Unsupported("the pixel format \"" + name + "\"");
        }
        }
    }
    if (flags & (kPixelPalette | kPixelYuv | kPixelLuminance | kPixelAlphaOnly) || !(flags & kPixelRgb))
        Unsupported("paletted, luminance, alpha-only and YUV pixels are not shown");
    const std::uint32_t bits = U32(kBitCount);
    if (bits != 16 && bits != 24 && bits != 32)
        Unsupported("pixels of " + std::to_string(bits) + " bits");
    texture.Format = TDdsFormat::Uncompressed;
    texture.Masks = {bits, U32(kRedMask), U32(kGreenMask), U32(kBlueMask), flags & kPixelAlpha ? U32(kAlphaMask) : 0};
}

void CDdsReader::ReadDx10(TDdsTexture &texture) const
{
    const std::uint32_t format = U32(kDxgiFormat);
    if (U32(kDimension) != kTexture2D || U32(kArraySize) != 1 || (U32(kMiscFlag) & kMiscCube))
        Unsupported("only single 2-D textures are shown, not arrays, cube maps or volumes");
    switch (format) {
    case 71: // BC1
    case 72:
        texture.Format = TDdsFormat::Dxt1;
        texture.Dxt1Alpha = true;
        return;
    case 74: // BC2
    case 75:
        texture.Format = TDdsFormat::Dxt3;
        return;
    case 77: // BC3
    case 78:
        texture.Format = TDdsFormat::Dxt5;
        return;
    case 80:
        texture.Format = TDdsFormat::Bc4;
        return;
    case 83:
        texture.Format = TDdsFormat::Bc5;
        return;
    case 28: // bytes red, green, blue, alpha
    case 29:
        texture.Format = TDdsFormat::Uncompressed;
        texture.Masks = {32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
        return;
    case 87: // blue, green, red, alpha
    case 88: // blue, green, red, padding
        texture.Format = TDdsFormat::Uncompressed;
        texture.Masks = {32, 0x00FF0000, 0x0000FF00, 0x000000FF, format == 87 ? 0xFF000000 : 0};
        return;
    default:
        Unsupported("DX10 format " + std::to_string(format));
    }
}

TDdsTexture CDdsReader::ReadStandard() const
{
    if (m_bytes.size() < kStandardHeaderSize)
        Damaged("it is too short to hold a DDS header");
    if (U32(4) != kHeaderSizeField)
        Damaged("its header size is " + std::to_string(U32(4)) + " instead of 124");
    const std::uint32_t flags = U32(kFlags);
    if ((U32(kCaps2) & (kCaps2Cubemap | kCaps2Volume)) || ((flags & kFlagDepth) && U32(kDepth) > 1))
        Unsupported("cube maps and volume textures are not shown");
    const std::uint32_t width = U32(kWidth), height = U32(kHeight);
    CheckSize(width, height);
    TDdsTexture texture;
    texture.Width = int(width);
    texture.Height = int(height);
    std::size_t dataStart = kStandardHeaderSize;
    ReadPixelFormat(texture, dataStart);
    const std::uint32_t declared = (flags & kFlagMipCount) || (U32(kCaps) & kCapsMipmap) ? U32(kMipCount) : 1;
    if (!FindLevels(texture, m_bytes, dataStart, std::max<std::uint32_t>(declared, 1)))
        Damaged("it is cut short: it holds fewer bytes than its first level needs");
    return texture;
}

TDdsTexture CDdsReader::Read()
{
    if (m_bytes.size() >= sizeof kMagic && std::memcmp(m_bytes.data(), kMagic, sizeof kMagic) == 0)
        return ReadStandard();
    return ReadShort();
}

// ---------------------------------------------------------------- blocks

using TBlockPixels = std::uint8_t[16 * 4]; // RGBA, pixel p = 4y + x

std::uint64_t ReadU64LE(const std::uint8_t *p)
{
    return std::uint64_t(ReadU32LE(p)) | std::uint64_t(ReadU32LE(p + 4)) << 32;
}

// The colour half: two 5:6:5 end points widened by repeating their high
// bits, two colours between them, and a 2-bit index per pixel. dxt1: the
// rule that end points in increasing order mean one middle colour and
// transparent black.
void DecodeColours(const std::uint8_t *block, bool dxt1, std::uint8_t *out)
{
    const unsigned c0 = ReadU16LE(block), c1 = ReadU16LE(block + 2);
    std::uint8_t palette[4][4];
    for (int i = 0; i < 2; ++i) {
        const unsigned c = i == 0 ? c0 : c1;
        const unsigned r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
        palette[i][0] = std::uint8_t(r5 << 3 | r5 >> 2);
        palette[i][1] = std::uint8_t(g6 << 2 | g6 >> 4);
        palette[i][2] = std::uint8_t(b5 << 3 | b5 >> 2);
        palette[i][3] = 255;
    }
    if (!dxt1 || c0 > c1) {
        for (int c = 0; c < 3; ++c) {
            palette[2][c] = std::uint8_t((2 * palette[0][c] + palette[1][c]) / 3);
            palette[3][c] = std::uint8_t((palette[0][c] + 2 * palette[1][c]) / 3);
        }
        palette[2][3] = palette[3][3] = 255;
    } else {
        for (int c = 0; c < 3; ++c)
            palette[2][c] = std::uint8_t((palette[0][c] + palette[1][c]) / 2);
        palette[2][3] = 255;
        std::memset(palette[3], 0, 4);
    }
    const std::uint32_t indices = ReadU32LE(block + 4);
    for (int p = 0; p < 16; ++p)
        std::memcpy(out + 4 * p, palette[(indices >> (2 * p)) & 3], 4);
}

// Eight values between two end points, or six and the two extremes, with a
// 3-bit code per pixel: DXT5's alpha, BC4's and BC5's channels. The values
// go to every fourth byte of out.
void DecodeInterpolated(const std::uint8_t *block, std::uint8_t *out)
{
    const unsigned a0 = block[0], a1 = block[1];
    std::uint8_t values[8] = {std::uint8_t(a0), std::uint8_t(a1)};
    if (a0 > a1) {
        for (unsigned i = 1; i <= 6; ++i)
            values[i + 1] = std::uint8_t(((7 - i) * a0 + i * a1) / 7);
    } else {
        for (unsigned i = 1; i <= 4; ++i)
            values[i + 1] = std::uint8_t(((5 - i) * a0 + i * a1) / 5);
        values[6] = 0;
        values[7] = 255;
    }
    const std::uint64_t codes = ReadU64LE(block) >> 16;
    for (int p = 0; p < 16; ++p)
        out[4 * p] = values[(codes >> (3 * p)) & 7];
}

template <TDdsFormat Format>
void DecodeBlock(const std::uint8_t *block, std::uint8_t *out)
{
    if constexpr (Format == TDdsFormat::Dxt1) {
        DecodeColours(block, true, out);
    } else if constexpr (Format == TDdsFormat::Dxt3) {
        DecodeColours(block + 8, false, out);
        const std::uint64_t alpha = ReadU64LE(block);
        for (int p = 0; p < 16; ++p)
            out[4 * p + 3] = std::uint8_t(((alpha >> (4 * p)) & 15) * 17);
    } else if constexpr (Format == TDdsFormat::Dxt5) {
        DecodeColours(block + 8, false, out);
        DecodeInterpolated(block, out + 3);
    } else if constexpr (Format == TDdsFormat::Bc4) {
        DecodeInterpolated(block, out);
        for (int p = 0; p < 16; ++p) {
            out[4 * p + 1] = out[4 * p + 2] = out[4 * p]; // one channel, shown grey
            out[4 * p + 3] = 255;
        }
    } else {
        DecodeInterpolated(block, out);
        DecodeInterpolated(block + 8, out + 1);
        for (int p = 0; p < 16; ++p) {
            out[4 * p + 2] = 0;
            out[4 * p + 3] = 255;
        }
    }
}

// Stored row y of the level lands in picture row height - 1 - y.
template <TDdsFormat Format>
void DecodeBlocks(const TDdsLevel &level, TRgbaImage &image)
{
    const std::size_t blocksAcross = (std::size_t(level.Width) + 3) / 4;
    const std::size_t blocksDown = (std::size_t(level.Height) + 3) / 4;
    const std::size_t blockBytes = std::size_t(BlockBytes(Format));
    const std::size_t rowBytes = std::size_t(level.Width) * 4;
    const auto *block = reinterpret_cast<const std::uint8_t *>(level.Bytes.data());
    TBlockPixels pixels;
    for (std::size_t by = 0; by < blocksDown; ++by) {
        const std::size_t rows = std::min<std::size_t>(4, std::size_t(level.Height) - by * 4);
        for (std::size_t bx = 0; bx < blocksAcross; ++bx, block += blockBytes) {
            DecodeBlock<Format>(block, pixels);
            const std::size_t columns = std::min<std::size_t>(4, std::size_t(level.Width) - bx * 4);
            for (std::size_t y = 0; y < rows; ++y) {
                std::uint8_t *out = image.Pixels.data() + (std::size_t(level.Height) - 1 - (by * 4 + y)) * rowBytes +
                                    bx * 16;
                std::memcpy(out, pixels + 16 * y, columns * 4);
            }
        }
    }
}

// ---------------------------------------------------------------- plain pixels

struct TChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint64_t Largest = 0; // the largest value of its bits

    explicit TChannel(std::uint32_t mask) : Mask(mask)
    {
        if (mask != 0) {
            Shift = std::countr_zero(mask);
            Largest = (std::uint64_t(1) << std::popcount(mask)) - 1;
        }
    }
    std::uint8_t Widen(std::uint32_t pixel, std::uint8_t none) const
    {
        if (Mask == 0)
            return none;
        const std::uint64_t value = std::min<std::uint64_t>((pixel & Mask) >> Shift, Largest);
        return std::uint8_t((value * 255 + Largest / 2) / Largest);
    }
};

void DecodePlain(const TDdsTexture &texture, const TDdsLevel &level, TRgbaImage &image)
{
    const std::size_t pixelBytes = texture.Masks.BitCount / 8;
    const TChannel red(texture.Masks.Red), green(texture.Masks.Green), blue(texture.Masks.Blue),
        alpha(texture.Masks.Alpha);
    const auto *in = reinterpret_cast<const std::uint8_t *>(level.Bytes.data());
    for (int y = 0; y < level.Height; ++y) {
        std::uint8_t *out = image.Pixels.data() + std::size_t(level.Height - 1 - y) * std::size_t(level.Width) * 4;
        for (int x = 0; x < level.Width; ++x, in += pixelBytes, out += 4) {
            std::uint32_t pixel = 0;
            for (std::size_t b = 0; b < pixelBytes; ++b)
                pixel |= std::uint32_t(in[b]) << (8 * b);
            out[0] = red.Widen(pixel, 0);
            out[1] = green.Widen(pixel, 0);
            out[2] = blue.Widen(pixel, 0);
            out[3] = alpha.Widen(pixel, 255);
        }
    }
}

} // namespace

bool TDdsTexture::HasAlpha() const
{
    switch (Format) {
    case TDdsFormat::Dxt1: return Dxt1Alpha;
    case TDdsFormat::Dxt3:
    case TDdsFormat::Dxt5: return true;
    case TDdsFormat::Bc4:
    case TDdsFormat::Bc5: return false;
    case TDdsFormat::Uncompressed: break;
    }
    return Masks.Alpha != 0;
}

const char *TDdsTexture::FormatName() const
{
    switch (Format) {
    case TDdsFormat::Dxt1: return "DXT1";
    case TDdsFormat::Dxt3: return "DXT3";
    case TDdsFormat::Dxt5: return "DXT5";
    case TDdsFormat::Bc4: return "BC4";
    case TDdsFormat::Bc5: return "BC5";
    case TDdsFormat::Uncompressed: break;
    }
    return "uncompressed";
}

bool IsDdsFile(std::string_view bytes)
{
    if (bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0)
        return true;
    try {
        CDdsReader(bytes, std::string()).Read();
        return true;
    } catch (const EFileError &) {
        return false;
    }
}

TDdsTexture ReadDds(std::string_view bytes, const std::string &fileName)
{
    return CDdsReader(bytes, fileName).Read();
}

TRgbaImage DecodeDdsLevel(const TDdsTexture &texture, std::size_t index)
{
    if (index >= texture.Levels.size())
        throw std::out_of_range("no such DDS level");
    const TDdsLevel &level = texture.Levels[index];
    if (level.Bytes.size() < LevelBytes(texture, level.Width, level.Height))
        throw std::invalid_argument("a DDS level holds fewer bytes than its pixels need");
    TRgbaImage image;
    image.Width = level.Width;
    image.Height = level.Height;
    image.Pixels.resize(std::size_t(level.Width) * std::size_t(level.Height) * 4);
    switch (texture.Format) {
    case TDdsFormat::Dxt1: DecodeBlocks<TDdsFormat::Dxt1>(level, image); break;
    case TDdsFormat::Dxt3: DecodeBlocks<TDdsFormat::Dxt3>(level, image); break;
    case TDdsFormat::Dxt5: DecodeBlocks<TDdsFormat::Dxt5>(level, image); break;
    case TDdsFormat::Bc4: DecodeBlocks<TDdsFormat::Bc4>(level, image); break;
    case TDdsFormat::Bc5: DecodeBlocks<TDdsFormat::Bc5>(level, image); break;
    case TDdsFormat::Uncompressed: DecodePlain(texture, level, image); break;
    }
    return image;
}

TRgbaImage DecodeDds(std::string_view bytes, const std::string &fileName)
{
    return DecodeDdsLevel(ReadDds(bytes, fileName), 0);
}
