// PSP pictures: every layout, compression and bit depth decodes to the same
// pixels; damaged files are refused with a message naming them.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "media/UPSP.h"

#include "testdata/ByteBuilder.h"
#include "testdata/PspBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace testdata;
using ::testing::HasSubstr;

namespace {

constexpr int kWidth = 5; // packed and padded rows differ at every depth
constexpr int kHeight = 3;
const std::string kGarbage = "\x01\x02\x03\xFF"; // opaque, in no expected picture

enum class Layout { Composite, Layers, Version3 };
struct Depth {
    std::uint16_t Bits;
    bool Grey;
};

// What each depth's pictures hold. Paletted: indices into a palette of at
// most 20 colours (larger indices show black), index 9 transparent from 4
// bits on. 24 bits: one transparent pixel, one 20% opaque, and at (2, 1)
// what layers show there: 20% white over black.
unsigned Index(int x, int y, const Depth &depth) { return (3u * x + 5u * y + 1) % (1u << depth.Bits); }
PspPalette Palette(const Depth &depth)
{
    PspPalette palette;
    for (unsigned i = 0; i < std::min(1u << depth.Bits, 20u); ++i)
        palette.push_back({std::uint8_t(i * 40 + 10), std::uint8_t(250 - i * 12), std::uint8_t(i * 7 + 3)});
    return palette;
}
std::array<std::uint8_t, 4> Expected(int x, int y, const Depth &depth)
{
    if (depth.Bits == 24 && x == 2 && y == 1)
        return {51, 51, 51, 255};
    if (depth.Bits == 24)
        return {std::uint8_t(x * 50 + 5), std::uint8_t(y * 100 + 7), std::uint8_t((x + y) * 30 + 9),
                std::uint8_t(x == 4 && y == 0 ? 0 : x == 3 && y == 2 ? 51 : 255)};
    if (depth.Grey)
        return {std::uint8_t(x * 50 + y * 20 + 5), std::uint8_t(x * 50 + y * 20 + 5), std::uint8_t(x * 50 + y * 20 + 5), 255};
    const unsigned index = Index(x, y, depth);
    const PspPalette palette = Palette(depth);
    const auto colour = index < palette.size() ? palette[index] : std::array<std::uint8_t, 3>{0, 0, 0};
    return {colour[0], colour[1], colour[2], std::uint8_t(depth.Bits > 1 && index == 9 ? 0 : 255)};
}

// The stored samples of canvas pixels [left, left + width) x [top, top + height):
// RGBA for 24 bits, else one index or grey level a pixel; garbage where
// garbageAt says so.
std::string Samples(const Depth &depth, int left, int top, int width, int height,
                    const std::function<bool(int, int)> &garbageAt = [](int, int) { return false; })
{
    std::string samples;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) {
            const bool garbage = garbageAt(x, y) || x < 0 || y < 0 || x >= kWidth || y >= kHeight;
            if (depth.Bits == 24) {
                const auto rgba = Expected(x, y, depth);
                samples += garbage ? kGarbage : std::string(rgba.begin(), rgba.end());
            } else {
                samples += char(garbage ? 1 : depth.Grey ? Expected(x, y, depth)[0] : Index(x, y, depth));
            }
        }
    return samples;
}

PspLayer GarbageLayer(const Depth &depth)
{
    const std::string samples = Samples(depth, 0, 0, kWidth, kHeight, [](int, int) { return true; });
    return depth.Bits == 24 ? PspBuilder::RgbaLayer(0, 0, kWidth, kHeight, samples)
                            : PspBuilder::SingleChannelLayer(0, 0, kWidth, kHeight, samples);
}

