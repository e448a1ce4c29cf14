// Model textures: every TGA, BMP and JPEG layout the decoders read comes out
// upright with its pixels; what they reject quietly gives no picture; what
// they refuse names the file; PLT textures take their colours from MDL.PAL.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "model/UTexturePicture.h"

#include "DemoPictures.h"
#include "testdata/ByteBuilder.h"
#include "testdata/TextureBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using ::testing::HasSubstr;
using testdata::PaletteColour;

namespace {

// 4 x 3 pixels, no two alike, alpha differing from pixel to pixel; the first
// row holds a run of three equal pixels for the run-length packets.
demo::Picture SamplePicture()
{
    demo::Picture picture{4, 3, {}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t r = y == 0 && x < 3 ? 200 : 40 * x + 10;
            const std::uint32_t g = y == 0 && x < 3 ? 100 : 70 * y + 5;
            const std::uint32_t b = y == 0 && x < 3 ? 50 : 13 * (x + y) + 1;
            const std::uint32_t a = y == 0 && x < 3 ? 128 : 255 - 20 * (x + 4 * y);
            picture.Pixels.push_back(a << 24 | r << 16 | g << 8 | b);
        }
    return picture;
}

// The RGBA bytes of a picture, top row first; alpha 255 when withAlpha is false.
std::vector<std::uint8_t> Rgba(const demo::Picture &picture, bool withAlpha)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t argb : picture.Pixels) {
        bytes.push_back(std::uint8_t(argb >> 16));
        bytes.push_back(std::uint8_t(argb >> 8));
        bytes.push_back(std::uint8_t(argb));
        bytes.push_back(withAlpha ? std::uint8_t(argb >> 24) : 255);
    }
    return bytes;
}

TTexturePicture Decode(const std::string &bytes, const std::string &type, const TModelPalette *palette = nullptr)
{
    return DecodeTexture(bytes, type, "texture." + type, palette);
}

// ---------------------------------------------------------------- TGA

struct TgaCase {
    const char *Name;
    int Bits;
    bool RunLength;
    bool TopDown;
    bool RightToLeft;
    const char *Id;
    bool LeftoverMapFields = false; // the colour-map fields of a picture without one hold bytes
};
class TgaLayouts : public ::testing::TestWithParam<TgaCase> {};

TEST_P(TgaLayouts, DecodeUprightWithTheirPixels)
{
    const TgaCase &c = GetParam();
    demo::TgaLayout layout;
    layout.Bits = c.Bits;
    layout.RunLength = c.RunLength;
    layout.TopDown = c.TopDown;
    layout.RightToLeft = c.RightToLeft;
    layout.Id = c.Id;
    const demo::Picture picture = SamplePicture();
    std::string bytes = demo::MakeTgaWith(picture, layout);
    if (c.LeftoverMapFields)
        bytes.replace(3, 5, std::string("\x34\x12\x00\x01\x18", 5)); // first entry, length 256, 24-bit entries
    const TTexturePicture texture = Decode(bytes, "TGA");
    ASSERT_EQ(texture.Image.Width, 4);
    ASSERT_EQ(texture.Image.Height, 3);
    EXPECT_EQ(texture.Image.Pixels, Rgba(picture, c.Bits == 32));
    EXPECT_EQ(texture.Layout, c.Bits == 32 ? TTextureLayout::Rgba : TTextureLayout::Rgb);
    EXPECT_EQ(texture.IsRgba(), c.Bits == 32);
}

