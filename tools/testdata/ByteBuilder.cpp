#include "testdata/ByteBuilder.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace testdata {

ByteBuilder &ByteBuilder::U8(std::uint8_t value)
{
    m_bytes.push_back(static_cast<char>(value));
    return *this;
}

ByteBuilder &ByteBuilder::U16(std::uint16_t value)
{
    U8(value & 0xff);
    return U8(value >> 8);
}

ByteBuilder &ByteBuilder::U32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        U8((value >> shift) & 0xff);
    return *this;
}

ByteBuilder &ByteBuilder::U64(std::uint64_t value)
{
    U32(static_cast<std::uint32_t>(value));
    return U32(static_cast<std::uint32_t>(value >> 32));
}

ByteBuilder &ByteBuilder::F32(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(bits);
}

ByteBuilder &ByteBuilder::Bytes(std::string_view bytes)
{
    m_bytes.append(bytes);
    return *this;
}

ByteBuilder &ByteBuilder::Fixed(std::string_view text, std::size_t width)
{
    const std::size_t used = text.size() < width ? text.size() : width;
    m_bytes.append(text.substr(0, used));
    return Zeros(width - used);
}

ByteBuilder &ByteBuilder::Zeros(std::size_t count)
{
    m_bytes.append(count, '\0');
    return *this;
}

ByteBuilder &ByteBuilder::PadTo(std::size_t offset)
{
    if (m_bytes.size() < offset)
        Zeros(offset - m_bytes.size());
    return *this;
}

void ByteBuilder::PatchU16(std::size_t offset, std::uint16_t value)
{
    if (offset + 2 > m_bytes.size())
        throw std::out_of_range("ByteBuilder::PatchU16 past the end");
    m_bytes[offset] = static_cast<char>(value & 0xff);
    m_bytes[offset + 1] = static_cast<char>(value >> 8);
}

void ByteBuilder::PatchU32(std::size_t offset, std::uint32_t value)
{
    if (offset + 4 > m_bytes.size())
        throw std::out_of_range("ByteBuilder::PatchU32 past the end");
    for (int i = 0; i < 4; ++i)
        m_bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

void WriteFile(const std::filesystem::path &path, std::string_view bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot create " + path.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    std::string bytes;
    in.seekg(0, std::ios::end);
    bytes.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return bytes;
}

} // namespace testdata