PspBuilder MakeFile(Layout layout, std::uint16_t compression, const Depth &depth)
{
    PspBuilder file;
    file.Major = layout == Layout::Version3 ? 3 : layout == Layout::Layers ? 6 : 4;
    file.Width = kWidth;
    file.Height = kHeight;
    file.Depth = depth.Bits;
    file.Greyscale = depth.Grey;
    file.Compression = compression;
    file.PadRows = layout != Layout::Layers;
    file.ExtraBlocks = {{1, "creator data"}};
    if (depth.Bits <= 8 && !depth.Grey) {
        file.Palette = Palette(depth);
        if (depth.Bits > 1)
            file.TransparentIndex = 9;
    }
    if (layout == Layout::Composite) {
        // Layers and file palette that must not be used, thumbnails to pass over.
        file.Layers = {GarbageLayer(depth)};
        for (auto &colour : file.Palette)
            colour = {1, 2, 3};
        file.Composites.push_back({2, 1, 24, PspBuilder::Jpeg, 1, {}, {}, "no JPEG decoder reads this"});
        PspComposite composite{kWidth, kHeight, depth.Bits, compression, 0, Palette(depth), {}, {}};
        const std::string samples = Samples(depth, 0, 0, kWidth, kHeight);
        for (std::uint16_t c = 0; c < (depth.Bits == 24 ? 4 : 1); ++c) {
            PspChannel channel{c < 3 ? CompositeColour : CompositeTransparency, std::uint16_t(c < 3 ? c + 1 : 0), {}, {}};
            for (std::size_t i = c; i < samples.size(); i += 4)
                channel.Samples += samples[i];
            composite.Channels.push_back(depth.Bits == 24 ? channel : PspChannel{CompositeColour, SingleChannel, samples, {}});
        }
        PspComposite thumbnail = composite;
        thumbnail.Kind = 1;
        for (PspChannel &channel : thumbnail.Channels)
            channel.Samples.assign(channel.Samples.size(), '\x01');
        file.Composites.push_back(thumbnail);
        file.Composites.push_back(composite);
        return file;
    }
    if (depth.Bits != 24) {
        file.Layers = {PspBuilder::SingleChannelLayer(0, 0, kWidth, kHeight, Samples(depth, 0, 0, kWidth, kHeight))};
        return file;
    }
    // Columns 0-2, the last one hidden by the layer above but at (2, 1); that
    // one at (2, -1), cut by the canvas, its place given partly by each
    // rectangle; then layers that must not show.
    PspLayer bottom = PspBuilder::RgbaLayer(0, 0, 3, 3, Samples(depth, 0, 0, 3, 3, [](int x, int) { return x == 2; }));
    PspLayer top = PspBuilder::RgbaLayer(2, -1, 4, 4, Samples(depth, 2, -1, 4, 4));
    bottom.Channels[0].Samples[5] = bottom.Channels[1].Samples[5] = bottom.Channels[2].Samples[5] = '\0';
    top.Channels[0].Samples[8] = top.Channels[1].Samples[8] = top.Channels[2].Samples[8] = '\xFF';
    top.Channels[3].Samples[8] = 51;
    top.Image.Left -= 1;
    top.Saved.Left += 1;
    top.Saved.Right += 1;
    top.Extensions = {{33, "raster layer extension"}};
    PspLayer hidden = GarbageLayer(depth), clear = GarbageLayer(depth), vector = GarbageLayer(depth);
    hidden.Visible = false;
    clear.Opacity = 0;
    vector.TypeField = 3;
    file.Layers = {bottom, top, hidden, clear};
    if (layout != Layout::Version3) // where every layer type is raster
        file.Layers.push_back(vector);
    return file;
}

// Pixels as 0xRRGGBBAA; colours of transparent pixels do not count.
std::vector<std::uint32_t> Visible(const std::uint8_t *rgba, std::size_t count)
{
    std::vector<std::uint32_t> pixels;
    for (std::size_t i = 0; i < count; ++i, rgba += 4)
        pixels.push_back(rgba[3] == 0 ? 0 : std::uint32_t(rgba[0]) << 24 | rgba[1] << 16 | rgba[2] << 8 | rgba[3]);
    return pixels;
}

using Variant = std::tuple<Layout, std::uint16_t, Depth>;
class PspVariants : public ::testing::TestWithParam<Variant> {};

std::string VariantName(const ::testing::TestParamInfo<Variant> &info)
{
    const auto &[layout, compression, depth] = info.param;
    return std::string(layout == Layout::Composite ? "Composite" : layout == Layout::Layers ? "Layers" : "Version3") +
           (compression == 0 ? "Uncompressed" : compression == 1 ? "RunLength" : "Lz77") + std::to_string(depth.Bits) +
           (depth.Grey ? "BitGrey" : "Bit");
}

