#include "testdata/TextureBuilder.h"

#include "testdata/ByteBuilder.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>

namespace testdata {

std::string BuildPlt(std::uint32_t width, std::uint32_t height, const std::vector<PltPixel> &filePixels)
{
    ByteBuilder out;
    out.Bytes("PLT V1  ").Zeros(8).U32(width).U32(height);
    for (const PltPixel &pixel : filePixels)
        out.U8(pixel.Value).U8(pixel.Layer);
    return out.Take();
}

std::string BuildPalette(int rows, const std::function<PaletteColour(int row, int value)> &colour)
{
    ByteBuilder out;
    for (int row = 0; row < rows; ++row)
        for (int value = 0; value < 256; ++value) {
            const PaletteColour c = colour(row, value);
            out.U8(c[0]).U8(c[1]).U8(c[2]).U8(0);
        }
    return out.Take();
}

std::string BuildBmp(int width, int height, const std::function<PaletteColour(int x, int y)> &pixel,
                     const BmpLayout &layout)
{
    const std::uint32_t rowBytes = std::uint32_t(width) * std::uint32_t(layout.Bits) / 8;
    const std::uint32_t stride = (rowBytes + 3) & ~3u;
    const std::uint32_t tableEntries = layout.Bits == 8 ? 256 : 0;
    const std::uint32_t dataOffset = 14 + 40 + 4 * tableEntries;
    const std::uint32_t imageSize = stride * std::uint32_t(height);

    ByteBuilder out;
    out.Bytes("BM").U32(dataOffset + imageSize).U32(0).U32(dataOffset);
    out.U32(40).I32(width).I32(layout.TopDown ? -height : height).U16(1).U16(std::uint16_t(layout.Bits));
    out.U32(layout.Compression).U32(layout.ImageSizeField ? imageSize : 0).U32(2835).U32(2835);
    out.U32(0).U32(0); // colours used (0: all the table holds), important
    for (std::uint32_t i = 0; i < tableEntries; ++i)
        out.U8(std::uint8_t(i)).U8(std::uint8_t(i)).U8(std::uint8_t(i)).U8(0);
    for (int row = 0; row < height; ++row) {
        const int y = layout.TopDown ? row : height - 1 - row;
        const std::size_t start = out.Size();
        for (int x = 0; x < width; ++x) {
            const PaletteColour c = pixel(x, y);
            if (layout.Bits == 8) {
                out.U8(c[0]);
                continue;
            }
            out.U8(c[2]).U8(c[1]).U8(c[0]);
            if (layout.Bits == 32)
                out.U8(255);
        }
        out.PadTo(start + stride);
    }
    return out.Take();
}

std::string EncodeJpeg(int width, int height, bool grey, const std::function<PaletteColour(int x, int y)> &pixel)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const PaletteColour c = pixel(x, y);
            if (grey)
                row[std::size_t(x)] = c[0];
            else
                std::copy(c.begin(), c.end(), row.begin() + 3 * x);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char *>(buffer), size);
    std::free(buffer);
    return bytes;
}

} // namespace testdata
