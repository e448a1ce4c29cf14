// Builds DDS textures byte by byte from their layouts: the newer edition's
// 20-byte short header and the standard "DDS " container (with or without
// its DX10 extension header), each followed by level bytes given as they are
// to be stored. Block data comes from the caller.
#pragma once

#include <cstdint>
#include <string>

namespace testdata {

// Width, height, colour-format code (3: DXT1, 4: DXT5), the size of level 0
// as stored in the header, the mean alpha, then the levels.
std::string BuildShortDds(std::uint32_t width, std::uint32_t height, std::uint32_t code, std::uint32_t baseSize,
                          const std::string &levels, float alphaMean = 1.0f);

// The fields of a standard header a test may want to vary; the defaults
// describe a compressed 2-D texture of MipCount levels.
struct DdsHeader {
    std::uint32_t Width = 4;
    std::uint32_t Height = 4;
    std::uint32_t HeaderSize = 124;
    std::uint32_t Flags = 0x1007 | 0x20000;     // caps, height, width, pixel format, mipmap count
    std::uint32_t LinearSize = 0;
    std::uint32_t Depth = 0;
    std::uint32_t MipCount = 1;
    std::uint32_t PixelFlags = 0x4;            // FOURCC
    std::string FourCC = "DXT1";
    std::uint32_t BitCount = 0;
    std::uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0, AlphaMask = 0;
    std::uint32_t Caps = 0x1000;               // texture
    std::uint32_t Caps2 = 0;
    // Written after the header when FourCC is "DX10".
    std::uint32_t DxgiFormat = 71;
    std::uint32_t Dimension = 3;
    std::uint32_t MiscFlag = 0;
    std::uint32_t ArraySize = 1;
};

// "DDS ", the 124-byte header (and the DX10 header for FourCC "DX10"), then the levels.
std::string BuildStandardDds(const DdsHeader &header, const std::string &levels);

} // namespace testdata
