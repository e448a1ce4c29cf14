// PLT files, the six palettes of the PLT viewer and the rules that colour a
// layer, the swatch pictures drawn from the palettes, and the 32-bit BMP
// files a coloured picture is saved as.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "media/UBmpFile.h"
#include "model/UPltFile.h"

#include "testdata/ByteBuilder.h"
#include "testdata/TextureBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using ::testing::HasSubstr;
using testdata::PaletteColour;
using testdata::PltPixel;

namespace {

// ---------------------------------------------------------------- reading

TEST(PltReader, ReadsSizeValuesAndLayersInFileOrder)
{
    const TPltPicture picture = ReadPlt(testdata::BuildPlt(3, 2, {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 11}, {255, 255}}), "a.plt");
    EXPECT_EQ(picture.Width, 3u);
    EXPECT_EQ(picture.Height, 2u);
    EXPECT_EQ(picture.Values, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 255}));
    EXPECT_EQ(picture.Layers, (std::vector<std::uint8_t>{0, 1, 2, 3, 11, 255}));
}

struct DamagedPlt {
    const char *Name;
    std::function<std::string()> Bytes;
    const char *Message;
};
class DamagedPltFiles : public ::testing::TestWithParam<DamagedPlt> {};

TEST_P(DamagedPltFiles, AreRefusedNamingTheFile)
{
    const std::string bytes = GetParam().Bytes();
    try {
        ReadPlt(bytes, "damaged.plt");
        ADD_FAILURE() << "read";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr(std::string("\"damaged.plt\" ") + GetParam().Message));
    }
}

