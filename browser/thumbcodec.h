// The two codec entries the thumbnail grid needs (format test, load thumbnail), behind an
// interface so the grid can run on any implementation; calls may come from several threads.
// MakeThumbnail is the thread-safe half of making one item's picture.
#pragma once

#include "platform/globalmem.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <memory>
#include <string>

class ThumbCodec
{
public:
    virtual ~ThumbCodec() = default;
    // >= 0 when the file is a picture the codec reads, negative when not.
    virtual int FormatTest(const char *path) const = 0;
    // Codec ordinal 7: non-zero on success; thumbInfo then describes *bits, srcInfo the source.
    virtual int LoadThumbnail(void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path,
        const SIZE *box, RECT rect, int flags) const = 0;
    // Extensions of the files the codec reads, lower-case without dots, separated by semicolons:
    // what the grid accepts from a drop. The base set is the one every codec here reads.
    virtual std::string ReadableExtensions() const { return "bmp;jpg;gif"; }
};

struct GlobalBlockFree {
    void operator()(void *block) const { GlobalFree(block); }
};
using GlobalBlock = std::unique_ptr<void, GlobalBlockFree>;

// What making one thumbnail gave.
struct ThumbOutcome {
    bool opened = false; // the file could be opened for reading
    bool made = false; // the codec made a thumbnail (then header and bits describe it, 24-bit)
    BITMAPINFOHEADER header {};
    GlobalBlock bits;
    std::size_t bitsSize = 0;
    BITMAPINFOHEADER source {}; // the first 40 bytes of the source header block
};

// Opens the file to check it is readable, then asks the codec for a thumbnail fitted in box.
// Thumbnails of other depths are converted to 24 bits (the cache keeps no colour table).
ThumbOutcome MakeThumbnail(const ThumbCodec &codec, const std::string &path, SIZE box);
