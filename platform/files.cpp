#include "platform/files.h"

#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

bool GetFileStatus(const std::string &path, FileStatusRecord &record)
{
    std::memset(&record, 0, sizeof record);
#ifndef _WIN32
    struct stat st {
    };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    std::int64_t created = st.st_mtime;
#if defined(__linux__) && defined(STATX_BTIME)
    struct statx sx {
    };
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        created = sx.stx_btime.tv_sec;
#endif
    record.creationTime = static_cast<std::int32_t>(created);
    record.lastWriteTime = static_cast<std::int32_t>(st.st_mtime);
    record.lastAccessTime = static_cast<std::int32_t>(st.st_atime);
    record.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(st.st_size & 0xFFFFFFFF));
    BYTE attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= FILE_ATTR_DIRECTORY;
    else
        attr |= FILE_ATTR_ARCHIVE;
    if (::access(path.c_str(), W_OK) != 0)
        attr |= FILE_ATTR_READONLY;
    std::string name = PathFileName(path);
    if (!name.empty() && name[0] == '.')
        attr |= FILE_ATTR_HIDDEN;
    record.attributes = attr;
#else
    std::error_code ec;
    auto status = fs::status(path, ec);
    if (ec)
        return false;
    record.size = static_cast<std::int32_t>(fs::is_regular_file(status) ? fs::file_size(path, ec) : 0);
    record.attributes = fs::is_directory(status) ? FILE_ATTR_DIRECTORY : FILE_ATTR_ARCHIVE;
#endif
    std::size_t n = std::min<std::size_t>(path.size(), kMaxPath - 1);
    std::memcpy(record.fullPath, path.data(), n);
    return true;
}

#ifndef _WIN32
int OpenRegularFile(const std::string &path)
{
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::FILE *OpenRegularFileStream(const std::string &path)
{
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return nullptr;
    std::FILE *f = ::fdopen(fd, "rb");
    if (f == nullptr)
        ::close(fd);
    return f;
}

bool CanReadRegularFile(const std::string &path)
{
    const int fd = OpenRegularFile(path);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

namespace
{

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A short name for the moment between linking the new file and renaming it over the target, so
// that a target name of 255 bytes still has a temporary.
std::string TemporaryName(const std::string &folder)
{
    static std::atomic<unsigned> counter { 0 };
    char name[48];
    std::snprintf(name, sizeof name, "/.tnv%x-%x.tmp", static_cast<unsigned>(::getpid()), counter++);
    return folder + name;
}

bool Produce(int fd, unsigned mode, const std::function<bool(int)> &write)
{
    return ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && write(fd) && ::fsync(fd) == 0;
}

// Links the complete unnamed file fd at path (directly when nothing is there, else through a
// temporary renamed over it). Linking through /proc needs no privilege, unlike AT_EMPTY_PATH.
bool LinkUnnamed(int fd, const std::string &path, const std::string &folder)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    const std::string temp = TemporaryName(folder);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return false;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

bool ReplaceFileContents(const std::string &path, unsigned mode, const std::function<bool(int fd)> &write)
{
    if (path.empty())
        return false;
    const std::string folder = FolderOf(path);
    bool ok = false;
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ok = Produce(fd, mode, write) && LinkUnnamed(fd, path, folder);
        ok = (::close(fd) == 0) && ok;
    }
#endif
    if (fd < 0) { // no unnamed files on this file system
        const std::string temp = TemporaryName(folder);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        ok = Produce(fd, mode, write);
        ok = (::close(fd) == 0) && ok && ::rename(temp.c_str(), path.c_str()) == 0;
        if (!ok)
            ::unlink(temp.c_str());
    }
    if (!ok)
        return false;
    const int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd >= 0) {
        ::fsync(dirfd); // makes the rename itself durable; failure here loses nothing
        ::close(dirfd);
    }
    return true;
}
#else
std::FILE *OpenRegularFileStream(const std::string &path)
{
    std::error_code ec;
    return fs::is_regular_file(fs::u8path(path), ec) ? std::fopen(path.c_str(), "rb") : nullptr;
}

bool CanReadRegularFile(const std::string &path)
{
    std::FILE *f = OpenRegularFileStream(path);
    if (f != nullptr)
        std::fclose(f);
    return f != nullptr;
}
#endif

bool FileExists(const std::string &path)
{
    std::error_code ec;
    auto status = fs::status(path, ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool FolderExists(const std::string &path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::vector<FolderEntry> ListFolder(const std::string &folder)
{
    std::vector<FolderEntry> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return entries;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        FolderEntry e;
        e.name = it->path().filename().string();
        std::error_code sec;
        const fs::file_status status = it->status(sec);
        if (!sec && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status))
            continue; // FIFOs, sockets and devices are no pictures and could block a reader
        e.isFolder = fs::is_directory(status);
        e.isHidden = !e.name.empty() && e.name[0] == '.';
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(),
        [](const FolderEntry &a, const FolderEntry &b) { return NaturalLess(a.name, b.name); });
    return entries;
}

bool PathExists(const std::string &path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

void MakeUniqueFileName(std::string &path)
{
    MakeUniqueFileName(path, PathExists);
}

void MakeUniqueFileName(std::string &path, const std::function<bool(const std::string &)> &exists)
{
    std::string folder = PathFolder(path);
    std::string name = PathFileName(path);
    std::string ext = PathExtension(name);
    path = folder + kPathSeparator + name;
    if (!exists(path))
        return;
    std::string stem = PathStem(name);
    for (unsigned long n = 1;; ++n) {
        std::string candidate = folder + kPathSeparator + stem + std::to_string(n) + ext;
        if (!exists(candidate)) {
            path = candidate;
            return;
        }
    }
}

std::int64_t FreeDiskSpace(const std::string &path)
{
    std::error_code ec;
    auto info = fs::space(path, ec);
    if (ec)
        return -1;
    return static_cast<std::int64_t>(info.available);
}
