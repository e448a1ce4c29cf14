#include "testdata/PspBuilder.h"

#include "testdata/ByteBuilder.h"

#include <zlib.h>

#include <stdexcept>

namespace testdata {

namespace {

// The signature: 25 bytes of text, a line feed, 0x1A and five zero bytes.
constexpr unsigned char kSignature[32] = {0x50, 0x61, 0x69, 0x6E, 0x74, 0x20, 0x53, 0x68, 0x6F, 0x70, 0x20,
                                          0x50, 0x72, 0x6F, 0x20, 0x49, 0x6D, 0x61, 0x67, 0x65, 0x20, 0x46,
                                          0x69, 0x6C, 0x65, 0x0A, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr unsigned char kBlockMarker[4] = {0x7E, 0x42, 0x4B, 0x00};
constexpr unsigned char kFieldMarker[4] = {0x7E, 0x46, 0x4C, 0x00};
constexpr std::uint64_t kResolution72 = 0x4052000000000000; // 72.0 as a double
constexpr std::uint32_t kRasterLayersFlag = 0x00000001;
constexpr std::uint32_t kCompositeStoredFlag = 0x04000000;

std::string_view AsText(const unsigned char *bytes, std::size_t count)
{
    return {reinterpret_cast<const char *>(bytes), count};
}

ByteBuilder &Rect(ByteBuilder &out, const PspRect &rect)
{
    return out.I32(rect.Left).I32(rect.Top).I32(rect.Right).I32(rect.Bottom);
}

// The layer fields both layouts share, from the transparency-protect flag to
// the blend ranges: no mask, every blend range the full 0-255 span.
ByteBuilder &MaskAndBlendRanges(ByteBuilder &out)
{
    out.U8(0).U8(0).Zeros(32).U8(0).U8(0).U8(0).U16(0);
    for (int pair = 0; pair < 10; ++pair)
        out.U16(0x0000).U16(0xFFFF);
    return out;
}

class Writer {
public:
    explicit Writer(const PspBuilder &file) : m_file(file), m_v3(file.Major == 3) {}

    // A block whose body starts with a chunk of fixed fields.
    std::string Block(std::uint16_t id, const std::string &fields, const std::string &rest,
                      std::optional<std::uint32_t> totalLength = std::nullopt) const
    {
        ByteBuilder body;
        if (!m_v3)
            body.U32(static_cast<std::uint32_t>(4 + fields.size())); // a chunk counts its own size
        body.Bytes(fields).Bytes(rest);
        const std::uint32_t total = totalLength.value_or(static_cast<std::uint32_t>(body.Size()));
        return Header(id, static_cast<std::uint32_t>(fields.size()), total) + body.Take();
    }

    // A block with no chunk of its own.
    std::string RawBlock(std::uint16_t id, const std::string &body) const
    {
        return Header(id, 0, static_cast<std::uint32_t>(body.size())) + body;
    }

    std::string Attributes() const
    {
        ByteBuilder fields;
        fields.I32(m_file.Width).I32(m_file.Height).U64(kResolution72).U8(1); // pixels per inch
        fields.U16(m_file.Compression).U16(m_file.Depth).U16(1);
        fields.U32(m_file.Depth >= 32 ? 0 : std::uint32_t(1) << m_file.Depth).U8(m_file.Greyscale ? 1 : 0);
        fields.U32(0).I32(0).U16(static_cast<std::uint16_t>(m_file.Layers.size()));
        if (!m_v3)
            fields.U32(kRasterLayersFlag | (m_file.Composites.empty() ? 0 : kCompositeStoredFlag));
        return Block(0, fields.Take(), "");
    }

    std::string Palette(const PspPalette &palette) const
    {
        ByteBuilder entries;
        for (const auto &colour : palette)
            entries.U8(colour[0]).U8(colour[1]).U8(colour[2]).U8(0);
        return Block(2, ByteBuilder().U32(static_cast<std::uint32_t>(palette.size())).Take(), entries.Take());
    }

    std::string TransparentIndex(std::uint16_t index) const
    {
        ByteBuilder field;
        field.Bytes(AsText(kFieldMarker, 4)).U16(0).U32(2).U16(index); // keyword 0: transparent index
        return RawBlock(10, field.Take());
    }

    std::string Channel(const PspChannel &channel, int width, int height, std::uint16_t depth,
                        std::uint16_t compression) const
    {
        const bool index = channel.ChannelType == SingleChannel && !m_file.Greyscale && depth <= 8 &&
                           (channel.BitmapType == LayerColour || channel.BitmapType == CompositeColour);
        const int bits = index ? depth : 8;
        const std::string stored = channel.StoredField
                                       ? *channel.StoredField
                                       : PspBuilder::Compress(Packed(channel.Samples, width, height, bits), compression);
        // What the editor writes as the uncompressed length: the size of the
        // whole layer's bitmap with padded rows, whatever the channel holds.
        const auto bitmapSize = static_cast<std::uint32_t>((width * (depth > 8 ? 24 : depth) + 31) / 32 * 4 * height);
        ByteBuilder fields;
        fields.U32(static_cast<std::uint32_t>(stored.size())).U32(bitmapSize);
        fields.U16(channel.BitmapType).U16(channel.ChannelType);
        return Block(5, fields.Take(), stored);
    }

    std::string Channels(const std::vector<PspChannel> &channels, int width, int height, std::uint16_t depth,
                         std::uint16_t compression) const
    {
        std::string out;
        for (const auto &channel : channels)
            out += Channel(channel, width, height, depth, compression);
        return out;
    }

    std::string Layer(const PspLayer &layer) const
    {
        const int width = layer.Saved.Right - layer.Saved.Left;
        const int height = layer.Saved.Bottom - layer.Saved.Top;
        std::uint16_t bitmaps = 1;
        for (const auto &channel : layer.Channels)
            bitmaps += channel.BitmapType == LayerTransparency ? 1 : 0;
        const auto channelCount = static_cast<std::uint16_t>(layer.Channels.size());
        const std::string channels = Channels(layer.Channels, width, height, m_file.Depth, m_file.Compression);

        ByteBuilder info;
        if (m_v3) {
            info.Fixed(layer.Name, 256).U8(layer.TypeField.value_or(0));
            Rect(Rect(info, layer.Image), layer.Saved).U8(layer.Opacity).U8(0).U8(layer.Visible ? 1 : 0);
            MaskAndBlendRanges(info).U16(bitmaps).U16(channelCount);
            return Block(4, info.Take(), channels, layer.TotalLengthField);
        }
        info.U16(static_cast<std::uint16_t>(layer.Name.size())).Bytes(layer.Name).U8(layer.TypeField.value_or(1));
        Rect(Rect(info, layer.Image), layer.Saved).U8(layer.Opacity).U8(0).U8(layer.Visible ? 1 : 0);
        MaskAndBlendRanges(info);
        if (m_file.Major >= 6)
            info.U8(0).U32(0); // highlight flag and colour
        std::string rest;
        for (const auto &[id, body] : layer.Extensions)
            rest += RawBlock(id, body);
        rest += ByteBuilder().U32(8).U16(bitmaps).U16(channelCount).Take();
        return Block(4, info.Take(), rest + channels, layer.TotalLengthField);
    }

    std::string CompositeBank() const
    {
        std::string attributes, images;
        for (const auto &composite : m_file.Composites) {
            ByteBuilder fields;
            fields.I32(composite.Width).I32(composite.Height).U16(composite.Depth).U16(composite.Compression).U16(1);
            fields.U32(composite.Depth >= 32 ? 0 : std::uint32_t(1) << composite.Depth).U16(composite.Kind);
            attributes += Block(17, fields.Take(), "");
            if (composite.Compression == PspBuilder::Jpeg) {
                ByteBuilder jpeg;
                jpeg.U32(static_cast<std::uint32_t>(composite.Jpeg.size())).U32(0).U16(composite.Kind == 0 ? 8 : 5);
                images += Block(18, jpeg.Take(), composite.Jpeg);
                continue;
            }
            std::uint16_t bitmaps = 1;
            for (const auto &channel : composite.Channels)
                bitmaps += channel.BitmapType == CompositeTransparency ? 1 : 0;
            const std::string palette = composite.Depth <= 8 ? Palette(composite.Palette) : "";
            images += Block(9, ByteBuilder().U16(bitmaps).U16(static_cast<std::uint16_t>(composite.Channels.size())).Take(),
                            palette + Channels(composite.Channels, composite.Width, composite.Height, composite.Depth,
                                               composite.Compression));
        }
        const auto count = static_cast<std::uint32_t>(m_file.Composites.size());
        return Block(16, ByteBuilder().U32(count).Take(), attributes + images);
    }

private:
    const PspBuilder &m_file;
    bool m_v3;

    std::string Header(std::uint16_t id, std::uint32_t firstChunkLength, std::uint32_t totalLength) const
    {
        ByteBuilder header;
        header.Bytes(AsText(kBlockMarker, 4)).U16(id);
        if (m_v3)
            header.U32(firstChunkLength);
        return header.U32(totalLength).Take();
    }

    std::string Packed(const std::string &samples, int width, int height, int bits) const
    {
        if (samples.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
            throw std::invalid_argument("PspBuilder: a channel needs one sample a pixel");
        const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 7) / 8;
        const std::size_t stride = m_file.PadRows ? (rowBytes + 3) / 4 * 4 : rowBytes;
        std::string packed(stride * static_cast<std::size_t>(height), '\0');
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto value = static_cast<unsigned char>(samples[static_cast<std::size_t>(y * width + x)]);
                char &byte = packed[y * stride + static_cast<std::size_t>(x * bits / 8)];
                if (bits == 8)
                    byte = static_cast<char>(value);
                else if (bits == 4)
                    byte = static_cast<char>(byte | (value & 0x0F) << (x % 2 == 0 ? 4 : 0));
                else
                    byte = static_cast<char>(byte | (value & 1) << (7 - x % 8));
            }
        return packed;
    }
};

} // namespace

PspLayer PspBuilder::RgbaLayer(std::int32_t left, std::int32_t top, int width, int height, std::string_view rgba)
{
    PspLayer layer;
    layer.Image = {left, top, left + width, top + height};
    layer.Saved = {0, 0, width, height};
    const std::pair<std::uint16_t, std::uint16_t> channels[] = {
        {LayerColour, RedChannel}, {LayerColour, GreenChannel}, {LayerColour, BlueChannel}, {LayerTransparency, SingleChannel}};
    for (std::size_t c = 0; c < 4; ++c) {
        PspChannel channel{channels[c].first, channels[c].second, {}, {}};
        for (std::size_t i = c; i < rgba.size(); i += 4)
            channel.Samples += rgba[i];
        layer.Channels.push_back(std::move(channel));
    }
    return layer;
}

PspLayer PspBuilder::SingleChannelLayer(std::int32_t left, std::int32_t top, int width, int height,
                                        std::string samples)
{
    PspLayer layer;
    layer.Image = {left, top, left + width, top + height};
    layer.Saved = {0, 0, width, height};
    layer.Channels.push_back({LayerColour, SingleChannel, std::move(samples), {}});
    return layer;
}

std::string PspBuilder::Compress(std::string_view bytes, std::uint16_t compression)
{
    if (compression == Lz77) {
        uLongf size = compressBound(static_cast<uLong>(bytes.size()));
        std::string out(size, '\0');
        if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(bytes.data()),
                      static_cast<uLong>(bytes.size()), Z_BEST_COMPRESSION) != Z_OK)
            throw std::runtime_error("PspBuilder: zlib could not compress a channel");
        out.resize(size);
        return out;
    }
    if (compression != RunLength)
        return std::string(bytes);
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t run = 1;
        while (i + run < bytes.size() && run < 127 && bytes[i + run] == bytes[i])
            ++run;
        if (run >= 2) {
            out += static_cast<char>(128 + run);
            out += bytes[i];
            i += run;
            continue;
        }
        // A literal up to the next run of two.
        const std::size_t start = i;
        while (i < bytes.size() && i - start < 127 && !(i + 1 < bytes.size() && bytes[i + 1] == bytes[i]))
            ++i;
        out += static_cast<char>(i - start);
        out.append(bytes.substr(start, i - start));
    }
    return out;
}

std::string PspBuilder::Build() const
{
    const Writer writer(*this);
    ByteBuilder out;
    out.Bytes(AsText(kSignature, sizeof kSignature)).U16(Major).U16(0);
    out.Bytes(writer.Attributes());
    for (const auto &[id, body] : ExtraBlocks)
        out.Bytes(writer.RawBlock(id, body));
    if (!Palette.empty())
        out.Bytes(writer.Palette(Palette));
    if (TransparentIndex)
        out.Bytes(writer.TransparentIndex(*TransparentIndex));
    if (!Composites.empty())
        out.Bytes(writer.CompositeBank());
    std::string layers;
    for (const auto &layer : Layers)
        layers += writer.Layer(layer);
    out.Bytes(writer.RawBlock(3, layers));
    return out.Take();
}

void PspBuilder::WriteTo(const std::filesystem::path &path) const
{
    WriteFile(path, Build());
}

} // namespace testdata
