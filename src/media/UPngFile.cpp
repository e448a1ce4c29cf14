// A PNG file is the signature and a chain of chunks (length, type, data,
// CRC-32 of type and data): the header, the zlib stream of the filtered rows
// cut into data chunks, and the end. Every row is filtered with "none".
#include "media/UPngFile.h"

#include "app/UFileIO.h"

#include <zlib.h>

#include <new>
#include <stdexcept>
#include <vector>

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr std::uint8_t kBitDepth = 8;
constexpr std::uint8_t kColourTypeRgba = 6;
constexpr std::uint8_t kFilterNone = 0;
constexpr std::size_t kChunkData = 1 << 20; // bytes of compressed data per chunk, at most

void AppendU32BE(std::string &out, std::uint32_t value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void AppendChunk(std::string &out, const char *type, const std::string &data)
{
    AppendU32BE(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.append(type, 4);
    out += data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(out.data() + start), uInt(out.size() - start));
    AppendU32BE(out, std::uint32_t(crc));
}

// Deflates what is given into IDAT chunks appended to out.
class CDataChunks {
public:
    explicit CDataChunks(std::string &out) : m_out(out)
    {
        if (deflateInit(&m_stream, Z_DEFAULT_COMPRESSION) != Z_OK)
            throw std::bad_alloc();
    }
    ~CDataChunks() { deflateEnd(&m_stream); }
    CDataChunks(const CDataChunks &) = delete;
    CDataChunks &operator=(const CDataChunks &) = delete;

    void Add(const std::uint8_t *bytes, std::size_t count) { Deflate(bytes, count, Z_NO_FLUSH); }
    void Finish() { Deflate(nullptr, 0, Z_FINISH); }

private:
    std::string &m_out;
    z_stream m_stream{};
    std::vector<std::uint8_t> m_buffer = std::vector<std::uint8_t>(kChunkData);

    void Deflate(const std::uint8_t *bytes, std::size_t count, int flush)
    {
        m_stream.next_in = const_cast<Bytef *>(bytes);
        m_stream.avail_in = uInt(count); // one row: far below 4 GB
        for (;;) {
            m_stream.next_out = m_buffer.data();
            m_stream.avail_out = uInt(m_buffer.size());
            const int result = deflate(&m_stream, flush);
            if (result == Z_STREAM_ERROR)
                throw std::runtime_error("cannot compress the picture");
            const std::size_t produced = m_buffer.size() - m_stream.avail_out;
            if (produced > 0)
                AppendChunk(m_out, "IDAT", std::string(reinterpret_cast<const char *>(m_buffer.data()), produced));
            if (flush == Z_FINISH ? result == Z_STREAM_END : m_stream.avail_in == 0 && m_stream.avail_out > 0)
                return;
        }
    }
};

} // namespace

std::string EncodePng(const TRgbaImage &picture)
{
    std::string out(kSignature, sizeof kSignature - 1);
    std::string header;
    AppendU32BE(header, std::uint32_t(picture.Width));
    AppendU32BE(header, std::uint32_t(picture.Height));
    header += char(kBitDepth);
    header += char(kColourTypeRgba);
    header += '\0'; // deflate
    header += '\0'; // adaptive filtering, one filter byte per row
    header += '\0'; // not interlaced
    AppendChunk(out, "IHDR", header);

    CDataChunks data(out);
    const std::size_t rowBytes = std::size_t(picture.Width) * 4;
    const std::uint8_t filter = kFilterNone;
    for (int y = 0; y < picture.Height; ++y) {
        data.Add(&filter, 1);
        data.Add(picture.Pixels.data() + std::size_t(y) * rowBytes, rowBytes);
    }
    data.Finish();
    AppendChunk(out, "IEND", {});
    return out;
}

void SavePng(const std::string &path, const TRgbaImage &picture)
{
    WriteWholeFile(path, EncodePng(picture));
}
