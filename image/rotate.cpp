#include "image/rotate.h"

#include "image/parallelrows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace
{

using i64 = std::int64_t;

i64 FloorDiv(i64 a, i64 b) // b > 0
{
    i64 q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

i64 CeilDiv(i64 a, i64 b) // b > 0
{
    return -FloorDiv(-a, b);
}

// Indices i in [0, n) with lo <= v0 + i * d < hi, as [first, last).
void Interval(i64 v0, i64 d, i64 lo, i64 hi, i64 n, i64 &first, i64 &last)
{
    if (lo >= hi) {
        first = last = 0;
        return;
    }
    if (d == 0) {
        bool in = v0 >= lo && v0 < hi;
        first = 0;
        last = in ? n : 0;
        return;
    }
    if (d > 0) {
        first = CeilDiv(lo - v0, d);
        last = CeilDiv(hi - v0, d);
    } else {
        first = FloorDiv(v0 - hi, -d) + 1;
        last = FloorDiv(v0 - lo, -d) + 1;
    }
    first = std::clamp<i64>(first, 0, n);
    last = std::clamp<i64>(last, first, n);
}

void Intersect(i64 &first, i64 &last, i64 f2, i64 l2)
{
    first = std::max(first, f2);
    last = std::max(first, std::min(last, l2));
}

struct Geometry {
    int w, h; // source
    int W, H; // destination
    int s, c;
    std::size_t srcStride, dstStride;
};

// Bilinear rotation of 3- or 4-byte pixels; neighbours outside the picture count as white.
template <int C>
void RotateBilinearRows(const Geometry &g, const std::uint8_t *src, std::uint8_t *dst, int first, int last)
{
    const i64 A = i64(g.w >> 1) << 10, B = i64(g.h >> 1) << 10;
    const i64 wLim = i64(g.w) * 1024, hLim = i64(g.h) * 1024;
    const i64 x0 = -(g.W >> 1);
    for (int j = first; j < last; ++j) {
        std::uint8_t *row = dst + std::size_t(j) * g.dstStride;
        std::memset(row, 255, g.dstStride);
        const i64 y = j - (g.H >> 1);
        const i64 sx0 = A + x0 * g.c - y * g.s;
        const i64 sy0 = B + x0 * g.s + y * g.c;
        // Pixels that read the picture at all, and those whose four neighbours are all inside.
        i64 a, b, a2, b2, p, q, p2, q2;
        Interval(sx0, g.c, -1023, wLim, g.W, a, b);
        Interval(sy0, g.s, -1023, hLim, g.W, a2, b2);
        Intersect(a, b, a2, b2);
        Interval(sx0, g.c, 0, wLim - 1024, g.W, p, q);
        Interval(sy0, g.s, 0, hLim - 1024, g.W, p2, q2);
        Intersect(p, q, p2, q2);
        Intersect(p, q, a, b);
        if (p >= q)
            p = q = b;

        auto edgePixel = [&](i64 i) {
            const i64 sx = sx0 + i * g.c, sy = sy0 + i * g.s;
            const i64 ix = sx >> 10, iy = sy >> 10;
            const int fx = int(sx - (ix << 10)), fy = int(sy - (iy << 10));
            const std::uint8_t *n[4] = {};
            for (int k = 0; k < 4; ++k) {
                i64 px = ix + (k & 1), py = iy + (k >> 1);
                if (px >= 0 && px < g.w && py >= 0 && py < g.h)
                    n[k] = src + std::size_t(py) * g.srcStride + std::size_t(px) * C;
            }
            std::uint8_t *o = row + std::size_t(i) * C;
            for (int ch = 0; ch < C; ++ch) {
                int v00 = n[0] ? n[0][ch] : 255, v01 = n[1] ? n[1][ch] : 255;
                int v10 = n[2] ? n[2][ch] : 255, v11 = n[3] ? n[3][ch] : 255;
                int top = v01 * fx + v00 * (1024 - fx);
                int bot = v11 * fx + v10 * (1024 - fx);
                o[ch] = static_cast<std::uint8_t>((top * (1024 - fy) + bot * fy) >> 20);
            }
        };

        for (i64 i = a; i < p; ++i)
            edgePixel(i);
        i64 sx = sx0 + p * g.c, sy = sy0 + p * g.s;
        std::uint8_t *o = row + std::size_t(p) * C;
        for (i64 i = p; i < q; ++i, sx += g.c, sy += g.s, o += C) {
            const int ix = int(sx >> 10), iy = int(sy >> 10);
            const int fx = int(sx & 1023), fy = int(sy & 1023);
            const std::uint8_t *p0 = src + std::size_t(iy) * g.srcStride + std::size_t(ix) * C;
            const std::uint8_t *p1 = p0 + g.srcStride;
            const int wx0 = 1024 - fx, wy0 = 1024 - fy;
            for (int ch = 0; ch < C; ++ch) {
                int top = p0[C + ch] * fx + p0[ch] * wx0;
                int bot = p1[C + ch] * fx + p1[ch] * wx0;
                o[ch] = static_cast<std::uint8_t>((top * wy0 + bot * fy) >> 20);
            }
        }
        for (i64 i = q; i < b; ++i)
            edgePixel(i);
    }
}

// Nearest-neighbour rotation of 1-, 4-, 8- and 16-bit pixels.
void RotateNearestRows(
    const Geometry &g, int bitCount, const std::uint8_t *src, std::uint8_t *dst, int first, int last)
{
    const i64 x0 = -(g.W >> 1);
    const int hw = g.w >> 1, hh = g.h >> 1;
    for (int j = first; j < last; ++j) {
        std::uint8_t *row = dst + std::size_t(j) * g.dstStride;
        const i64 y = j - (g.H >> 1);
        i64 ux = x0 * g.c - y * g.s, uy = x0 * g.s + y * g.c;
        if (bitCount == 8)
            std::memset(row, 255, g.dstStride);
        for (int i = 0; i < g.W; ++i, ux += g.c, uy += g.s) {
            const i64 col = (ux >> 10) + hw, line = (uy >> 10) + hh;
            const bool in = col >= 0 && col < g.w && line >= 0 && line < g.h;
            const std::uint8_t *s = in ? src + std::size_t(line) * g.srcStride : nullptr;
            switch (bitCount) {
            case 1:
                DibSetPixel1(row, i, in ? DibGetPixel1(s, int(col)) : 1);
                break;
            case 4:
                DibSetPixel4(row, i, in ? DibGetPixel4(s, int(col)) : 15);
                break;
            case 8:
                if (in)
                    row[i] = s[col];
                break;
            case 16:
                if (in) {
                    row[2 * i] = s[2 * col];
                    row[2 * i + 1] = s[2 * col + 1];
                } else {
                    row[2 * i] = 0xFF;
                    row[2 * i + 1] = 0x7F;
                }
                break;
            }
        }
    }
}

// Lossless quarter turn: destination (i, j) takes source (ax + bx i + cx j, ay + by i + cy j).
struct Permutation {
    int ax, bx, cx, ay, by, cy;
};

template <int Bytes>
void PermuteRows(
    const Geometry &g, const Permutation &m, const std::uint8_t *src, std::uint8_t *dst, int first, int last)
{
    constexpr int kTile = 64;
    for (int j0 = first; j0 < last; j0 += kTile) {
        const int j1 = std::min(last, j0 + kTile);
        for (int i0 = 0; i0 < g.W; i0 += kTile) {
            const int i1 = std::min(g.W, i0 + kTile);
            for (int j = j0; j < j1; ++j) {
                std::uint8_t *row = dst + std::size_t(j) * g.dstStride;
                int sx = m.ax + m.bx * i0 + m.cx * j, sy = m.ay + m.by * i0 + m.cy * j;
                for (int i = i0; i < i1; ++i, sx += m.bx, sy += m.by) {
                    const std::uint8_t *s = src + std::size_t(sy) * g.srcStride;
                    if constexpr (Bytes == 0) { // 1 bit
                        DibSetPixel1(row, i, DibGetPixel1(s, sx));
                    } else if constexpr (Bytes == -4) { // 4 bits
                        DibSetPixel4(row, i, DibGetPixel4(s, sx));
                    } else {
                        std::memcpy(row + std::size_t(i) * Bytes, s + std::size_t(sx) * Bytes, Bytes);
                    }
                }
            }
        }
    }
}

} // namespace

RotationKind RotationFor(double angle, int &sin1024, int &cos1024)
{
    if (!std::isfinite(angle))
        return RotationKind::Invalid;
    double whole = std::trunc(angle);
    if (whole == angle && std::fmod(whole + 360.0, 360.0) == 0.0)
        return RotationKind::Identity;
    double r = angle * 0.017453292519444445;
    sin1024 = static_cast<int>(std::trunc(std::sin(r) * 1024.0));
    cos1024 = static_cast<int>(std::trunc(std::cos(r) * 1024.0));
    return RotationKind::Turn;
}

SIZE RotatedSize(int width, int height, int sin1024, int cos1024)
{
    i64 as = std::abs(sin1024), ac = std::abs(cos1024);
    i64 W = (i64(width) * ac + i64(height) * as) >> 10;
    i64 H = (i64(height) * ac + i64(width) * as) >> 10;
    constexpr i64 kMax = std::numeric_limits<std::int32_t>::max();
    return SIZE { static_cast<LONG>(std::min(W, kMax)), static_cast<LONG>(std::min(H, kMax)) };
}

bool RotateDib(const DibInfoBlock &info, const void *bits, int s, int c, DibResult &out)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d))
        return false;
    SIZE size = RotatedSize(d.width, d.height, s, c);
    if (size.cx < 1 || size.cy < 1)
        return false;
    Geometry g { d.width, d.height, size.cx, size.cy, s, c, d.stride, 0 };
    HGLOBAL block = DibAllocPixels(g.W, g.H, d.bitCount, &g.dstStride);
    if (block == nullptr)
        return false;
    out.bits = block;
    DibCopyHeader(info, out.info, g.W, g.H);
    const auto *src = static_cast<const std::uint8_t *>(bits);
    auto *dst = static_cast<std::uint8_t *>(block);
    const i64 work = i64(g.W) * g.H;

    const bool quarter = (std::abs(s) == 1024 && c == 0) || (s == 0 && std::abs(c) == 1024);
    if (quarter) {
        // Mapping pixel centres onto pixel centres. The general formula pins the centre at
        // (w >> 1, h >> 1), which for an even side shifts the turned picture by one pixel and
        // brings in a white line; for odd sides both agree.
        Permutation m {};
        if (s == 1024)
            m = { d.width - 1, 0, -1, 0, 1, 0 };
        else if (s == -1024)
            m = { 0, 0, 1, d.height - 1, -1, 0 };
        else if (c == -1024)
            m = { d.width - 1, -1, 0, d.height - 1, 0, -1 };
        else
            m = { 0, 1, 0, 0, 0, 1 };
        ParallelRows(g.H, work, [&](int first, int last) {
            switch (d.bitCount) {
            case 1:
                PermuteRows<0>(g, m, src, dst, first, last);
                break;
            case 4:
                PermuteRows<-4>(g, m, src, dst, first, last);
                break;
            case 8:
                PermuteRows<1>(g, m, src, dst, first, last);
                break;
            case 16:
                PermuteRows<2>(g, m, src, dst, first, last);
                break;
            case 24:
                PermuteRows<3>(g, m, src, dst, first, last);
                break;
            case 32:
                PermuteRows<4>(g, m, src, dst, first, last);
                break;
            }
        });
        return true;
    }

    ParallelRows(g.H, work, [&](int first, int last) {
        if (d.bitCount == 24)
            RotateBilinearRows<3>(g, src, dst, first, last);
        else if (d.bitCount == 32)
            RotateBilinearRows<4>(g, src, dst, first, last);
        else
            RotateNearestRows(g, d.bitCount, src, dst, first, last);
    });
    return true;
}