INSTANTIATE_TEST_SUITE_P(
    All, TgaLayouts,
    ::testing::Values(TgaCase{"BottomUp24", 24, false, false, false, ""},
                      TgaCase{"BottomUp32KeepsAlpha", 32, false, false, false, ""},
                      TgaCase{"TopDown24", 24, false, true, false, ""},
                      TgaCase{"TopDown32", 32, false, true, false, ""},
                      TgaCase{"RightToLeft24", 24, false, false, true, ""},
                      TgaCase{"ImageIdSkipped", 24, false, false, false, "made by hand"},
                      TgaCase{"RunLength24", 24, true, false, false, ""},
                      TgaCase{"RunLength32TopDown", 32, true, true, false, "id"},
                      TgaCase{"LeftoverMapFields24", 24, false, false, false, "", true},
                      TgaCase{"LeftoverMapFieldsRunLength32", 32, true, true, false, "id", true}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(TgaTexture, RunLengthPacketsMayRunFromOneRowIntoTheNext)
{
    // 2 x 2, top-down: one run of three red pixels, then one raw blue pixel.
    testdata::ByteBuilder tga;
    tga.U8(0).U8(0).U8(10).Zeros(9).U16(2).U16(2).U8(24).U8(0x20);
    tga.U8(0x82).U8(0).U8(0).U8(255);
    tga.U8(0x00).U8(255).U8(0).U8(0);
    const TTexturePicture texture = Decode(tga.Take(), "TGA");
    EXPECT_EQ(texture.Image.Pixels, (std::vector<std::uint8_t>{255, 0, 0, 255, 255, 0, 0, 255, //
                                                               255, 0, 0, 255, 0, 0, 255, 255}));
}

struct QuietTga {
    const char *Name;
    demo::TgaLayout::Kind Kind;
    int Bits;
    bool RunLength;
};
class QuietlyRejectedTga : public ::testing::TestWithParam<QuietTga> {};

TEST_P(QuietlyRejectedTga, GivesNoPictureAndNoError)
{
    demo::TgaLayout layout;
    layout.ImageKind = GetParam().Kind;
    layout.Bits = GetParam().Bits;
    layout.RunLength = GetParam().RunLength;
    TTexturePicture texture;
    ASSERT_NO_THROW(texture = Decode(demo::MakeTgaWith(SamplePicture(), layout), "TGA"));
    EXPECT_TRUE(texture.Empty());
}

INSTANTIATE_TEST_SUITE_P(All, QuietlyRejectedTga,
                         ::testing::Values(QuietTga{"ColourMapped", demo::TgaLayout::ColourMapped, 8, false},
                                           QuietTga{"Grey", demo::TgaLayout::Grey, 8, false},
                                           QuietTga{"RunLengthGrey", demo::TgaLayout::Grey, 8, true},
                                           QuietTga{"SixteenBits", demo::TgaLayout::TrueColour, 16, false},
                                           QuietTga{"SixteenBitsRunLength", demo::TgaLayout::TrueColour, 16, true}),
                         [](const auto &info) { return std::string(info.param.Name); });

struct Refusal {
    const char *Name;
    std::function<std::string()> Bytes;
    const char *Message;
};
class RefusedTga : public ::testing::TestWithParam<Refusal> {};

std::string Tga24(int width, int height, bool runLength = false)
{
    demo::TgaLayout layout;
    layout.RunLength = runLength;
    demo::Picture picture{width, height, std::vector<std::uint32_t>(std::size_t(width * height), 0xFF102030)};
    return demo::MakeTgaWith(picture, layout);
}

std::string TgaHeader(std::uint16_t width, std::uint16_t height, std::uint8_t depth, std::uint8_t type = 2,
                      std::uint8_t idLength = 0)
{
    testdata::ByteBuilder tga;
    tga.U8(idLength).U8(0).U8(type).Zeros(9).U16(width).U16(height).U8(depth).U8(0);
    return tga.Take();
}

TEST_P(RefusedTga, IsRefusedNamingTheFile)
{
    try {
        Decode(GetParam().Bytes(), "TGA");
        ADD_FAILURE() << "decoded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr(std::string("\"texture.TGA\" ") + GetParam().Message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, RefusedTga,
    ::testing::Values(
        Refusal{"HeaderCutShort", [] { return Tga24(2, 2).substr(0, 17); }, "is cut short: its TGA header ends early"},
        Refusal{"FortyEightBits", [] { return TgaHeader(1, 1, 48) + std::string(6, 'x'); },
                "is a 48-bit TGA picture; only 24 and 32 bits can be shown"},
        Refusal{"FortyBitsRunLength", [] { return TgaHeader(1, 1, 40, 10) + std::string(6, 'x'); },
                "is a 40-bit TGA picture"},
        Refusal{"PixelsCutShort", [] { auto b = Tga24(3, 2); return b.substr(0, b.size() - 1); },
                "is cut short: it holds fewer pixels than its size of 3 x 2 needs"},
        Refusal{"IdLongerThanTheFile", [] { return TgaHeader(1, 1, 24, 2, 200) + std::string(3, 'x'); },
                "is cut short: it holds fewer pixels"},
        Refusal{"RunLengthCutShort", [] { auto b = Tga24(300, 2, true); return b.substr(0, b.size() - 2); },
                "is cut short"},
        Refusal{"RunLengthPacketsMissing", [] { return TgaHeader(2, 2, 24, 10) + "\x83\x01\x02"; },
                "is cut short"},
        Refusal{"ZeroWidth", [] { return TgaHeader(0, 5, 24) + "xyz"; }, "holds no pixels (0 x 5)"},
        Refusal{"HugeRunLength", [] { return TgaHeader(60000, 60000, 32, 10) + std::string(64, '\xFF'); },
                "is too large to show (60000 x 60000)"},
        Refusal{"LargeButEmpty", [] { return TgaHeader(4000, 4000, 32, 10) + std::string(64, '\xFF'); },
                "is cut short"}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- BMP

PaletteColour BmpPixel(int x, int y)
{
    return {std::uint8_t(30 * x + 7), std::uint8_t(50 * y + 3), std::uint8_t(x * y + 100)};
}

std::vector<std::uint8_t> ExpectedBmp(int width, int height)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const PaletteColour c = BmpPixel(x, y);
            bytes.insert(bytes.end(), {c[0], c[1], c[2], 255});
        }
    return bytes;
}

struct BmpCase {
    const char *Name;
    int Width;
    testdata::BmpLayout Layout;
};
class BmpLayouts : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpLayouts, DecodeUprightAsBlueGreenRed)
{
    const BmpCase &c = GetParam();
    const TTexturePicture texture = Decode(testdata::BuildBmp(c.Width, 3, BmpPixel, c.Layout), "BMP");
    ASSERT_EQ(texture.Image.Width, c.Width);
    ASSERT_EQ(texture.Image.Height, 3);
    EXPECT_EQ(texture.Image.Pixels, ExpectedBmp(c.Width, 3));
    EXPECT_EQ(texture.Layout, TTextureLayout::Bgr);
    EXPECT_FALSE(texture.IsRgba());
}

INSTANTIATE_TEST_SUITE_P(All, BmpLayouts,
                         ::testing::Values(BmpCase{"BottomUp", 4, {}},
                                           BmpCase{"PaddedRows", 5, {}},
                                           BmpCase{"PaddedRowsWithoutImageSize", 5, {24, false, 0, false}},
                                           BmpCase{"TopDown", 5, {24, true, 0, true}},
                                           BmpCase{"TopDownWithoutImageSize", 6, {24, true, 0, false}}),
                         [](const auto &info) { return std::string(info.param.Name); });

class RefusedBmp : public ::testing::TestWithParam<Refusal> {};

// Sets the 32-bit field at offset of a 24-bit 5 x 3 bitmap.
std::function<std::string()> BmpWithField(std::size_t offset, std::uint32_t value)
{
    return [offset, value] {
        std::string bytes = testdata::BuildBmp(5, 3, BmpPixel);
        PutU32LE(reinterpret_cast<unsigned char *>(bytes.data()) + offset, value);
        return bytes;
    };
}

TEST_P(RefusedBmp, IsRefusedNamingTheFile)
{
    try {
        Decode(GetParam().Bytes(), "BMP");
        ADD_FAILURE() << "decoded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr(std::string("\"texture.BMP\" ") + GetParam().Message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, RefusedBmp,
    ::testing::Values(
        Refusal{"HeaderCutShort", [] { return testdata::BuildBmp(2, 2, BmpPixel).substr(0, 50); },
                "is cut short: its BMP header ends early"},
        Refusal{"EightBits", [] { return testdata::BuildBmp(4, 2, BmpPixel, {8}); },
                "is a 8-bit BMP picture; only 24-bit ones can be shown as textures"},
        Refusal{"ThirtyTwoBits", [] { return testdata::BuildBmp(4, 2, BmpPixel, {32}); }, "is a 32-bit BMP picture"},
        Refusal{"Compressed", [] { return testdata::BuildBmp(4, 2, BmpPixel, {24, false, 1}); },
                "is a compressed BMP picture"},
        Refusal{"PixelsCutShort", [] { auto b = testdata::BuildBmp(5, 3, BmpPixel); return b.substr(0, b.size() - 2); },
                "is cut short: it holds fewer pixels than its size of 5 x 3 needs"},
        Refusal{"ZeroHeight", BmpWithField(22, 0), "holds no pixels (5 x 0)"},
        Refusal{"NegativeWidth", BmpWithField(18, std::uint32_t(-5)), "holds no pixels (-5 x 3)"},
        Refusal{"HugeHeight", BmpWithField(22, 0x7FFFFFFF), "is too large to show (5 x 2147483647)"},
        Refusal{"HugeTopDown", BmpWithField(22, 0x80000000u), "is too large to show (5 x 2147483648)"},
        Refusal{"TallerThanTheFile", BmpWithField(22, 4000), "is cut short: it holds fewer pixels than its size of 5 x 4000"}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- JPEG

PaletteColour RedOverBlue(int, int y)
{
    return y < 8 ? PaletteColour{230, 20, 20} : PaletteColour{20, 40, 220};
}

void ExpectNear(const TRgbaImage &image, int x, int y, PaletteColour colour)
{
    const std::uint8_t *p = image.Pixels.data() + (std::size_t(y) * std::size_t(image.Width) + std::size_t(x)) * 4;
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(p[c], colour[std::size_t(c)], 6) << "pixel " << x << "," << y << " channel " << c;
    EXPECT_EQ(p[3], 255);
}

TEST(JpegTexture, DecodesUprightAsRgba)
{
    const TTexturePicture texture = Decode(testdata::EncodeJpeg(16, 16, false, RedOverBlue), "JPG");
    ASSERT_EQ(texture.Image.Width, 16);
    ASSERT_EQ(texture.Image.Height, 16);
    EXPECT_EQ(texture.Layout, TTextureLayout::Rgba);
    for (int y : {0, 7, 8, 15})
        for (int x : {0, 15})
            ExpectNear(texture.Image, x, y, RedOverBlue(x, y));
    const TTexturePicture grey =
        Decode(testdata::EncodeJpeg(8, 8, true, [](int, int) { return PaletteColour{90, 90, 90}; }), "jpg");
    ASSERT_EQ(grey.Image.Width, 8);
    ExpectNear(grey.Image, 3, 3, {90, 90, 90});
}

TEST(JpegTexture, DamagedJpegsGiveNoPictureAndNoError)
{
    const std::string good = testdata::EncodeJpeg(16, 16, false, RedOverBlue);
    const std::pair<const char *, std::string> damaged[] = {
        {"cut in its data", good.substr(0, good.size() / 2)},
        {"cut in its header", good.substr(0, 40)},
        {"no JPEG", "\xFF\xD8\xFF garbage that is no JPEG"},
        {"one byte", "\xFF"},
    };
    for (const auto &[name, bytes] : damaged) {
        TTexturePicture texture;
        EXPECT_NO_THROW(texture = Decode(bytes, "JPG")) << name;
        EXPECT_TRUE(texture.Empty()) << name;
    }
}

TEST(JpegTexture, ASizeBeyondTheLimitsIsRefusedBeforeDecoding)
{
    std::string bytes = testdata::EncodeJpeg(16, 16, false, RedOverBlue);
    const std::size_t frame = bytes.find("\xFF\xC0", 0, 2);
    ASSERT_NE(frame, std::string::npos);
    bytes[frame + 5] = bytes[frame + 7] = char(0xEA); // 60000 = 0xEA60, big-endian
    bytes[frame + 6] = bytes[frame + 8] = char(0x60);
    try {
        Decode(bytes, "JPG");
        ADD_FAILURE() << "decoded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("\"texture.JPG\" is too large to show (60000 x 60000)"));
    }
}

// ---------------------------------------------------------------- PLT and the model palette

TEST(ModelPalette, AShortOneEndsInBlackAndAMissingOneIsAnErrorNamingIt)
{
    coretest::TempFolder dir;
    testdata::WriteFile(dir / "short.pal", testdata::BuildPalette(1, [](int, int value) {
                            return PaletteColour{1, std::uint8_t(value), std::uint8_t(255 - value)};
                        }));
    const TModelPalette palette = LoadModelPalette(dir / "short.pal");
    EXPECT_EQ(ModelPaletteColor(palette, 9, 0), (TRgb{1, 9, 246}));
    EXPECT_EQ(ModelPaletteColor(palette, 9, 1), (TRgb{0, 0, 0}));
    EXPECT_EQ(ModelPaletteColor(palette, 9, 12), (TRgb{0, 0, 255}));
    try {
        LoadModelPalette(dir / "MISSING.PAL");
        ADD_FAILURE() << "read";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("MISSING.PAL"));
    }
}

