#include "browser/cachelocation.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string UserThumbCacheFolder()
{
    std::string base;
    if (const char *xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else if (const char *home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        base = std::string(home) + "/.cache";
    else
        return {};
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/tarnis-viewer/thumbs";
}

std::string SpareCachePath(const std::string &root, const std::string &folder)
{
    if (root.empty() || folder.empty())
        return {};
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : folder) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::string safe;
    for (unsigned char c : folder) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
            || c == '-' || c == '_';
        safe += plain ? static_cast<char>(c) : '_';
    }
    constexpr std::size_t kKeep = 96;
    if (safe.size() > kKeep)
        safe.erase(0, safe.size() - kKeep);
    static const char kHex[] = "0123456789abcdef";
    std::string digits(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        digits[i] = kHex[hash & 15];
    return root + "/" + safe + "-" + digits + ".tnv";
}

std::string CacheFileToRead(const std::string &folderFile, const std::string &spareFile)
{
    std::error_code ec;
    if (spareFile.empty() || !std::filesystem::is_regular_file(spareFile, ec))
        return folderFile;
    auto spareTime = std::filesystem::last_write_time(spareFile, ec);
    if (ec)
        return folderFile;
    auto folderTime = std::filesystem::last_write_time(folderFile, ec);
    if (ec || !std::filesystem::is_regular_file(folderFile, ec) || spareTime >= folderTime)
        return spareFile;
    return folderFile;
}
