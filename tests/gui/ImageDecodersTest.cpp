// The image decoders: recognition by content, decoding with upright pixels,
// the fallback by extension, and clear errors for everything else.
#include "media/UImageDecoders.h"

#include "app/UFileIO.h"

#include "DemoDds.h"
#include "DemoPictures.h"
#include "testdata/ByteBuilder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

using demo::Picture;
using demo::TgaLayout;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// 5 x 4 pixels, every one of another colour; channels are multiples of 8 so
// that 5-bit formats keep them.
Picture TestPicture()
{
    Picture picture{5, 4, {}};
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x) {
            const std::uint32_t r = 8 * std::uint32_t(x * 5 + 1);
            const std::uint32_t g = 8 * std::uint32_t(y * 7 + 2);
            const std::uint32_t b = 8 * std::uint32_t((x + y) * 3 + 1);
            picture.Pixels.push_back(0xFF000000u | r << 16 | g << 8 | b);
        }
    return picture;
}

// The same with one transparent and one half-transparent pixel.
Picture TestPictureWithAlpha()
{
    Picture picture = TestPicture();
    picture.Pixels[6] &= 0x00FFFFFFu;               // (1, 1)
    picture.Pixels[7] = (picture.Pixels[7] & 0x00FFFFFFu) | 0x80000000u; // (2, 1)
    return picture;
}

Picture GreyPicture()
{
    Picture picture{6, 3, {}};
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x) {
            const std::uint32_t level = std::uint32_t(x * 40 + y * 10);
            picture.Pixels.push_back(0xFF000000u | level << 16 | level << 8 | level);
        }
    return picture;
}

// Checks every pixel; colours of fully transparent pixels do not count.
void ExpectPixels(const QImage &decoded, const Picture &expected, int tolerance = 0)
{
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.size(), QSize(expected.Width, expected.Height));
    const QImage image = decoded.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < expected.Height; ++y)
        for (int x = 0; x < expected.Width; ++x) {
            const QRgb want = expected.Pixels[std::size_t(y * expected.Width + x)];
            const QRgb got = image.pixel(x, y);
            const bool same =
                std::abs(qAlpha(got) - qAlpha(want)) <= tolerance &&
                (qAlpha(want) == 0 || (std::abs(qRed(got) - qRed(want)) <= tolerance &&
                                       std::abs(qGreen(got) - qGreen(want)) <= tolerance &&
                                       std::abs(qBlue(got) - qBlue(want)) <= tolerance));
            ASSERT_TRUE(same) << "pixel " << x << "," << y << ": got " << std::hex << got << ", want " << want;
        }
}

QByteArray ToBytes(const std::string &bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// A picture written by Qt's own writer (for JPEG, which has no writer here).
std::string QtWritten(const QImage &image, const char *format, int quality = -1)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return buffer.data().toStdString();
}

// Large blocks of solid colour, which JPEG keeps close to their values.
QImage BlockImage()
{
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            image.setPixel(x, y, qRgb(40, 40, 200));
    return image;
}

class ImageDecodersTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString Write(const QString &name, const std::string &bytes)
    {
        const QString path = m_folder.filePath(name);
        testdata::WriteFile(path.toStdString(), bytes);
        return path;
    }

    // Loads bytes saved under a name whose extension says nothing about them.
    TPicture LoadAs(const std::string &bytes, const QString &name = QStringLiteral("picture.dat"))
    {
        return LoadPicture(Write(name, bytes));
    }

    // The message of the exception LoadPicture raises for the file.
    std::string LoadError(const QString &path)
    {
        try {
            LoadPicture(path);
        } catch (const std::exception &error) {
            return error.what();
        }
        ADD_FAILURE() << "no error for " << path.toStdString();
        return {};
    }

private:
    QTemporaryDir m_folder;
};

const char *DecoderName(const std::string &bytes)
{
    const TImageDecoder *decoder = FindImageDecoder(ToBytes(bytes));
    return decoder ? decoder->Name : "none";
}

} // namespace

TEST_F(ImageDecodersTest, DecodersAreRegisteredInTheirOrderWithTheirLibraries)
{
    std::vector<std::string> names;
    for (const TImageDecoder &decoder : ImageDecoders()) {
        names.push_back(decoder.Name);
        const bool magick = names.back() == "TGA" || names.back() == "PCX" || names.back() == "PSD" ||
                            names.back() == "SGI";
        const bool core = names.back() == "PSP" || names.back() == "DDS";
        const TImageLibrary library = core ? TImageLibrary::Core : magick ? TImageLibrary::Magick : TImageLibrary::Qt;
        EXPECT_EQ(decoder.Library, library) << decoder.Name;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"TGA", "PCX", "GIF", "PNG", "PSD", "PSP", "DDS", "TIFF", "SGI", "JPEG", "BMP"}));
}

