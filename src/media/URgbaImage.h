// A decoded picture as plain pixels, what the core's picture readers return
// and the windows turn into their own images. The limits below hold for every
// picture the program decodes, so that a hostile header cannot make any
// reader allocate without bound.
#pragma once

#include <cstdint>
#include <vector>

struct TRgbaImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels; // R, G, B, A, 8 bits each; rows top to bottom, not premultiplied
};

inline constexpr int kMaxPictureSide = 16384;
inline constexpr int kMaxPictureMegabytes = 512; // as 32-bit pixels
