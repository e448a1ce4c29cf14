// Seeds the demo data has no file of: PSP pictures of each version and
// compression, and a JPEG texture. Usage: fuzz-make-seeds FOLDER (writes
// FOLDER/Psp/... and FOLDER/Texture/...).
#include "testdata/PspBuilder.h"
#include "testdata/TextureBuilder.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using testdata::PspBuilder;

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const fs::path folder = argv[1];
    fs::create_directories(folder / "Psp");
    fs::create_directories(folder / "Texture");
    constexpr int kSide = 4;
    std::string rgba;
    for (int i = 0; i < kSide * kSide; ++i)
        rgba += std::string{char(i * 16), char(255 - i * 16), char(i * 5), char(200)};
    int number = 0;
    for (std::uint16_t major : {std::uint16_t(3), std::uint16_t(5)})
        for (std::uint16_t compression : {PspBuilder::Uncompressed, PspBuilder::RunLength, PspBuilder::Lz77}) {
            PspBuilder picture;
            picture.Major = major;
            picture.Width = kSide;
            picture.Height = kSide;
            picture.Compression = compression;
            picture.Layers.push_back(PspBuilder::RgbaLayer(0, 0, kSide, kSide, rgba));
            picture.WriteTo(folder / "Psp" / ("seed" + std::to_string(number++) + ".psp"));
        }
    // The texture harness reads its first byte as the type: 3 is JPEG.
    const std::string jpeg = testdata::EncodeJpeg(8, 8, false, [](int x, int y) {
        return testdata::PaletteColour{std::uint8_t(x * 30), std::uint8_t(y * 30), 90};
    });
    std::ofstream(folder / "Texture" / "seed.jpg", std::ios::binary) << '\3' << jpeg;
    return 0;
}
