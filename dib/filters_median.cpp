// Rank filters: the 3 × 3 luminance median and the hulling despeckle.
#include "dib/filters.h"

#include <algorithm>
#include <cstring>

namespace dib::filt
{

namespace
{

inline void Order(BYTE &a, BYTE &b)
{
    const BYTE lo = std::min(a, b), hi = std::max(a, b);
    a = lo;
    b = hi;
}

// For pixels 1 ... n of a row: which of the nine neighbours (memory rows below, same, above;
// columns left, same, right) comes fifth when the nine are sorted by key, ties in that order.
void MedianRow(const BYTE *below, const BYTE *same, const BYTE *above, BYTE *choice, int n)
{
    for (int x = 1; x <= n; ++x) {
        const BYTE k[9] = { below[x - 1], below[x], below[x + 1], same[x - 1], same[x], same[x + 1],
            above[x - 1], above[x], above[x + 1] };
        BYTE p0 = k[0], p1 = k[1], p2 = k[2], p3 = k[3], p4 = k[4], p5 = k[5], p6 = k[6], p7 = k[7],
             p8 = k[8];
        Order(p1, p2);
        Order(p4, p5);
        Order(p7, p8);
        Order(p0, p1);
        Order(p3, p4);
        Order(p6, p7);
        Order(p1, p2);
        Order(p4, p5);
        Order(p7, p8);
        Order(p0, p3);
        Order(p5, p8);
        Order(p4, p7);
        Order(p3, p6);
        Order(p1, p4);
        Order(p2, p5);
        Order(p4, p7);
        Order(p4, p2);
        Order(p6, p4);
        Order(p4, p2);
        const BYTE median = p4;
        int skip = 4; // equal keys to pass over: 4 minus the keys below the median
        for (int j = 0; j < 9; ++j)
            skip -= k[j] < median;
        int pick = 0, seen = 0;
        for (int j = 0; j < 9; ++j) {
            const bool equal = k[j] == median;
            pick = equal && seen == skip ? j : pick;
            seen += equal;
        }
        choice[x] = static_cast<BYTE>(pick);
    }
}

// ---- Despeckle ----

// One hull step on a plane with a one-pixel zero border (rows of `pitch` bytes, w × h inside),
// through `buffer` whose border is zero too.
void Hull(BYTE *plane, BYTE *buffer, int w, int h, std::size_t pitch, int dx, int dy, bool raise)
{
    const std::ptrdiff_t off = std::ptrdiff_t(dy) * std::ptrdiff_t(pitch) + dx;
    const std::int64_t pixels = std::int64_t(w) * h;
    ForRowBands(h, pixels, [&](int y0, int y1) {
        for (int y = y0 + 1; y < y1 + 1; ++y) {
            const BYTE *p = plane + std::size_t(y) * pitch + 1;
            BYTE *q = buffer + std::size_t(y) * pitch + 1;
            if (raise)
                for (int x = 0; x < w; ++x) {
                    const int v = p[x], n = p[x + off];
                    q[x] = static_cast<BYTE>(n > v ? v + 1 : v);
                }
            else
                for (int x = 0; x < w; ++x) {
                    const int v = p[x], n = p[x + off];
                    q[x] = static_cast<BYTE>(v > n + 1 ? v - 1 : v);
                }
        }
    });
    ForRowBands(h, pixels, [&](int y0, int y1) {
        for (int y = y0 + 1; y < y1 + 1; ++y) {
            const BYTE *q = buffer + std::size_t(y) * pitch + 1;
            BYTE *p = plane + std::size_t(y) * pitch + 1;
            if (raise)
                for (int x = 0; x < w; ++x) {
                    const int v = q[x], a = q[x - off], b = q[x + off];
                    p[x] = static_cast<BYTE>(a + 1 > v && b > v ? v + 1 : v);
                }
            else
                for (int x = 0; x < w; ++x) {
                    const int v = q[x], a = q[x - off], b = q[x + off];
                    p[x] = static_cast<BYTE>(a + 1 < v && b < v ? v - 1 : v);
                }
        }
    });
}

} // namespace

} // namespace dib::filt

using namespace dib;
using namespace dib::filt;

