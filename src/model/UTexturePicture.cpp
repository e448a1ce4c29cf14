// Each decoder checks a picture's size against its bytes and the program's
// limits before it allocates, and reads only bytes it has checked. What a
// decoder rejects quietly (a header of a kind it does not decode, an
// unreadable JPEG) gives no picture; what it refuses (a depth it cannot
// show, a file cut short) raises an error naming the file.
#include "model/UTexturePicture.h"

#include "app/UFileIO.h"
#include "app/UText.h"
#include "app/UUtil.h"
#include "media/UDdsFile.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void Refuse(const std::string &name, const std::string &reason)
{
    throw EFileError("\"" + name + "\" " + reason + ".");
}

std::string SizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

void CheckPictureSize(std::int64_t width, std::int64_t height, const std::string &name)
{
    if (width <= 0 || height <= 0)
        Refuse(name, "holds no pixels (" + SizeText(width, height) + ")");
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height * 4 > std::int64_t(kMaxPictureMegabytes) << 20)
        Refuse(name, "is too large to show (" + SizeText(width, height) + ")");
}

// A compressed picture's size against its file, once the file is known to
// hold what the size asks of it.
void CheckPictureFitsItsFile(std::int64_t width, std::int64_t height, std::uint64_t fileBytes, const std::string &name)
{
    if (!PictureFitsItsFile(std::uint64_t(width * height * 4), fileBytes))
        Refuse(name, "is too large to show (" + SizeText(width, height) + ")");
}

TRgbaImage NewImage(int width, int height)
{
    TRgbaImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.resize(std::size_t(width) * std::size_t(height) * 4);
    return image;
}

const unsigned char *Bytes(std::string_view bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.data());
}

// ---------------------------------------------------------------- BMP

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoHeaderSize = 40;
// Offsets in the information header.
constexpr std::size_t kBmpWidth = 4, kBmpHeight = 8, kBmpBitCount = 14, kBmpCompression = 16, kBmpColorsUsed = 32;
constexpr std::uint16_t kBmpShownBits = 24;

