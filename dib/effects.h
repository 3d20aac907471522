// Helpers shared by the distortion and generated-effect functions.
#pragma once

#include "dib/dibcore.h"

namespace dib
{

// A 24-bit picture to read from: the caller's own pixels when they are 24-bit already, otherwise a
// private copy converted by AnyConvertTo24Bit. The caller's pair is not touched.
class Source24
{
public:
    Source24() = default;
    Source24(const Source24 &) = delete;
    Source24 &operator=(const Source24 &) = delete;
    ~Source24();

    // With `copy`, also a copy of the 24-bit pixels to write the result into.
    bool Load(HGLOBAL *bits, BITMAPINFO **info, Block *copy = nullptr);

    BITMAPINFOHEADER header {};
    const BYTE *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;

    const BYTE *Row(int y) const { return pixels + std::size_t(y) * stride; }

private:
    HGLOBAL m_ownBits = nullptr;
    BITMAPINFO *m_ownInfo = nullptr;
};

// Replaces the caller's pair with a width × height 24-bit block; the header (from the source) is
// updated in place. Returns 1.
int Commit24(HGLOBAL *bits, BITMAPINFO **info, const Source24 &src, int width, int height, Block &block);

// Bilinear sample of a 24-bit picture at (x0 + fx / 1024, y0 + fy / 1024); the right and upper
// neighbours are clamped to the last column and row.
inline void Bilinear(
    const BYTE *pixels, std::size_t stride, int width, int height, int x0, int y0, int fx, int fy, BYTE *out)
{
    const int x1 = x0 < width - 1 ? x0 + 1 : x0;
    const int y1 = y0 < height - 1 ? y0 + 1 : y0;
    const BYTE *r0 = pixels + std::size_t(y0) * stride;
    const BYTE *r1 = pixels + std::size_t(y1) * stride;
    const BYTE *p00 = r0 + 3 * x0, *p01 = r0 + 3 * x1, *p10 = r1 + 3 * x0, *p11 = r1 + 3 * x1;
    const int gx = 1024 - fx, gy = 1024 - fy;
    for (int c = 0; c < 3; ++c)
        out[c]
            = static_cast<BYTE>(((p00[c] * gx + p01[c] * fx) * gy + (p10[c] * gx + p11[c] * fx) * fy) >> 20);
}

// Bilinear sample at a position in pixels that lies inside [0, width - 1] × [0, height - 1].
inline void BilinearAt(
    const BYTE *pixels, std::size_t stride, int width, int height, double x, double y, BYTE *out)
{
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int fx = static_cast<int>((x - x0) * 1024), fy = static_cast<int>((y - y0) * 1024);
    Bilinear(pixels, stride, width, height, x0, y0, fx, fy, out);
}

// v clamped to [lo, hi]; NaN gives `nan`.
inline double Clamp(double v, double lo, double hi, double nan)
{
    if (v != v)
        return nan;
    return v < lo ? lo : (v > hi ? hi : v);
}

// trunc(v) as a byte value, clamped to 0 ... 255 (NaN gives 0).
inline BYTE TruncByte(double v)
{
    return static_cast<BYTE>(Clamp(v, 0.0, 255.0, 0.0));
}

} // namespace dib
