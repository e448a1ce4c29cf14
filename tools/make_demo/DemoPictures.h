// Writers of picture files in the formats the picture viewer decodes, made
// from the file layouts alone: for the demo's sample pictures and for tests.
// Every writer takes a Picture (0xAARRGGBB pixels, top row first).
#pragma once

#include "DemoFormats.h"

#include <cstdint>
#include <string>

namespace demo {

// How a TGA file stores its pixels.
struct TgaLayout {
    enum Kind { ColourMapped = 1, TrueColour = 2, Grey = 3 };
    Kind ImageKind = TrueColour;
    bool RunLength = false;  // image types 9, 10, 11
    int Bits = 24;           // pixel depth: 16, 24, 32 true colour (16 keeps one alpha bit); 8, 16 grey (16: with alpha); 8 colour-mapped
    int MapEntryBits = 24;   // colour-mapped: 24 or 32 bits per palette entry
    bool TopDown = false;    // top row first (descriptor bit 5)
    bool RightToLeft = false; // rightmost column first (descriptor bit 4)
    std::string Id;          // the image id field after the header
};
// Grey pictures store the red channel; colour-mapped ones hold at most 256 colours.
std::string MakeTgaWith(const Picture &picture, const TgaLayout &layout);

// Run-length PCX, version 5: three 8-bit planes, or one plane and a
// 256-colour palette at the end (at most 256 colours).
std::string MakePcx(const Picture &picture, bool paletted);
// Uncompressed SGI picture, 8 bits per channel, RGB or RGBA, rows bottom-up.
std::string MakeSgi(const Picture &picture, bool withAlpha);
// PSD with raw (uncompressed) planar RGB or RGBA data and no layers.
std::string MakePsd(const Picture &picture, bool withAlpha);
// Uncompressed little-endian TIFF, 8-bit RGB, one strip; orientation is the
// value of the orientation tag (1: top-left, 3: turned 180 degrees ...).
std::string MakeTiff(const Picture &picture, int orientation = 1);
// PSP picture, version 4: one 24-bit layer with a transparency channel,
// compressed with zlib, and no composite.
std::string MakePsp(const Picture &picture);
// PNG, 8-bit RGBA, its data in stored (uncompressed) deflate blocks.
std::string MakePng(const Picture &picture);
// GIF89a with a global palette; more than 256 colours are reduced to a colour cube.
std::string MakeGif(const Picture &picture);

// A made-up emblem: rings on a gradient, with transparent corners.
Picture EmblemPicture(int width, int height);
// A made-up landscape: sky, hills and a sun; fully opaque.
Picture LandscapePicture(int width, int height);
// Made-up wooden planks running across, with dark seams and iron nails; opaque.
Picture PlanksPicture(int width, int height);
// A made-up rune: a glowing ring around a forked sign, on a transparent ground.
Picture RunePicture(int width, int height);

} // namespace demo
