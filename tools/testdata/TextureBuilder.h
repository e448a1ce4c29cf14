// Builds the files of model textures byte by byte from their layouts: PLT
// textures, palette files, and BMP pictures in the variants a texture
// decoder meets (top-down rows, other depths, compression fields), and
// JPEG pictures made by the JPEG library.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testdata {

struct PltPixel {
    std::uint8_t Value = 0;
    std::uint8_t Layer = 0;
};

// "PLT ", eight bytes of version text and four zero bytes, width, height,
// then the pixels as (value, layer) pairs in file order: the bottom row of
// the picture first.
std::string BuildPlt(std::uint32_t width, std::uint32_t height, const std::vector<PltPixel> &filePixels);

using PaletteColour = std::array<std::uint8_t, 3>; // red, green, blue
// rows x 256 entries of four bytes: red, green, blue and a zero byte.
std::string BuildPalette(int rows, const std::function<PaletteColour(int row, int value)> &colour);

struct BmpLayout {
    int Bits = 24;                 // 24: blue, green, red; 32: plus a fourth byte of 255; 8: grey levels with a 256-entry table
    bool TopDown = false;          // a negative height, the top row stored first
    std::uint32_t Compression = 0; // stored in the field as given; the pixels stay plain
    bool ImageSizeField = true;    // false: the image-size field is 0
};
// A BITMAPINFOHEADER bitmap, rows padded to four bytes. pixel(x, y) gives
// the colour of the picture's pixel, y counted from the top.
std::string BuildBmp(int width, int height, const std::function<PaletteColour(int x, int y)> &pixel,
                     const BmpLayout &layout = {});

// A JPEG written by the JPEG library's encoder at the best quality and
// without colour subsampling, so that blocks of one colour keep it closely;
// grey: one channel, taken from the red of pixel(x, y).
std::string EncodeJpeg(int width, int height, bool grey, const std::function<PaletteColour(int x, int y)> &pixel);

} // namespace testdata
