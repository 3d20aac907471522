// The per-folder thumbnail cache: the signature string, then the item list as an object archive
// (a count, one object record per item with the class described once). Reading is all or
// nothing: a cache that cannot be decoded gives no items, as if there were no cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ArchiveReader;
class ArchiveWriter;
class CThumbObj;

using ThumbItemList = std::vector<std::shared_ptr<CThumbObj>>;

// Writes the count and the object records of items (the class record before the first).
void StoreThumbList(ArchiveWriter &ar, const ThumbItemList &items);
// Reads a list written by StoreThumbList, honouring every tag of the encoding (no object,
// new class, known class, reference to an earlier object, 32-bit indices). References and
// empty entries add nothing. False when the records are truncated or inconsistent.
bool LoadThumbList(ArchiveReader &ar, ThumbItemList &items);

// The whole file image: signature, then the list.
std::vector<std::uint8_t> MakeThumbCache(std::string_view signature, const ThumbItemList &items);
// Items of a file image whose first string equals signature ignoring case; surplus bytes after
// the last record are ignored. False (and no items) when the signature differs or the records
// cannot be decoded.
bool ParseThumbCache(
    const std::uint8_t *data, std::size_t size, std::string_view signature, ThumbItemList &items);
// The same over bytes that stay alive: the items keep pointers into them instead of copies.
bool ParseThumbCache(const std::shared_ptr<const std::uint8_t> &data, std::size_t size,
    std::string_view signature, ThumbItemList &items);

// Largest cache file read; a larger one counts as no cache.
constexpr std::uint64_t kMaxThumbCacheBytes = std::uint64_t(256) << 20;

// A cache file read whole into one block (large ones come cheap from the global allocator).
struct ThumbCacheBytes {
    std::shared_ptr<const std::uint8_t> data;
    std::size_t size = 0;
};

// Reads path whole. False when it is missing, unreadable or too large.
bool ReadThumbCacheFile(const std::string &path, ThumbCacheBytes &bytes);
// Replaces path by bytes atomically: a temporary file in the same folder, then a rename over
// path (which replaces a symbolic link rather than writing through it). A read-only target loses
// its read-only attribute first. False (path untouched) on any failure.
bool WriteThumbCacheFile(const std::string &path, const std::vector<std::uint8_t> &bytes);
// The same for the cache of items, written as it is serialised (the same bytes as
// MakeThumbCache without holding them all at once).
bool WriteThumbCacheFile(const std::string &path, std::string_view signature, const ThumbItemList &items);
