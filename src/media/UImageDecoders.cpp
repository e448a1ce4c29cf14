#include "media/UImageDecoders.h"

#include "app/UApplication.h"
#include "app/UFileIO.h"
#include "media/UPSP.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <Magick++.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

bool StartsWith(const QByteArray &bytes, const char *signature, qsizetype length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), signature, std::size_t(length)) == 0;
}

// ---------------------------------------------------------------- recognisers

// TGA files carry no signature: the 18-byte header must describe a picture
// that the format allows and that fits in the file.
bool RecognisesTga(const QByteArray &bytes)
{
    constexpr qsizetype kHeaderSize = 18;
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

bool RecognisesPcx(const QByteArray &bytes)
{
    constexpr qsizetype kHeaderSize = 128;
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

bool RecognisesGif(const QByteArray &bytes)
{
    return bytes.size() >= 13 && (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6));
}

bool RecognisesPng(const QByteArray &bytes)
{
    return StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8);
}

bool RecognisesPsd(const QByteArray &bytes)
{
    if (bytes.size() < 26 || !StartsWith(bytes, "8BPS", 4))
        return false;
    const unsigned version = ReadU16BE(Bytes(bytes) + 4); // 2: the large-document variant
    return version == 1 || version == 2;
}

bool RecognisesPsp(const QByteArray &bytes)
{
    return IsPspFile(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

bool RecognisesTiff(const QByteArray &bytes)
{
    // Little- or big-endian; 42 for classic files, 43 for 64-bit offsets.
    return bytes.size() >= 8 && (StartsWith(bytes, "II*\0", 4) || StartsWith(bytes, "MM\0*", 4) ||
                                 StartsWith(bytes, "II+\0", 4) || StartsWith(bytes, "MM\0+", 4));
}

bool RecognisesSgi(const QByteArray &bytes)
{
    constexpr qsizetype kHeaderSize = 512;
    if (bytes.size() < kHeaderSize)
        return false;
    const unsigned char *h = Bytes(bytes);
    const unsigned dimension = ReadU16BE(h + 4);
    return ReadU16BE(h) == 474 && h[2] <= 1 && (h[3] == 1 || h[3] == 2) && dimension >= 1 && dimension <= 3 &&
           ReadU16BE(h + 6) > 0;
}

bool RecognisesJpeg(const QByteArray &bytes)
{
    return StartsWith(bytes, "\xFF\xD8\xFF", 3);
}

bool RecognisesBmp(const QByteArray &bytes)
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

// ImageMagick is set up once: no temporary files on disk, one thread, and
// limits that stop a hostile header from taking the machine's memory.
void InitialiseMagick()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        constexpr MagickCore::MagickSizeType kMegabyte = 1024 * 1024;
        Magick::ResourceLimits::width(kMaxPictureSide);
        Magick::ResourceLimits::height(kMaxPictureSide);
        Magick::ResourceLimits::area(MagickCore::MagickSizeType(kMaxPictureMegabytes) * kMegabyte / 4);
        Magick::ResourceLimits::memory(2 * MagickCore::MagickSizeType(kMaxPictureMegabytes) * kMegabyte);
        Magick::ResourceLimits::map(2 * MagickCore::MagickSizeType(kMaxPictureMegabytes) * kMegabyte);
        Magick::ResourceLimits::disk(0);
        Magick::ResourceLimits::listLength(64);
        Magick::ResourceLimits::thread(1);
    });
}

// The reason of an ImageMagick exception, as in "unexpected end-of-file",
// without the program name before it and the (empty) file name and source
// location after it.
std::string MagickReason(const Magick::Exception &error)
{
    std::string text = error.what();
    const std::size_t details = std::min(text.find(" `"), text.find(" @ "));
    if (details != std::string::npos)
        text.erase(details);
    const std::size_t prefix = text.find(": ");
    if (prefix != std::string::npos)
        text.erase(0, prefix + 2);
    return text;
}