extern "C" DIB_API int DibReduceNoiseImage(HGLOBAL *bits, BITMAPINFO **info)
{
    Shape shape;
    if (!CheckPair(bits, info, shape) || shape.bitCount == 16 || shape.bitCount == 32)
        return 0;
    const int W = shape.width, H = shape.height, depth = shape.bitCount;
    const BYTE *src = static_cast<const BYTE *>(*bits);
    const std::int64_t pixels = std::int64_t(W) * H;
    const int threads = ThreadsFor(pixels);
    Block out(shape.size);
    Block keys(std::size_t(W) * std::size_t(H));
    Block choices(std::size_t(threads) * std::size_t(W));
    if (!out || !keys || !choices)
        return 0;
    std::memcpy(out.data(), src, shape.size); // the border keeps its pixels

    BYTE lut[256] = {};
    if (depth <= 8) {
        const RGBQUAD *pal = Colours(*info);
        for (int i = 0, n = PaletteCount((*info)->bmiHeader); i < n; ++i)
            lut[i] = static_cast<BYTE>(Luma256(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed));
    }
    ForRowBands(H, pixels, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = src + std::size_t(y) * shape.stride;
            BYTE *k = keys.data() + std::size_t(y) * W;
            if (depth == 24)
                for (int x = 0; x < W; ++x)
                    k[x] = static_cast<BYTE>(Luma256(s[3 * x], s[3 * x + 1], s[3 * x + 2]));
            else
                for (int x = 0; x < W; ++x)
                    k[x] = lut[IndexAt(s, x, depth)];
        }
    });
    if (W >= 3 && H >= 3) {
        ParallelBands(H - 2, threads, [&](int band, int b0, int b1) {
            BYTE *choice = choices.data() + std::size_t(band) * W;
            for (int y = b0 + 1; y < b1 + 1; ++y) {
                const BYTE *k = keys.data() + std::size_t(y) * W;
                MedianRow(k - W, k, k + W, choice, W - 2);
                BYTE *d = out.data() + std::size_t(y) * shape.stride;
                const BYTE *rows[3] = { src + std::size_t(y - 1) * shape.stride,
                    src + std::size_t(y) * shape.stride, src + std::size_t(y + 1) * shape.stride };
                for (int x = 1; x < W - 1; ++x) {
                    const int c = choice[x];
                    const BYTE *s = rows[c / 3];
                    const int sx = x + c % 3 - 1;
                    if (depth == 24) {
                        d[3 * x] = s[3 * sx];
                        d[3 * x + 1] = s[3 * sx + 1];
                        d[3 * x + 2] = s[3 * sx + 2];
                    } else {
                        SetIndex(d, x, depth, IndexAt(s, sx, depth));
                    }
                }
            }
        });
    }
    StoreBits(bits, out);
    return 1;
}

extern "C" DIB_API int DibDespeckleImage(HGLOBAL *bits, BITMAPINFO **info)
{
    static const int kDx[4] = { 0, 1, 1, -1 };
    static const int kDy[4] = { 1, 0, 1, 1 };
    Rgb24 img;
    if (!img.Open(bits, info))
        return 0;
    const int W = img.width, H = img.height;
    const std::size_t pitch = std::size_t(W) + 2, bytes = pitch * (std::size_t(H) + 2);
    Block plane(bytes), buffer(bytes);
    if (!plane || !buffer)
        return 0;
    for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < H; ++y) {
            const BYTE *s = img.row(y) + c;
            BYTE *p = plane.data() + std::size_t(y + 1) * pitch + 1;
            for (int x = 0; x < W; ++x)
                p[x] = s[3 * x];
        }
        for (int k = 0; k < 4; ++k) {
            Hull(plane.data(), buffer.data(), W, H, pitch, kDx[k], kDy[k], true);
            Hull(plane.data(), buffer.data(), W, H, pitch, -kDx[k], -kDy[k], true);
            Hull(plane.data(), buffer.data(), W, H, pitch, -kDx[k], -kDy[k], false);
            Hull(plane.data(), buffer.data(), W, H, pitch, kDx[k], kDy[k], false);
        }
        for (int y = 0; y < H; ++y) {
            BYTE *d = img.row(y) + c;
            const BYTE *p = plane.data() + std::size_t(y + 1) * pitch + 1;
            for (int x = 0; x < W; ++x)
                d[3 * x] = p[x];
        }
    }
    img.Commit(bits, info);
    return 1;
}
