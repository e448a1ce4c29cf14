// DDS textures: the worked examples byte for byte, each kind of block decoded
// to its exact pixels, sizes that are no multiple of 4, the mip levels a
// file holds, recognition by content, the layout the blending rule sees,
// and a refusal naming the file for every kind of damage.
#include "app/UFileIO.h"
#include "media/UDdsFile.h"
#include "model/UTexturePicture.h"

#include "testdata/ByteBuilder.h"
#include "testdata/DdsBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>

using ::testing::HasSubstr;
using testdata::DdsHeader;

namespace {

using Pixel = std::array<std::uint8_t, 4>;
using Pixels = std::vector<Pixel>;

std::string Hex(const char *text)
{
    std::string bytes;
    unsigned value = 0;
    int digits = 0;
    for (const char *p = text; *p; ++p) {
        if (*p == ' ')
            continue;
        value = value * 16 + unsigned(*p <= '9' ? *p - '0' : (*p | 0x20) - 'a' + 10);
        if (++digits == 2) {
            bytes += char(value);
            value = 0;
            digits = 0;
        }
    }
    return bytes;
}

Pixels Decoded(const TRgbaImage &image)
{
    Pixels pixels;
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4)
        pixels.push_back({image.Pixels[i], image.Pixels[i + 1], image.Pixels[i + 2], image.Pixels[i + 3]});
    return pixels;
}

// Pixels given in stored rows (the bottom of the picture first), turned upright.
Pixels Upright(const Pixels &stored, int width)
{
    Pixels upright;
    for (std::size_t row = stored.size() / std::size_t(width); row-- > 0;)
        upright.insert(upright.end(), stored.begin() + std::ptrdiff_t(row * std::size_t(width)),
                       stored.begin() + std::ptrdiff_t((row + 1) * std::size_t(width)));
    return upright;
}

// The worked examples' colours.
constexpr Pixel kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kRedder{170, 0, 85, 255}, kBluer{85, 0, 170, 255};
constexpr Pixel kMiddle{127, 0, 127, 255}, kClear{0, 0, 0, 0}, kPurple{132, 0, 132, 255};

const char *const kFourColourBlock = "00 F8 1F 00 E4 1B AA FF";
const char *const kThreeColourBlock = "1F 00 00 F8 E4 1B AA FF";

// The 16 pixels of the worked block, stored rows: codes 0 1 2 3, 3 2 1 0, 2 2 2 2, 3 3 3 3.
Pixels WorkedBlock(const Pixel &p0, const Pixel &p1, const Pixel &p2, const Pixel &p3)
{
    return {p0, p1, p2, p3, p3, p2, p1, p0, p2, p2, p2, p2, p3, p3, p3, p3};
}

// ---------------------------------------------------------------- worked examples

const char *const kShortExample = "04 00 00 00 04 00 00 00 03 00 00 00 08 00 00 00"
                                  "00 00 80 3f 00 f8 1f 00 e4 1b aa ff 10 80 00 00"
                                  "00 00 00 00 10 80 00 00 00 00 00 00";
const char *const kStandardExample = "44 44 53 20 7c 00 00 00 07 10 0a 00 04 00 00 00"
                                     "04 00 00 00 08 00 00 00 00 00 00 00 03 00 00 00"
                                     "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                     "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                     "00 00 00 00 00 00 00 00 00 00 00 00 20 00 00 00"
                                     "04 00 00 00 44 58 54 31 00 00 00 00 00 00 00 00"
                                     "00 00 00 00 00 00 00 00 00 00 00 00 08 10 40 00"
                                     "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                     "00 f8 1f 00 e4 1b aa ff 10 80 00 00 00 00 00 00"
                                     "10 80 00 00 00 00 00 00";

class WorkedExamples : public ::testing::TestWithParam<const char *> {};