TEST_F(ImageDecodersTest, EachFormatIsRecognisedByItsContentWhateverTheFileIsCalled)
{
    const Picture picture = TestPicture();
    const std::pair<std::string, const char *> files[] = {
        {demo::MakeTgaWith(picture, {}), "TGA"},
        {demo::MakePcx(picture, false), "PCX"},
        {demo::MakeGif(picture), "GIF"},
        {demo::MakePng(picture), "PNG"},
        {demo::MakePsd(picture, false), "PSD"},
        {demo::MakePsp(picture), "PSP"},
        {demo::MakeTiff(picture), "TIFF"},
        {demo::MakeSgi(picture, false), "SGI"},
        {QtWritten(BlockImage(), "jpeg"), "JPEG"},
        {demo::MakeBmp(picture), "BMP"},
    };
    for (const auto &[bytes, format] : files) {
        EXPECT_STREQ(DecoderName(bytes), format);
        // Under a name of no picture format and under the name of another one.
        for (const QString &name : {QStringLiteral("picture.dat"), QStringLiteral("picture.jpg")}) {
            const TPicture loaded = LoadAs(bytes, name);
            EXPECT_EQ(loaded.Format, format) << name.toStdString();
            EXPECT_FALSE(loaded.ByExtension);
            if (std::string(format) == "JPEG")
                EXPECT_EQ(loaded.Image.size(), QSize(32, 16));
            else
                ExpectPixels(loaded.Image, picture);
        }
    }
}

TEST_F(ImageDecodersTest, BitmapNamedAsTgaIsDecodedAsBitmap)
{
    const Picture picture = TestPicture();
    const TPicture loaded = LoadAs(demo::MakeBmp(picture), "texture.tga");
    EXPECT_EQ(loaded.Format, "BMP");
    ExpectPixels(loaded.Image, picture);
}

TEST_F(ImageDecodersTest, TgaVariantsComeOutUpright)
{
    const Picture colours = TestPicture();
    const Picture alpha = TestPictureWithAlpha();
    const Picture grey = GreyPicture();
    struct Variant {
        const char *Name;
        TgaLayout Layout;
        const Picture *Expected;
        int Tolerance;
        bool LeftoverMapFields = false; // the colour-map fields of a picture without one hold bytes
    };
    auto layout = [](TgaLayout::Kind kind, int bits, bool runLength, bool topDown) {
        TgaLayout l;
        l.ImageKind = kind;
        l.Bits = bits;
        l.RunLength = runLength;
        l.TopDown = topDown;
        return l;
    };
    TgaLayout mapped32 = layout(TgaLayout::ColourMapped, 8, true, true);
    mapped32.MapEntryBits = 32;
    TgaLayout rightToLeft = layout(TgaLayout::TrueColour, 24, false, false);
    rightToLeft.RightToLeft = true;
    TgaLayout withId = layout(TgaLayout::TrueColour, 24, false, true);
    withId.Id = "made for a test";
    const Variant variants[] = {
        {"24-bit bottom-up", layout(TgaLayout::TrueColour, 24, false, false), &colours, 0},
        {"24-bit top-down", layout(TgaLayout::TrueColour, 24, false, true), &colours, 0},
        {"24-bit run-length bottom-up", layout(TgaLayout::TrueColour, 24, true, false), &colours, 0},
        {"24-bit run-length top-down", layout(TgaLayout::TrueColour, 24, true, true), &colours, 0},
        {"32-bit with alpha", layout(TgaLayout::TrueColour, 32, false, false), &alpha, 0},
        {"32-bit run-length top-down", layout(TgaLayout::TrueColour, 32, true, true), &alpha, 0},
        {"16-bit", layout(TgaLayout::TrueColour, 16, false, false), &colours, 7},
        {"16-bit run-length top-down", layout(TgaLayout::TrueColour, 16, true, true), &colours, 7},
        {"8-bit colour-mapped", layout(TgaLayout::ColourMapped, 8, false, false), &colours, 0},
        {"colour-mapped run-length, 32-bit entries", mapped32, &alpha, 0},
        {"8-bit grey", layout(TgaLayout::Grey, 8, false, false), &grey, 0},
        {"8-bit grey run-length top-down", layout(TgaLayout::Grey, 8, true, true), &grey, 0},
        {"right to left", rightToLeft, &colours, 0},
        {"with an image id", withId, &colours, 0},
        {"leftover colour-map fields", layout(TgaLayout::TrueColour, 24, false, false), &colours, 0, true},
        {"leftover colour-map fields, 32-bit run-length", layout(TgaLayout::TrueColour, 32, true, true), &alpha, 0,
         true},
    };
    for (const Variant &variant : variants) {
        SCOPED_TRACE(variant.Name);
        std::string bytes = demo::MakeTgaWith(*variant.Expected, variant.Layout);
        if (variant.LeftoverMapFields)
            bytes.replace(3, 5, std::string("\x34\x12\x00\x01\x18", 5)); // first entry, length 256, 24-bit entries
        EXPECT_STREQ(DecoderName(bytes), "TGA");
        const TPicture loaded = LoadAs(bytes, "texture.tga");
        EXPECT_EQ(loaded.Format, "TGA");
        ExpectPixels(loaded.Image, *variant.Expected, variant.Tolerance);
    }
}

