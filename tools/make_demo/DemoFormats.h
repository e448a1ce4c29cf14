// Makers of small, made-up files in the formats the viewer reads, for the demo data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

// Pixels are rows of BGRA quadruples, top row first.
struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels; // 0xAARRGGBB
};
Picture CheckerPicture(int width, int height, std::uint32_t a, std::uint32_t b, int cell);
Picture StripesPicture(int width, int height, const std::vector<std::uint32_t> &colours);

std::string MakeTga(const Picture &picture);    // uncompressed, 24 bits, bottom-up
std::string MakeTgaRle(const Picture &picture); // run-length, 32 bits, top-down
std::string MakeBmp(const Picture &picture);    // 24 bits, rows padded to four bytes

} // namespace demo