TEST_P(WorkedExamples, DecodeEveryLevelExactly)
{
    const std::string bytes = Hex(GetParam());
    ASSERT_TRUE(IsDdsFile(bytes));
    const TDdsTexture dds = ReadDds(bytes, "example.dds");
    EXPECT_EQ(dds.Format, TDdsFormat::Dxt1);
    EXPECT_FALSE(dds.HasAlpha());
    ASSERT_EQ(dds.Levels.size(), 3u);
    EXPECT_EQ(Decoded(DecodeDdsLevel(dds, 0)), Upright(WorkedBlock(kRed, kBlue, kRedder, kBluer), 4));
    EXPECT_EQ(Decoded(DecodeDdsLevel(dds, 1)), Pixels(4, kPurple));
    EXPECT_EQ(Decoded(DecodeDdsLevel(dds, 2)), Pixels(1, kPurple));
    // Shown upright: stored row 3 on top.
    const TRgbaImage shown = DecodeDds(bytes, "example.dds");
    EXPECT_EQ(Decoded(shown)[0], kBluer);
    EXPECT_EQ(Decoded(shown)[12], kRed);
}

INSTANTIATE_TEST_SUITE_P(All, WorkedExamples, ::testing::Values(kShortExample, kStandardExample),
                         [](const auto &info) { return info.index == 0 ? "ShortHeader" : "Standard"; });

// ---------------------------------------------------------------- blocks

struct TBlockCase {
    const char *Name;
    std::function<std::string()> File; // a 4 x 4 texture of one level
    Pixels Stored;                     // its pixels, stored rows
};
void PrintTo(const TBlockCase &c, std::ostream *out) { *out << c.Name; }

std::string Standard(const std::string &fourCC, const std::string &blocks, std::uint32_t pixelFlags = 0x4)
{
    DdsHeader header;
    header.FourCC = fourCC;
    header.PixelFlags = pixelFlags;
    return testdata::BuildStandardDds(header, blocks);
}

// One row of four plain pixels, given as stored.
std::string Plain(std::uint32_t bits, std::array<std::uint32_t, 4> masks, std::uint32_t pixelFlags, const char *pixels)
{
    DdsHeader header;
    header.Height = 1;
    header.PixelFlags = pixelFlags;
    header.FourCC.clear();
    header.BitCount = bits;
    header.RedMask = masks[0];
    header.GreenMask = masks[1];
    header.BlueMask = masks[2];
    header.AlphaMask = masks[3];
    return testdata::BuildStandardDds(header, Hex(pixels));
}

// 3-bit codes 0 to 7 on the first two stored rows, 7 to 0 on the others.
const char *const kCodes = "88 C6 FA 77 39 05";
// The colour half of DXT3/DXT5 blocks: c0 = c1 = pure red, every index 0.
const char *const kRedColours = "00 F8 00 F8 00 00 00 00";
constexpr std::array<std::uint8_t, 8> kEightValues = {255, 0, 218, 182, 145, 109, 72, 36};
constexpr std::array<std::uint8_t, 8> kSixValues = {0, 255, 51, 102, 153, 204, 0, 255};

// The 16 pixels of a block whose pixel p has code p, then 15 - p.
Pixels ByCode(const std::function<Pixel(std::size_t code)> &pixel)
{
    Pixels pixels;
    for (std::size_t p = 0; p < 16; ++p)
        pixels.push_back(pixel(p < 8 ? p : 15 - p));
    return pixels;
}

class Blocks : public ::testing::TestWithParam<TBlockCase> {};

TEST_P(Blocks, DecodeToTheirExactPixels)
{
    const TBlockCase &c = GetParam();
    const std::string file = c.File();
    const TDdsTexture dds = ReadDds(file, "block.dds");
    const int width = dds.Levels[0].Width;
    EXPECT_EQ(Decoded(DecodeDdsLevel(dds, 0)), Upright(c.Stored, width));
}

