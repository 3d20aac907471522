// Helpers shared by the geometry, mask and drawing families: pixel access at 1, 4 and 8 bits,
// private 24-bit working copies, and the turns the exported functions are built from.
#pragma once

#include "dib/dibcore.h"

namespace dib
{

// Degrees to radians (π taken as 3.1415926535).
constexpr double kDegreeToRadian = 0.017453292519444445;

inline int GetIndex(const BYTE *row, int x, int bitCount)
{
    switch (bitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    default:
        return row[x];
    }
}

// ORs the index into a zeroed row (8 bits: stores it).
inline void OrIndex(BYTE *row, int x, int bitCount, int index)
{
    switch (bitCount) {
    case 1:
        row[x >> 3] = static_cast<BYTE>(row[x >> 3] | ((index & 1) << (7 - (x & 7))));
        break;
    case 4:
        row[x >> 1] = static_cast<BYTE>(row[x >> 1] | (x & 1 ? index & 15 : (index & 15) << 4));
        break;
    default:
        row[x] = static_cast<BYTE>(index);
        break;
    }
}

// A private copy of a caller's picture brought to 24 bits (AnyConvertTo24Bit): the caller's pair
// is not touched until Commit.
class Private24
{
public:
    Private24() = default;
    Private24(const Private24 &) = delete;
    Private24 &operator=(const Private24 &) = delete;
    ~Private24();

    // False for an invalid picture, a pixel block of ours too small for its header, or no memory.
    bool Make(const void *bits, const BITMAPINFO *info);
    BYTE *data() const { return static_cast<BYTE *>(bits_); }
    const Shape &shape() const { return shape_; }
    // Frees the caller's old pixel block and stores ours; the caller's header takes our header
    // fields in place (its palette bytes stay).
    void Commit(HGLOBAL *bits, BITMAPINFO **info);

private:
    HGLOBAL bits_ = nullptr;
    BITMAPINFO *info_ = nullptr;
    Shape shape_;
};

// Whether a pixel block (from GlobalAlloc, as callers are told) holds `bytes`. A block whose size
// is unknown (GlobalSize 0) is trusted.
bool BlockHolds(const void *bits, std::size_t bytes);

// Mirror (direction 0, left-right), flip (1), or a zero-filled block for anything else.
bool MirrorBlock(const Shape &shape, const BYTE *src, int direction, Block &out);

} // namespace dib
