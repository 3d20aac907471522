// The numbered filters of DoImageFilter (in place, no conversion), the negative they share with the
// tone family, and oil paint.
#include "dib/filters.h"
#include "dib/random.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dib::filt
{

namespace
{

// ---- Header accessors of the numbered filters ----

// 2, 16 or 256 entries for 1, 4 and 8 bits, none above 8 bits, else colours-used.
int FilterPaletteSize(const BITMAPINFOHEADER &h)
{
    if (h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8)
        return 1 << h.biBitCount;
    return h.biBitCount > 8 ? 0 : static_cast<int>(std::min<DWORD>(h.biClrUsed, kMaxColours));
}

// The palette of a palette picture (null above 8 bits); records its size in colours-used when
// that field is 0.
RGBQUAD *FilterPalette(BITMAPINFO *info)
{
    BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biBitCount > 8)
        return nullptr;
    if (h.biClrUsed == 0)
        h.biClrUsed = static_cast<DWORD>(FilterPaletteSize(h));
    return Colours(info);
}

int GreyOf(const RGBQUAD &q)
{
    return Grey601(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

int GreyOf(const BYTE *bgr)
{
    return Grey601(bgr[2], bgr[1], bgr[0]);
}

// A picture the numbered filters can work on: the caller's pair, checked.
struct Target {
    BITMAPINFO *info;
    BYTE *bits;
    Shape shape;
    BYTE *row(int y) const { return bits + std::size_t(y) * shape.stride; }
    BYTE *at(int x, int y) const { return row(y) + 3 * std::size_t(x); }
};

void GreyFilter(Target &t)
{
    if (RGBQUAD *pal = FilterPalette(t.info)) {
        for (int i = 0, n = FilterPaletteSize(t.info->bmiHeader); i < n; ++i) {
            const BYTE g = static_cast<BYTE>(GreyOf(pal[i]));
            pal[i].rgbBlue = pal[i].rgbGreen = pal[i].rgbRed = g;
        }
    } else if (t.shape.bitCount == 24) {
        ForRowBands(t.shape.height, std::int64_t(t.shape.width) * t.shape.height, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < t.shape.width; ++x) {
                    BYTE *p = t.at(x, y);
                    p[0] = p[1] = p[2] = static_cast<BYTE>(GreyOf(p));
                }
        });
    }
}

void InvertFilter(Target &t)
{
    if (RGBQUAD *pal = FilterPalette(t.info)) {
        for (int i = 0, n = FilterPaletteSize(t.info->bmiHeader); i < n; ++i) {
            pal[i].rgbBlue = BYTE(255 - pal[i].rgbBlue);
            pal[i].rgbGreen = BYTE(255 - pal[i].rgbGreen);
            pal[i].rgbRed = BYTE(255 - pal[i].rgbRed);
        }
    } else if (t.shape.bitCount == 24) {
        for (int y = 0; y < t.shape.height; ++y) {
            BYTE *p = t.row(y);
            for (std::size_t j = 0; j < 3 * std::size_t(t.shape.width); ++j)
                p[j] = BYTE(255 - p[j]);
        }
    }
}

// Emboss (engrave false) and engrave: the grey difference to the lower-left neighbour, rows from
// the top down so every neighbour read is still the original; then the bottom row and the first
// column in plain grey.
void ReliefFilter(Target &t, bool engrave, int p)
{
    const int W = t.shape.width, H = t.shape.height;
    if (t.shape.bitCount == 24) {
        for (int y = H - 1; y >= 1; --y)
            for (int x = W - 1; x >= 1; --x) {
                int d = GreyOf(t.at(x - 1, y - 1)) - GreyOf(t.at(x, y));
                int v;
                if (engrave) {
                    if (d < p)
                        d = -128;
                    else if (d > 127)
                        d = 127;
                    v = 127 - d;
                } else {
                    v = d + 128;
                }
                BYTE *q = t.at(x, y);
                q[0] = q[1] = q[2] = ClampByte(v);
            }
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < (y == 0 ? W : 1); ++x) {
                BYTE *q = t.at(x, y);
                q[0] = q[1] = q[2] = static_cast<BYTE>(GreyOf(q));
            }
        return;
    }
    if (t.shape.bitCount != 8 || FilterPaletteSize(t.info->bmiHeader) < 255)
        return;
    RGBQUAD *pal = FilterPalette(t.info);
    int grey[256];
    for (int i = 0; i < 256; ++i)
        grey[i] = GreyOf(pal[i]);
    for (int y = H - 1; y >= 1; --y) {
        const BYTE *below = t.row(y - 1);
        BYTE *r = t.row(y);
        for (int x = W - 1; x >= 1; --x) {
            int d = grey[below[x - 1]] - grey[r[x]];
            if (engrave) {
                d = std::min(d, 127);
                if (d < p)
                    d = 0;
            } else {
                d = std::clamp(d, -128, 127);
            }
            r[x] = static_cast<BYTE>(d);
        }
    }
    if (engrave)
        return;
    // Index i shows grey (i + 128) mod 256; the border shows its own grey.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < (y == 0 ? W : 1); ++x)
            t.row(y)[x] = static_cast<BYTE>((grey[t.row(y)[x]] + 128) & 255);
    for (int i = 0; i < 256; ++i) {
        const BYTE g = static_cast<BYTE>((i + 128) & 255);
        pal[i] = RGBQUAD { g, g, g, 0 };
    }
}