INSTANTIATE_TEST_SUITE_P(
    All, Blocks,
    ::testing::Values(
        TBlockCase{"Dxt1ThreeColoursAndTransparentBlack", [] { return Standard("DXT1", Hex(kThreeColourBlock)); },
                   WorkedBlock(kBlue, kRed, kMiddle, kClear)},
        TBlockCase{"Dxt5EightAlphaValues", [] { return Standard("DXT5", Hex("FF 00") + Hex(kCodes) + Hex(kRedColours)); },
                   ByCode([](std::size_t code) { return Pixel{255, 0, 0, kEightValues[code]}; })},
        TBlockCase{"Dxt5SixAlphaValuesAndTheExtremes",
                   [] { return Standard("DXT5", Hex("00 FF") + Hex(kCodes) + Hex(kRedColours)); },
                   ByCode([](std::size_t code) { return Pixel{255, 0, 0, kSixValues[code]}; })},
        TBlockCase{"Dxt5ColoursAreFourEvenInIncreasingOrder",
                   [] { return Standard("DXT5", Hex("FF FF 00 00 00 00 00 00") + Hex(kThreeColourBlock)); },
                   WorkedBlock(kBlue, kRed, Pixel{85, 0, 170, 255}, Pixel{170, 0, 85, 255})},
        TBlockCase{"Dxt3ExplicitAlpha", [] { return Standard("DXT3", Hex("10 32 54 76 98 BA DC FE") + Hex(kRedColours)); },
                   [] {
                       Pixels pixels;
                       for (int p = 0; p < 16; ++p)
                           pixels.push_back({255, 0, 0, std::uint8_t(17 * p)});
                       return pixels;
                   }()},
        TBlockCase{"Bc4ShowsGrey", [] { return Standard("ATI1", Hex("FF 00") + Hex(kCodes)); },
                   ByCode([](std::size_t code) { return Pixel{kEightValues[code], kEightValues[code], kEightValues[code], 255}; })},
        TBlockCase{"Bc5RedAndGreen", [] { return Standard("BC5U", Hex("FF 00") + Hex(kCodes) + Hex("00 FF") + Hex(kCodes)); },
                   ByCode([](std::size_t code) { return Pixel{kEightValues[code], kSixValues[code], 0, 255}; })},
        TBlockCase{"PlainBgra", [] { return Plain(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0x41, "00 14 C8 00 01 14 C8 3C 02 14 C8 78 03 14 C8 B4"); },
                   {{200, 20, 0, 0}, {200, 20, 1, 60}, {200, 20, 2, 120}, {200, 20, 3, 180}}},
        TBlockCase{"Plain565Widened", [] { return Plain(16, {0xF800, 0x07E0, 0x001F, 0}, 0x40, "FF FF 00 00 10 84 21 08"); },
                   {{255, 255, 255, 255}, {0, 0, 0, 255}, {132, 130, 132, 255}, {8, 4, 8, 255}}}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- sizes and levels

// A 5 x 3 DXT1 texture: two blocks across, one down; the second block's
// first column is the picture's last, its other three columns and every
// block's last row lie outside it and are dropped.
TEST(DdsSizes, FiveByThreeKeepsOnlyThePixelsInside)
{
    const std::string level0 = Hex(kFourColourBlock) + Hex(kThreeColourBlock);
    const std::string level1 = Hex("10 80 00 00 00 00 00 00"); // 2 x 1
    const std::string level2 = Hex("00 F8 00 F8 00 00 00 00"); // 1 x 1
    DdsHeader header;
    header.Width = 5;
    header.Height = 3;
    header.MipCount = 3;
    const Pixels left = WorkedBlock(kRed, kBlue, kRedder, kBluer), right = WorkedBlock(kBlue, kRed, kMiddle, kClear);
    Pixels stored;
    for (int y = 0; y < 3; ++y) {
        stored.insert(stored.end(), left.begin() + 4 * y, left.begin() + 4 * y + 4);
        stored.push_back(right[std::size_t(4 * y)]);
    }
    for (const std::string &file : {testdata::BuildStandardDds(header, level0 + level1 + level2),
                                    testdata::BuildShortDds(5, 3, 3, 16, level0 + level1 + level2)}) {
        const TDdsTexture dds = ReadDds(file, "odd.dds");
        ASSERT_EQ(dds.Levels.size(), 3u);
        const TRgbaImage image = DecodeDdsLevel(dds, 0);
        ASSERT_EQ(image.Width, 5);
        ASSERT_EQ(image.Height, 3);
        EXPECT_EQ(Decoded(image), Upright(stored, 5));
        EXPECT_EQ(Decoded(DecodeDdsLevel(dds, 1)), Pixels(2, kPurple));
        EXPECT_EQ(Decoded(DecodeDdsLevel(dds, 2)), Pixels(1, kRed));
    }
}

// An 8 x 4 DXT1 texture declaring count levels and holding blocks blocks;
// or, count 0 and a short header, as many as fit.
TEST(DdsSizes, LevelsAreTheDeclaredOnesTheFileHolds)
{
    auto standard = [](std::uint32_t count, std::size_t blocks) {
        DdsHeader header;
        header.Width = 8;
        header.MipCount = count;
        return testdata::BuildStandardDds(header, std::string(blocks * 8, '\0'));
    };
    const std::pair<std::string, std::size_t> files[] = {
        {standard(9, 9), 4}, // 8 x 4, 4 x 2, 2 x 1, 1 x 1; the rest ignored
        {standard(2, 5), 2},
        {standard(0, 5), 1},
        {standard(4, 3), 2}, // the third level is missing
        {testdata::BuildShortDds(8, 4, 3, 16, std::string(4 * 8 + 3, '\0')), 3},
    };
    for (const auto &[file, count] : files) {
        const TDdsTexture dds = ReadDds(file, "levels.dds");
        ASSERT_EQ(dds.Levels.size(), count) << testing::PrintToString(file.substr(0, 32));
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(dds.Levels[i].Width, std::max(1, 8 >> i));
            EXPECT_EQ(dds.Levels[i].Height, std::max(1, 4 >> i));
            EXPECT_EQ(dds.Levels[i].Bytes.size(), i == 0 ? 16u : 8u); // whole blocks
            EXPECT_EQ(DecodeDdsLevel(dds, i).Width, dds.Levels[i].Width);
        }
    }
}

// ---------------------------------------------------------------- recognition and layout

TEST(DdsRecognition, ShortHeadersOnlyWhenTheirSizesAgreeWithTheFile)
{
    const std::string shortDxt1 = Hex(kShortExample);
    const std::pair<std::string, bool> files[] = {
        {shortDxt1, true},
        {testdata::BuildShortDds(2, 2, 3, 2, Hex(kFourColourBlock)), true}, // base size as pixels / 2, for a tiny side
        {Standard("XYZW", ""), true}, // the signature claims it; reading then refuses it
        {shortDxt1.substr(0, 27), false},
        {testdata::BuildShortDds(4, 4, 3, 16, Hex(kFourColourBlock)), false},
        {"\x89PNG\r\n\x1a\n and the rest of a picture", false},
        {"", false},
    };
    for (const auto &[bytes, recognised] : files)
        EXPECT_EQ(IsDdsFile(bytes), recognised) << testing::PrintToString(bytes);
}

TEST(DdsRecognition, TexturesWithAlphaAreUploadedAsRgba)
{
    const std::pair<std::string, TTextureLayout> files[] = {
        {Hex(kShortExample), TTextureLayout::Rgb},
        {Standard("DXT1", Hex(kFourColourBlock)), TTextureLayout::Rgb},
        {Standard("DXT1", Hex(kFourColourBlock), 0x5), TTextureLayout::Rgba},
        {Standard("DXT5", std::string(16, '\0')), TTextureLayout::Rgba},
        {Standard("ATI2", std::string(16, '\0')), TTextureLayout::Rgb},
    };
    for (const auto &[bytes, layout] : files) {
        const TTexturePicture picture = DecodeTexture(bytes, "dds", "t.dds", nullptr);
        EXPECT_EQ(picture.Image.Width, 4);
        EXPECT_EQ(picture.Layout, layout) << testing::PrintToString(bytes.substr(0, 16));
    }
    EXPECT_EQ(TextureTypeOfPath("/x/Wood.Dds"), "DDS");
}

// ---------------------------------------------------------------- damage

struct TDamage {
    const char *Name;
    std::string File;
    const char *Message;
};
void PrintTo(const TDamage &c, std::ostream *out) { *out << c.Name; }

std::string WithHeader(const std::function<void(DdsHeader &)> &change, std::size_t dataBytes = 8)
{
    DdsHeader header;
    change(header);
    return testdata::BuildStandardDds(header, std::string(dataBytes, '\0'));
}

class Damaged : public ::testing::TestWithParam<TDamage> {};

TEST_P(Damaged, IsRefusedNamingTheFile)
{
    try {
        DecodeDds(GetParam().File, "broken.dds");
        ADD_FAILURE() << "decoded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("\"broken.dds\""));
        EXPECT_THAT(error.what(), HasSubstr(GetParam().Message));
    }
}

