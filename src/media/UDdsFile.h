// DDS textures (*.dds) in their two containers: the newer edition's own
// 20-byte short header, which carries no signature, and the standard
// container starting with "DDS ". Both hold S3TC blocks (DXT1, DXT3, DXT5),
// BC4 or BC5 blocks, or (standard only) plain pixels, with their mip levels
// back to back. The rule a reader would not guess: the first stored row is
// the bottom of the picture, as in a bottom-left TGA, so the GL takes levels
// as stored while a picture shown upright has the last stored row on top.
#pragma once

#include "media/URgbaImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TDdsFormat { Dxt1, Dxt3, Dxt5, Bc4, Bc5, Uncompressed };

// The layout of uncompressed pixels: BitCount / 8 bytes, read as a
// little-endian number, and the bits each channel takes (Alpha 0: opaque).
struct TDdsPixelMasks {
    std::uint32_t BitCount = 0;
    std::uint32_t Red = 0, Green = 0, Blue = 0, Alpha = 0;
};

struct TDdsLevel {
    int Width = 0;
    int Height = 0;
    std::string_view Bytes; // the level's bytes, inside the bytes given to ReadDds
};

struct TDdsTexture {
    TDdsFormat Format = TDdsFormat::Dxt1;
    bool ShortHeader = false;
    // DXT1 only: whether its three-colour blocks carry transparent pixels
    // (standard files flagged with alpha) or draw them opaque black (short
    // headers, standard files without the flag).
    bool Dxt1Alpha = false;
    TDdsPixelMasks Masks; // uncompressed only
    int Width = 0;
    int Height = 0;
    std::vector<TDdsLevel> Levels; // largest first; never empty

    bool Compressed() const { return Format != TDdsFormat::Uncompressed; }
    // Whether the texture has alpha: DXT3, DXT5, DXT1 with alpha, and
    // uncompressed pixels with an alpha mask.
    bool HasAlpha() const;
    // "DXT1", "BC5", "uncompressed" ...
    const char *FormatName() const;
};

// True when bytes (a whole file) hold a DDS texture: "DDS " first, or a
// short header whose sizes agree with each other and with the file.
bool IsDdsFile(std::string_view bytes);

// Reads the headers and finds the levels, which point into bytes (keep them
// alive). Levels the header declares but the file does not hold are dropped;
// a missing first level, sizes beyond the program's limits, cube maps,
// volumes, palettes and formats not listed above (such as BC7) raise
// EFileError naming fileName.
TDdsTexture ReadDds(std::string_view bytes, const std::string &fileName);

// One level as pixels, upright (the last stored row on top).
TRgbaImage DecodeDdsLevel(const TDdsTexture &texture, std::size_t level);

// The whole file as the picture a viewer shows: level 0, upright.
TRgbaImage DecodeDds(std::string_view bytes, const std::string &fileName);
