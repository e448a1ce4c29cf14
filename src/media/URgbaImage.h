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

// A compressed picture can name far more pixels than its file holds: a core
// reader decodes one only while what it holds for it (the picture, and layers
// or rows on the way) takes no more than this many bytes for each byte of the
// file and the allowance, which any texture of the game stays below.
inline constexpr std::uint64_t kPictureBytesPerFileByte = 12;
inline constexpr std::uint64_t kPictureBytesAllowance = std::uint64_t(48) << 20;
inline bool PictureFitsItsFile(std::uint64_t decodedBytes, std::uint64_t fileBytes)
{
    return decodedBytes <= kPictureBytesPerFileByte * fileBytes + kPictureBytesAllowance;
}