// A 24-bit uncompressed bitmap. Its pixels follow the information header,
// after as many bytes as the colours-used field gives; rows run bottom-up
// (top-down when the height is negative) and end on four-byte boundaries.
TTexturePicture DecodeBmp(std::string_view bytes, const std::string &name)
{
    if (bytes.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize)
        Refuse(name, "is cut short: its BMP header ends early");
    const unsigned char *info = Bytes(bytes) + kBmpFileHeaderSize;
    const std::int64_t width = ReadI32LE(info + kBmpWidth);
    const std::int64_t storedHeight = ReadI32LE(info + kBmpHeight);
    const std::uint16_t bits = ReadU16LE(info + kBmpBitCount);
    if (bits != kBmpShownBits)
        Refuse(name, "is a " + std::to_string(bits) + "-bit BMP picture; only 24-bit ones can be shown as textures");
    if (ReadU32LE(info + kBmpCompression) != 0)
        Refuse(name, "is a compressed BMP picture; only uncompressed ones can be shown as textures");
    const bool topDown = storedHeight < 0;
    const std::int64_t height = topDown ? -storedHeight : storedHeight;
    CheckPictureSize(width, height, name);

    const std::uint64_t start = kBmpFileHeaderSize + kBmpInfoHeaderSize + std::uint64_t(ReadU32LE(info + kBmpColorsUsed));
    const std::uint64_t rowBytes = std::uint64_t(width) * 3;
    const std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t(3);
    const std::uint64_t needed = stride * std::uint64_t(height - 1) + rowBytes;
    if (start > bytes.size() || needed > bytes.size() - start)
        Refuse(name, "is cut short: it holds fewer pixels than its size of " + SizeText(width, height) + " needs");

    TTexturePicture picture;
    picture.Layout = TTextureLayout::Bgr;
    picture.Image = NewImage(int(width), int(height));
    for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
        const unsigned char *in = Bytes(bytes) + start + std::uint64_t(fileRow) * stride;
        const std::int64_t y = topDown ? fileRow : height - 1 - fileRow;
        std::uint8_t *out = picture.Image.Pixels.data() + std::size_t(y) * std::size_t(width) * 4;
        for (std::int64_t x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
    return picture;
}

// ---------------------------------------------------------------- TGA

constexpr std::size_t kTgaHeaderSize = 18;
constexpr std::uint8_t kTgaTrueColour = 2;
constexpr std::uint8_t kTgaRunLengthTrueColour = 10;
constexpr std::uint8_t kTgaRightToLeft = 0x10; // descriptor bits: where the first stored pixel lies
constexpr std::uint8_t kTgaTopDown = 0x20;
constexpr unsigned kTgaRunPacket = 0x80;
constexpr unsigned kTgaMaxPacketPixels = 128;

// A true-colour TGA of 24 or 32 bits, stored plainly or run-length encoded;
// the image id is skipped and the origin bits put the picture upright.
TTexturePicture DecodeTga(std::string_view bytes, const std::string &name)
{
    if (bytes.size() < kTgaHeaderSize)
        Refuse(name, "is cut short: its TGA header ends early");
    const unsigned char *header = Bytes(bytes);
    const std::uint8_t idLength = header[0];
    const std::uint8_t mapType = header[1];
    const std::uint8_t imageType = header[2];
    const std::uint8_t depth = header[16];
    const std::uint8_t descriptor = header[17];
    if (mapType != 0 || (imageType != kTgaTrueColour && imageType != kTgaRunLengthTrueColour) || depth < 24)
        return {};
    if (depth != 24 && depth != 32)
        Refuse(name, "is a " + std::to_string(depth) + "-bit TGA picture; only 24 and 32 bits can be shown");
    const int width = ReadU16LE(header + 12);
    const int height = ReadU16LE(header + 14);
    CheckPictureSize(width, height, name);

    const std::size_t pixelBytes = depth / 8;
    const std::uint64_t count = std::uint64_t(width) * std::uint64_t(height);
    const std::size_t start = kTgaHeaderSize + idLength;
    const std::uint64_t available = bytes.size() > start ? bytes.size() - start : 0;
    const bool runLength = imageType == kTgaRunLengthTrueColour;
    // Run-length data holds at least one packet of at most 128 pixels per 128 pixels.
    const std::uint64_t leastData =
        runLength ? (count + kTgaMaxPacketPixels - 1) / kTgaMaxPacketPixels * (1 + pixelBytes) : count * pixelBytes;
    if (leastData > available)
        Refuse(name, "is cut short: it holds fewer pixels than its size of " + SizeText(width, height) + " needs");
    CheckPictureFitsItsFile(width, height, bytes.size(), name);

    TTexturePicture picture;
    picture.Layout = depth == 32 ? TTextureLayout::Rgba : TTextureLayout::Rgb;
    picture.Image = NewImage(width, height);
    const bool topDown = descriptor & kTgaTopDown;
    const bool rightToLeft = descriptor & kTgaRightToLeft;
    // Stored pixel i, blue, green, red and alpha, goes where the origin bits put it.
    auto put = [&](std::uint64_t i, const unsigned char *in) {
        const int fileRow = int(i / std::uint64_t(width));
        const int fileColumn = int(i % std::uint64_t(width));
        const int y = topDown ? fileRow : height - 1 - fileRow;
        const int x = rightToLeft ? width - 1 - fileColumn : fileColumn;
        std::uint8_t *out = picture.Image.Pixels.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = pixelBytes == 4 ? in[3] : 255;
    };

    const unsigned char *data = Bytes(bytes) + start;
    if (!runLength) {
        for (std::uint64_t i = 0; i < count; ++i)
            put(i, data + i * pixelBytes);
        return picture;
    }
    // Packets may run on from one row into the next; a packet running past
    // the last pixel is cut there.
    std::uint64_t pos = 0;
    std::uint64_t i = 0;
    while (i < count) {
        if (pos >= available)
            Refuse(name, "is cut short: its run-length data ends before the picture does");
        const unsigned packet = data[pos++];
        const std::uint64_t length = std::min<std::uint64_t>((packet & ~kTgaRunPacket) + 1, count - i);
        const std::uint64_t stored = packet & kTgaRunPacket ? pixelBytes : length * pixelBytes;
        if (stored > available - pos)
            Refuse(name, "is cut short: its run-length data ends before the picture does");
        for (std::uint64_t k = 0; k < length; ++k)
            put(i++, data + pos + (packet & kTgaRunPacket ? 0 : k * pixelBytes));
        pos += stored;
    }
    return picture;
}

// ---------------------------------------------------------------- JPEG

// The decoder's errors jump back here instead of ending the program;
// its warnings (damaged data it would paper over) count as failures too.
struct TJpegErrors {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

extern "C" void JpegFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TJpegErrors *>(info->err)->Jump, 1);
}

