// Steps shared by the filter family: a 24-bit view of the caller's picture that leaves the caller's
// blocks alone until the result is stored, grey values and clamping.
#pragma once

#include "dib/dibcore.h"

#include <cstdint>

namespace dib::filt
{

// The caller's picture as 24-bit pixels. A 24-bit picture is used where it is; any other depth is
// converted on a copy, so a later failure leaves the caller's pair as it was.
class Rgb24
{
public:
    Rgb24() = default;
    ~Rgb24();
    Rgb24(const Rgb24 &) = delete;
    Rgb24 &operator=(const Rgb24 &) = delete;

    // False for a refused pair or when the conversion runs out of memory.
    bool Open(HGLOBAL *bits, BITMAPINFO **info);

    BYTE *data() const { return m_data; }
    BYTE *row(int y) const { return m_data + std::size_t(y) * stride; }
    // Whether data() is the caller's own block (writing to it changes the caller's picture).
    bool InPlace() const { return m_convBits == nullptr; }

    // Stores the result: `block` (24-bit, this size) when given, else the pixels worked on. The
    // header becomes that of the 24-bit picture (its palette bytes are kept).
    void Commit(HGLOBAL *bits, BITMAPINFO **info, Block *block = nullptr);

    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    std::size_t size = 0;

private:
    BYTE *m_data = nullptr;
    HGLOBAL m_convBits = nullptr;
    BITMAPINFO *m_convInfo = nullptr;
};

// Grey value with the BT.601 weights, rounded: trunc(0.299 R + 0.587 G + 0.114 B + 0.5).
inline int Grey601(int red, int green, int blue)
{
    return static_cast<int>(0.299 * red + 0.587 * green + 0.114 * blue + 0.5);
}

// Luminance (77 × byte 0 + 150 × byte 1 + 29 × byte 2) >> 8 of a pixel in memory order.
inline int Luma256(int b0, int b1, int b2)
{
    return (77 * b0 + 150 * b1 + 29 * b2) >> 8;
}

inline BYTE ClampByte(int v)
{
    return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// fn(firstRow, endRow) over bands of [0, rows), on several threads when `pixels` is large.
template <class F> void ForRowBands(int rows, std::int64_t pixels, F &&fn)
{
    ParallelBands(rows, ThreadsFor(pixels), [&](int, int y0, int y1) { fn(y0, y1); });
}

} // namespace dib::filt
