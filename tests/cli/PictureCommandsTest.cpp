// quorlin plt render: a copy of the tool in a program folder of the test's
// own, with palettes whose every entry is known, colours PLT files into
// 32-bit BMP files; and the built tool finds the palettes the build made.
// quorlin image convert writes every kind of picture as a PNG, read back by
// ImageMagick, and names each damaged file it refuses.

#include "CliRunner.h"

#include "media/UMagickPicture.h"

#include "DemoDds.h"
#include "DemoPictures.h"
#include "testdata/ByteBuilder.h"
#include "testdata/TextureBuilder.h"

#include <gmock/gmock.h>

#include <array>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testdata::PaletteColour;
using testdata::PltPixel;

namespace {

// Palettes in the order metal, cloth, skin, hair, leather, tattoo; entry
// (row, value) of palette k is (40 k + 1, 4 row, value).
const char *const kPaletteFiles[] = {"pal_armor01.pal", "PAL_CLOTH01.PAL", "pal_Skin01.pal",
                                     "pal_Hair01.pal",  "pal_leath01.pal", "pal_tattoo01.pal"};
enum { Metal, Cloth, Skin, Hair, Leather, Tattoo };
PaletteColour Entry(int palette, int row, int value)
{
    return {std::uint8_t(40 * palette + 1), std::uint8_t(4 * row), std::uint8_t(value)};
}

// Which palette colours each layer, and the option naming its row.
struct LayerUse {
    int Palette;
    const char *Name;
};
constexpr std::array<LayerUse, 10> kLayers = {{{Skin, "skin"},
                                               {Hair, "hair"},
                                               {Metal, "metal1"},
                                               {Metal, "metal2"},
                                               {Leather, "leather1"},
                                               {Leather, "leather2"},
                                               {Cloth, "cloth1"},
                                               {Cloth, "cloth2"},
                                               {Tattoo, "tattoo1"},
                                               {Tattoo, "tattoo2"}}};

// The BMP file the viewer's export writes, built from the file layout:
// pixels given top row first.
std::string ExpectedBmp(int width, int height, const std::vector<PaletteColour> &pixels)
{
    const std::uint32_t data = std::uint32_t(width * height * 4);
    testdata::ByteBuilder bmp;
    bmp.Bytes("BM").U32(54 + data).U32(0).U32(54);
    bmp.U32(40).I32(width).I32(height).U16(1).U16(32).U32(0).U32(data).U32(0).U32(0).U32(0).U32(0);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const PaletteColour &c = pixels[std::size_t(y * width + x)];
            bmp.U8(c[2]).U8(c[1]).U8(c[0]).U8(255);
        }
    return bmp.Take();
}

// A PNG as ImageMagick reads it, in the demo's pixels (0xAARRGGBB, top row first).
demo::Picture ReadPng(const fs::path &path)
{
    const std::string bytes = testdata::ReadFile(path);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const TRgbaImage image = DecodeWithMagick(bytes, "PNG");
    demo::Picture picture{image.Width, image.Height, {}};
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4)
        picture.Pixels.push_back(std::uint32_t(image.Pixels[i + 3]) << 24 | std::uint32_t(image.Pixels[i]) << 16 |
                                 std::uint32_t(image.Pixels[i + 1]) << 8 | image.Pixels[i + 2]);
    return picture;
}

class PltRender : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        fs::create_directories(Root() / "program" / "pal");
        fs::copy_file(QuorlinPath(), Program());
        for (int palette = 0; palette < 6; ++palette)
            testdata::WriteFile(Root() / "program" / "pal" / kPaletteFiles[palette],
                                testdata::BuildPalette(64, [palette](int row, int value) { return Entry(palette, row, value); }));
    }
    fs::path Program() const { return Root() / "program" / "quorlin"; }
    CliResult Render(const std::vector<std::string> &args) { return RunAt(Program(), args); }
    std::string WritePlt(const std::string &name, std::uint32_t width, std::uint32_t height, const std::vector<PltPixel> &pixels)
    {
        testdata::WriteFile(Root() / name, testdata::BuildPlt(width, height, pixels));
        return Path(name);
    }
};

