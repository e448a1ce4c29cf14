#include "DemoFormats.h"

#include "testdata/ByteBuilder.h"


using testdata::ByteBuilder;

namespace demo {

Picture CheckerPicture(int width, int height, std::uint32_t a, std::uint32_t b, int cell)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Pixels.push_back(((x / cell + y / cell) % 2) ? b : a);
    return picture;
}

Picture StripesPicture(int width, int height, const std::vector<std::uint32_t> &colours)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Pixels.push_back(colours[static_cast<std::size_t>(y) % colours.size()]);
    return picture;
}

namespace {
std::uint32_t PixelAt(const Picture &picture, int x, int y)
{
    return picture.Pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width) +
                             static_cast<std::size_t>(x));
}

void PutBgr(ByteBuilder &out, std::uint32_t argb)
{
    out.U8(argb & 0xff).U8((argb >> 8) & 0xff).U8((argb >> 16) & 0xff);
}

void PutTgaHeader(ByteBuilder &out, std::uint8_t imageType, const Picture &picture,
                  std::uint8_t bits, std::uint8_t descriptor)
{
    out.U8(0).U8(0).U8(imageType).Zeros(5); // no id, no colour map
    out.U16(0).U16(0).U16(static_cast<std::uint16_t>(picture.Width));
    out.U16(static_cast<std::uint16_t>(picture.Height)).U8(bits).U8(descriptor);
}
} // namespace

std::string MakeTga(const Picture &picture)
{
    ByteBuilder out;
    PutTgaHeader(out, 2, picture, 24, 0);
    for (int y = picture.Height - 1; y >= 0; --y)
        for (int x = 0; x < picture.Width; ++x)
            PutBgr(out, PixelAt(picture, x, y));
    return out.Take();
}

std::string MakeTgaRle(const Picture &picture)
{
    ByteBuilder out;
    PutTgaHeader(out, 10, picture, 32, 0x28); // 8 alpha bits, top row first
    auto putPixel = [&](std::uint32_t argb) {
        PutBgr(out, argb);
        out.U8(argb >> 24);
    };
    // Packets never cross a row: a run packet for repeats, a raw packet otherwise.
    for (int y = 0; y < picture.Height; ++y) {
        int x = 0;
        while (x < picture.Width) {
            int run = 1;
            while (x + run < picture.Width && run < 128 && PixelAt(picture, x + run, y) == PixelAt(picture, x, y))
                ++run;
            if (run > 1) {
                out.U8(static_cast<std::uint8_t>(0x80 | (run - 1)));
                putPixel(PixelAt(picture, x, y));
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < picture.Width && raw < 128 &&
                   (x + raw + 1 >= picture.Width || PixelAt(picture, x + raw, y) != PixelAt(picture, x + raw + 1, y)))
                ++raw;
            out.U8(static_cast<std::uint8_t>(raw - 1));
            for (int i = 0; i < raw; ++i)
                putPixel(PixelAt(picture, x + i, y));
            x += raw;
        }
    }
    return out.Take();
}

std::string MakeBmp(const Picture &picture)
{
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(picture.Width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(picture.Height);
    ByteBuilder out;
    out.Bytes("BM").U32(54 + imageSize).U16(0).U16(0).U32(54);
    out.U32(40).I32(picture.Width).I32(picture.Height).U16(1).U16(24).U32(0);
    out.U32(imageSize).U32(2835).U32(2835).U32(0).U32(0);
    for (int y = picture.Height - 1; y >= 0; --y) {
        const auto rowStart = out.Size();
        for (int x = 0; x < picture.Width; ++x)
            PutBgr(out, PixelAt(picture, x, y));
        out.PadTo(rowStart + rowSize);
    }
    return out.Take();
}

} // namespace demo
