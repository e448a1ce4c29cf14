// Model textures decoded to plain pixels: BMP, JPEG, TGA, PLT and DDS
// pictures, each returned upright together with the pixel layout the model
// view uploads it in. That layout decides more than the upload: a texture
// uploaded as RGBA (32-bit TGA, JPEG, PLT, DDS with alpha) is drawn blended,
// the others are not, whatever alpha their pixels hold.
#pragma once

#include "media/URgbaImage.h"
#include "model/UPltFile.h"

#include <string>
#include <string_view>

// The model palette MDL.PAL: row r colours PLT layer r.
inline constexpr int kModelPaletteRows = 10;
using TModelPalette = TPaletteFile;

// Reads MDL.PAL at path (a short file leaves the rest black). Raises
// EFileError when it is missing or cannot be read.
TModelPalette LoadModelPalette(const std::string &path);

// How a picture is handed to the graphics card: three bytes a pixel in red,
// green, blue order (24-bit TGA, DDS without alpha) or blue, green, red order
// (BMP), or four bytes with alpha (32-bit TGA, JPEG, PLT, DDS with alpha:
// DXT3, DXT5, DXT1 flagged with alpha).
enum class TTextureLayout { Rgb, Bgr, Rgba };

struct TTexturePicture {
    TRgbaImage Image; // rows top to bottom; empty when there is no picture
    TTextureLayout Layout = TTextureLayout::Rgb;

    bool Empty() const { return Image.Pixels.empty(); }
    // True when the texture counts as RGBA for blending.
    bool IsRgba() const { return Layout == TTextureLayout::Rgba; }
};

// Decodes bytes as a picture of type ("BMP", "JPG", "TGA", "PLT" or "DDS" in
// any letter case). No picture, and no error, for empty bytes, any other
// type, a TGA that is colour-mapped, not true colour or under 24 bits, a PLT
// without its signature and a JPEG the decoder cannot read. Raises
// EFileError naming name for a BMP or TGA of a depth that cannot be shown,
// a size its bytes cannot hold, a DDS the reader refuses, or any picture
// beyond the program's limits. A PLT needs palette, the model palette.
TTexturePicture DecodeTexture(std::string_view bytes, const std::string &type, const std::string &name,
                              const TModelPalette *palette);

// The colour MDL.PAL gives a PLT pixel: row "layer", entry "value"; pure blue
// for layers above 9.
TRgb ModelPaletteColor(const TModelPalette &palette, std::uint8_t value, std::uint8_t layer);

// The decoder type a file's extension names ("TGA" for "x.tga"), empty for
// any other extension (".jpeg" included).
std::string TextureTypeOfPath(const std::string &path);
