// Reader of PSP pictures: a chain of blocks ("~BK\0" headers) nesting other
// blocks, in two layouts. Version 3 headers carry the length of a fixed-size
// first chunk; later versions drop it and start every chunk with its own
// size instead, which grows as newer versions append fields, so the reader
// always continues at the chunk's stated end, never right after the fields
// it knows. Every length is checked against the block holding it before it
// is used, and no buffer is sized by the file's "uncompressed length" fields,
// which real files fill with other numbers.
#include "media/UPSP.h"

#include "app/UFileIO.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace {

// The signature: 25 bytes of text, a line feed, 0x1A and five zero bytes.
constexpr unsigned char kSignature[32] = {0x50, 0x61, 0x69, 0x6E, 0x74, 0x20, 0x53, 0x68, 0x6F, 0x70, 0x20,
                                          0x50, 0x72, 0x6F, 0x20, 0x49, 0x6D, 0x61, 0x67, 0x65, 0x20, 0x46,
                                          0x69, 0x6C, 0x65, 0x0A, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr std::size_t kFileHeaderSize = 36; // signature, major and minor version
constexpr unsigned char kBlockMarker[4] = {0x7E, 0x42, 0x4B, 0x00};
constexpr unsigned char kFieldMarker[4] = {0x7E, 0x46, 0x4C, 0x00};
constexpr std::size_t kV3BlockHeaderSize = 14; // marker, id, first chunk length, total length
constexpr std::size_t kBlockHeaderSize = 10;   // marker, id, total length
constexpr std::size_t kFieldHeaderSize = 10;   // marker, keyword, value length

constexpr std::uint16_t kAttributesBlock = 0;
constexpr std::uint16_t kPaletteBlock = 2;
constexpr std::uint16_t kLayerBankBlock = 3;
constexpr std::uint16_t kLayerBlock = 4;
constexpr std::uint16_t kChannelBlock = 5;
constexpr std::uint16_t kCompositeImageBlock = 9; // in version 3 files: a thumbnail, never read
constexpr std::uint16_t kExtendedDataBlock = 10;
constexpr std::uint16_t kCompositeBankBlock = 16;
constexpr std::uint16_t kCompositeAttributesBlock = 17;

constexpr std::uint16_t kTransparentIndexKeyword = 0;

constexpr std::uint16_t kUncompressed = 0;
constexpr std::uint16_t kRunLength = 1;
constexpr std::uint16_t kDeflate = 2; // a zlib stream, called "LZ77" by the format
constexpr std::uint16_t kJpeg = 3;    // composites only

// Bitmap types: whose pixels a channel holds.
constexpr std::uint16_t kLayerColour = 0;
constexpr std::uint16_t kLayerTransparency = 1;
constexpr std::uint16_t kCompositeColour = 8;
constexpr std::uint16_t kCompositeTransparency = 9;
// Channel types: 0 the only one (index, grey or mask), then red, green, blue.
constexpr std::uint16_t kSingleChannel = 0;
constexpr std::uint16_t kLastChannelType = 3;

constexpr std::uint16_t kFullComposite = 0; // the other kind is a thumbnail

// Bytes of the fields read from each fixed chunk, without the size that
// starts a chunk in version 4 and later; in version 3 these are the minimum
// first-chunk lengths.
constexpr std::size_t kAttributesFields = 38;
constexpr std::size_t kPaletteFields = 4;
constexpr std::size_t kChannelFields = 12;
constexpr std::size_t kV3LayerFields = 375;
constexpr std::size_t kLayerFieldsAfterName = 115; // 121 + name length, less size and name length
constexpr std::size_t kBitmapFields = 4;
constexpr std::size_t kBankFields = 4;
constexpr std::size_t kCompositeAttributesFields = 20;
constexpr std::size_t kCompositeImageFields = 4;

constexpr std::size_t kMaxPaletteEntries = 256;
constexpr std::size_t kMaxLayers = 4096;
// Layers are decoded and blended pixel by pixel, and a few bytes of a file
// can name a layer of the whole canvas: all layers together may hold no more
// pixels than this allowance and this many for each byte of the file.
constexpr std::uint64_t kLayerPixelsAllowance = std::uint64_t(48) << 20;
constexpr std::uint64_t kLayerPixelsPerFileByte = 32;
constexpr std::size_t kMaxComposites = 16;
constexpr std::size_t kMaxChannels = 8; // per layer or composite
// What one stored byte can become at most: a run-length pair gives 127
// bytes, deflate about 1032.
constexpr std::uint64_t kMaxRunLengthGain = 127 / 2 + 1;
constexpr std::uint64_t kMaxDeflateGain = 1032;

enum class TColourModel { Rgb, Grey, Paletted };

struct TRect {
    std::int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct TBlock {
    std::uint16_t Id = 0;
    std::size_t Body = 0; // offsets in the file
    std::size_t End = 0;
    std::uint32_t FirstChunkLength = 0; // version 3 only
};

// The fixed fields that open a block (or follow its earlier chunks).
struct TChunk {
    const unsigned char *Fields = nullptr;
    std::size_t Next = 0; // offset of what follows the chunk
};

struct TStoredChannel {
    std::uint16_t BitmapType = 0;
    std::uint16_t ChannelType = 0;
    std::string_view Data;
};

// A decompressed channel: rows of Stride bytes, samples of Bits bits.
struct TSamples {
    std::vector<std::uint8_t> Bytes;
    std::size_t Stride = 0;
    int Bits = 8;

    unsigned At(int x, int y) const
    {
        const std::uint8_t *row = Bytes.data() + std::size_t(y) * Stride;
        switch (Bits) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1u; // leftmost pixel in the high bit
        case 4:
            return (x & 1) ? row[x >> 1] & 0x0Fu : unsigned(row[x >> 1] >> 4);
        default:
            return row[x];
        }
    }
};

using TPalette = std::vector<std::array<std::uint8_t, 3>>;

// The decoded channels of one layer or composite, and how they make colours.
struct TPixelSource {
    TColourModel Model = TColourModel::Rgb;
    std::array<TSamples, 3> Colour; // red, green, blue; or index or grey in the first
    std::optional<TSamples> Alpha;
    const TPalette *Palette = nullptr;
    std::optional<std::uint16_t> TransparentIndex;
    unsigned Opacity = 255;

    void PixelAt(int x, int y, std::uint8_t *rgba) const
    {
        unsigned alpha = Alpha ? Alpha->At(x, y) : 255;
        if (Model == TColourModel::Rgb) {
            for (int c = 0; c < 3; ++c)
                rgba[c] = std::uint8_t(Colour[c].At(x, y));
        } else if (Model == TColourModel::Grey) {
            rgba[0] = rgba[1] = rgba[2] = std::uint8_t(Colour[0].At(x, y));
        } else {
            const unsigned index = Colour[0].At(x, y);
            if (index < Palette->size())
                std::memcpy(rgba, (*Palette)[index].data(), 3);
            else
                rgba[0] = rgba[1] = rgba[2] = 0; // outside the palette: black
            if (TransparentIndex && index == *TransparentIndex)
                alpha = 0;
        }
        rgba[3] = std::uint8_t((alpha * Opacity + 127) / 255);
    }
};

// Straight-alpha "source over": what the editor that wrote the file shows
// for a layer in the normal blend mode.
void BlendOver(std::uint8_t *canvas, const std::uint8_t *layer)
{
    if (layer[3] == 0)
        return;
    if (layer[3] == 255 || canvas[3] == 0) {
        std::memcpy(canvas, layer, 4);
        return;
    }
    const double layerAlpha = layer[3] / 255.0;
    const double keptAlpha = canvas[3] / 255.0 * (1.0 - layerAlpha);
    const double alpha = layerAlpha + keptAlpha;
    for (int c = 0; c < 3; ++c)
        canvas[c] = std::uint8_t(std::lround((layer[c] * layerAlpha + canvas[c] * keptAlpha) / alpha));
    canvas[3] = std::uint8_t(std::lround(alpha * 255.0));
}

class CPspReader {
public:
    CPspReader(std::string_view bytes, const std::string &fileName) : m_bytes(bytes), m_fileName(fileName) {}

    TRgbaImage Decode();

private:
    std::string_view m_bytes;
    const std::string &m_fileName;
    bool m_v3 = false;

    int m_width = 0;
    int m_height = 0;
    TColourModel m_model = TColourModel::Rgb;
    std::uint16_t m_depth = 0;
    std::uint16_t m_layerCompression = kUncompressed;
    TPalette m_palette;
    bool m_hasPalette = false;
    std::optional<std::uint16_t> m_transparentIndex;

    [[noreturn]] void Damaged(const std::string &reason) const
    {
        throw EFileError("\"" + m_fileName + "\" is damaged: " + reason + ".");
    }
    [[noreturn]] void Unsupported(const std::string &what) const
    {
        throw EFileError("\"" + m_fileName + "\" uses a PSP " + what + " that cannot be shown.");
    }
    // Refuses a picture whose pixels, with those held besides them while it is
    // decoded (otherPixels), would take more memory than its file allows.
    void CheckFitsTheFile(std::int64_t width, std::int64_t height, std::uint64_t otherPixels) const
    {
        constexpr std::uint64_t kBytesPerPixel = 4; // the picture, and the channels of a layer
        if (!PictureFitsItsFile(kBytesPerPixel * (std::uint64_t(width * height) + otherPixels), m_bytes.size()))
            throw EFileError("\"" + m_fileName + "\" is too large to show (" + std::to_string(width) + " x " +
                             std::to_string(height) + ").");
    }

    const unsigned char *At(std::size_t offset) const
    {
        return reinterpret_cast<const unsigned char *>(m_bytes.data()) + offset;
    }

    std::optional<TBlock> NextBlock(std::size_t &pos, std::size_t end, bool topLevel) const;
    TChunk ChunkAt(std::size_t start, std::size_t end, std::size_t fieldBytes, const char *what) const;
    TChunk FirstChunk(const TBlock &block, std::size_t fieldBytes, const char *what) const;

    void ReadAttributes(const TBlock &block);
    TColourModel ColourModel(std::uint16_t depth) const;
    void CheckCompression(std::uint16_t compression) const;
    TPalette ReadPalette(const TBlock &block) const;
    void ReadExtendedData(const TBlock &block);
    std::vector<TStoredChannel> ReadChannels(std::size_t pos, std::size_t end) const;
    TSamples Decompress(std::string_view stored, std::uint16_t compression, int width, int height, int bits) const;
    TPixelSource DecodeChannels(const std::vector<TStoredChannel> &channels, std::uint16_t colourType,
                                std::uint16_t alphaType, TColourModel model, std::uint16_t depth,
                                std::uint16_t compression, int width, int height,
                                const TPalette *ownPalette = nullptr) const;
    TRgbaImage NewCanvas() const;
    std::optional<TRgbaImage> DecodeComposite(const TBlock &bank) const;
    TRgbaImage DecodeCompositeImage(const TBlock &image, std::uint16_t depth, std::uint16_t compression) const;
    TRgbaImage DecodeLayers(const TBlock &bank) const;
    // Draws the layer over canvas; layerPixels counts the pixels of the layers drawn.
    void DrawLayer(const TBlock &layer, TRgbaImage &canvas, std::uint64_t &layerPixels) const;
};

// The block at pos, which then points past it; nullopt at the end. The file
// may carry a tail that is no block, but inside a block only blocks follow.
std::optional<TBlock> CPspReader::NextBlock(std::size_t &pos, std::size_t end, bool topLevel) const
{
    const std::size_t headerSize = m_v3 ? kV3BlockHeaderSize : kBlockHeaderSize;
    if (pos == end)
        return std::nullopt;
    if (end - pos < headerSize || std::memcmp(At(pos), kBlockMarker, sizeof kBlockMarker) != 0) {
        if (topLevel)
            return std::nullopt;
        Damaged("a block header is damaged or cut short");
    }
    TBlock block;
    block.Id = ReadU16LE(At(pos + 4));
    if (m_v3)
        block.FirstChunkLength = ReadU32LE(At(pos + 6));
    const std::uint32_t total = ReadU32LE(At(pos + headerSize - 4));
    block.Body = pos + headerSize;
    if (total > end - block.Body)
        Damaged(topLevel ? "the file is cut short" : "a block is longer than the block holding it");
    block.End = block.Body + total;
    pos = block.End;
    return block;
}

// A chunk that starts with its own size (version 4 and later).
TChunk CPspReader::ChunkAt(std::size_t start, std::size_t end, std::size_t fieldBytes, const char *what) const
{
    if (end - start < 4)
        Damaged(std::string(what) + " is cut short");
    const std::uint32_t size = ReadU32LE(At(start));
    if (size < 4 + fieldBytes || size > end - start)
        Damaged(std::string(what) + " has a wrong size");
    return {At(start + 4), start + size};
}

TChunk CPspReader::FirstChunk(const TBlock &block, std::size_t fieldBytes, const char *what) const
{
    if (!m_v3)
        return ChunkAt(block.Body, block.End, fieldBytes, what);
    if (block.FirstChunkLength < fieldBytes || block.FirstChunkLength > block.End - block.Body)
        Damaged(std::string(what) + " has a wrong size");
    return {At(block.Body), block.Body + block.FirstChunkLength};
}

void CPspReader::ReadAttributes(const TBlock &block)
{
    const TChunk chunk = FirstChunk(block, kAttributesFields, "the picture attributes");
    const std::int32_t width = ReadI32LE(chunk.Fields);
    const std::int32_t height = ReadI32LE(chunk.Fields + 4);
    m_layerCompression = ReadU16LE(chunk.Fields + 17);
    m_depth = ReadU16LE(chunk.Fields + 19);
    const std::uint16_t planes = ReadU16LE(chunk.Fields + 21);
    const bool grey = chunk.Fields[27] != 0;

    if (width <= 0 || height <= 0)
        Damaged("the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        std::uint64_t(width) * std::uint64_t(height) * 4 > std::uint64_t(kMaxPictureMegabytes) << 20)
        Unsupported("picture size (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    if (planes != 1)
        Damaged("the picture has " + std::to_string(planes) + " planes");
    CheckFitsTheFile(width, height, 0);
    m_width = width;
    m_height = height;
    m_model = ColourModel(m_depth);
    if (m_model == TColourModel::Paletted && grey && m_depth == 8)
        m_model = TColourModel::Grey; // its palette, if any, is a grey ramp
    CheckCompression(m_layerCompression);
}

TColourModel CPspReader::ColourModel(std::uint16_t depth) const
{
    switch (depth) {
    case 1:
    case 4:
    case 8:
        return TColourModel::Paletted;
    case 24:
        return TColourModel::Rgb;
    case 16: // grey and colour of 16 bits a sample
    case 48:
        Unsupported("bit depth (" + std::to_string(depth) + ")");
    default:
        Damaged("the bit depth is " + std::to_string(depth));
    }
}

void CPspReader::CheckCompression(std::uint16_t compression) const
{
    if (compression > kDeflate)
        Unsupported("compression (" + std::to_string(compression) + ")");
}

TPalette CPspReader::ReadPalette(const TBlock &block) const
{
    const TChunk chunk = FirstChunk(block, kPaletteFields, "a palette");
    const std::uint32_t count = ReadU32LE(chunk.Fields);
    if (count > kMaxPaletteEntries || count * 4 > block.End - chunk.Next)
        Damaged("a palette lists more colours than it holds");
    TPalette palette(count);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(palette[i].data(), At(chunk.Next + 4 * i), 3); // red, green, blue, unused
    return palette;
}

void CPspReader::ReadExtendedData(const TBlock &block)
{
    std::size_t pos = block.Body;
    while (block.End - pos >= kFieldHeaderSize && std::memcmp(At(pos), kFieldMarker, sizeof kFieldMarker) == 0) {
        const std::uint16_t keyword = ReadU16LE(At(pos + 4));
        const std::uint32_t length = ReadU32LE(At(pos + 6));
        const std::size_t value = pos + kFieldHeaderSize;
        if (length > block.End - value)
            Damaged("an extended data field is longer than its block");
        if (keyword == kTransparentIndexKeyword && length >= 2)
            m_transparentIndex = ReadU16LE(At(value));
        pos = value + length;
    }
}

// The channel blocks among the blocks in [pos, end).
std::vector<TStoredChannel> CPspReader::ReadChannels(std::size_t pos, std::size_t end) const
{
    std::vector<TStoredChannel> channels;
    while (const std::optional<TBlock> block = NextBlock(pos, end, false)) {
        if (block->Id != kChannelBlock)
            continue;
        if (channels.size() == kMaxChannels)
            Damaged("a layer has more than " + std::to_string(kMaxChannels) + " channels");
        const TChunk chunk = FirstChunk(*block, kChannelFields, "a channel");
        const std::uint32_t length = ReadU32LE(chunk.Fields);
        TStoredChannel channel;
        channel.BitmapType = ReadU16LE(chunk.Fields + 8);
        channel.ChannelType = ReadU16LE(chunk.Fields + 10);
        if (channel.ChannelType > kLastChannelType)
            Damaged("a channel has the unknown type " + std::to_string(channel.ChannelType));
        if (length > block->End - chunk.Next)
            Damaged("a channel's data is longer than its block");
        channel.Data = m_bytes.substr(chunk.Next, length);
        channels.push_back(channel);
    }
    return channels;
}

// Rows may or may not be padded to 4 bytes (files of the same version
// differ), so the decompressed size tells which.
TSamples CPspReader::Decompress(std::string_view stored, std::uint16_t compression, int width, int height,
                                int bits) const
{
    const std::uint64_t packedRow = (std::uint64_t(width) * unsigned(bits) + 7) / 8;
    const std::uint64_t paddedRow = (packedRow + 3) & ~std::uint64_t(3);
    const std::uint64_t packedSize = packedRow * unsigned(height);
    const std::uint64_t paddedSize = paddedRow * unsigned(height);
    const std::uint64_t storedSize = stored.size();
    if ((compression == kRunLength && packedSize > storedSize * kMaxRunLengthGain) ||
        (compression == kDeflate && packedSize > storedSize * kMaxDeflateGain))
        Damaged("a channel holds too little data for its pixels");

    if (compression == kUncompressed && storedSize != packedSize && storedSize != paddedSize)
        Damaged("a channel holds " + std::to_string(storedSize) + " bytes for " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels");

    TSamples samples;
    samples.Bits = bits;
    std::uint64_t decoded = 0;
    if (compression == kUncompressed) {
        samples.Bytes.assign(stored.begin(), stored.end());
        decoded = storedSize;
    } else if (compression == kRunLength) {
        samples.Bytes.resize(std::size_t(paddedSize));
        const auto *in = reinterpret_cast<const std::uint8_t *>(stored.data());
        std::size_t pos = 0;
        while (pos < stored.size()) {
            const unsigned control = in[pos++];
            const bool repeat = control > 128;
            const std::uint64_t count = repeat ? control - 128 : control; // 128: a literal, as other readers do
            if ((repeat ? 1 : count) > stored.size() - pos)
                Damaged("a run in a channel is cut short");
            if (count > paddedSize - decoded)
                Damaged("a run goes past the end of its channel");
            if (repeat)
                std::memset(samples.Bytes.data() + decoded, in[pos++], std::size_t(count));
            else if (count > 0)
                std::memcpy(samples.Bytes.data() + decoded, in + pos, std::size_t(count));
            pos += repeat ? 0 : std::size_t(count);
            decoded += count;
        }
    } else {
        samples.Bytes.resize(std::size_t(paddedSize));
        z_stream stream{};
        if (inflateInit(&stream) != Z_OK)
            throw std::bad_alloc();
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stored.data()));
        stream.avail_in = uInt(stored.size()); // at most a 32-bit length field
        stream.next_out = samples.Bytes.data();
        stream.avail_out = uInt(paddedSize);   // at most the largest picture
        const int result = inflate(&stream, Z_FINISH);
        const bool full = stream.avail_out == 0 && stream.avail_in > 0;
        decoded = stream.total_out;
        inflateEnd(&stream);
        if (result != Z_STREAM_END)
            Damaged(full ? "a channel holds more pixels than its layer" : "a channel's compressed data is damaged");
    }
    if (decoded == packedSize) {
        samples.Stride = std::size_t(packedRow);
    } else if (decoded == paddedSize) {
        samples.Stride = std::size_t(paddedRow);
    } else {
        Damaged("a channel holds " + std::to_string(decoded) + " bytes for " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels");
    }
    samples.Bytes.resize(std::size_t(decoded));
    return samples;
}

TPixelSource CPspReader::DecodeChannels(const std::vector<TStoredChannel> &channels, std::uint16_t colourType,
                                        std::uint16_t alphaType, TColourModel model, std::uint16_t depth,
                                        std::uint16_t compression, int width, int height,
                                        const TPalette *ownPalette) const
{
    auto find = [&](std::uint16_t bitmapType, std::uint16_t channelType) -> const TStoredChannel * {
        for (const TStoredChannel &channel : channels) {
            if (channel.BitmapType == bitmapType && channel.ChannelType == channelType)
                return &channel;
        }
        return nullptr;
    };
    TPixelSource source;
    source.Model = model;
    const int colourChannels = model == TColourModel::Rgb ? 3 : 1;
    const int bits = model == TColourModel::Paletted ? depth : 8;
    for (int c = 0; c < colourChannels; ++c) {
        const std::uint16_t channelType = model == TColourModel::Rgb ? std::uint16_t(c + 1) : kSingleChannel;
        const TStoredChannel *channel = find(colourType, channelType);
        if (!channel)
            Damaged("a colour channel is missing");
        source.Colour[std::size_t(c)] = Decompress(channel->Data, compression, width, height, bits);
    }
    if (const TStoredChannel *alpha = find(alphaType, kSingleChannel))
        source.Alpha = Decompress(alpha->Data, compression, width, height, 8);
    if (model == TColourModel::Paletted) {
        if (!ownPalette && !m_hasPalette)
            Damaged("the palette is missing");
        source.Palette = ownPalette ? ownPalette : &m_palette;
        source.TransparentIndex = m_transparentIndex;
    }
    return source;
}

TRgbaImage CPspReader::NewCanvas() const
{
    TRgbaImage canvas;
    canvas.Width = m_width;
    canvas.Height = m_height;
    canvas.Pixels.assign(std::size_t(m_width) * std::size_t(m_height) * 4, 0);
    return canvas;
}

// The first full-size composite stored in a form decoded here; JPEG ones
// are left to the layers.
std::optional<TRgbaImage> CPspReader::DecodeComposite(const TBlock &bank) const
{
    std::size_t pos = FirstChunk(bank, kBankFields, "the composite bank").Next;
    std::vector<TBlock> attributes, images; // the i-th attributes describe the i-th image
    while (const std::optional<TBlock> block = NextBlock(pos, bank.End, false)) {
        if (block->Id == kCompositeAttributesBlock)
            attributes.push_back(*block);
        else
            images.push_back(*block);
        if (attributes.size() > kMaxComposites || images.size() > kMaxComposites)
            Damaged("the composite bank holds too many pictures");
    }
    for (std::size_t i = 0; i < attributes.size() && i < images.size(); ++i) {
        const TChunk chunk = FirstChunk(attributes[i], kCompositeAttributesFields, "a composite's attributes");
        const std::int32_t width = ReadI32LE(chunk.Fields);
        const std::int32_t height = ReadI32LE(chunk.Fields + 4);
        const std::uint16_t depth = ReadU16LE(chunk.Fields + 8);
        const std::uint16_t compression = ReadU16LE(chunk.Fields + 10);
        const std::uint16_t kind = ReadU16LE(chunk.Fields + 18);
        if (kind != kFullComposite || width != m_width || height != m_height || compression == kJpeg)
            continue;
        if (images[i].Id != kCompositeImageBlock)
            Damaged("a composite is missing");
        return DecodeCompositeImage(images[i], depth, compression);
    }
    return std::nullopt;
}

TRgbaImage CPspReader::DecodeCompositeImage(const TBlock &image, std::uint16_t depth, std::uint16_t compression) const
{
    CheckCompression(compression);
    TColourModel model = ColourModel(depth);
    if (model == TColourModel::Paletted && m_model == TColourModel::Grey)
        model = TColourModel::Grey;
    CheckFitsTheFile(m_width, m_height, std::uint64_t(m_width) * std::uint64_t(m_height));
    std::size_t pos = FirstChunk(image, kCompositeImageFields, "a composite").Next;
    // Its own palette, when it has one, comes before its channels.
    std::optional<TPalette> palette;
    const std::size_t channelsStart = pos;
    while (const std::optional<TBlock> block = NextBlock(pos, image.End, false)) {
        if (block->Id == kPaletteBlock && !palette)
            palette = ReadPalette(*block);
    }
    const TPixelSource source =
        DecodeChannels(ReadChannels(channelsStart, image.End), kCompositeColour, kCompositeTransparency, model, depth,
                       compression, m_width, m_height, palette ? &*palette : nullptr);
    TRgbaImage picture = NewCanvas();
    std::uint8_t *pixel = picture.Pixels.data();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x, pixel += 4)
            source.PixelAt(x, y, pixel);
    return picture;
}

TRgbaImage CPspReader::DecodeLayers(const TBlock &bank) const
{
    TRgbaImage canvas = NewCanvas();
    std::size_t pos = m_v3 ? FirstChunk(bank, 0, "the layer bank").Next : bank.Body;
    std::size_t layers = 0;
    std::uint64_t layerPixels = 0;
    while (const std::optional<TBlock> block = NextBlock(pos, bank.End, false)) {
        if (block->Id != kLayerBlock)
            continue;
        if (++layers > kMaxLayers)
            Damaged("the file has more than " + std::to_string(kMaxLayers) + " layers");
        DrawLayer(*block, canvas, layerPixels);
    }
    return canvas;
}

void CPspReader::DrawLayer(const TBlock &layer, TRgbaImage &canvas, std::uint64_t &layerPixels) const
{
    const unsigned char *fields = nullptr; // from the layer type on
    std::size_t channelsStart = 0;
    bool raster = true;
    if (m_v3) {
        TBlock fixed = layer;
        if (fixed.FirstChunkLength == 0) // written so by some programs
            fixed.FirstChunkLength = kV3LayerFields;
        const TChunk info = FirstChunk(fixed, kV3LayerFields, "a layer");
        fields = info.Fields + 256; // after the name
        channelsStart = info.Next;
    } else {
        if (layer.End - layer.Body < 6)
            Damaged("a layer is cut short");
        const std::size_t nameLength = ReadU16LE(At(layer.Body + 4));
        const TChunk info = ChunkAt(layer.Body, layer.End, 2 + nameLength + kLayerFieldsAfterName, "a layer");
        fields = info.Fields + 2 + nameLength;
        raster = fields[0] == 1 || fields[0] == 2; // raster or floating raster selection
        // Extensions of the layer (vector, group, mask data ...) before its bitmap chunk.
        std::size_t pos = info.Next;
        while (layer.End - pos >= sizeof kBlockMarker && std::memcmp(At(pos), kBlockMarker, sizeof kBlockMarker) == 0)
            NextBlock(pos, layer.End, false);
        channelsStart = ChunkAt(pos, layer.End, kBitmapFields, "a layer's bitmap list").Next;
    }
    auto rect = [](const unsigned char *p) {
        return TRect{ReadI32LE(p), ReadI32LE(p + 4), ReadI32LE(p + 8), ReadI32LE(p + 12)};
    };
    const TRect image = rect(fields + 1);
    const TRect saved = rect(fields + 17); // the part of the layer whose pixels are stored
    const unsigned opacity = fields[33];
    const bool visible = m_v3 ? fields[35] != 0 : (fields[35] & 1) != 0; // later versions: a flag set
    if (!visible || !raster)
        return;

    const std::int64_t width = saved.Right - saved.Left;
    const std::int64_t height = saved.Bottom - saved.Top;
    if (width < 0 || height < 0)
        Damaged("a layer has a negative size");
    if (width == 0 || height == 0)
        return;
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height * 4 > std::int64_t(kMaxPictureMegabytes) << 20)
        Unsupported("layer size (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    // The layer's channels are decoded whole while the canvas holds the picture.
    CheckFitsTheFile(width, height, std::uint64_t(m_width) * std::uint64_t(m_height));
    layerPixels += std::uint64_t(width * height);
    if (layerPixels > kLayerPixelsAllowance + kLayerPixelsPerFileByte * m_bytes.size())
        throw EFileError("\"" + m_fileName + "\" is too large to show: its layers hold more pixels than its size "
                                               "allows.");

    TPixelSource source = DecodeChannels(ReadChannels(channelsStart, layer.End), kLayerColour, kLayerTransparency,
                                         m_model, m_depth, m_layerCompression, int(width), int(height));
    source.Opacity = opacity;
    const std::int64_t left = image.Left + saved.Left;
    const std::int64_t top = image.Top + saved.Top;
    const int firstX = int(std::clamp<std::int64_t>(-left, 0, width));
    const int lastX = int(std::clamp<std::int64_t>(m_width - left, 0, width)); // exclusive
    const int firstY = int(std::clamp<std::int64_t>(-top, 0, height));
    const int lastY = int(std::clamp<std::int64_t>(m_height - top, 0, height));
    for (int y = firstY; y < lastY; ++y) {
        std::uint8_t *row = canvas.Pixels.data() + (std::size_t(top + y) * std::size_t(m_width)) * 4;
        for (int x = firstX; x < lastX; ++x) {
            std::uint8_t pixel[4];
            source.PixelAt(x, y, pixel);
            BlendOver(row + std::size_t(left + x) * 4, pixel);
        }
    }
}

TRgbaImage CPspReader::Decode()
{
    if (!IsPspFile(m_bytes))
        throw EFileError("\"" + m_fileName + "\" is not a PSP picture.");
    if (m_bytes.size() < kFileHeaderSize)
        Damaged("the file is cut short");
    const std::uint16_t major = ReadU16LE(At(32));
    if (major < 3)
        Unsupported("version (" + std::to_string(major) + ")");
    m_v3 = major == 3;

    std::optional<TBlock> compositeBank, layerBank;
    bool attributesRead = false;
    std::size_t pos = kFileHeaderSize;
    while (const std::optional<TBlock> block = NextBlock(pos, m_bytes.size(), true)) {
        if (attributesRead == (block->Id == kAttributesBlock))
            Damaged(attributesRead ? "the picture attributes appear twice" : "the picture attributes do not come first");
        switch (block->Id) {
        case kAttributesBlock:
            ReadAttributes(*block);
            attributesRead = true;
            break;
        case kPaletteBlock:
            m_palette = ReadPalette(*block);
            m_hasPalette = true;
            break;
        case kExtendedDataBlock:
            ReadExtendedData(*block);
            break;
        case kCompositeBankBlock:
            if (!m_v3 && !compositeBank)
                compositeBank = block;
            break;
        case kLayerBankBlock:
            if (!layerBank)
                layerBank = block;
            break;
        default:
            break; // creator data, selections, thumbnails, tool settings ...
        }
    }
    if (!attributesRead)
        Damaged("the picture attributes are missing");
    if (compositeBank) {
        if (std::optional<TRgbaImage> composite = DecodeComposite(*compositeBank))
            return std::move(*composite);
    }
    if (!layerBank)
        Damaged("the file holds no pixels");
    return DecodeLayers(*layerBank);
}

} // namespace

bool IsPspFile(std::string_view bytes)
{
    return bytes.size() >= sizeof kSignature && std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

TRgbaImage DecodePsp(std::string_view bytes, const std::string &fileName)
{
    return CPspReader(bytes, fileName).Decode();
}