// Blocks below 1 pixel leave the picture as it is.
void PixelateFilter(Target &t, int p)
{
    const int depth = t.shape.bitCount;
    if (p < 1 || (depth != 24 && depth != 8))
        return;
    const int bpp = depth / 8;
    const std::int64_t W = t.shape.width, H = t.shape.height;
    for (std::int64_t y0 = 0; y0 < H; y0 += p)
        for (std::int64_t x0 = 0; x0 < W; x0 += p) {
            BYTE first[3];
            std::memcpy(first, t.row(int(y0)) + x0 * bpp, std::size_t(bpp));
            for (std::int64_t y = y0; y < std::min(H, y0 + p); ++y)
                for (std::int64_t x = x0; x < std::min(W, x0 + p); ++x)
                    std::memcpy(t.row(int(y)) + x * bpp, first, std::size_t(bpp));
        }
}

// In place, so each sum already sees the pixels processed before it.
void SoftBlurFilter(Target &t, int p)
{
    if (t.shape.bitCount != 24)
        return;
    const int d = std::clamp(p, 9, 11);
    for (int y = t.shape.height - 2; y >= 1; --y) {
        BYTE *up = t.row(y + 1), *mid = t.row(y), *dn = t.row(y - 1);
        for (int x = 1; x < t.shape.width - 1; ++x)
            for (int c = 0; c < 3; ++c) {
                const int j = 3 * x + c;
                const int sum = up[j - 3] + up[j] + up[j + 3] + mid[j - 3] + mid[j] + mid[j + 3] + dn[j - 3]
                    + dn[j] + dn[j + 3];
                mid[j] = static_cast<BYTE>(sum / d);
            }
    }
}

// Without a length (p below 1) or room (a side of 1 pixel) there are no streaks.
void RainFilter(Target &t, int p)
{
    const int W = t.shape.width, H = t.shape.height;
    if (t.shape.bitCount != 24 || p < 1 || W < 2 || H < 2)
        return;
    constexpr double kAngle = 1.308996876080831; // 75 degrees
    const double cosA = std::cos(kAngle), sinA = std::sin(kAngle);
    const long long streaks = static_cast<long long>(std::sqrt(double(W)) * std::sqrt(double(H)));
    for (long long s = 0; s < streaks; ++s) {
        NextRandom();
        const int x0 = std::max(1, NextRandom() % (W - 1));
        const int y0 = std::max(1, NextRandom() % (H - 1));
        const int length = NextRandom() % p;
        const int lines = NextRandom() % 3 + 1;
        for (int x = x0; x < x0 + lines && x < W; ++x) {
            const int a = 100 + NextRandom() % 20;
            // Bresenham from (x, y0) to the far end, each end truncated.
            int px = x, py = y0;
            const int ex = static_cast<int>(x - length * cosA), ey = static_cast<int>(y0 - length * sinA);
            const int dx = std::abs(ex - px), dy = -std::abs(ey - py);
            const int sx = px < ex ? 1 : -1, sy = py < ey ? 1 : -1;
            int err = dx + dy;
            for (;;) {
                if (px >= 0 && py >= 0 && px < W && py < H) {
                    BYTE *q = t.at(px, py);
                    for (int c = 0; c < 3; ++c)
                        q[c] = static_cast<BYTE>(q[c] * 0.5 + a);
                }
                if (px == ex && py == ey)
                    break;
                const int e2 = 2 * err;
                if (e2 >= dy) {
                    err += dy;
                    px += sx;
                }
                if (e2 <= dx) {
                    err += dx;
                    py += sy;
                }
            }
        }
    }
}

// Darkening amounts, [column mod 6][memory row mod 6].
constexpr BYTE kTexture[6][6] = {
    { 0, 63, 70, 71, 84, 89 },
    { 7, 20, 25, 70, 87, 89 },
    { 0, 25, 41, 63, 87, 89 },
    { 0, 14, 20, 25, 63, 89 },
    { 0, 7, 14, 71, 84, 87 },
    { 0, 8, 11, 63, 70, 71 },
};