TEST_F(PltRender, EveryLayerTakesRowZeroOfItsPaletteUnlessToldOtherwise)
{
    // 4 x 3, file rows bottom-up: layers 0 to 11, values 10 apart.
    std::vector<PltPixel> file;
    for (int i = 0; i < 12; ++i)
        file.push_back({std::uint8_t(10 * i + 5), std::uint8_t(i)});
    const std::string plt = WritePlt("layers.plt", 4, 3, file);
    auto expected = [&file](const std::array<int, 10> &rows) {
        std::vector<PaletteColour> pixels;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                const PltPixel pixel = file[std::size_t((2 - y) * 4 + x)];
                pixels.push_back(pixel.Layer < 10 ? Entry(kLayers[pixel.Layer].Palette, rows[pixel.Layer], pixel.Value)
                                                  : PaletteColour{0, 0, 255});
            }
        return ExpectedBmp(4, 3, pixels);
    };

    CliResult result = Render({"plt", "render", plt, Path("plain.bmp")});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(testdata::ReadFile(Root() / "plain.bmp"), expected({}));

    std::vector<std::string> args = {"plt", "render", plt, Path("chosen.bmp")};
    std::array<int, 10> rows{};
    for (int layer = 0; layer < 10; ++layer) {
        rows[std::size_t(layer)] = 60 - 5 * layer;
        args.push_back("--palette");
        args.push_back(std::string(kLayers[std::size_t(layer)].Name) + "=" + std::to_string(rows[std::size_t(layer)]));
    }
    result = Render(args);
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(testdata::ReadFile(Root() / "chosen.bmp"), expected(rows));
}

TEST_F(PltRender, ImageConvertColoursAPltAsRenderDoesWithoutPalettes)
{
    const std::string plt = WritePlt("two.plt", 2, 1, {{30, 0}, {40, 11}});
    const CliResult result = Render({"image", "convert", plt, Path("two.png")});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    const PaletteColour skin = Entry(Skin, 0, 30);
    EXPECT_EQ(ReadPng(Root() / "two.png").Pixels,
              (std::vector<std::uint32_t>{0xFF000000u | std::uint32_t(skin[0]) << 16 | std::uint32_t(skin[1]) << 8 | skin[2],
                                          0xFF0000FFu}));
}

TEST_F(PltRender, TheOutputIsWrittenAtThePathAsGivenReplacingAFile)
{
    const std::string plt = WritePlt("one.plt", 1, 1, {{200, 3}});
    testdata::WriteFile(Root() / "shield", "an older file");
    const CliResult result = Render({"plt", "render", plt, "shield", "--palette=metal2=63"});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(testdata::ReadFile(Root() / "shield"), ExpectedBmp(1, 1, {Entry(Metal, 63, 200)}));
    EXPECT_FALSE(fs::exists(Root() / "shield.bmp"));
}

TEST_F(PltRender, WrongCommandLinesFailWithStatusTwo)
{
    const std::string plt = WritePlt("one.plt", 1, 1, {{1, 1}});
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"plt", "render"}, "missing FILE and OUT.bmp"},
        {{"plt", "render", plt}, "missing FILE and OUT.bmp"},
        {{"plt", "draw", plt, "out.bmp"}, "unknown command 'plt draw'"},
        {{"plt", "render", plt, "out.bmp", "--palette"}, "--palette needs a value"},
        {{"plt", "render", plt, "out.bmp", "--palette", "metal1"}, "--palette needs NAME=ROW, not 'metal1'"},
        {{"plt", "render", plt, "out.bmp", "--palette", "gold=1"}, "no palette is named 'gold' (metal1, metal2, leather1"},
        {{"plt", "render", plt, "out.bmp", "--palette", "Metal1=1"}, "no palette is named 'Metal1'"},
        {{"plt", "render", plt, "out.bmp", "--palette", "hair=64"}, "--palette hair needs a row from 0 to 63, not '64'"},
        {{"plt", "render", plt, "out.bmp", "--palette", "hair=-1"}, "needs a row from 0 to 63, not '-1'"},
        {{"plt", "render", plt, "out.bmp", "--palette", "hair=1x"}, "needs a row from 0 to 63, not '1x'"},
        {{"plt", "render", plt, "out.bmp", "--palette", "hair="}, "needs a row from 0 to 63, not ''"},
        {{"plt", "render", plt, "out.bmp", "--palette", "skin=1", "--palette", "skin=2"}, "--palette skin is given more than once"},
    };
    for (const auto &[args, message] : cases) {
        const CliResult result = Render(args);
        EXPECT_EQ(result.ExitCode, 2) << message;
        EXPECT_THAT(result.Err, HasSubstr(message));
        EXPECT_EQ(SplitLines(result.Err).size(), 1u) << message;
    }
    EXPECT_FALSE(fs::exists(Root() / "out.bmp"));
}

