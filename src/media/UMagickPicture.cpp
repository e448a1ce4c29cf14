#include "media/UMagickPicture.h"

#include <Magick++.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <stdexcept>

namespace {

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

void CheckPictureSize(std::size_t width, std::size_t height)
{
    if (width == 0 || height == 0)
        throw std::runtime_error("the picture has no pixels");
    if (width > std::size_t(kMaxPictureSide) || height > std::size_t(kMaxPictureSide) ||
        std::uint64_t(width) * height * 4 > std::uint64_t(kMaxPictureMegabytes) << 20)
        throw std::runtime_error("the picture is too large (" + std::to_string(width) + " x " +
                                 std::to_string(height) + ")");
}

} // namespace

// The picture is turned upright: a TGA stores its rows bottom-up or
// top-down, left-to-right or right-to-left, a TIFF names its orientation.
TRgbaImage DecodeWithMagick(std::string_view bytes, const std::string &coder)
{
    InitialiseMagick();
    try {
        Magick::Image image;
        image.magick(coder);
        image.subImage(0); // the first picture only (a PSD's merged picture)
        image.subRange(1);
        const Magick::Blob blob(bytes.data(), bytes.size());
        try {
            image.read(blob);
        } catch (const Magick::WarningCorruptImage &) {
            throw; // a damaged file is an error, not a note
        } catch (const Magick::Warning &) {
            // Notes about parts the coder skips; the picture itself was read.
        }
        CheckPictureSize(image.columns(), image.rows());
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
        TRgbaImage picture;
        picture.Width = int(image.columns());
        picture.Height = int(image.rows());
        picture.Pixels.resize(std::size_t(picture.Width) * std::size_t(picture.Height) * 4);
        const bool alpha = image.matte();
        image.write(0, 0, image.columns(), image.rows(), alpha ? "RGBA" : "RGBP", Magick::CharPixel,
                    picture.Pixels.data());
        if (!alpha) {
            // The export gives padding ("P") no value of its own: it must read as opaque.
            for (std::size_t i = 3; i < picture.Pixels.size(); i += 4)
                picture.Pixels[i] = 255;
        }
        return picture;
    } catch (const Magick::Exception &error) {
        throw std::runtime_error(MagickReason(error));
    }
}