// ---------------------------------------------------------------- damage of every kind

// Every prefix of a good file, and the file with each header byte changed,
// decodes or is refused with EFileError; each lies in a buffer of exactly its
// size, so that a read past its end is caught when built with the address
// sanitizer.
struct Sample {
    const char *Name;
    const char *Type;
    std::function<std::string()> Bytes;
    std::size_t HeaderSize;
};
class DamagedTextures : public ::testing::TestWithParam<Sample> {};

void DecodeExactly(const std::string &bytes, const char *type, const TModelPalette &palette)
{
    const auto copy = std::make_unique<char[]>(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    try {
        DecodeTexture(std::string_view(copy.get(), bytes.size()), type, "damaged", &palette);
    } catch (const EFileError &) {
        // refused, naming the file
    }
}

TEST_P(DamagedTextures, NeverReadOutsideTheirBytes)
{
    const TModelPalette palette(kModelPaletteRows);
    const std::string good = GetParam().Bytes();
    for (std::size_t length = 0; length < good.size(); ++length)
        DecodeExactly(good.substr(0, length), GetParam().Type, palette);
    for (std::size_t at = 0; at < std::min(good.size(), GetParam().HeaderSize); ++at)
        for (unsigned char value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            std::string changed = good;
            changed[at] = char(value);
            DecodeExactly(changed, GetParam().Type, palette);
        }
}

INSTANTIATE_TEST_SUITE_P(
    All, DamagedTextures,
    ::testing::Values(Sample{"Tga", "TGA", [] { return Tga24(5, 3); }, 18},
                      Sample{"TgaRunLength", "TGA", [] { return Tga24(7, 3, true); }, 18},
                      Sample{"TgaTopDown32", "TGA",
                             [] {
                                 demo::TgaLayout layout;
                                 layout.Bits = 32;
                                 layout.TopDown = true;
                                 layout.RunLength = true;
                                 return demo::MakeTgaWith(SamplePicture(), layout);
                             },
                             18},
                      Sample{"Bmp", "BMP", [] { return testdata::BuildBmp(5, 3, BmpPixel); }, 54},
                      Sample{"BmpTopDown", "BMP", [] { return testdata::BuildBmp(3, 3, BmpPixel, {24, true}); }, 54},
                      Sample{"Jpeg", "JPG", [] { return testdata::EncodeJpeg(16, 16, false, RedOverBlue); }, 700},
                      Sample{"Plt", "PLT", [] { return testdata::BuildPlt(3, 2, std::vector<testdata::PltPixel>(6, {9, 12})); }, 24}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- choosing the decoder

TEST(TextureTypes, TheTypeChoosesTheDecoderInAnyLetterCase)
{
    const std::string tga = Tga24(2, 2);
    const std::pair<std::string, bool> types[] = {
        {"TGA", true}, {"tga", true}, {"Tga", true}, {"BMP", false}, {"PLT", false}, {"JPEG", false}, {"", false}, {"TGAX", false}};
    for (const auto &[type, decodes] : types) {
        TTexturePicture texture;
        try {
            texture = DecodeTexture(tga, type, "t", nullptr);
        } catch (const EFileError &) {
            // the bytes are no picture of that type
        }
        EXPECT_EQ(!texture.Empty(), decodes) << type;
    }
    EXPECT_TRUE(DecodeTexture("", "TGA", "empty.tga", nullptr).Empty());
}

TEST(TextureTypes, TheExtensionOfAPathNamesTheType)
{
    const std::pair<const char *, const char *> paths[] = {
        {"/m/wood.tga", "TGA"}, {"/m/WOOD.TGA", "TGA"}, {"a.Bmp", "BMP"}, {"x.JpG", "JPG"}, {"x.plt", "PLT"},
        {"x.jpeg", ""},         {"tga", ""},            {"/m.tga/x", ""}, {"x.tgax", ""},  {"x.", ""},
    };
    for (const auto &[path, type] : paths)
        EXPECT_EQ(TextureTypeOfPath(path), type) << path;
}

// ---------------------------------------------------------------- hostile files

// A run-length TGA of width x height pixels of one colour: runs of 128.
std::string UniformRunLengthTga(std::uint16_t width, std::uint16_t height)
{
    testdata::ByteBuilder tga;
    tga.U8(0).U8(0).U8(10).Zeros(9).U16(width).U16(height).U8(24).U8(0);
    for (std::uint64_t left = std::uint64_t(width) * height; left > 0; left -= std::min<std::uint64_t>(left, 128))
        tga.U8(std::uint8_t(0x80 | (std::min<std::uint64_t>(left, 128) - 1))).U8(10).U8(20).U8(30);
    return tga.Take();
}

// Rows are named after the type of their texture first (TgaRunLength...).
class HostileTextures : public ::testing::TestWithParam<coretest::THostileFile> {
protected:
    coretest::TempFolder dir;
};

TEST_P(HostileTextures, StayWithinTheirBounds)
{
    const std::string type = UpperCaseAscii(std::string(GetParam().Name, 3));
    const std::string path = dir / ("hostile." + type);
    coretest::ExpectSeen(GetParam(), path, [&] {
        const TModelPalette palette(kModelPaletteRows);
        const TTexturePicture texture = DecodeTexture(ReadWholeFile(path), type, path, &palette);
        return std::to_string(texture.Image.Width) + " x " + std::to_string(texture.Image.Height);
    });
}

PaletteColour Grey(int, int)
{
    return {128, 128, 128};
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileTextures,
    ::testing::Values(
        coretest::THostileFile{"TgaRunLengthOfTheMostPixels", [] { return UniformRunLengthTga(16384, 8192); },
                               "is too large to show (16384 x 8192)."},
        coretest::THostileFile{"TgaRunLengthOfManyPixels", [] { return UniformRunLengthTga(2048, 2048); },
                               "2048 x 2048"},
        coretest::THostileFile{"JpgOfTheMostPixels", [] { return testdata::EncodeJpeg(6000, 6000, true, Grey); },
                               "is too large to show (6000 x 6000)."},
        coretest::THostileFile{"JpgOfManyPixels", [] { return testdata::EncodeJpeg(2048, 2048, true, Grey); },
                               "2048 x 2048"},
        coretest::THostileFile{"PltOfManyPixels",
                               [] {
                                   return testdata::BuildPlt(2048, 2048, std::vector<testdata::PltPixel>(2048 * 2048));
                               },
                               "2048 x 2048"}),
    coretest::NameOf);

} // namespace
