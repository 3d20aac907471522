// Helpers shared by the geometry, mask and drawing families: private 24-bit working copies
// and the turns the exported functions are built from.
#pragma once

#include "dib/dibcore.h"

namespace dib
{

// Degrees to radians (π taken as 3.1415926535).
constexpr double kDegreeToRadian = 0.017453292519444445;

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
    BYTE *data() const { return static_cast<BYTE *>(m_bits); }
    const Shape &shape() const { return m_shape; }
    // Frees the caller's old pixel block and stores ours; the caller's header takes our header
    // fields in place (its palette bytes stay).
    void Commit(HGLOBAL *bits, BITMAPINFO **info);

private:
    HGLOBAL m_bits = nullptr;
    BITMAPINFO *m_info = nullptr;
    Shape m_shape;
};

// Whether a pixel block (from GlobalAlloc, as callers are told) holds `bytes`. A block whose size
// is unknown (GlobalSize 0) is trusted.
bool BlockHolds(const void *bits, std::size_t bytes);

// Mirror (direction 0, left-right), flip (1), or a zero-filled block for anything else.
bool MirrorBlock(const Shape &shape, const BYTE *src, int direction, Block &out);

} // namespace dib
