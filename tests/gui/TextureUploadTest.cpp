// Model textures on the graphics card: each picture kind uploaded into a GL
// context and read back texel by texel, with the format the blending rule
// looks at, its mipmaps, and what is not uploaded.
#include "GuiTestSupport.h"

#include "app/UApplication.h"
#include "app/UFileIO.h"
#include "model/UCTexture.h"

#include "DemoPictures.h"
#include "testdata/ByteBuilder.h"
#include "testdata/TextureBuilder.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <GL/gl.h>

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>
#include <memory>

using ::testing::HasSubstr;
using testdata::PaletteColour;

namespace {

// A texture's level-0 texels as RGBA, turned back to rows top to bottom
// (the first uploaded row is the bottom of the texture).
struct TTexels {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Rgba;
};

TTexels ReadBack(std::uint32_t name, int level = 0)
{
    TTexels texels;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &texels.Width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &texels.Height);
    std::vector<std::uint8_t> bottomUp(std::size_t(texels.Width) * std::size_t(texels.Height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    const std::size_t rowBytes = std::size_t(texels.Width) * 4;
    for (int y = texels.Height - 1; y >= 0; --y)
        texels.Rgba.insert(texels.Rgba.end(), bottomUp.begin() + std::ptrdiff_t(std::size_t(y) * rowBytes),
                           bottomUp.begin() + std::ptrdiff_t(std::size_t(y + 1) * rowBytes));
    return texels;
}

// RGBA bytes of a demo picture; alpha 255 where the texture keeps none.
std::vector<std::uint8_t> Rgba(const demo::Picture &picture, bool withAlpha)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t argb : picture.Pixels)
        bytes.insert(bytes.end(), {std::uint8_t(argb >> 16), std::uint8_t(argb >> 8), std::uint8_t(argb),
                                   withAlpha ? std::uint8_t(argb >> 24) : std::uint8_t(255)});
    return bytes;
}

// width x height, every pixel its own colour and alpha.
demo::Picture Distinct(int width, int height)
{
    demo::Picture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        picture.Pixels.push_back(std::uint32_t(255 - 17 * i) << 24 | std::uint32_t(30 * i + 5) << 16 |
                                 std::uint32_t(200 - 11 * i) << 8 | std::uint32_t(7 * i * i % 256));
    return picture;
}

std::string Tga(const demo::Picture &picture, int bits, bool runLength = false, bool topDown = false)
{
    demo::TgaLayout layout;
    layout.Bits = bits;
    layout.RunLength = runLength;
    layout.TopDown = topDown;
    return demo::MakeTgaWith(picture, layout);
}

PaletteColour BmpPixel(int x, int y)
{
    return {std::uint8_t(60 + 100 * x), std::uint8_t(20 + 90 * y), std::uint8_t(250 - 40 * x - 30 * y)};
}

PaletteColour RedOverBlue(int, int y)
{
    return y < 4 ? PaletteColour{230, 20, 20} : PaletteColour{20, 40, 220};
}

// Entry (row, value) of the test's MDL.PAL.
PaletteColour ModelEntry(int row, int value)
{
    return {std::uint8_t(row * 25), std::uint8_t(value), std::uint8_t(100 + row)};
}

// The four file pixels of the test PLT (bottom row first) and what they show, top row first.
const std::vector<testdata::PltPixel> kPltPixels = {{7, 2}, {0, 9}, {30, 0}, {99, 10}, // bottom row
                                                    {1, 1}, {2, 3}, {3, 4}, {4, 20}};
std::vector<std::uint8_t> PltTexels()
{
    std::vector<std::uint8_t> rgba;
    for (int row : {1, 0})
        for (int column = 0; column < 4; ++column) {
            const testdata::PltPixel pixel = kPltPixels[std::size_t(row * 4 + column)];
            const PaletteColour c = pixel.Layer < 10 ? ModelEntry(pixel.Layer, pixel.Value) : PaletteColour{0, 0, 255};
            rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
        }
    return rgba;
}

std::vector<std::uint8_t> Expected(int width, int height, const std::function<PaletteColour(int, int)> &pixel)
{
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const PaletteColour c = pixel(x, y);
            rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
        }
    return rgba;
}

class TextureUploadTest : public TGuiTest {
protected:
    void SetUp() override
    {
        TGuiTest::SetUp();
        m_surface.setFormat(QSurfaceFormat::defaultFormat());
        m_surface.create();
        m_context.setFormat(QSurfaceFormat::defaultFormat());
        ASSERT_TRUE(m_context.create());
        ASSERT_TRUE(m_context.makeCurrent(&m_surface));
    }
    void TearDown() override
    {
        m_context.doneCurrent();
        TGuiTest::TearDown();
    }