extern "C" void JpegMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++info->err->num_warnings; // printed nowhere
}

enum class TJpegResult { Decoded, Undecodable, TooLarge };

// Everything the decoder touches lives in job, so that nothing on this
// function's stack changes between setjmp and a jump back.
struct TJpegJob {
    jpeg_decompress_struct Info{};
    TJpegErrors Errors{};
    TRgbaImage Image;
    std::int64_t Width = 0, Height = 0;
    std::vector<std::uint8_t> Row;
};

TJpegResult RunJpeg(TJpegJob *job, std::string_view bytes)
{
    job->Info.err = jpeg_std_error(&job->Errors.Manager);
    job->Errors.Manager.error_exit = JpegFail;
    job->Errors.Manager.emit_message = JpegMessage;
    if (setjmp(job->Errors.Jump)) {
        jpeg_destroy_decompress(&job->Info);
        return TJpegResult::Undecodable;
    }
    jpeg_create_decompress(&job->Info);
    job->Info.mem->max_memory_to_use = long(kMaxPictureMegabytes) << 20;
    jpeg_mem_src(&job->Info, Bytes(bytes), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&job->Info, TRUE);
    job->Width = job->Info.image_width;
    job->Height = job->Info.image_height;
    if (job->Width > kMaxPictureSide || job->Height > kMaxPictureSide ||
        job->Width * job->Height * 4 > std::int64_t(kMaxPictureMegabytes) << 20 ||
        !PictureFitsItsFile(std::uint64_t(job->Width * job->Height * 4), bytes.size())) {
        jpeg_destroy_decompress(&job->Info);
        return TJpegResult::TooLarge;
    }
    job->Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&job->Info);
    if (job->Info.output_components != 3 || job->Errors.Manager.num_warnings > 0) {
        jpeg_destroy_decompress(&job->Info);
        return TJpegResult::Undecodable;
    }
    // The picture is filled row by row, so that a file cut short stops at the
    // first missing row; its room is taken at once (the size was checked
    // against the file), since growing would hold it twice while it moves.
    const std::size_t width = job->Info.output_width;
    job->Row.resize(width * 3);
    job->Image.Width = int(width);
    job->Image.Pixels.reserve(width * job->Info.output_height * 4);
    while (job->Info.output_scanline < job->Info.output_height) {
        JSAMPROW row = job->Row.data();
        jpeg_read_scanlines(&job->Info, &row, 1);
        if (job->Errors.Manager.num_warnings > 0) {
            jpeg_destroy_decompress(&job->Info);
            return TJpegResult::Undecodable;
        }
        const std::size_t at = job->Image.Pixels.size();
        job->Image.Pixels.resize(at + width * 4);
        std::uint8_t *out = job->Image.Pixels.data() + at;
        for (std::size_t x = 0; x < width; ++x) {
            out[x * 4] = job->Row[x * 3];
            out[x * 4 + 1] = job->Row[x * 3 + 1];
            out[x * 4 + 2] = job->Row[x * 3 + 2];
            out[x * 4 + 3] = 255;
        }
        ++job->Image.Height;
    }
    jpeg_finish_decompress(&job->Info);
    const bool damaged = job->Errors.Manager.num_warnings > 0;
    jpeg_destroy_decompress(&job->Info);
    return damaged ? TJpegResult::Undecodable : TJpegResult::Decoded;
}

