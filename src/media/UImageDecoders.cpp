#include "media/UImageDecoders.h"

#include "app/UApplication.h"
#include "app/UFileIO.h"
#include "media/UDdsFile.h"
#include "media/UMagickPicture.h"
#include "media/UPSP.h"
#include "media/UPictureFormats.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace {

// ---------------------------------------------------------------- byte access

const unsigned char *Bytes(const QByteArray &bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.constData());
}

// ---------------------------------------------------------------- decoding

void CheckPictureSize(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        throw std::runtime_error("the picture has no pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height * 4 > qint64(kMaxPictureMegabytes) * 1024 * 1024)
        throw std::runtime_error("the picture is too large (" + std::to_string(width) + " x " +
                                 std::to_string(height) + ")");
}

// Qt's readers show what they could read of a file that was cut short; these
// checks find such files first. PNG and TIFF readers refuse them themselves.

bool BmpIsComplete(const QByteArray &bytes)
{
    const unsigned char *h = Bytes(bytes);
    const qsizetype size = bytes.size();
    if (size < 26)
        return false;
    const std::uint64_t dataOffset = ReadU32LE(h + 10);
    std::uint64_t width = 0, height = 0, bits = 0;
    std::uint32_t compression = 0;
    if (ReadU32LE(h + 14) == 12) { // the oldest info header: 16-bit sizes
        width = ReadU16LE(h + 18);
        height = ReadU16LE(h + 20);
        bits = ReadU16LE(h + 24);
    } else {
        if (size < 34)
            return false;
        width = std::uint64_t(std::abs(std::int64_t(std::int32_t(ReadU32LE(h + 18)))));
        height = std::uint64_t(std::abs(std::int64_t(std::int32_t(ReadU32LE(h + 22))))); // negative: top-down
        bits = ReadU16LE(h + 28);
        compression = ReadU32LE(h + 30);
    }
    constexpr std::uint32_t kPlain = 0, kBitFields = 3, kAlphaBitFields = 6;
    if (compression != kPlain && compression != kBitFields && compression != kAlphaBitFields)
        return true; // run-length data: only the reader knows its length
    const std::uint64_t rowSize = (width * bits + 31) / 32 * 4; // rows end on a 4-byte boundary
    if (dataOffset > std::uint64_t(size))
        return false;
    return rowSize == 0 || height <= (std::uint64_t(size) - dataOffset) / rowSize;
}

// The blocks of a GIF up to the end of its first picture's data.
bool GifIsComplete(const QByteArray &bytes)
{
    const unsigned char *p = Bytes(bytes);
    const qsizetype size = bytes.size();
    if (size < 13)
        return false;
    auto colourTableSize = [](unsigned flags) { return (flags & 0x80) ? 3 * (qsizetype(2) << (flags & 7)) : 0; };
    qsizetype pos = 13 + colourTableSize(p[10]);
    auto skipSubBlocks = [&] {
        while (pos < size) {
            const unsigned length = p[pos++];
            if (length == 0)
                return true;
            pos += length;
        }
        return false;
    };
    while (pos < size) {
        const unsigned block = p[pos++];
        if (block == 0x21) { // extension: label, then sub-blocks
            ++pos;
            if (!skipSubBlocks())
                return false;
        } else if (block == 0x2C) { // picture: descriptor, colours, code size, data
            if (pos + 9 > size)
                return false;
            pos += 9 + colourTableSize(p[pos + 8]) + 1;
            return skipSubBlocks();
        } else {
            return false; // the trailer before any picture, or no GIF block at all
        }
    }
    return false;
}

// A JPEG's markers up to its first scan, whose data must reach an end marker.
bool JpegIsComplete(const QByteArray &bytes)
{
    const unsigned char *p = Bytes(bytes);
    const qsizetype size = bytes.size();
    qsizetype pos = 2;
    while (pos + 1 < size) {
        const unsigned marker = p[pos + 1];
        if (p[pos] != 0xFF || marker == 0xFF) { // stray and fill bytes, which readers skip
            ++pos;
            continue;
        }
        if (marker == 0xDA) // start of scan: entropy-coded data never holds FF D9
            return bytes.indexOf("\xFF\xD9", pos + 2) >= 0;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // markers without a length
            pos += 2;
            continue;
        }
        if (pos + 3 >= size)
            return false;
        pos += 2 + qsizetype(ReadU16BE(p + pos + 2));
    }
    return false;
}