TEST_F(ImageDecodersTest, SixteenBitTgaKeepsItsAlphaBit)
{
    Picture picture = TestPicture();
    picture.Pixels[3] &= 0x00FFFFFFu;
    TgaLayout layout;
    layout.Bits = 16;
    const QImage image = LoadAs(demo::MakeTgaWith(picture, layout)).Image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(image.pixel(3, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);
}

TEST_F(ImageDecodersTest, HeadersThatNoTgaCouldHaveAreNotTakenForOne)
{
    const std::string good = demo::MakeTgaWith(TestPicture(), {});
    ASSERT_STREQ(DecoderName(good), "TGA");
    auto changed = [&good](std::size_t offset, char value) {
        std::string bytes = good;
        bytes[offset] = value;
        return bytes;
    };
    const std::pair<const char *, std::string> damaged[] = {
        {"image type 4", changed(2, 4)},
        {"image type 0", changed(2, 0)},
        {"colour map type 2", changed(1, 2)},
        {"pixel depth 12", changed(16, 12)},
        {"width 0", changed(12, 0)},
        {"height 0", changed(14, 0)},
        {"interleaved rows", changed(17, char(0x40))},
        {"colour-mapped without a map", changed(2, 1)},
        {"pixels missing", good.substr(0, good.size() - 1)},
        {"header only", good.substr(0, 18)},
        {"shorter than a header", good.substr(0, 10)},
        {"empty", std::string()},
    };
    for (const auto &[what, bytes] : damaged) {
        EXPECT_STREQ(DecoderName(bytes), "none") << what;
        // Nothing else claims it, and TGA is no format the extension chooses.
        EXPECT_THAT(LoadError(Write("damaged.tga", bytes)),
                    HasSubstr("is not a TGA picture: its header is damaged or the file is cut short."))
            << what;
    }
}

TEST_F(ImageDecodersTest, MagickFormatsDecodeToTheirPixels)
{
    const Picture picture = TestPicture();
    const Picture alpha = TestPictureWithAlpha();
    ExpectPixels(LoadAs(demo::MakePcx(picture, false)).Image, picture);
    ExpectPixels(LoadAs(demo::MakePcx(picture, true)).Image, picture);
    ExpectPixels(LoadAs(demo::MakePsd(picture, false)).Image, picture);
    ExpectPixels(LoadAs(demo::MakeSgi(picture, false)).Image, picture);
    ExpectPixels(LoadAs(demo::MakeSgi(alpha, true)).Image, alpha);
    // Larger pictures, with many runs; PCX keeps no alpha.
    const Picture large = demo::EmblemPicture(300, 200);
    Picture opaque = large;
    for (std::uint32_t &argb : opaque.Pixels)
        argb |= 0xFF000000u;
    ExpectPixels(LoadAs(demo::MakePcx(large, false)).Image, opaque);
    ExpectPixels(LoadAs(demo::MakeSgi(large, true)).Image, large);
}

TEST_F(ImageDecodersTest, QtFormatsDecodeToTheirPixels)
{
    const Picture alpha = TestPictureWithAlpha();
    ExpectPixels(LoadAs(demo::MakePng(alpha)).Image, alpha);
    ExpectPixels(LoadAs(demo::MakeTiff(TestPicture())).Image, TestPicture());
    ExpectPixels(LoadAs(demo::MakeGif(TestPicture())).Image, TestPicture());
    ExpectPixels(LoadAs(demo::MakeBmp(TestPicture())).Image, TestPicture());
    const Picture large = demo::EmblemPicture(300, 250);
    ExpectPixels(LoadAs(demo::MakePng(large)).Image, large);

    const QImage jpeg = LoadAs(QtWritten(BlockImage(), "jpeg", 95)).Image;
    ASSERT_EQ(jpeg.size(), QSize(32, 16));
    for (const auto &[point, colour] : {std::pair{QPoint(4, 8), QColor(200, 40, 40)}, {QPoint(27, 8), QColor(40, 40, 200)}}) {
        const QColor got = jpeg.pixelColor(point);
        EXPECT_NEAR(got.red(), colour.red(), 12);
        EXPECT_NEAR(got.green(), colour.green(), 12);
        EXPECT_NEAR(got.blue(), colour.blue(), 12);
    }
}

TEST_F(ImageDecodersTest, PspPicturesDecodeToTheirPixelsOrNameTheDamagedFile)
{
    const Picture picture = TestPictureWithAlpha();
    const std::string bytes = demo::MakePsp(picture);
    const TPicture loaded = LoadAs(bytes, "layers.psp");
    EXPECT_EQ(loaded.Format, "PSP");
    ExpectPixels(loaded.Image, picture);

    const QString cut = Write("cut.psp", bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(LoadError(cut), "\"" + cut.toStdString() + "\" is damaged: the file is cut short.");
}

// One colour a 4 x 4 block, colours and alpha DXT blocks keep exactly; the
// short header decoded from a file named as another format, the standard
// container claimed by its signature even when cut short, and named.
TEST_F(ImageDecodersTest, DdsTexturesOfBothContainersAreShownUpright)
{
    const std::uint32_t colours[4] = {0xFFE72010, 0x8010D321, 0xFF2130E7, 0x00EFD710};
    Picture picture{8, 8, {}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.Pixels.push_back(colours[(y / 4) * 2 + x / 4]);
    Picture opaque = picture;
    for (std::uint32_t &argb : opaque.Pixels)
        argb |= 0xFF000000u;
    const TPicture shortHeader = LoadAs(demo::MakeShortDds(opaque, demo::DdsKind::Dxt1), "texture.tga");
    EXPECT_EQ(shortHeader.Format, "DDS");
    ExpectPixels(shortHeader.Image, opaque);
    const std::string standard = demo::MakeStandardDds(picture, demo::DdsKind::Dxt5);
    const TPicture loaded = LoadAs(standard);
    EXPECT_EQ(loaded.Format, "DDS");
    ExpectPixels(loaded.Image, picture);

    const QString cut = Write("cut.dds", standard.substr(0, 128 + 40));
    EXPECT_THAT(LoadError(cut), HasSubstr("\"" + cut.toStdString() + "\" is damaged: it is cut short"));
}

TEST_F(ImageDecodersTest, TiffOrientationIsApplied)
{
    // Orientation 3: the stored rows are shown turned by 180 degrees.
    const Picture picture = TestPicture();
    Picture turned = picture;
    std::reverse(turned.Pixels.begin(), turned.Pixels.end());
    ExpectPixels(LoadAs(demo::MakeTiff(picture, 3)).Image, turned);
}

TEST_F(ImageDecodersTest, DecodersNeverGuessAnotherFormat)
{
    const std::string png = demo::MakePng(TestPicture());
    const std::string tga = demo::MakeTgaWith(TestPicture(), {});
    for (const TImageDecoder &decoder : ImageDecoders()) {
        const std::string &foreign = std::string(decoder.Name) == "PNG" ? tga : png;
        EXPECT_THROW(decoder.Decode(ToBytes(foreign), "foreign.dat"), std::runtime_error) << decoder.Name;
    }
}

TEST_F(ImageDecodersTest, UnrecognisedJpegLoadsByItsExtension)
{
    // A stray byte after the start marker: no decoder claims the file, but
    // the JPEG reader chosen by the extension skips the byte.
    std::string bytes = QtWritten(BlockImage(), "jpeg", 95);
    bytes.insert(2, 1, '\0');
    ASSERT_STREQ(DecoderName(bytes), "none");

    const TPicture loaded = LoadAs(bytes, "photo.JPG");
    EXPECT_TRUE(loaded.ByExtension);
    EXPECT_EQ(loaded.Format, "JPEG");
    EXPECT_EQ(loaded.Image.size(), QSize(32, 16));

    EXPECT_THAT(LoadError(Write("photo.png", bytes)), HasSubstr("is not a PNG picture"));
    EXPECT_THAT(LoadError(Write("photo.dat", bytes)), HasSubstr("is not a picture of a known format"));
}

TEST_F(ImageDecodersTest, UnknownFilesFailWithTheirName)
{
    const QString text = Write("notes.xyz", "just some text, no picture at all");
    EXPECT_THAT(LoadError(text), HasSubstr("\"" + text.toStdString() + "\" is not a picture of a known format"));
    EXPECT_THAT(LoadError(Write("notes.bmp", "just some text")), HasSubstr("Cannot decode the BMP picture"));
    EXPECT_THAT(LoadError(Write("layers.psp", "no PSP signature")), HasSubstr("is not a PSP picture"));
    EXPECT_THAT(LoadError(Write("empty.png", "")), HasSubstr("is not a PNG picture"));
}

TEST_F(ImageDecodersTest, MissingFileRaisesAFileError)
{
    const QString path = Write("present.tga", "x") + "-missing";
    EXPECT_THROW(LoadPicture(path), EFileError);
    EXPECT_THAT(LoadError(path), HasSubstr("Cannot open file"));
}

TEST_F(ImageDecodersTest, DamagedFilesOfEachFormatThrow)
{
    const Picture picture = demo::EmblemPicture(64, 48);
    TgaLayout runLength;
    runLength.RunLength = true;
    const std::pair<const char *, std::string> files[] = {
        {"TGA", demo::MakeTgaWith(picture, runLength)},
        {"PCX", demo::MakePcx(picture, false)},
        {"GIF", demo::MakeGif(picture)},
        {"PNG", demo::MakePng(picture)},
        {"PSD", demo::MakePsd(picture, false)},
        {"TIFF", demo::MakeTiff(picture)},
        {"SGI", demo::MakeSgi(picture, false)},
        {"BMP", demo::MakeBmp(picture)},
    };
    for (const auto &[format, whole] : files) {
        // Cut so that the header still names the format but the pixels are missing.
        std::string cut = whole.substr(0, std::string(format) == "TGA" ? whole.size() * 2 / 3 : whole.size() / 3);
        ASSERT_STREQ(DecoderName(cut), format);
        const std::string error = LoadError(Write(QStringLiteral("cut.%1").arg(format), cut));
        EXPECT_THAT(error, HasSubstr(std::string("Cannot decode the ") + format + " picture")) << format;
        // The library's reason alone, without its source locations.
        EXPECT_THAT(error, Not(HasSubstr(" @ "))) << error;
        EXPECT_THAT(error, Not(HasSubstr("`"))) << error;
    }
}

TEST_F(ImageDecodersTest, HostileSizesAreRefusedBeforeAllocating)
{
    // A run-length TGA may name a huge picture in a small file; it is taken
    // for a TGA only when the file could hold that many packets.
    TgaLayout runLength;
    runLength.RunLength = true;
    std::string tga = demo::MakeTgaWith(TestPicture(), runLength);
    tga[12] = tga[13] = tga[14] = tga[15] = char(0xFF); // 65535 x 65535
    EXPECT_STREQ(DecoderName(tga), "none");

    // Formats with a signature name their size in the header.
    std::string psd = demo::MakePsd(TestPicture(), false);
    psd[14] = psd[18] = char(0x7F); // about 2 billion rows and columns
    EXPECT_THAT(LoadError(Write("huge.psd", psd)), HasSubstr("Cannot decode the PSD picture"));

    std::string png = demo::MakePng(TestPicture());
    png[16] = png[20] = char(0x01); // 16 million pixels on each side
    EXPECT_THAT(LoadError(Write("huge.png", png)), HasSubstr("Cannot decode the PNG picture"));

    std::string gif = demo::MakeGif(TestPicture());
    gif[6] = gif[7] = gif[8] = gif[9] = char(0xFF);
    EXPECT_THAT(LoadError(Write("huge.gif", gif)), HasSubstr("Cannot decode the GIF picture"));

    std::string sgi = demo::MakeSgi(TestPicture(), false);
    sgi[6] = sgi[8] = char(0x7F); // 32k x 32k
    EXPECT_THAT(LoadError(Write("huge.sgi", sgi)), HasSubstr("Cannot decode the SGI picture"));
}
