#include "codec/fileio.h"

#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#include <random>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace codexa
{

namespace
{

constexpr std::size_t kMaxFileBytes = std::size_t(2) << 30;

#ifndef _WIN32
bool WriteAll(int fd, const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
#endif

} // namespace

#ifndef _WIN32

Status FileBuffer::Read(const char *path, std::size_t maxBytes)
{
    m_size = 0;
    if (path == nullptr || *path == '\0')
        return Status::IoError;
    int fd = OpenRegularFile(path); // never blocks on a FIFO or device
    if (fd < 0)
        return Status::IoError;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return Status::IoError;
    }
    std::size_t want = static_cast<std::size_t>(st.st_size);
    if (maxBytes != 0 && want > maxBytes)
        want = maxBytes;
    if (want > kMaxFileBytes) {
        ::close(fd);
        return Status::TooLarge;
    }
    if (!Reserve(want)) {
        ::close(fd);
        return Status::NoMemory;
    }
    std::size_t got = 0;
    while (got < want) {
        ssize_t n = ::read(fd, m_data.get() + got, want - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    m_size = got; // a file that shrank meanwhile is read as it is now
    return Status::Ok;
}

Status WriteFileAtomically(const std::string &path, Bytes data)
{
    if (path.empty())
        return Status::IoError;
    struct stat link {
    };
    // A symbolic link itself is replaced (its target is left alone); the rules below apply to
    // what it points to.
    const bool exists = ::lstat(path.c_str(), &link) == 0;
    struct stat old {
    };
    const bool target = exists && ::stat(path.c_str(), &old) == 0;
    if (target && !S_ISREG(old.st_mode))
        return Status::IoError; // a folder, FIFO or device is never replaced
    // Refused even where the account's rights would allow it (root): the user marked it so.
    if (target && ((old.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0))
        return Status::ReadOnly;
    mode_t mode;
    if (target) {
        mode = old.st_mode & 0777; // never the set-user or set-group bit
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool ok
        = ReplaceFileContents(path, mode, [&data](int fd) { return WriteAll(fd, data.data, data.size); });
    return ok ? Status::Ok : Status::IoError;
}

#else // _WIN32: the same contract over the standard library (ReplaceFile semantics via rename).

Status FileBuffer::Read(const char *path, std::size_t maxBytes)
{
    m_size = 0;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p(reinterpret_cast<const char8_t *>(path ? path : ""));
    if (!fs::is_regular_file(p, ec))
        return Status::IoError;
    std::uintmax_t size = fs::file_size(p, ec);
    if (ec)
        return Status::IoError;
    if (maxBytes != 0 && size > maxBytes)
        size = maxBytes;
    if (size > kMaxFileBytes)
        return Status::TooLarge;
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return Status::IoError;
    if (!Reserve(static_cast<std::size_t>(size)))
        return Status::NoMemory;
    in.read(reinterpret_cast<char *>(m_data.get()), static_cast<std::streamsize>(size));
    m_size = static_cast<std::size_t>(in.gcount());
    return Status::Ok;
}

Status WriteFileAtomically(const std::string &path, Bytes data)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(std::u8string(reinterpret_cast<const char8_t *>(path.data()), path.size()));
    if (fs::is_directory(target, ec))
        return Status::IoError;
    std::random_device rd;
    fs::path temp = target;
    temp += ".tmp" + std::to_string(rd());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data.data), static_cast<std::streamsize>(data.size));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return Status::IoError;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Status::IoError;
    }
    return Status::Ok;
}

#endif

bool FileBuffer::Reserve(std::size_t n)
{
    if (n <= m_capacity)
        return true;
    std::size_t grown = n + n / 4;
    m_data.reset(new (std::nothrow) std::uint8_t[grown]);
    m_capacity = m_data ? grown : 0;
    return m_data != nullptr;
}

void FileBuffer::Trim(std::size_t keep)
{
    if (m_capacity > keep) {
        m_data.reset();
        m_capacity = 0;
        m_size = 0;
    }
}

} // namespace codexa