std::string Plt(std::uint32_t width, std::uint32_t height, std::size_t pixels)
{
    return testdata::BuildPlt(width, height, std::vector<PltPixel>(pixels, PltPixel{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    All, DamagedPltFiles,
    ::testing::Values(
        DamagedPlt{"OtherSignature", [] { return "PLX " + Plt(1, 1, 1).substr(4); }, "is not a PLT file"},
        DamagedPlt{"SignatureEndsAtANulByte", [] { return std::string("PLT\0", 4) + Plt(1, 1, 1).substr(4); },
                   "is not a PLT file"},
        DamagedPlt{"ShorterThanTheSignature", [] { return std::string("PLT"); }, "is not a PLT file"},
        DamagedPlt{"HeaderCutShort", [] { return Plt(1, 1, 1).substr(0, 20); }, "is cut short: its header ends early"},
        DamagedPlt{"PixelsCutShort", [] { return Plt(4, 4, 16).substr(0, 24 + 31); },
                   "is cut short: it holds fewer pixels than its size of 4 x 4 needs"},
        DamagedPlt{"NoPixelsAtAll", [] { return Plt(2, 3, 0); }, "is cut short"},
        DamagedPlt{"ZeroHeight", [] { return Plt(5, 0, 0); }, "holds no pixels (5 x 0)"},
        DamagedPlt{"Huge", [] { return Plt(0xFFFFFFFFu, 0xFFFFFFFFu, 4); }, "is too large to show (4294967295 x 4294967295)"},
        DamagedPlt{"LargerThanTheFile", [] { return Plt(8000, 8000, 4); }, "is cut short"}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(PltReader, AFileIsReadAsFarAsItsPictureGoesAndOnlyWhenItIsAPlt)
{
    coretest::TempFolder dir;
    testdata::WriteFile(dir / "cape.plt", testdata::BuildPlt(2, 1, {{4, 5}, {6, 7}}) + std::string(1000, 'x'));
    const std::optional<TPltPicture> cape = LoadPltFile(dir / "cape.plt");
    ASSERT_TRUE(cape.has_value());
    EXPECT_EQ(cape->Values, (std::vector<std::uint8_t>{4, 6}));
    EXPECT_EQ(cape->Layers, (std::vector<std::uint8_t>{5, 7}));

    const std::pair<const char *, std::string> notPlt[] = {{"empty.plt", ""}, {"text.plt", "PL"}, {"other.plt", "BM and more"}};
    for (const auto &[name, bytes] : notPlt) {
        testdata::WriteFile(dir / name, bytes);
        EXPECT_FALSE(LoadPltFile(dir / name).has_value()) << name;
    }

    const std::pair<std::string, const char *> refused[] = {
        {Plt(60000, 60000, 1), "is too large to show (60000 x 60000)"},
        {Plt(3, 3, 8), "is cut short"},
        {Plt(1, 1, 1).substr(0, 22), "is cut short: its header ends early"},
    };
    for (const auto &[bytes, message] : refused) {
        testdata::WriteFile(dir / "bad.plt", bytes);
        try {
            LoadPltFile(dir / "bad.plt");
            ADD_FAILURE() << message;
        } catch (const EFileError &error) {
            EXPECT_THAT(error.what(), HasSubstr("\"" + (dir / "bad.plt") + "\" " + message));
        }
    }
    EXPECT_THROW(LoadPltFile(dir / "missing.plt"), EFileError);
}

// ---------------------------------------------------------------- palettes

// Entry (row, value) of the test's palette of kind k.
PaletteColour Entry(int kind, int row, int value)
{
    return {std::uint8_t(kind * 40 + 1), std::uint8_t(row), std::uint8_t(value)};
}

class PltPalettes : public coretest::CoreTest {
protected:
    // Writes the palettes under the given names, each full unless rows says otherwise.
    void WritePalettes(const std::vector<std::string> &names, int rows = kPltPaletteRows)
    {
        for (int kind = 0; kind < kPltPaletteCount; ++kind) {
            if (names[std::size_t(kind)].empty())
                continue;
            testdata::WriteFile(dir / names[std::size_t(kind)],
                                testdata::BuildPalette(rows, [kind](int row, int value) { return Entry(kind, row, value); }));
        }
    }
    static TRgb Rgb(const PaletteColour &c) { return {c[0], c[1], c[2]}; }
};

const std::vector<std::string> kUpperCaseNames = {"PAL_ARMOR01.PAL", "PAL_CLOTH01.PAL", "PAL_SKIN01.PAL",
                                                  "PAL_HAIR01.PAL",  "PAL_LEATH01.PAL", "PAL_TATTOO01.PAL"};

TEST_F(PltPalettes, AreFoundInAnyLetterCaseAndReadInTheirOrder)
{
    WritePalettes(kUpperCaseNames);
    TPltPalettes palettes;
    LoadPltPalettes(dir.Str(), palettes);
    for (int kind = 0; kind < kPltPaletteCount; ++kind) {
        const TPaletteFile &palette = palettes[TPltPaletteKind(kind)];
        EXPECT_EQ(palette.Rows, 64);
        EXPECT_EQ(palette.Color(0, 0), Rgb(Entry(kind, 0, 0))) << kind;
        EXPECT_EQ(palette.Color(63, 255), Rgb(Entry(kind, 63, 255))) << kind;
        EXPECT_EQ(palette.Color(17, 130), Rgb(Entry(kind, 17, 130))) << kind;
    }
}

TEST_F(PltPalettes, AMissingFileIsNamedThoseBeforeItAreKeptAndAShortOneEndsInBlack)
{
    std::vector<std::string> names = kUpperCaseNames;
    names[kHairPalette].clear();
    WritePalettes(names, 3);
    TPltPalettes palettes;
    try {
        LoadPltPalettes(dir.Str(), palettes);
        ADD_FAILURE() << "read";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("pal_Hair01.pal"));
    }
    EXPECT_EQ(palettes[kSkinPalette].Color(2, 255), Rgb(Entry(kSkinPalette, 2, 255)));
    EXPECT_EQ(palettes[kSkinPalette].Color(3, 0), (TRgb{0, 0, 0})); // past the end of its file
    EXPECT_EQ(palettes[kLeatherPalette].Color(1, 5), (TRgb{0, 0, 0}));
}

// ---------------------------------------------------------------- the layer rules

// Which palette each layer takes its colours from and which list item chooses the row.
struct LayerRule {
    int Layer;
    int Item;
    TPltPaletteKind Palette;
    const char *Caption;
    TPltSwatch Swatch;
};
class LayerRules : public PltPalettes, public ::testing::WithParamInterface<LayerRule> {};

// Every item chooses a different row: item i row 10 + 3 i.
TPltRowChoices DistinctChoices()
{
    TPltRowChoices choices{};
    for (int item = 0; item < kPltItemCount; ++item)
        choices[std::size_t(item)] = 10 + 3 * item;
    return choices;
}

TEST_P(LayerRules, ALayerTakesTheRowItsItemChoseInItsPalette)
{
    const LayerRule &rule = GetParam();
    WritePalettes(kUpperCaseNames);
    TPltPalettes palettes;
    LoadPltPalettes(dir.Str(), palettes);
    const TPltRowChoices choices = DistinctChoices();
    EXPECT_EQ(PltItemOfLayer(rule.Layer), rule.Item);
    const TPltItem &item = PltItems()[std::size_t(rule.Item)];
    EXPECT_STREQ(item.Caption, rule.Caption);
    EXPECT_EQ(item.Swatch, rule.Swatch);
    for (int value : {0, 10, 200, 255})
        EXPECT_EQ(LayerColor(palettes, choices, std::uint8_t(value), std::uint8_t(rule.Layer)),
                  Rgb(Entry(rule.Palette, 10 + 3 * rule.Item, value)))
            << "value " << value;
}

INSTANTIATE_TEST_SUITE_P(All, LayerRules,
                         ::testing::Values(LayerRule{0, 7, kSkinPalette, "Skin", kSkinSwatch},
                                           LayerRule{1, 6, kHairPalette, "Hair", kHairSwatch},
                                           LayerRule{2, 0, kMetalPalette, "Metal 01", kArmorSwatch},
                                           LayerRule{3, 1, kMetalPalette, "Metal 02", kArmorSwatch},
                                           LayerRule{4, 2, kLeatherPalette, "Leather 01", kClothSwatch},
                                           LayerRule{5, 3, kLeatherPalette, "Leather 02", kClothSwatch},
                                           LayerRule{6, 4, kClothPalette, "Cloth 01", kClothSwatch},
                                           LayerRule{7, 5, kClothPalette, "Cloth 02", kClothSwatch},
                                           LayerRule{8, 8, kTattooPalette, "Tattoo 01", kClothSwatch},
                                           LayerRule{9, 9, kTattooPalette, "Tattoo 02", kClothSwatch}),
                         [](const auto &info) { return "Layer" + std::to_string(info.param.Layer); });

TEST_F(PltPalettes, OtherLayersArePureBlueWhateverTheChoices)
{
    WritePalettes(kUpperCaseNames);
    TPltPalettes palettes;
    LoadPltPalettes(dir.Str(), palettes);
    for (int layer : {10, 11, 12, 128, 255}) {
        EXPECT_EQ(PltItemOfLayer(layer), -1);
        EXPECT_EQ(LayerColor(palettes, DistinctChoices(), 40, std::uint8_t(layer)), (TRgb{0, 0, 255})) << layer;
    }
}

// ---------------------------------------------------------------- swatches

TEST_F(PltPalettes, EachSwatchCellShowsOnePaletteRowShadedFromLightToDark)
{
    const TPaletteFile palette = [this] {
        testdata::WriteFile(dir / "swatch.pal", testdata::BuildPalette(64, [](int row, int value) {
                                return PaletteColour{std::uint8_t(row * 4), std::uint8_t(value), 7};
                            }));
        return ReadPaletteFile(dir / "swatch.pal", 64);
    }();
    const TRgbaImage swatch = PltSwatchPicture(palette);
    ASSERT_EQ(swatch.Width, 128);
    ASSERT_EQ(swatch.Height, 128);
    auto at = [&swatch](int x, int y) { return swatch.Pixels.data() + (std::size_t(y) * 128 + std::size_t(x)) * 4; };
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int row = (y / 16) * 8 + x / 16;
            ASSERT_EQ(at(x, y)[0], row * 4) << x << "," << y;
            ASSERT_EQ(at(x, y)[2], 7) << x << "," << y;
            ASSERT_EQ(at(x, y)[3], 255) << x << "," << y;
        }
    // Within a cell the value falls from the top left to the bottom right.
    for (int cell = 0; cell < 64; ++cell) {
        const int left = (cell % 8) * 16, top = (cell / 8) * 16;
        EXPECT_GT(at(left + 2, top + 2)[1], at(left + 8, top + 8)[1]) << cell;
        EXPECT_GT(at(left + 8, top + 8)[1], at(left + 13, top + 13)[1]) << cell;
    }
}

// ---------------------------------------------------------------- BMP files

TEST(BmpWriter, WritesThirtyTwoBitRowsBottomUp)
{
    TRgbaImage picture;
    picture.Width = 3;
    picture.Height = 2;
    picture.Pixels = {1, 2, 3, 4,    5, 6, 7, 8,    9, 10, 11, 12,  // top row
                      13, 14, 15, 0, 17, 18, 19, 0, 21, 22, 23, 0}; // bottom row
    testdata::ByteBuilder expected;
    expected.Bytes("BM").U32(54 + 24).U32(0).U32(54);
    expected.U32(40).I32(3).I32(2).U16(1).U16(32).U32(0).U32(24).U32(0).U32(0).U32(0).U32(0);
    for (int v : {15, 14, 13, 255, 19, 18, 17, 255, 23, 22, 21, 255, 3, 2, 1, 255, 7, 6, 5, 255, 11, 10, 9, 255})
        expected.U8(std::uint8_t(v));
    EXPECT_EQ(EncodeBmp32(picture), expected.Data());
}

} // namespace
