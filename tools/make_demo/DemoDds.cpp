// The encoder picks, per 4 x 4 block, the two colours farthest apart as end
// points and gives each pixel the nearest of the four colours between them;
// alpha likewise between the block's lowest and highest. Plain and slow
// next to real encoders, but exact for blocks of one or two colours, which
// is what the demo's pictures and the tests need.
#include "DemoDds.h"

#include "testdata/ByteBuilder.h"
#include "testdata/DdsBuilder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace demo {

namespace {

using Rgba = std::array<int, 4>;

Rgba Channels(std::uint32_t argb)
{
    return {int(argb >> 16 & 255), int(argb >> 8 & 255), int(argb & 255), int(argb >> 24)};
}

int ColourDistance(const Rgba &a, const Rgba &b)
{
    return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]);
}

std::uint16_t To565(const Rgba &c)
{
    auto quantise = [](int value, int largest) { return (value * largest + 127) / 255; };
    return std::uint16_t(quantise(c[0], 31) << 11 | quantise(c[1], 63) << 5 | quantise(c[2], 31));
}

Rgba From565(std::uint16_t c)
{
    const int r = c >> 11, g = c >> 5 & 63, b = c & 31;
    return {r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2, 255};
}

// The 16 pixels of block (bx, by) in stored order (bottom row of the picture
// first), pixels beyond the edge repeating the last row or column.
std::array<Rgba, 16> BlockPixels(const Picture &picture, int bx, int by)
{
    std::array<Rgba, 16> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int storedRow = std::min(by * 4 + y, picture.Height - 1);
            const int column = std::min(bx * 4 + x, picture.Width - 1);
            pixels[std::size_t(4 * y + x)] =
                Channels(picture.Pixels[std::size_t(picture.Height - 1 - storedRow) * std::size_t(picture.Width) +
                                        std::size_t(column)]);
        }
    return pixels;
}

// The colour half: 8 bytes. transparent marks pixels that take index 3 of a
// three-colour block (DXT1 only); fourColour forces the four-colour order.
void EncodeColours(testdata::ByteBuilder &out, const std::array<Rgba, 16> &pixels,
                   const std::array<bool, 16> &transparent, bool fourColour)
{
    bool anyTransparent = false;
    int first = -1, second = -1, farthest = -1;
    for (int i = 0; i < 16; ++i) {
        if (transparent[std::size_t(i)]) {
            anyTransparent = true;
            continue;
        }
        for (int j = i; j < 16; ++j) {
            if (transparent[std::size_t(j)])
                continue;
            const int distance = ColourDistance(pixels[std::size_t(i)], pixels[std::size_t(j)]);
            if (distance > farthest) {
                farthest = distance;
                first = i;
                second = j;
            }
        }
    }
    std::uint16_t c0 = first < 0 ? 0 : To565(pixels[std::size_t(first)]);
    std::uint16_t c1 = first < 0 ? 0 : To565(pixels[std::size_t(second)]);
    const bool threeColour = anyTransparent && !fourColour;
    if (threeColour ? c0 > c1 : c0 < c1)
        std::swap(c0, c1);
    std::array<Rgba, 4> palette = {From565(c0), From565(c1), Rgba{}, Rgba{}};
    for (int c = 0; c < 3; ++c) {
        if (threeColour || c0 == c1) {
            palette[2][std::size_t(c)] = (palette[0][std::size_t(c)] + palette[1][std::size_t(c)]) / 2;
        } else {
            palette[2][std::size_t(c)] = (2 * palette[0][std::size_t(c)] + palette[1][std::size_t(c)]) / 3;
            palette[3][std::size_t(c)] = (palette[0][std::size_t(c)] + 2 * palette[1][std::size_t(c)]) / 3;
        }
    }
    const int choices = threeColour || c0 == c1 ? 3 : 4;
    std::uint32_t indices = 0;
    for (int p = 0; p < 16; ++p) {
        int best = 0;
        if (threeColour && transparent[std::size_t(p)]) {
            best = 3;
        } else {
            for (int k = 1; k < choices; ++k)
                if (ColourDistance(pixels[std::size_t(p)], palette[std::size_t(k)]) <
                    ColourDistance(pixels[std::size_t(p)], palette[std::size_t(best)]))
                    best = k;
        }
        indices |= std::uint32_t(best) << (2 * p);
    }
    out.U16(c0).U16(c1).U32(indices);
}

