#include "app/UFileIO.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SystemError(const std::string &what, const std::string &path, int error)
{
    return what + " \"" + path + "\": " + std::strerror(error);
}

void WriteAll(int fd, const char *data, std::size_t count, const std::string &path)
{
    while (count > 0) {
        ssize_t written = ::write(fd, data, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError(SystemError("Cannot write", path, errno));
        }
        data += written;
        count -= std::size_t(written);
    }
}

constexpr std::size_t OutputBufferSize = 1 << 20;

} // namespace

// ---------------------------------------------------------------- CInputFile

CInputFile::CInputFile(const std::string &path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw EFileError(SystemError("Cannot open file", path, errno));
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(m_fd);
        throw EFileError(SystemError("Cannot open file", path, error));
    }
    m_size = std::uint64_t(info.st_size);
}

CInputFile::~CInputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CInputFile::ReadAt(std::uint64_t offset, void *buffer, std::size_t count) const
{
    if (count == 0)
        return;
    if (!Holds(offset, count))
        throw EFileError("\"" + m_path + "\" is damaged: " + std::to_string(count) + " bytes at offset " +
                         std::to_string(offset) + " lie past its end (" + std::to_string(m_size) +
                         " bytes)");
    char *out = static_cast<char *>(buffer);
    while (count > 0) {
        ssize_t got = ::pread(m_fd, out, count, off_t(offset));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError(SystemError("Cannot read", m_path, errno));
        }
        if (got == 0)
            throw EFileError("\"" + m_path + "\" became shorter while it was read");
        out += got;
        offset += std::uint64_t(got);
        count -= std::size_t(got);
    }
}

std::string CInputFile::ReadStringAt(std::uint64_t offset, std::size_t count) const
{
    if (count == 0)
        return {};
    if (!Holds(offset, count))
        ReadAt(offset, nullptr, count); // raises the damage report
    std::string bytes(count, '\0');
    ReadAt(offset, bytes.data(), count);
    return bytes;
}

std::string CInputFile::ReadAvailableAt(std::uint64_t offset, std::size_t count) const
{
    if (offset >= m_size)
        return {};
    std::uint64_t available = m_size - offset;
    return ReadStringAt(offset, std::size_t(std::min<std::uint64_t>(available, count)));
}

// ---------------------------------------------------------------- COutputFile

COutputFile::COutputFile(const std::string &path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw EFileError(SystemError("Cannot create file", path, errno));
}

COutputFile::COutputFile(int fd, const std::string &path) : m_path(path), m_fd(fd)
{
}

COutputFile::~COutputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void COutputFile::Write(const void *data, std::size_t count)
{
    const char *bytes = static_cast<const char *>(data);
    if (m_buffer.size() + count > OutputBufferSize)
        Flush();
    if (count >= OutputBufferSize)
        WriteAll(m_fd, bytes, count, m_path);
    else
        m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    m_position += count;
}

void COutputFile::WriteAt(std::uint64_t offset, const void *data, std::size_t count)
{
    Flush();
    const char *bytes = static_cast<const char *>(data);
    while (count > 0) {
        ssize_t written = ::pwrite(m_fd, bytes, count, off_t(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError(SystemError("Cannot write", m_path, errno));
        }
        bytes += written;
        offset += std::uint64_t(written);
        count -= std::size_t(written);
    }
}

void COutputFile::Flush()
{
    if (m_buffer.empty())
        return;
    WriteAll(m_fd, m_buffer.data(), m_buffer.size(), m_path);
    m_buffer.clear();
}

void COutputFile::Sync()
{
    Flush();
    if (m_fd >= 0 && ::fsync(m_fd) != 0)
        throw EFileError(SystemError("Cannot write", m_path, errno));
}

void COutputFile::Close()
{
    if (m_fd < 0)
        return;
    Flush();
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throw EFileError(SystemError("Cannot write", m_path, errno));
}

// ---------------------------------------------------------------- whole files

void WriteWholeFile(const std::string &path, const void *data, std::size_t count)
{
    CAtomicFile file(path, CAtomicFile::TKind::Extracted);
    file.File().Write(data, count);
    file.Commit();
}

void WriteWholeFile(const std::string &path, std::string_view bytes)
{
    WriteWholeFile(path, bytes.data(), bytes.size());
}

std::string ReadWholeFile(const std::string &path)
{
    CInputFile file(path);
    return file.ReadStringAt(0, std::size_t(file.Size()));
}

// ---------------------------------------------------------------- CAtomicFile

namespace {

// The file a symbolic link finally names (the path itself when it is none).
std::string ResolveLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(std::size_t(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
        if (length < 0)
            return path;
        std::string next(target.data(), std::size_t(length));
        if (next.empty() || next[0] != '/') {
            const std::size_t slash = path.rfind('/');
            next = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
        }
        path = next;
    }
    throw EFileError(SystemError("Cannot open file", path, ELOOP));
}

mode_t NewFileMode()
{
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

CAtomicFile::CAtomicFile(const std::string &targetPath, TKind kind)
    : m_kind(kind), m_target(kind == TKind::Document ? ResolveLinks(targetPath) : targetPath)
{
    // A short name in the target's folder: the rename stays on one file system
    // and a long target name cannot make it too long.
    std::string pattern = FolderOf(m_target) + ".quorlin-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        throw EFileError(SystemError("Cannot create file", targetPath, errno));
    m_temporary = name.data();
    // Keep the permissions of a document being replaced; anything else gets the usual ones.
    struct stat info {};
    const bool replacing = kind == TKind::Document ? ::stat(m_target.c_str(), &info) == 0
                                                   : ::lstat(m_target.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    ::fchmod(fd, replacing ? info.st_mode & 07777 : NewFileMode());
    m_file = new COutputFile(fd, targetPath);
}

CAtomicFile::~CAtomicFile()
{
    delete m_file;
    if (!m_committed)
        ::unlink(m_temporary.c_str());
}

void CAtomicFile::Commit()
{
    if (m_kind == TKind::Document)
        m_file->Sync();
    m_file->Close();
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        throw EFileError(SystemError("Cannot replace", m_target, errno));
    m_committed = true;
    if (m_kind == TKind::Document) {
        // The rename itself reaches the disk with the folder.
        const std::string folder = FolderOf(m_target);
        const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
}

std::string FixedName(const unsigned char *field, std::size_t width)
{
    std::size_t length = 0;
    while (length < width && field[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char *>(field), length);
}