// Qt's reader for one format, named explicitly: the content is never used to
// choose another plugin. isComplete, when given, rejects files cut short.
QImage DecodeWithQt(const QByteArray &bytes, const char *format, bool (*isComplete)(const QByteArray &) = nullptr)
{
    static const bool limitSet = [] {
        QImageReader::setAllocationLimit(kMaxPictureMegabytes);
        return true;
    }();
    (void)limitSet;

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    if (!QImageReader::supportedImageFormats().contains(QByteArray(format)))
        throw std::runtime_error(std::string("no image plugin for the ") + format + " format is installed");
    if (isComplete && !isComplete(bytes))
        throw std::runtime_error("the file ends before the picture does");
    const QSize size = reader.size();
    if (size.isValid())
        CheckPictureSize(size.width(), size.height());
    QImage image;
    if (!reader.read(&image))
        throw std::runtime_error(reader.errorString().toStdString());
    CheckPictureSize(image.width(), image.height());
    return image;
}

QImage DecodeGif(const QByteArray &bytes, const QString &) { return DecodeWithQt(bytes, "gif", GifIsComplete); }
QImage DecodePng(const QByteArray &bytes, const QString &) { return DecodeWithQt(bytes, "png"); }
QImage DecodeTiff(const QByteArray &bytes, const QString &) { return DecodeWithQt(bytes, "tiff"); }
QImage DecodeJpeg(const QByteArray &bytes, const QString &) { return DecodeWithQt(bytes, "jpeg", JpegIsComplete); }
QImage DecodeBmp(const QByteArray &bytes, const QString &) { return DecodeWithQt(bytes, "bmp", BmpIsComplete); }

// ImageMagick with its coder named explicitly; the core's pixels become a QImage.
QImage DecodeMagick(const QByteArray &bytes, const char *coder)
{
    return RgbaToImage(DecodeWithMagick(std::string_view(bytes.constData(), std::size_t(bytes.size())), coder));
}

QImage DecodeTga(const QByteArray &bytes, const QString &) { return DecodeMagick(bytes, "TGA"); }
QImage DecodePcx(const QByteArray &bytes, const QString &) { return DecodeMagick(bytes, "PCX"); }
QImage DecodePsd(const QByteArray &bytes, const QString &) { return DecodeMagick(bytes, "PSD"); }
QImage DecodeSgi(const QByteArray &bytes, const QString &) { return DecodeMagick(bytes, "SGI"); }

std::string_view View(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

// The core's readers name the file in their errors by its path in the
// platform's encoding.
QImage DecodePspPicture(const QByteArray &bytes, const QString &path)
{
    return RgbaToImage(DecodePsp(View(bytes), ToPath(path)));
}

QImage DecodeDdsPicture(const QByteArray &bytes, const QString &path)
{
    return RgbaToImage(DecodeDds(View(bytes), ToPath(path)));
}

// ---------------------------------------------------------------- loading

// A path in messages: quoted, in UTF-8 like every error text.
std::string Quoted(const QString &path)
{
    return "\"" + path.toStdString() + "\"";
}

// Larger files are refused before they are read.
constexpr std::uint64_t kMaxPictureFileSize = std::uint64_t(kMaxPictureMegabytes) * 2 * 1024 * 1024;

QByteArray ReadPictureFile(const QString &path)
{
    CInputFile file(ToPath(path));
    if (file.Size() > kMaxPictureFileSize)
        throw std::runtime_error(Quoted(path) + " is too large for a picture.");
    QByteArray bytes(qsizetype(file.Size()), Qt::Uninitialized);
    file.ReadAt(0, bytes.data(), std::size_t(bytes.size()));
    return bytes;
}

// The decoder the platform's loading chooses for an extension: bitmaps and
// JPEG pictures only.
const TImageDecoder *DecoderOfExtension(const char *format)
{
    if (!format || (std::strcmp(format, "BMP") != 0 && std::strcmp(format, "JPEG") != 0))
        return nullptr;
    for (const TImageDecoder &decoder : ImageDecoders()) {
        if (std::strcmp(decoder.Name, format) == 0)
            return &decoder;
    }
    return nullptr;
}

// The core's readers name the file in their errors themselves; a library's
// reason gets the format and the file's name put before it.
QImage DecodeFile(const TImageDecoder &decoder, const QByteArray &bytes, const QString &path)
{
    try {
        return decoder.Decode(bytes, path);
    } catch (const EFileError &) {
        throw;
    } catch (const std::runtime_error &error) {
        throw std::runtime_error(std::string("Cannot decode the ") + decoder.Name + " picture " + Quoted(path) + ": " +
                                 error.what());
    }
}

} // namespace