TEST_P(PspVariants, DecodeToThePicture)
{
    const auto &[layout, compression, depth] = GetParam();
    const TRgbaImage image = DecodePsp(MakeFile(layout, compression, depth).Build(), "variant.psp");
    ASSERT_EQ(image.Width, kWidth);
    ASSERT_EQ(image.Height, kHeight);
    ASSERT_EQ(image.Pixels.size(), std::size_t(kWidth * kHeight * 4));
    std::vector<std::uint8_t> expected;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (std::uint8_t value : Expected(x, y, depth))
                expected.push_back(value);
    EXPECT_EQ(Visible(image.Pixels.data(), kWidth * kHeight), Visible(expected.data(), kWidth * kHeight));
}

INSTANTIATE_TEST_SUITE_P(
    All, PspVariants,
    ::testing::Combine(::testing::Values(Layout::Composite, Layout::Layers, Layout::Version3),
                       ::testing::Values(PspBuilder::Uncompressed, PspBuilder::RunLength, PspBuilder::Lz77),
                       ::testing::Values(Depth{1, false}, Depth{4, false}, Depth{8, false}, Depth{8, true},
                                         Depth{24, false})),
    VariantName);

// A 2 x 2 picture of one opaque 24-bit layer, and what is done to it.
struct Damage {
    const char *Name;
    std::uint16_t Compression;
    std::function<std::string(PspBuilder &)> Apply;
    const char *Message;
};
class DamagedPsp : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedPsp, IsRefusedNamingTheFile)
{
    PspBuilder file;
    file.Width = file.Height = 2;
    file.Compression = GetParam().Compression;
    file.Layers = {PspBuilder::RgbaLayer(0, 0, 2, 2, std::string(16, '\xFF'))};
    const std::string bytes = GetParam().Apply(file);
    try {
        DecodePsp(bytes, "damaged.psp");
        ADD_FAILURE() << "decoded";
    } catch (const EFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr(std::string("\"damaged.psp\" ") + GetParam().Message));
    }
}

std::function<std::string(PspBuilder &)> Cut(std::function<std::size_t(std::size_t)> length)
{
    return [length](PspBuilder &file) {
        const std::string bytes = file.Build();
        return bytes.substr(0, length(bytes.size()));
    };
}
std::function<std::string(PspBuilder &)> Change(std::function<void(PspBuilder &)> change)
{
    return [change](PspBuilder &file) {
        change(file);
        return file.Build();
    };
}
// The layer's stored part changed to rect, its channels emptied.
std::function<std::string(PspBuilder &)> Saved(PspRect rect)
{
    return Change([rect](PspBuilder &file) {
        file.Layers[0].Saved = rect;
        for (PspChannel &channel : file.Layers[0].Channels)
            channel.StoredField = "";
    });
}
// The red channel stored as these bytes.
std::function<std::string(PspBuilder &)> StoredRed(std::string stored)
{
    return Change([stored](PspBuilder &file) { file.Layers[0].Channels[0].StoredField = stored; });
}