TEST_F(PltRender, BadFilesFailWithStatusOneNamingTheFile)
{
    const std::string good = WritePlt("good.plt", 2, 2, std::vector<PltPixel>(4));
    const std::string cut = WritePlt("cut.plt", 4, 4, std::vector<PltPixel>(10));
    testdata::WriteFile(Root() / "text.plt", "no texture here");
    fs::create_directories(Root() / "folder.plt");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"plt", "render", Path("missing.plt"), Path("out.bmp")}, "PLT file not found: " + Path("missing.plt")},
        {{"plt", "render", Path("folder.plt"), Path("out.bmp")}, "PLT file is not a file: " + Path("folder.plt")},
        {{"plt", "render", Path("text.plt"), Path("out.bmp")}, Path("text.plt") + " is not a PLT file"},
        {{"plt", "render", cut, Path("out.bmp")}, "\"" + cut + "\" is cut short"},
        {{"plt", "render", good, Path("no/such/folder/out.bmp")}, "Cannot create file \"" + Path("no/such/folder/out.bmp")},
    };
    for (const auto &[args, message] : cases) {
        const CliResult result = Render(args);
        EXPECT_EQ(result.ExitCode, 1) << message;
        EXPECT_THAT(result.Err, HasSubstr(message));
        EXPECT_EQ(SplitLines(result.Err).size(), 1u) << result.Err;
    }
    EXPECT_FALSE(fs::exists(Root() / "out.bmp"));

    fs::remove(Root() / "program" / "pal" / "pal_Hair01.pal");
    const CliResult result = Render({"plt", "render", good, Path("out.bmp")});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_THAT(result.Err, HasSubstr("pal_Hair01.pal"));
    EXPECT_FALSE(fs::exists(Root() / "out.bmp"));
}

TEST_F(PltRender, TheBuiltToolUsesThePalettesTheBuildMade)
{
    const fs::path metal = QuorlinPath().parent_path() / "PAL" / "pal_armor01.pal";
    ASSERT_TRUE(fs::is_regular_file(metal)) << "build the quorlin-palettes target";
    const std::string palette = testdata::ReadFile(metal);
    ASSERT_EQ(palette.size(), 65536u);
    const std::string plt = WritePlt("steel.plt", 1, 1, {{200, 2}});
    const CliResult result = Run({"plt", "render", plt, Path("steel.bmp"), "--palette", "metal1=9"});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    const std::size_t entry = (9 * 256 + 200) * 4;
    const PaletteColour colour = {std::uint8_t(palette[entry]), std::uint8_t(palette[entry + 1]), std::uint8_t(palette[entry + 2])};
    EXPECT_EQ(testdata::ReadFile(Root() / "steel.bmp"), ExpectedBmp(1, 1, {colour}));
}

// ---------------------------------------------------------------- image convert

// 5 x 4, every pixel its own colour, channels multiples of 8; withAlpha:
// two pixels transparent and half transparent.
demo::Picture Sample(bool withAlpha)
{
    demo::Picture picture{5, 4, {}};
    for (std::uint32_t i = 0; i < 20; ++i)
        picture.Pixels.push_back(0xFF000000u | (8 * i + 8) << 16 | (200 - 8 * i) << 8 | (16 * (i % 7)));
    if (withAlpha) {
        picture.Pixels[6] &= 0x00FFFFFFu;
        picture.Pixels[7] = (picture.Pixels[7] & 0x00FFFFFFu) | 0x80000000u;
    }
    return picture;
}

// 8 x 8, one colour a 4 x 4 block, in colours and alpha DXT blocks keep exactly.
demo::Picture Blocks()
{
    const std::uint32_t colours[4] = {0xFFE72010, 0x8010D321, 0xFF2130E7, 0x40EFD710};
    demo::Picture picture{8, 8, {}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.Pixels.push_back(colours[(y / 4) * 2 + x / 4]);
    return picture;
}

// Fully transparent pixels as 0: their colour is nobody's concern.
std::vector<std::uint32_t> Visible(const demo::Picture &picture)
{
    std::vector<std::uint32_t> pixels = picture.Pixels;
    for (std::uint32_t &argb : pixels)
        argb = argb >> 24 == 0 ? 0 : argb;
    return pixels;
}

demo::Picture Opaque(demo::Picture picture)
{
    for (std::uint32_t &argb : picture.Pixels)
        argb |= 0xFF000000u;
    return picture;
}

struct TConvertCase {
    const char *Name;
    std::function<std::string()> File;
    demo::Picture Shown;
};
void PrintTo(const TConvertCase &c, std::ostream *out) { *out << c.Name; }

class ImageConvert : public CliTest, public ::testing::WithParamInterface<TConvertCase> {};

TEST_P(ImageConvert, WritesThePictureAsShownIntoAPng)
{
    const TConvertCase &c = GetParam();
    testdata::WriteFile(Root() / "picture.dat", c.File()); // a name that says nothing
    const CliResult result = Run({"image", "convert", Path("picture.dat"), Path("out.png")});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out + result.Err, "");
    const demo::Picture written = ReadPng(Root() / "out.png");
    EXPECT_EQ(written.Width, c.Shown.Width);
    EXPECT_EQ(written.Height, c.Shown.Height);
    EXPECT_EQ(Visible(written), Visible(c.Shown));
}