QImage RgbaToImage(const TRgbaImage &picture)
{
    QImage image(picture.Width, picture.Height, QImage::Format_RGBA8888);
    if (image.isNull())
        throw std::runtime_error("not enough memory for the picture");
    const std::size_t rowBytes = std::size_t(picture.Width) * 4;
    for (int y = 0; y < picture.Height; ++y)
        std::memcpy(image.scanLine(y), picture.Pixels.data() + std::size_t(y) * rowBytes, rowBytes);
    return image;
}

// The decoders follow the core's formats, in the core's order of recognition.
const std::vector<TImageDecoder> &ImageDecoders()
{
    struct TDecoding {
        const char *Name;
        TImageLibrary Library;
        QImage (*Decode)(const QByteArray &bytes, const QString &path);
    };
    static const TDecoding decodings[] = {
        {"TGA", TImageLibrary::Magick, DecodeTga}, {"PCX", TImageLibrary::Magick, DecodePcx},
        {"GIF", TImageLibrary::Qt, DecodeGif},     {"PNG", TImageLibrary::Qt, DecodePng},
        {"PSD", TImageLibrary::Magick, DecodePsd}, {"PSP", TImageLibrary::Core, DecodePspPicture},
        {"DDS", TImageLibrary::Core, DecodeDdsPicture}, {"TIFF", TImageLibrary::Qt, DecodeTiff},
        {"SGI", TImageLibrary::Magick, DecodeSgi}, {"JPEG", TImageLibrary::Qt, DecodeJpeg},
        {"BMP", TImageLibrary::Qt, DecodeBmp},
    };
    static const std::vector<TImageDecoder> decoders = [] {
        std::vector<TImageDecoder> list;
        for (const TPictureFormat &format : PictureFormats())
            for (const TDecoding &decoding : decodings)
                if (std::strcmp(format.Name, decoding.Name) == 0)
                    list.push_back({format.Name, decoding.Library, format.Recognises, decoding.Decode});
        return list;
    }();
    return decoders;
}

const TImageDecoder *FindImageDecoder(const QByteArray &bytes)
{
    const TPictureFormat *format = RecognisePicture(View(bytes));
    for (const TImageDecoder &decoder : ImageDecoders()) {
        if (format && std::strcmp(decoder.Name, format->Name) == 0)
            return &decoder;
    }
    return nullptr;
}

TPicture LoadPicture(const QString &path)
{
    const QByteArray bytes = ReadPictureFile(path);
    TPicture picture;
    if (const TImageDecoder *decoder = FindImageDecoder(bytes)) {
        picture.Format = QString::fromLatin1(decoder->Name);
        picture.Image = DecodeFile(*decoder, bytes, path);
        return picture;
    }

    // No decoder claims the content: the platform's loading by extension.
    const char *format = PictureFormatOfExtension(QFileInfo(path).suffix().toStdString());
    const TImageDecoder *decoder = DecoderOfExtension(format);
    if (!decoder) {
        if (format)
            throw std::runtime_error(Quoted(path) + " is not a " + format +
                                     " picture: its header is damaged or the file is cut short.");
        throw std::runtime_error(Quoted(path) + " is not a picture of a known format.");
    }
    picture.Format = QString::fromLatin1(decoder->Name);
    picture.ByExtension = true;
    picture.Image = DecodeFile(*decoder, bytes, path);
    return picture;
}