TTexturePicture DecodeJpeg(std::string_view bytes, const std::string &name)
{
    TJpegJob job;
    switch (RunJpeg(&job, bytes)) {
    case TJpegResult::TooLarge:
        Refuse(name, "is too large to show (" + SizeText(job.Width, job.Height) + ")");
    case TJpegResult::Undecodable:
        return {};
    case TJpegResult::Decoded:
        break;
    }
    TTexturePicture picture;
    picture.Layout = TTextureLayout::Rgba;
    picture.Image = std::move(job.Image);
    return picture;
}

// ---------------------------------------------------------------- PLT

TTexturePicture DecodePltTexture(std::string_view bytes, const std::string &name, const TModelPalette *palette)
{
    if (!IsPltFile(bytes))
        return {};
    if (!palette)
        throw std::invalid_argument("a PLT texture needs the model palette");
    const TPltPicture plt = ReadPlt(bytes, name);
    TTexturePicture picture;
    picture.Layout = TTextureLayout::Rgba;
    picture.Image = NewImage(int(plt.Width), int(plt.Height));
    for (std::size_t fileRow = 0; fileRow < plt.Height; ++fileRow) {
        // File rows run from the bottom of the picture up.
        std::uint8_t *out = picture.Image.Pixels.data() + (plt.Height - 1 - fileRow) * std::size_t(plt.Width) * 4;
        const std::size_t first = fileRow * plt.Width;
        for (std::size_t column = 0; column < plt.Width; ++column, out += 4) {
            const TRgb color = ModelPaletteColor(*palette, plt.Values[first + column], plt.Layers[first + column]);
            out[0] = color.R;
            out[1] = color.G;
            out[2] = color.B;
            out[3] = 255;
        }
    }
    return picture;
}

// ---------------------------------------------------------------- DDS

// Level 0 of the file; its rows reach the upload in stored order, as the
// rows of a bottom-left TGA do.
TTexturePicture DecodeDdsTexture(std::string_view bytes, const std::string &name)
{
    const TDdsTexture dds = ReadDds(bytes, name);
    TTexturePicture picture;
    picture.Layout = dds.HasAlpha() ? TTextureLayout::Rgba : TTextureLayout::Rgb;
    picture.Image = DecodeDdsLevel(dds, 0);
    return picture;
}

} // namespace

TModelPalette LoadModelPalette(const std::string &path)
{
    return ReadPaletteFile(path, kModelPaletteRows);
}

TRgb ModelPaletteColor(const TModelPalette &palette, std::uint8_t value, std::uint8_t layer)
{
    if (layer >= kModelPaletteRows || layer >= palette.Rows)
        return {0, 0, 255};
    return palette.Color(layer, value);
}

TTexturePicture DecodeTexture(std::string_view bytes, const std::string &type, const std::string &name,
                              const TModelPalette *palette)
{
    if (bytes.empty())
        return {};
    const std::string upper = UpperCaseAscii(type);
    if (upper == "BMP")
        return DecodeBmp(bytes, name);
    if (upper == "JPG")
        return DecodeJpeg(bytes, name);
    if (upper == "TGA")
        return DecodeTga(bytes, name);
    if (upper == "PLT")
        return DecodePltTexture(bytes, name, palette);
    if (upper == "DDS")
        return DecodeDdsTexture(bytes, name);
    return {};
}

std::string TextureTypeOfPath(const std::string &path)
{
    const std::string extension = UpperCaseAscii(ExtractFileExt(path));
    for (const char *type : {"BMP", "JPG", "TGA", "PLT", "DDS"})
        if (extension.size() == 4 && extension.compare(1, 3, type) == 0)
            return type;
    return {};
}
