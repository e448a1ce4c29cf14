// Seeds the demo data has no file of: PSP pictures of each version and
// compression, a JPEG texture, and DDS textures of the kinds the demo's
// DXT1 and DXT5 files leave out (DXT3, BC4, BC5, plain pixels, the DX10
// header). Usage: fuzz-make-seeds FOLDER (writes FOLDER/Psp/...,
// FOLDER/Texture/... and FOLDER/Dds/...).
#include "testdata/DdsBuilder.h"
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
    fs::create_directories(folder / "Dds");
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

    // 8 x 4 with the full chain: 5 blocks, or 8 x 4 x 4 + ... bytes of plain pixels.
    struct DdsSeed {
        const char *FourCC;
        std::uint32_t DxgiFormat;
        std::size_t Bytes;
    };
    const DdsSeed kinds[] = {{"DXT3", 0, 5 * 16}, {"ATI1", 0, 5 * 8}, {"ATI2", 0, 5 * 16},
                             {"", 0, (32 + 8 + 2 + 1) * 4}, {"DX10", 71, 5 * 8}, {"DX10", 87, (32 + 8 + 2 + 1) * 4}};
    for (const DdsSeed &kind : kinds) {
        testdata::DdsHeader header;
        header.Width = 8;
        header.MipCount = 4;
        header.FourCC = kind.FourCC;
        header.DxgiFormat = kind.DxgiFormat;
        if (header.FourCC.empty()) {
            header.PixelFlags = 0x41;
            header.BitCount = 32;
            header.RedMask = 0xFF0000, header.GreenMask = 0xFF00, header.BlueMask = 0xFF, header.AlphaMask = 0xFF000000;
        }
        std::string levels;
        for (std::size_t i = 0; i < kind.Bytes; ++i)
            levels += char(i * 37 + 11);
        std::ofstream(folder / "Dds" / ("seed" + std::to_string(number++) + ".dds"), std::ios::binary)
            << testdata::BuildStandardDds(header, levels);
    }
    return 0;
}