// The alpha half of a DXT5 block: 8 bytes, always with eight values.
void EncodeAlpha(testdata::ByteBuilder &out, const std::array<Rgba, 16> &pixels)
{
    int low = 255, high = 0;
    for (const Rgba &p : pixels) {
        low = std::min(low, p[3]);
        high = std::max(high, p[3]);
    }
    std::array<int, 8> values = {high, low};
    for (int i = 1; i <= 6; ++i)
        values[std::size_t(i + 1)] = ((7 - i) * high + i * low) / 7;
    std::uint64_t codes = 0;
    for (int p = 0; p < 16; ++p) {
        int best = 0;
        if (high != low)
            for (int k = 1; k < 8; ++k)
                if (std::abs(pixels[std::size_t(p)][3] - values[std::size_t(k)]) <
                    std::abs(pixels[std::size_t(p)][3] - values[std::size_t(best)]))
                    best = k;
        codes |= std::uint64_t(best) << (3 * p);
    }
    out.U8(std::uint8_t(high)).U8(std::uint8_t(low));
    for (int i = 0; i < 6; ++i)
        out.U8(std::uint8_t(codes >> (8 * i)));
}

std::uint32_t Code(DdsKind kind)
{
    return kind == DdsKind::Dxt1 ? 3 : 4;
}

bool HasTransparentPixels(const Picture &picture)
{
    return std::any_of(picture.Pixels.begin(), picture.Pixels.end(), [](std::uint32_t argb) { return argb >> 24 < 128; });
}

std::string Chain(const Picture &picture, DdsKind kind)
{
    std::string levels;
    for (const Picture &level : MipChain(picture))
        levels += EncodeDdsBlocks(level, kind);
    return levels;
}

} // namespace

std::string EncodeDdsBlocks(const Picture &picture, DdsKind kind)
{
    if (picture.Width <= 0 || picture.Height <= 0 ||
        picture.Pixels.size() != std::size_t(picture.Width) * std::size_t(picture.Height))
        throw std::invalid_argument("picture size not supported by the DDS encoder");
    testdata::ByteBuilder out;
    for (int by = 0; by < (picture.Height + 3) / 4; ++by)
        for (int bx = 0; bx < (picture.Width + 3) / 4; ++bx) {
            const std::array<Rgba, 16> pixels = BlockPixels(picture, bx, by);
            std::array<bool, 16> transparent{};
            for (int p = 0; p < 16; ++p)
                transparent[std::size_t(p)] = kind == DdsKind::Dxt1 && pixels[std::size_t(p)][3] < 128;
            if (kind == DdsKind::Dxt5)
                EncodeAlpha(out, pixels);
            EncodeColours(out, pixels, transparent, kind == DdsKind::Dxt5);
        }
    return out.Take();
}

std::vector<Picture> MipChain(const Picture &picture)
{
    std::vector<Picture> chain = {picture};
    while (chain.back().Width > 1 || chain.back().Height > 1) {
        const Picture &above = chain.back();
        Picture level{std::max(1, above.Width / 2), std::max(1, above.Height / 2), {}};
        for (int y = 0; y < level.Height; ++y)
            for (int x = 0; x < level.Width; ++x) {
                std::array<int, 4> sum{};
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int sx = std::min(2 * x + dx, above.Width - 1), sy = std::min(2 * y + dy, above.Height - 1);
                        const Rgba c = Channels(above.Pixels[std::size_t(sy) * std::size_t(above.Width) + std::size_t(sx)]);
                        for (int k = 0; k < 4; ++k)
                            sum[std::size_t(k)] += c[std::size_t(k)];
                    }
                level.Pixels.push_back(std::uint32_t((sum[3] + 2) / 4) << 24 | std::uint32_t((sum[0] + 2) / 4) << 16 |
                                       std::uint32_t((sum[1] + 2) / 4) << 8 | std::uint32_t((sum[2] + 2) / 4));
            }
        chain.push_back(std::move(level));
    }
    return chain;
}

std::string MakeShortDds(const Picture &picture, DdsKind kind)
{
    double alpha = 0;
    for (std::uint32_t argb : picture.Pixels)
        alpha += double(argb >> 24);
    const std::uint32_t blocks = std::uint32_t((picture.Width + 3) / 4 * ((picture.Height + 3) / 4));
    return testdata::BuildShortDds(std::uint32_t(picture.Width), std::uint32_t(picture.Height), Code(kind),
                                   blocks * (kind == DdsKind::Dxt1 ? 8 : 16), Chain(picture, kind),
                                   float(alpha / (255.0 * double(picture.Pixels.size()))));
}

std::string MakeStandardDds(const Picture &picture, DdsKind kind)
{
    testdata::DdsHeader header;
    header.Width = std::uint32_t(picture.Width);
    header.Height = std::uint32_t(picture.Height);
    header.MipCount = std::uint32_t(MipChain(picture).size());
    header.FourCC = kind == DdsKind::Dxt1 ? "DXT1" : "DXT5";
    if (kind == DdsKind::Dxt1 && HasTransparentPixels(picture))
        header.PixelFlags |= 0x1; // alpha pixels
    header.Caps |= 0x400008;      // mipmap, complex
    return testdata::BuildStandardDds(header, Chain(picture, kind));
}

} // namespace demo
