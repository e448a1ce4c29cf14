// Little-endian byte builder for hand-made test files, and two small file helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace testdata {

class ByteBuilder {
public:
    ByteBuilder &U8(std::uint8_t value);
    ByteBuilder &U16(std::uint16_t value);
    ByteBuilder &U32(std::uint32_t value);
    ByteBuilder &I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
    ByteBuilder &U64(std::uint64_t value);
    ByteBuilder &F32(float value);
    ByteBuilder &Bytes(std::string_view bytes);
    // text in a field of width bytes: cut when longer, padded with zero bytes when shorter
    ByteBuilder &Fixed(std::string_view text, std::size_t width);
    ByteBuilder &Zeros(std::size_t count);
    // pads with zero bytes up to offset (no effect when already past it)
    ByteBuilder &PadTo(std::size_t offset);

    // Overwrite bytes already written (for offsets known only later).
    void PatchU16(std::size_t offset, std::uint16_t value);
    void PatchU32(std::size_t offset, std::uint32_t value);

    std::size_t Size() const { return m_bytes.size(); }
    const std::string &Data() const { return m_bytes; }
    std::string Take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

// Writes bytes to path, creating missing parent folders; throws std::runtime_error on failure.
void WriteFile(const std::filesystem::path &path, std::string_view bytes);
// Reads a whole file; throws std::runtime_error when it cannot be read.
std::string ReadFile(const std::filesystem::path &path);

} // namespace testdata