// ImageMagick with its coder named explicitly, so that it never guesses the
// format from the content; the picture is turned upright (a TGA stores its
// rows bottom-up or top-down, left-to-right or right-to-left).
QImage DecodeWithMagick(const QByteArray &bytes, const char *coder)
{
    InitialiseMagick();
    try {
        Magick::Image image;
        image.magick(coder);
        image.subImage(0); // the first picture only (a PSD's merged picture)
        image.subRange(1);
        const Magick::Blob blob(bytes.constData(), std::size_t(bytes.size()));
        try {
            image.read(blob);
        } catch (const Magick::WarningCorruptImage &) {
            throw; // a damaged file is an error, not a note
        } catch (const Magick::Warning &) {
            // Notes about parts the coder skips; the picture itself was read.
        }
        CheckPictureSize(qint64(image.columns()), qint64(image.rows()));
        image.autoOrient();
        switch (image.colorSpace()) {
        case MagickCore::sRGBColorspace:
        case MagickCore::RGBColorspace:
        case MagickCore::GRAYColorspace:
            break;
        default: // CMYK and the like
            image.colorSpace(MagickCore::sRGBColorspace);
            break;
        }
        const int width = int(image.columns());
        const int height = int(image.rows());
        QImage picture(width, height, image.matte() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (picture.isNull())
            throw std::runtime_error("not enough memory for the picture");
        // 32-bit pixels are B, G, R, A in memory on little-endian machines.
        static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixel export assumes a little-endian machine");
        const bool alpha = picture.hasAlphaChannel();
        image.write(0, 0, std::size_t(width), std::size_t(height), alpha ? "BGRA" : "BGRP", Magick::CharPixel,
                    picture.bits());
        if (!alpha) {
            // A picture without alpha leaves the fourth byte alone: it must read
            // as opaque, or drawing it blends whatever the memory held.
            for (int y = 0; y < height; ++y) {
                auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
                for (int x = 0; x < width; ++x)
                    row[x] |= 0xFF000000u;
            }
        }
        return picture;
    } catch (const Magick::Exception &error) {
        throw std::runtime_error(MagickReason(error));
    }
}

QImage DecodeTga(const QByteArray &bytes, const QString &) { return DecodeWithMagick(bytes, "TGA"); }
QImage DecodePcx(const QByteArray &bytes, const QString &) { return DecodeWithMagick(bytes, "PCX"); }
QImage DecodePsd(const QByteArray &bytes, const QString &) { return DecodeWithMagick(bytes, "PSD"); }
QImage DecodeSgi(const QByteArray &bytes, const QString &) { return DecodeWithMagick(bytes, "SGI"); }

QImage DecodePspPicture(const QByteArray &bytes, const QString &path)
{
    return RgbaToImage(
        DecodePsp(std::string_view(bytes.constData(), std::size_t(bytes.size())), path.toLocal8Bit().toStdString()));
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

// The format an extension (lower case) names among the decoders' formats, or
// nullptr.
const char *FormatNamedByExtension(const QString &extension)
{
    static const std::pair<const char *, const char *> names[] = {
        {"tga", "TGA"}, {"vda", "TGA"}, {"icb", "TGA"}, {"vst", "TGA"}, {"pcx", "PCX"},   {"gif", "GIF"},
        {"png", "PNG"}, {"psd", "PSD"}, {"psp", "PSP"}, {"pspimage", "PSP"}, {"tif", "TIFF"}, {"tiff", "TIFF"},
        {"sgi", "SGI"}, {"rgb", "SGI"}, {"rgba", "SGI"}, {"bw", "SGI"},
    };
    for (const auto &[suffix, format] : names) {
        if (extension == QLatin1String(suffix))
            return format;
    }
    return nullptr;
}

// The decoder the platform's loading chooses for an extension (lower case).
const TImageDecoder *DecoderOfExtension(const QString &extension)
{
    const char *name = nullptr;
    if (extension == "bmp" || extension == "dib")
        name = "BMP";
    else if (extension == "jpg" || extension == "jpeg" || extension == "jpe" || extension == "jfif")
        name = "JPEG";
    for (const TImageDecoder &decoder : ImageDecoders()) {
        if (name && std::strcmp(decoder.Name, name) == 0)
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

const std::vector<TImageDecoder> &ImageDecoders()
{
    static const std::vector<TImageDecoder> decoders = {
        {"TGA", TImageLibrary::Magick, RecognisesTga, DecodeTga},
        {"PCX", TImageLibrary::Magick, RecognisesPcx, DecodePcx},
        {"GIF", TImageLibrary::Qt, RecognisesGif, DecodeGif},
        {"PNG", TImageLibrary::Qt, RecognisesPng, DecodePng},
        {"PSD", TImageLibrary::Magick, RecognisesPsd, DecodePsd},
        {"PSP", TImageLibrary::Core, RecognisesPsp, DecodePspPicture},
        {"TIFF", TImageLibrary::Qt, RecognisesTiff, DecodeTiff},
        {"SGI", TImageLibrary::Magick, RecognisesSgi, DecodeSgi},
        {"JPEG", TImageLibrary::Qt, RecognisesJpeg, DecodeJpeg},
        {"BMP", TImageLibrary::Qt, RecognisesBmp, DecodeBmp},
    };
    return decoders;
}

const TImageDecoder *FindImageDecoder(const QByteArray &bytes)
{
    for (const TImageDecoder &decoder : ImageDecoders()) {
        if (decoder.Recognises(bytes))
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
    const QString extension = QFileInfo(path).suffix().toLower();
    const TImageDecoder *decoder = DecoderOfExtension(extension);
    if (!decoder) {
        if (const char *format = FormatNamedByExtension(extension))
            throw std::runtime_error(Quoted(path) + " is not a " + format +
                                     " picture: its header is damaged or the file is cut short.");
        throw std::runtime_error(Quoted(path) + " is not a picture of a known format.");
    }
    picture.Format = QString::fromLatin1(decoder->Name);
    picture.ByExtension = true;
    picture.Image = DecodeFile(*decoder, bytes, path);
    return picture;
}