demo::TgaLayout ColourMapped()
{
    demo::TgaLayout layout;
    layout.ImageKind = demo::TgaLayout::ColourMapped;
    layout.Bits = 8;
    layout.RunLength = true;
    return layout;
}

INSTANTIATE_TEST_SUITE_P(
    All, ImageConvert,
    ::testing::Values(
        TConvertCase{"Tga", [] { return demo::MakeTgaWith(Sample(false), {}); }, Sample(false)},
        TConvertCase{"TgaColourMapped", [] { return demo::MakeTgaWith(Sample(false), ColourMapped()); }, Sample(false)},
        TConvertCase{"Bmp", [] { return demo::MakeBmp(Sample(false)); }, Sample(false)},
        TConvertCase{"Jpeg", [] { return testdata::EncodeJpeg(8, 8, true, [](int, int) { return PaletteColour{96, 0, 0}; }); },
                     demo::Picture{8, 8, std::vector<std::uint32_t>(64, 0xFF606060)}},
        TConvertCase{"Pcx", [] { return demo::MakePcx(Sample(false), false); }, Sample(false)},
        TConvertCase{"Png", [] { return demo::MakePng(Sample(true)); }, Sample(true)},
        TConvertCase{"Psp", [] { return demo::MakePsp(Sample(true)); }, Sample(true)},
        TConvertCase{"Sgi", [] { return demo::MakeSgi(Sample(true), true); }, Sample(true)},
        TConvertCase{"DdsShortHeaderDxt1", [] { return demo::MakeShortDds(Opaque(Blocks()), demo::DdsKind::Dxt1); },
                     Opaque(Blocks())},
        TConvertCase{"DdsStandardDxt5", [] { return demo::MakeStandardDds(Blocks(), demo::DdsKind::Dxt5); }, Blocks()}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(CliTest, ImageConvertRefusesDamagedFilesWithStatusOneNamingThem)
{
    const std::string dds = demo::MakeStandardDds(Blocks(), demo::DdsKind::Dxt5);
    const std::string png = demo::MakePng(Sample(true));
    demo::TgaLayout runLength;
    runLength.RunLength = true;
    const std::string tga = demo::MakeTgaWith(demo::EmblemPicture(64, 48), runLength);
    const std::pair<const char *, std::string> files[] = {
        {"cut.dds", dds.substr(0, 150)},
        {"bc7.dds", dds.substr(0, 84) + "DX10" + dds.substr(88, 40) + std::string("\x62\0\0\0\3\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0", 20)},
        {"short.dds", demo::MakeShortDds(Opaque(Blocks()), demo::DdsKind::Dxt1).substr(0, 40)},
        {"cut.png", png.substr(0, png.size() / 2)},
        {"cut.tga", tga.substr(0, tga.size() * 2 / 3)},
        {"notes.txt", "no picture at all"},
    };
    for (const auto &[name, bytes] : files) {
        testdata::WriteFile(Root() / name, bytes);
        const CliResult result = Run({"image", "convert", Path(name), Path("out.png")});
        EXPECT_EQ(result.ExitCode, 1) << name;
        EXPECT_THAT(result.Err, HasSubstr(Path(name))) << name;
        EXPECT_EQ(SplitLines(result.Err).size(), 1u) << result.Err;
        EXPECT_FALSE(fs::exists(Root() / "out.png")) << name;
    }
    const CliResult missing = Run({"image", "convert", Path("missing.tga"), Path("out.png")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_THAT(missing.Err, HasSubstr("picture not found: " + Path("missing.tga")));
    EXPECT_EQ(Run({"image", "convert", Path("notes.txt")}).ExitCode, 2);
}

} // namespace
