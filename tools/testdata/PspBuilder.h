// Builds a PSP picture byte by byte from the file layout: 36-byte header, then
// blocks ("~BK\0", id, length) holding fixed chunks and nested blocks.
// Version 3 block headers carry the first chunk's length; from version 4 on
// every chunk starts with its own size instead. Samples are given one byte a
// pixel and are packed (1 and 4 bits: leftmost pixel in the high bits) and
// compressed here, one stream per channel.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testdata {

struct PspRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0; // right and bottom exclusive
};

using PspPalette = std::vector<std::array<std::uint8_t, 3>>; // red, green, blue

// Bitmap types (whose pixels) and channel types (which samples) of a channel.
enum PspBitmapType : std::uint16_t { LayerColour = 0, LayerTransparency = 1, CompositeColour = 8, CompositeTransparency = 9 };
enum PspChannelType : std::uint16_t { SingleChannel = 0, RedChannel = 1, GreenChannel = 2, BlueChannel = 3 };

struct PspChannel {
    std::uint16_t BitmapType = LayerColour;
    std::uint16_t ChannelType = SingleChannel;
    std::string Samples; // one byte a pixel, rows top to bottom: index, grey level, colour or mask value
    std::optional<std::string> StoredField; // stored instead of the packed, compressed samples
};

// One "~BK\0" block given as its id and body (an unknown block, a layer extension).
using PspRawBlock = std::pair<std::uint16_t, std::string>;

struct PspLayer {
    std::string Name = "Layer";
    std::optional<std::uint8_t> TypeField; // default: 0 (normal) in version 3, 1 (raster) later
    // The stored pixels are Saved's size and land on the canvas at
    // (Image.Left + Saved.Left, Image.Top + Saved.Top).
    PspRect Image, Saved;
    std::uint8_t Opacity = 255;
    bool Visible = true;
    std::vector<PspRawBlock> Extensions; // version 4 and later: before the bitmap chunk
    std::vector<PspChannel> Channels;
    std::optional<std::uint32_t> TotalLengthField;
};

struct PspComposite {
    std::int32_t Width = 0, Height = 0;
    std::uint16_t Depth = 24;
    std::uint16_t Compression = 0; // 3: Jpeg holds the picture
    std::uint16_t Kind = 0;        // 0 full composite, 1 thumbnail
    PspPalette Palette;            // written when Depth is 8 or less
    std::vector<PspChannel> Channels;
    std::string Jpeg;
};

class PspBuilder {
public:
    static constexpr std::uint16_t Uncompressed = 0, RunLength = 1, Lz77 = 2, Jpeg = 3;

    std::uint16_t Major = 4; // 3: the version 3 layout
    std::int32_t Width = 0, Height = 0;
    std::uint16_t Depth = 24; // 1, 4, 8 (paletted or grey), 24
    bool Greyscale = false;
    std::uint16_t Compression = Uncompressed; // of the layers' channels
    bool PadRows = false;                     // rows of every channel end on a 4-byte boundary
    PspPalette Palette;                       // the file's palette, written when not empty
    std::optional<std::uint16_t> TransparentIndex;
    std::vector<PspRawBlock> ExtraBlocks; // written after the attributes
    std::vector<PspComposite> Composites; // version 4 and later
    std::vector<PspLayer> Layers;         // bottom first

    // A layer of width x height pixels placed at (left, top): red, green, blue
    // and transparency channels from rgba (4 bytes a pixel).
    static PspLayer RgbaLayer(std::int32_t left, std::int32_t top, int width, int height, std::string_view rgba);
    // A layer with one colour channel of indices or grey levels (one byte a pixel).
    static PspLayer SingleChannelLayer(std::int32_t left, std::int32_t top, int width, int height,
                                       std::string samples);
    // Run-length packets (literals of at most 127 bytes, runs of 2 to 127) or
    // a zlib stream; bytes unchanged for Uncompressed.
    static std::string Compress(std::string_view bytes, std::uint16_t compression);

    std::string Build() const;
    void WriteTo(const std::filesystem::path &path) const;
};

} // namespace testdata