const std::string kBlocks(64, '\0');

INSTANTIATE_TEST_SUITE_P(
    All, Damaged,
    ::testing::Values(
        TDamage{"ShortTooShort", Hex("04 00 00 00 04 00 00 00 03 00"), "too short"},
        TDamage{"ShortUnknownCode", testdata::BuildShortDds(4, 4, 5, 8, kBlocks), "colour-format code 5"},
        TDamage{"ShortBaseSizeWrong", testdata::BuildShortDds(4, 4, 3, 16, kBlocks), "16 bytes for the first level"},
        TDamage{"ShortLevelCut", testdata::BuildShortDds(8, 8, 4, 64, kBlocks.substr(1)), "cut short"},
        TDamage{"ShortTooLarge", testdata::BuildShortDds(20000, 4, 3, 40000, ""), "too large"},
        TDamage{"ShortHugeInASmallFile", testdata::BuildShortDds(16384, 8192, 3, 67108864, kBlocks), "cut short"},
        TDamage{"StandardTooShort", WithHeader([](DdsHeader &) {}).substr(0, 100), "too short"},
        TDamage{"HeaderSize", WithHeader([](DdsHeader &h) { h.HeaderSize = 100; }), "header size is 100"},
        TDamage{"StandardLevelCut", WithHeader([](DdsHeader &h) { h.Width = 8; }), "cut short"},
        TDamage{"StandardTooLarge", WithHeader([](DdsHeader &h) { h.Width = h.Height = 16384; }), "too large"},
        TDamage{"CubeMap", WithHeader([](DdsHeader &h) { h.Caps2 = 0xFE00; }), "cube maps"},
        TDamage{"Volume", WithHeader([](DdsHeader &h) { h.Caps2 = 0x200000; }), "volume"},
        TDamage{"UnknownFourCC", WithHeader([](DdsHeader &h) { h.FourCC = "XYZW"; }), "\"XYZW\""},
        TDamage{"Palette", WithHeader([](DdsHeader &h) { h.PixelFlags = 0x20, h.BitCount = 8; }), "paletted"},
        TDamage{"PlainEightBits", WithHeader([](DdsHeader &h) { h.PixelFlags = 0x40, h.BitCount = 8; }), "8 bits"},
        TDamage{"PlainCut", WithHeader([](DdsHeader &h) { h.PixelFlags = 0x40, h.BitCount = 32; }, 63), "cut short"},
        TDamage{"Dx10Cut", WithHeader([](DdsHeader &h) { h.FourCC = "DX10"; }).substr(0, 140), "DX10 header"},
        TDamage{"Dx10Bc7", WithHeader([](DdsHeader &h) { h.FourCC = "DX10", h.DxgiFormat = 98; }, 16), "DX10 format 98"},
        TDamage{"Dx10Array", WithHeader([](DdsHeader &h) { h.FourCC = "DX10", h.ArraySize = 6; }), "arrays"}),
    [](const auto &info) { return std::string(info.param.Name); });

} // namespace