    // MDL.PAL in the program's palette folder, spelt in lower case.
    void WriteModelPalette()
    {
        testdata::WriteFile(ProgramFolder() + "pal/mdl.pal", testdata::BuildPalette(10, ModelEntry));
    }
    std::string WriteFile(const std::string &name, const std::string &bytes)
    {
        testdata::WriteFile(ProgramFolder() + name, bytes);
        return ProgramFolder() + name;
    }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
};

struct TUploadCase {
    const char *Name;
    std::function<std::string()> Bytes;
    const char *Type;
    GLenum Format;
    int Width, Height;
    std::function<std::vector<std::uint8_t>()> Texels; // top row first
    int Tolerance;
};

class TextureUploads : public TextureUploadTest, public ::testing::WithParamInterface<TUploadCase> {};

TEST_P(TextureUploads, ComeOutWithTheirPixelsAndFormat)
{
    const TUploadCase &c = GetParam();
    WriteModelPalette();
    CTexture texture;
    texture.LoadFromStream(c.Bytes(), c.Type, "case");
    ASSERT_NE(texture.GLName(), 0u);
    EXPECT_EQ(texture.Width(), std::uint32_t(c.Width));
    EXPECT_EQ(texture.Height(), std::uint32_t(c.Height));
    EXPECT_EQ(texture.Format(), c.Format);
    EXPECT_TRUE(texture.FileName().empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    const TTexels texels = ReadBack(texture.GLName());
    ASSERT_EQ(texels.Width, c.Width);
    ASSERT_EQ(texels.Height, c.Height);
    const std::vector<std::uint8_t> expected = c.Texels();
    ASSERT_EQ(texels.Rgba.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(texels.Rgba[i], expected[i], c.Tolerance) << "texel " << i / 4 << " channel " << i % 4;

    // Mipmapped and filtered as drawing expects.
    EXPECT_EQ(ReadBack(texture.GLName(), 1).Width, std::max(1, c.Width / 2));
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
}

INSTANTIATE_TEST_SUITE_P(
    All, TextureUploads,
    ::testing::Values(
        TUploadCase{"Tga24", [] { return Tga(Distinct(2, 4), 24); }, "TGA", GL_RGB, 2, 4,
                    [] { return Rgba(Distinct(2, 4), false); }, 0},
        TUploadCase{"Tga32KeepsAlpha", [] { return Tga(Distinct(4, 2), 32); }, "tga", GL_RGBA, 4, 2,
                    [] { return Rgba(Distinct(4, 2), true); }, 0},
        TUploadCase{"TgaTopLeft", [] { return Tga(Distinct(2, 2), 24, false, true); }, "TGA", GL_RGB, 2, 2,
                    [] { return Rgba(Distinct(2, 2), false); }, 0},
        TUploadCase{"TgaRunLength", [] { return Tga(Distinct(4, 4), 32, true); }, "TGA", GL_RGBA, 4, 4,
                    [] { return Rgba(Distinct(4, 4), true); }, 0},
        TUploadCase{"BmpPaddedRows", [] { return testdata::BuildBmp(2, 2, BmpPixel); }, "BMP", GL_BGR_EXT, 2, 2,
                    [] { return Expected(2, 2, BmpPixel); }, 0},
        TUploadCase{"BmpTopDown", [] { return testdata::BuildBmp(2, 4, BmpPixel, {24, true}); }, "bmp", GL_BGR_EXT, 2, 4,
                    [] { return Expected(2, 4, BmpPixel); }, 0},
        TUploadCase{"Jpeg", [] { return testdata::EncodeJpeg(8, 8, false, RedOverBlue); }, "JPG", GL_RGBA, 8, 8,
                    [] { return Expected(8, 8, RedOverBlue); }, 6},
        TUploadCase{"Plt", [] { return testdata::BuildPlt(4, 2, kPltPixels); }, "PLT", GL_RGBA, 4, 2, PltTexels, 0}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(TextureUploadTest, AFileIsDecodedByItsExtensionInAnyLetterCaseAndAMissingOneIsAnError)
{
    const std::string tga = Tga(Distinct(2, 2), 24);
    for (const char *name : {"wood.tga", "WOOD2.TGA", "wood3.Tga"}) {
        CTexture texture;
        texture.LoadFromFile(WriteFile(name, tga));
        EXPECT_NE(texture.GLName(), 0u) << name;
        EXPECT_EQ(texture.FileName(), ProgramFolder() + name);
        EXPECT_EQ(texture.Format(), GL_RGB) << name;
    }
    const std::pair<const char *, std::string> nothing[] = {
        {"picture.jpeg", testdata::EncodeJpeg(8, 8, false, RedOverBlue)}, // only .JPG is known
        {"picture.png", tga},
        {"empty.tga", ""},
        {"noextension", tga},
    };
    for (const auto &[name, bytes] : nothing) {
        CTexture texture;
        texture.LoadFromFile(WriteFile(name, bytes));
        EXPECT_EQ(texture.GLName(), 0u) << name;
        EXPECT_EQ(texture.Format(), 0u) << name;
        EXPECT_EQ(texture.FileName(), ProgramFolder() + name);
    }
    CTexture jpeg;
    jpeg.LoadFromFile(WriteFile("picture.JPG", testdata::EncodeJpeg(8, 8, false, RedOverBlue)));
    EXPECT_EQ(jpeg.Format(), GL_RGBA);
    CTexture missing;
    try {
        missing.LoadFromFile(ProgramFolder() + "missing.tga");
        ADD_FAILURE() << "loaded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("missing.tga"));
    }
}

TEST_F(TextureUploadTest, APltWithoutMdlPalIsAnErrorButNoPltNeedsNone)
{
    const std::string plt = WriteFile("cloak.plt", testdata::BuildPlt(4, 2, kPltPixels));
    CTexture texture;
    try {
        texture.LoadFromFile(plt);
        ADD_FAILURE() << "loaded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("MDL.PAL"));
    }
    EXPECT_EQ(texture.GLName(), 0u);
    CTexture notPlt;
    EXPECT_NO_THROW(notPlt.LoadFromFile(WriteFile("fake.plt", "PLX not a texture at all")));
    EXPECT_EQ(notPlt.GLName(), 0u);
}

TEST_F(TextureUploadTest, RejectedPicturesUploadNothingAndRefusedOnesAreReported)
{
    demo::TgaLayout sixteen;
    sixteen.Bits = 16;
    demo::TgaLayout mapped;
    mapped.ImageKind = demo::TgaLayout::ColourMapped;
    mapped.Bits = 8;
    const std::string jpeg = testdata::EncodeJpeg(8, 8, false, RedOverBlue);
    const std::pair<std::string, const char *> quiet[] = {
        {demo::MakeTgaWith(Distinct(2, 2), sixteen), "TGA"},
        {demo::MakeTgaWith(Distinct(2, 2), mapped), "TGA"},
        {jpeg.substr(0, jpeg.size() / 2), "JPG"},
        {"", "TGA"},
    };
    for (const auto &[bytes, type] : quiet) {
        CTexture texture;
        EXPECT_NO_THROW(texture.LoadFromStream(bytes, type));
        EXPECT_EQ(texture.GLName(), 0u) << type;
    }
    testdata::ByteBuilder deep;
    deep.U8(0).U8(0).U8(2).Zeros(9).U16(1).U16(1).U8(48).U8(0).Zeros(6);
    CTexture texture;
    try {
        texture.LoadFromStream(deep.Data(), "TGA", "deep.tga");
        ADD_FAILURE() << "loaded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr("\"deep.tga\" is a 48-bit TGA picture"));
    }
    EXPECT_EQ(texture.GLName(), 0u);
}

TEST_F(TextureUploadTest, AStreamIsDecodedFromItsPosition)
{
    CMemoryStream stream;
    stream.Bytes = "resource header|" + Tga(Distinct(2, 2), 32);
    stream.Position = 16;
    CTexture texture;
    texture.LoadFromStream(stream, "TGA");
    ASSERT_NE(texture.GLName(), 0u);
    EXPECT_EQ(ReadBack(texture.GLName()).Rgba, Rgba(Distinct(2, 2), true));
}

TEST_F(TextureUploadTest, BindBindsItsNameAndTheDestructorDeletesIt)
{
    GLuint name = 0;
    {
        CTexture texture;
        texture.Bind(); // no name: nothing bound
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0);
        texture.LoadFromStream(Tga(Distinct(2, 2), 24), "TGA");
        name = texture.GLName();
        ASSERT_NE(name, 0u);
        glBindTexture(GL_TEXTURE_2D, 0);
        texture.Bind();
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), name);
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

} // namespace
