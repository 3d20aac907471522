#include "browser/dropfiles.h"

#include "platform/files.h"
#include "platform/globalmem.h"
#include "platform/paths.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

int MatchesExtensionList(std::string_view list, std::string_view path)
{
    std::string ext = PathExtension(PathFileName(path));
    if (!ext.empty())
        ext.erase(0, 1);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view entry = list.substr(start, end - start);
        if (entry.find('*') != std::string_view::npos)
            return 1;
        if (!entry.empty() && entry == ext)
            return 1;
        start = end + 1;
    }
    return 0;
}

HGLOBAL MakeDropFileList(const std::vector<std::string> &paths)
{
    std::size_t size = 20 + 2;
    for (const auto &path : paths)
        size += path.size() + 1;
    auto *block = static_cast<std::uint8_t *>(GlobalAlloc(GPTR, size));
    if (block == nullptr)
        return nullptr;
    const std::uint32_t offset = 20;
    std::memcpy(block, &offset, sizeof offset);
    std::size_t at = 20;
    for (const auto &path : paths) {
        std::memcpy(block + at, path.data(), path.size());
        at += path.size() + 1;
    }
    return block;
}

std::vector<std::string> ReadDropFileList(HGLOBAL block)
{
    std::vector<std::string> paths;
    std::size_t size = GlobalSize(block);
    if (size < 20)
        return paths;
    auto *bytes = static_cast<const std::uint8_t *>(block);
    std::uint32_t offset = 0;
    std::memcpy(&offset, bytes, sizeof offset);
    std::size_t at = offset;
    while (at < size && bytes[at] != 0) {
        std::size_t end = at;
        while (end < size && bytes[end] != 0)
            ++end;
        paths.emplace_back(reinterpret_cast<const char *>(bytes + at), end - at);
        at = end + 1;
    }
    return paths;
}

std::string MakeCopyTarget(const std::string &folder, const std::string &source)
{
    std::string name = PathFileName(source);
    std::string target = JoinFolderAndName(folder, name);
    if (target.empty())
        return target;
    std::string ext = PathExtension(name);
    std::error_code ec;
    for (unsigned long n = 1; std::filesystem::exists(target, ec) || std::filesystem::is_symlink(target, ec);
         ++n) {
        name = PathStem(name) + std::to_string(n) + ext;
        target = JoinFolderAndName(folder, name);
    }
    return target;
}
