#include "browser/thumbcachefile.h"

#include "browser/archive.h"
#include "browser/thumbobj.h"
#include "platform/files.h"
#include "platform/globalmem.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::string_view kClassName = "CThumbObj";

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// One slot of the load map: index 0 is no object, then classes and objects in reading order.
struct LoadSlot {
    bool isClass = false;
    CThumbObj *object = nullptr;
};

} // namespace

void StoreThumbList(ArchiveWriter &ar, const ThumbItemList &items)
{
    constexpr std::size_t kFlushBytes = std::size_t(1) << 20;
    ar.WriteCount(static_cast<std::uint32_t>(items.size()));
    bool classWritten = false;
    for (const auto &item : items) {
        if (!classWritten) {
            ar.WriteU16(kNewClassTag);
            ar.WriteU16(0); // schema
            ar.WriteU16(static_cast<std::uint16_t>(kClassName.size()));
            ar.WriteBytes(kClassName.data(), kClassName.size());
            classWritten = true;
        } else {
            ar.WriteU16(kClassTag | 1);
        }
        item->Serialize(ar);
        ar.FlushIfAbove(kFlushBytes);
    }
}

bool LoadThumbList(ArchiveReader &ar, ThumbItemList &items)
{
    std::uint32_t count = 0;
    if (!ar.ReadCount(count))
        return false;
    ThumbItemList loaded;
    std::vector<LoadSlot> map(1);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t tag = 0;
        if (!ar.ReadU16(tag))
            return false;
        std::uint32_t obTag = 0;
        if (tag == kBigObjectTag) {
            if (!ar.ReadU32(obTag))
                return false;
        } else {
            obTag = (static_cast<std::uint32_t>(tag & kClassTag) << 16) | (tag & ~kClassTag);
        }
        if ((obTag & kBigClassTag) == 0) {
            // No object, or one already read: nothing new enters the list.
            if (obTag == kNullTag)
                continue;
            if (obTag >= map.size() || map[obTag].isClass)
                return false;
            continue;
        }
        if (tag == kNewClassTag) {
            std::uint16_t schema = 0;
            std::uint16_t length = 0;
            if (!ar.ReadU16(schema) || !ar.ReadU16(length))
                return false;
            const std::uint8_t *name = ar.Take(length);
            if (name == nullptr || schema != 0
                || std::string_view(reinterpret_cast<const char *>(name), length) != kClassName)
                return false;
            map.push_back(LoadSlot { true, nullptr });
        } else {
            std::uint32_t classIndex = obTag & ~kBigClassTag;
            if (classIndex == 0 || classIndex >= map.size() || !map[classIndex].isClass)
                return false;
        }
        auto item = std::make_shared<CThumbObj>();
        map.push_back(LoadSlot { false, item.get() });
        if (!item->Serialize(ar))
            return false;
        loaded.push_back(std::move(item));
    }
    items = std::move(loaded);
    return true;
}

std::vector<std::uint8_t> MakeThumbCache(std::string_view signature, const ThumbItemList &items)
{
    ArchiveWriter ar;
    std::int64_t size = 10240 + static_cast<std::int64_t>(signature.size());
    for (const auto &item : items)
        size += item->GetStoreSize();
    ar.Reserve(static_cast<std::size_t>(std::min<std::int64_t>(size, std::int64_t(1) << 30)));
    ar.WriteString(signature);
    StoreThumbList(ar, items);
    return ar.TakeBytes();
}

namespace
{

bool ParseWith(ArchiveReader &ar, std::string_view signature, ThumbItemList &items)
{
    items.clear();
    std::string first;
    if (!ar.ReadString(first) || !EqualNoCase(first, signature))
        return false;
    return LoadThumbList(ar, items);
}

} // namespace

bool ParseThumbCache(
    const std::uint8_t *data, std::size_t size, std::string_view signature, ThumbItemList &items)
{
    ArchiveReader ar(data, size);
    return ParseWith(ar, signature, items);
}

bool ParseThumbCache(const std::shared_ptr<const std::uint8_t> &data, std::size_t size,
    std::string_view signature, ThumbItemList &items)
{
    ArchiveReader ar(data, size);
    return ParseWith(ar, signature, items);
}

bool ReadThumbCacheFile(const std::string &path, ThumbCacheBytes &bytes)
{
    bytes = ThumbCacheBytes {};
    std::FILE *f = OpenRegularFileStream(path);
    if (f == nullptr)
        return false;
    std::error_code ec;
    auto expected = fs::file_size(path, ec);
    bool ok = !ec && expected <= kMaxThumbCacheBytes;
    // One byte more than expected shows a file that grew meanwhile.
    std::size_t room = ok ? static_cast<std::size_t>(expected) + 1 : 0;
    HGLOBAL block = ok ? GlobalAlloc(GPTR, room) : nullptr;
    std::size_t size = 0;
    if (block != nullptr) {
        size = std::fread(block, 1, room, f);
        ok = std::ferror(f) == 0 && size < room;
    } else {
        ok = false;
    }
    std::fclose(f);
    if (!ok) {
        GlobalFree(block);
        return false;
    }
    bytes.data = std::shared_ptr<const std::uint8_t>(static_cast<const std::uint8_t *>(block),
        [](const std::uint8_t *p) { GlobalFree(const_cast<std::uint8_t *>(p)); });
    bytes.size = size;
    return true;
}

namespace
{

// Replaces path with what produce(file) writes (see ReplaceFileContents: a killed write leaves
// nothing behind). A read-only cache file is replaced like any other.
bool ReplaceFile(const std::string &path, const std::function<bool(std::FILE *)> &produce)
{
    std::error_code ec;
    fs::file_status existing = fs::symlink_status(path, ec);
    if (!ec && fs::is_regular_file(existing)) {
        auto perms = existing.permissions();
        if ((perms & fs::perms::owner_write) == fs::perms::none)
            fs::permissions(
                path, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow, ec);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ReplaceFileContents(path, 0666 & ~mask, [&produce](int fd) {
        const int copy = ::dup(fd);
        std::FILE *f = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
        if (f == nullptr) {
            if (copy >= 0)
                ::close(copy);
            return false;
        }
        bool ok = produce(f);
        ok = (std::fflush(f) == 0) && ok;
        return (std::fclose(f) == 0) && ok;
    });
}

} // namespace

bool WriteThumbCacheFile(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    return ReplaceFile(path, [&bytes](std::FILE *f) {
        return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    });
}

bool WriteThumbCacheFile(const std::string &path, std::string_view signature, const ThumbItemList &items)
{
    return ReplaceFile(path, [&](std::FILE *f) {
        ArchiveWriter ar;
        ar.SetSink([f](const std::uint8_t *data, std::size_t size) {
            return std::fwrite(data, 1, size, f) == size;
        });
        ar.WriteString(signature);
        StoreThumbList(ar, items);
        return ar.Flush();
    });
}