void TextureFilter(Target &t)
{
    if (t.shape.bitCount != 24)
        return;
    for (int y = 0; y < t.shape.height; ++y)
        for (int x = 0; x < t.shape.width; ++x) {
            const double dark = kTexture[x % 6][y % 6] * 0.5 + NextRandom() % 10;
            BYTE *q = t.at(x, y);
            for (int c = 0; c < 3; ++c)
                q[c] = static_cast<BYTE>(std::max(0, static_cast<int>(q[c] - dark)));
        }
}

// The fog texture: S × S (S a power of two) periodic value noise, four octaves with lattices of
// 4, 8, 16 and 32 cells across (fewer when S is small), weights 8 : 4 : 2 : 1, values 0 ... 255.
// Lattice values come from a fixed hash, so only the tiling offset is random.
class FogTexture
{
public:
    explicit FogTexture(std::int64_t size)
    {
        for (int o = 0; o < kOctaves; ++o) {
            m_cells[o] = std::max<std::int64_t>(1, size >> (2 + o));
            m_across[o] = static_cast<int>(size / m_cells[o]);
        }
    }

    int At(std::int64_t u, std::int64_t v) const
    {
        double total = 0;
        for (int o = 0; o < kOctaves; ++o) {
            const std::int64_t cell = m_cells[o];
            const int n = m_across[o];
            const int i = static_cast<int>(u / cell), j = static_cast<int>(v / cell);
            const double fx = double(u % cell) / double(cell), fy = double(v % cell) / double(cell);
            const int i1 = (i + 1) % n, j1 = (j + 1) % n;
            const double top = Lattice(o, i, j) * (1 - fx) + Lattice(o, i1, j) * fx;
            const double bottom = Lattice(o, i, j1) * (1 - fx) + Lattice(o, i1, j1) * fx;
            total += (top * (1 - fy) + bottom * fy) * kWeights[o];
        }
        return static_cast<int>(total / 15.0);
    }

private:
    static constexpr int kOctaves = 4;
    static constexpr int kWeights[kOctaves] = { 8, 4, 2, 1 };

    static int Lattice(int octave, int i, int j)
    {
        std::uint32_t h = std::uint32_t(i) * 0x8DA6B343u ^ std::uint32_t(j) * 0xD8163841u
            ^ std::uint32_t(octave + 1) * 0xCB1AB31Fu;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        return static_cast<int>(h & 255);
    }

    std::int64_t m_cells[kOctaves] = {};
    int m_across[kOctaves] = {};
};

// Weight of the fog over the picture: m = (t - p) / 255, 0 when negative, at most 1.
void FogFilter(Target &t, int p)
{
    if (t.shape.bitCount != 24)
        return;
    const int W = t.shape.width, H = t.shape.height;
    std::int64_t S = 1;
    while (S <= std::max(W, H))
        S <<= 1;
    const std::int64_t ox = NextRandom() % S, oy = NextRandom() % S;
    const FogTexture texture(S);
    ForRowBands(H, std::int64_t(W) * H, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < W; ++x) {
                const int tex = texture.At((x + ox) % S, (y + oy) % S);
                const double u = std::max(tex - static_cast<double>(p), 0.0);
                const double m = std::min(1.0, u / 255.0);
                BYTE *q = t.at(x, y);
                q[0] = static_cast<BYTE>(std::min(255.0, q[0] * (1 - m) + u));
                q[1] = static_cast<BYTE>(std::min(255.0, q[1] * (1 - m) + u));
                q[2] = static_cast<BYTE>(std::min(255.0, q[2] * (1 - m) + 0.9 * u));
            }
    });
}

} // namespace

// The negative of the tone family: palette entries, or 24-bit pixels; with greyOnly set only
// entries or pixels whose three components are equal.
int Negative(HGLOBAL *bits, BITMAPINFO **info, int greyOnly)
{
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return 0;
    auto flip = [greyOnly](BYTE &b, BYTE &g, BYTE &r) {
        if (greyOnly != 0 && !(b == g && g == r))
            return;
        b = BYTE(255 - b);
        g = BYTE(255 - g);
        r = BYTE(255 - r);
    };
    if (shape.bitCount <= 8) {
        RGBQUAD *pal = Colours(*info);
        for (int i = 0, n = PaletteCount((*info)->bmiHeader); i < n; ++i)
            flip(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed);
    } else if (shape.bitCount == 24) {
        for (int y = 0; y < shape.height; ++y) {
            BYTE *r = static_cast<BYTE *>(*bits) + std::size_t(y) * shape.stride;
            for (int x = 0; x < shape.width; ++x)
                flip(r[3 * x], r[3 * x + 1], r[3 * x + 2]);
        }
    }
    return 1;
}

} // namespace dib::filt

