// Small file layer of the core: bounded reads, buffered writes and atomic saves.
// Every failure raises EFileError with a text the user can act on.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A bounded, growing byte buffer read like a stream; what readers hand out
// when a caller asks for a resource "as a stream".
struct CMemoryStream {
    std::string Bytes;
    std::size_t Position = 0;
    std::size_t Size() const { return Bytes.size(); }
    // Sets the size to the count of bytes, writes them at the current
    // position and rewinds: an empty stream then holds exactly these bytes.
    void CopyIn(std::string_view bytes)
    {
        Bytes.resize(bytes.size() > Position ? bytes.size() : Position);
        Bytes.replace(Position, bytes.size(), bytes);
        Position = 0;
    }
};

// A file opened for reading. Reads never go past the end of the file: asking
// for bytes that are not there raises EFileError.
class CInputFile {
public:
    explicit CInputFile(const std::string &path);
    ~CInputFile();
    CInputFile(const CInputFile &) = delete;
    CInputFile &operator=(const CInputFile &) = delete;

    const std::string &Path() const { return m_path; }
    std::uint64_t Size() const { return m_size; }
    // True when [offset, offset + count) lies inside the file.
    bool Holds(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_size && count <= m_size - offset;
    }
    // Reads exactly count bytes at offset; raises EFileError when they are not all there.
    void ReadAt(std::uint64_t offset, void *buffer, std::size_t count) const;
    std::string ReadStringAt(std::uint64_t offset, std::size_t count) const;
    // Reads what exists of [offset, offset + count): fewer bytes near the end.
    std::string ReadAvailableAt(std::uint64_t offset, std::size_t count) const;

private:
    std::string m_path;
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// A file created (or truncated) for writing, with a write buffer.
class COutputFile {
public:
    explicit COutputFile(const std::string &path);
    // Takes over a descriptor already open for writing.
    COutputFile(int fd, const std::string &path);
    ~COutputFile(); // closes quietly; call Close() to learn about errors
    COutputFile(const COutputFile &) = delete;
    COutputFile &operator=(const COutputFile &) = delete;

    void Write(const void *data, std::size_t count);
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    void WriteAt(std::uint64_t offset, const void *data, std::size_t count);
    std::uint64_t Position() const { return m_position; }
    void Flush();
    // Flushes the buffer and waits until the data is on the disk.
    void Sync();
    void Close();

private:
    std::string m_path;
    int m_fd = -1;
    std::uint64_t m_position = 0;
    std::vector<char> m_buffer;
};

// Writes a whole extracted file in one go, as CAtomicFile writes an extracted
// file: nothing is left under the final name when a write fails, and a link
// standing at the path is replaced, never written through.
void WriteWholeFile(const std::string &path, const void *data, std::size_t count);
void WriteWholeFile(const std::string &path, std::string_view bytes);
std::string ReadWholeFile(const std::string &path);

// Writes a file so that a failure never destroys the previous one nor leaves a
// part of the new one: the content goes to a temporary file in the target's
// folder, which replaces the target only once it is complete.
class CAtomicFile {
public:
    enum class TKind {
        // A document the user saves (an archive, a settings file): a symbolic
        // link at the target keeps pointing at the file it names, which is
        // replaced; the data is on the disk before the rename.
        Document,
        // A file extracted into a folder: whatever stands at the target,
        // symbolic links included, is replaced by the new file.
        Extracted,
    };
    explicit CAtomicFile(const std::string &targetPath, TKind kind = TKind::Document);
    ~CAtomicFile(); // removes the temporary file unless Commit() succeeded
    CAtomicFile(const CAtomicFile &) = delete;
    CAtomicFile &operator=(const CAtomicFile &) = delete;

    COutputFile &File() { return *m_file; }
    void Commit();

private:
    TKind m_kind;
    std::string m_target; // the file replaced: a document's link resolved
    std::string m_temporary;
    COutputFile *m_file = nullptr;
    bool m_committed = false;
};

// Little-endian helpers for byte tables.
inline std::uint32_t ReadU32LE(const unsigned char *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint16_t ReadU16LE(const unsigned char *p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
// Some picture formats store big-endian numbers.
inline std::uint16_t ReadU16BE(const unsigned char *p)
{
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline std::int32_t ReadI32LE(const unsigned char *p)
{
    return std::int32_t(ReadU32LE(p));
}
inline void PutU32LE(unsigned char *p, std::uint32_t v)
{
    p[0] = v & 0xff;
    p[1] = (v >> 8) & 0xff;
    p[2] = (v >> 16) & 0xff;
    p[3] = (v >> 24) & 0xff;
}
inline void AppendU16LE(std::string &out, std::uint16_t v)
{
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}
inline void AppendU32LE(std::string &out, std::uint32_t v)
{
    unsigned char b[4];
    PutU32LE(b, v);
    out.append(reinterpret_cast<const char *>(b), 4);
}

// A name stored in a fixed field, read up to its first zero byte.
std::string FixedName(const unsigned char *field, std::size_t width);
