#include "platform/files.h"

#include "platform/paths.h"

#include <algorithm>
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
        e.isFolder = it->is_directory(sec);
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
