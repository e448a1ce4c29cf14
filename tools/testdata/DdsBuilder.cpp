#include "testdata/DdsBuilder.h"

#include "testdata/ByteBuilder.h"

namespace testdata {

std::string BuildShortDds(std::uint32_t width, std::uint32_t height, std::uint32_t code, std::uint32_t baseSize,
                          const std::string &levels, float alphaMean)
{
    ByteBuilder dds;
    dds.U32(width).U32(height).U32(code).U32(baseSize).F32(alphaMean).Bytes(levels);
    return dds.Take();
}

std::string BuildStandardDds(const DdsHeader &header, const std::string &levels)
{
    ByteBuilder dds;
    dds.Bytes("DDS ").U32(header.HeaderSize).U32(header.Flags).U32(header.Height).U32(header.Width);
    dds.U32(header.LinearSize).U32(header.Depth).U32(header.MipCount).Zeros(44);
    dds.U32(32).U32(header.PixelFlags).Fixed(header.FourCC, 4).U32(header.BitCount);
    dds.U32(header.RedMask).U32(header.GreenMask).U32(header.BlueMask).U32(header.AlphaMask);
    dds.U32(header.Caps).U32(header.Caps2).Zeros(12);
    if (header.FourCC == "DX10")
        dds.U32(header.DxgiFormat).U32(header.Dimension).U32(header.MiscFlag).U32(header.ArraySize).U32(0);
    dds.Bytes(levels);
    return dds.Take();
}

} // namespace testdata