using namespace dib;
using namespace dib::filt;

extern "C" DIB_API int DoImageFilter(HGLOBAL *bits, BITMAPINFO **info, int, const int *params)
{
    if (params == nullptr)
        return 0;
    const int code = params[1], p = params[2];
    if (code < 1 || code > 11)
        return 0;
    if (code == 10)
        return Negative(bits, info, p);
    if (code == 11)
        return OilPaintDib(bits, info, p);
    Target t { nullptr, nullptr, {} };
    if (!CheckPair(bits, info, t.shape))
        return 1; // nothing this filter can work on
    t.info = *info;
    t.bits = static_cast<BYTE *>(*bits);
    switch (code) {
    case 1:
        GreyFilter(t);
        break;
    case 2:
        ReliefFilter(t, false, p);
        break;
    case 3:
        InvertFilter(t);
        break;
    case 4:
        PixelateFilter(t, p);
        break;
    case 5:
        SoftBlurFilter(t, p);
        break;
    case 6:
        RainFilter(t, p);
        break;
    case 7:
        TextureFilter(t);
        break;
    case 8:
        FogFilter(t, p);
        break;
    default:
        ReliefFilter(t, true, p);
        break;
    }
    return 1;
}

extern "C" DIB_API int OilPaintDib(HGLOBAL *bits, BITMAPINFO **info, int radius)
{
    Shape shape;
    if (!CheckPair(bits, info, shape) || shape.bitCount > 24)
        return 0;
    const int W = shape.width, H = shape.height, depth = shape.bitCount;
    const BYTE *src = static_cast<const BYTE *>(*bits);
    Block out(shape.size);
    Block luma(std::size_t(W) * std::size_t(H));
    if (!out || !luma)
        return 0;
    std::memcpy(out.data(), src, shape.size);
    const RGBQUAD *pal = Colours(*info);
    const int colours = PaletteCount((*info)->bmiHeader);
    auto y256 = [](int b, int g, int r) { return BYTE((29 * b + 150 * g + 77 * r) >> 8); };
    for (int y = 0; y < H; ++y) {
        const BYTE *s = src + std::size_t(y) * shape.stride;
        BYTE *l = luma.data() + std::size_t(y) * W;
        for (int x = 0; x < W; ++x) {
            if (depth <= 8) {
                const int i = DibIndexAt(s, x, depth);
                l[x] = i < colours ? y256(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed) : 0;
            } else if (depth == 16) {
                const int v = s[2 * x] | (s[2 * x + 1] << 8);
                l[x] = y256((v & 31) << 3, ((v >> 5) & 31) << 3, ((v >> 10) & 31) << 3);
            } else {
                l[x] = y256(s[3 * x], s[3 * x + 1], s[3 * x + 2]);
            }
        }
    }
    const int r = radius;
    if (r >= 1 && 2 * std::int64_t(r) < W && 2 * std::int64_t(r) < H) {
        const BYTE *lum = luma.data();
        ForRowBands(H - 2 * r, std::int64_t(W) * H * r, [&](int b0, int b1) {
            BYTE count[256];
            for (int y = b0 + r; y < b1 + r; ++y)
                for (int x = r; x < W - r; ++x) {
                    std::memset(count, 0, sizeof count);
                    int best = 0, cx = x, cy = y;
                    auto segment = [&](int row, int from, int to) {
                        const BYTE *l = lum + std::size_t(row) * W;
                        for (int k = from; k <= to; ++k) {
                            const BYTE c = ++count[l[k]];
                            if (c > best) {
                                best = c;
                                cx = k;
                                cy = row;
                            }
                        }
                    };
                    for (int i = 0; i < r; ++i) {
                        segment(y - r + i, x - r, x - r + 2 * i);
                        segment(y + r - i, x - r, x - r + 2 * i);
                    }
                    segment(y, x - r, x + r);
                    const BYTE *s = src + std::size_t(cy) * shape.stride;
                    BYTE *d = out.data() + std::size_t(y) * shape.stride;
                    if (depth <= 8)
                        DibSetIndex(d, x, depth, DibIndexAt(s, cx, depth));
                    else
                        std::memcpy(d + std::size_t(x) * (depth / 8), s + std::size_t(cx) * (depth / 8),
                            std::size_t(depth / 8));
                }
        });
    }
    StoreBits(bits, out);
    return 1;
}