INSTANTIATE_TEST_SUITE_P(
    All, DamagedPsp,
    ::testing::Values(
        Damage{"WrongSignature", 0, [](PspBuilder &f) { return f.Build().replace(3, 1, "t"); }, "is not a PSP picture"},
        Damage{"VersionTwo", 0, [](PspBuilder &f) { return f.Build().replace(32, 1, "\x02"); }, "uses a PSP version (2)"},
        Damage{"CutInSignature", 0, Cut([](std::size_t) { return 20; }), "is not a PSP picture"},
        Damage{"CutInHeader", 0, Cut([](std::size_t) { return 34; }), "is damaged: the file is cut short"},
        Damage{"CutAfterHeader", 0, Cut([](std::size_t) { return 36; }), "is damaged: the picture attributes are missing"},
        Damage{"CutInAttributes", 0, Cut([](std::size_t) { return 60; }), "is damaged: the file is cut short"},
        Damage{"CutInLayer", 1, Cut([](std::size_t size) { return size / 2; }), "is damaged: the file is cut short"},
        Damage{"CutInLastChannel", 2, Cut([](std::size_t size) { return size - 1; }), "is damaged: the file is cut short"},
        Damage{"LayerLongerThanItsBank", 0, Change([](PspBuilder &f) { f.Layers[0].TotalLengthField = 1000; }),
               "is damaged: a block is longer than the block holding it"},
        Damage{"ZeroWidth", 0, Change([](PspBuilder &f) { f.Width = 0; }), "is damaged: the picture is 0 x 2 pixels"},
        Damage{"HugeWidth", 0, Change([](PspBuilder &f) { f.Width = 1 << 20; }), "uses a PSP picture size (1048576 x 2)"},
        Damage{"HugeLayer", 2, Saved({0, 0, 1 << 20, 2}), "uses a PSP layer size (1048576 x 2)"},
        Damage{"NegativeLayer", 0, Saved({0, 0, 2, -1}), "is damaged: a layer has a negative size"},
        Damage{"RunPastTheEnd", 1, StoredRed("\x02\x01\x02\xFF\x07"), "is damaged: a run goes past the end"},
        Damage{"RunCutShort", 1, StoredRed("\x83\x01\x02\x01"), "is damaged: a run in a channel is cut short"},
        Damage{"DeflatePastTheEnd", 2, StoredRed(PspBuilder::Compress(std::string(64, 'x'), 2)),
               "is damaged: a channel holds more pixels than its layer"},
        Damage{"DeflateCutShort", 2, StoredRed(PspBuilder::Compress(std::string(4, 'x'), 2).substr(0, 8)),
               "is damaged: a channel's compressed data is damaged"},
        Damage{"PlainChannelShort", 0, StoredRed("abc"), "is damaged: a channel holds 3 bytes for 2 x 2 pixels"},
        Damage{"BlueMissing", 0, Change([](PspBuilder &f) { f.Layers[0].Channels.erase(f.Layers[0].Channels.begin() + 2); }),
               "is damaged: a colour channel is missing"},
        Damage{"PaletteMissing", 0, Change([](PspBuilder &f) {
                   f.Depth = 8;
                   f.Layers = {PspBuilder::SingleChannelLayer(0, 0, 2, 2, std::string(4, '\0'))};
               }),
               "is damaged: the palette is missing"},
        Damage{"SixteenBitSamples", 0, Change([](PspBuilder &f) { f.Depth = 48; }), "uses a PSP bit depth (48)"},
        Damage{"JpegLayers", 0, Change([](PspBuilder &f) { f.Compression = 3; }), "uses a PSP compression (3)"}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- hostile files

// A grey picture of width x height holding count layers of side x side pixels
// of one grey level, deflated: a few bytes a layer, whatever its size.
std::string DeflatedGreyLayers(std::int32_t width, std::int32_t height, std::int32_t side, int count)
{
    PspBuilder file;
    file.Width = width;
    file.Height = height;
    file.Depth = 8;
    file.Greyscale = true;
    file.Compression = PspBuilder::Lz77;
    const std::string stored = PspBuilder::Compress(std::string(std::size_t(side) * std::size_t(side), '\x80'),
                                                    PspBuilder::Lz77);
    for (int i = 0; i < count; ++i) {
        PspLayer layer = PspBuilder::SingleChannelLayer(0, 0, side, side, {});
        layer.Channels[0].StoredField = stored;
        file.Layers.push_back(layer);
    }
    return file.Build();
}

class HostilePsps : public ::testing::TestWithParam<coretest::THostileFile> {
protected:
    coretest::TempFolder dir;
};

TEST_P(HostilePsps, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.psp";
    coretest::ExpectSeen(GetParam(), path, [&] {
        const TRgbaImage image = DecodePsp(ReadWholeFile(path), path);
        return std::to_string(image.Width) + " x " + std::to_string(image.Height);
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostilePsps,
    ::testing::Values(
        coretest::THostileFile{"CanvasOfTheMostPixels", [] { return DeflatedGreyLayers(16384, 8192, 1, 1); },
                   "is too large to show (16384 x 8192)."},
        coretest::THostileFile{"LayerFarLargerThanTheCanvas", [] { return DeflatedGreyLayers(1, 1, 8000, 1); },
                   "is too large to show (8000 x 8000)."},
        coretest::THostileFile{"LayersOfTheWholeCanvas", [] { return DeflatedGreyLayers(2048, 2048, 2048, 10); },
                   "2048 x 2048"},
        coretest::THostileFile{"TooManyLayersOfTheWholeCanvas", [] { return DeflatedGreyLayers(2048, 2048, 2048, 1000); },
                   "is too large to show: its layers hold more pixels than its size allows."}),
    coretest::NameOf);

} // namespace
