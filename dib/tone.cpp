// Tone and colour: grey, black and white, negative, channel tables, levels, equalisation,
// solarisation and colour masks. Palette pictures change through their palette, 24-bit pictures
// pixel by pixel.
#include "dib/dibcore.h"
#include "dib/hsl.h"
#include "dib/tone_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dib
{

namespace
{

bool IsPalette(int bitCount)
{
    return bitCount <= 8;
}

BYTE *Row(HGLOBAL bits, const Shape &s, int y)
{
    return static_cast<BYTE *>(bits) + std::size_t(y) * s.stride;
}

// Calls fn(row, y) for every row, split over threads for large pictures.
template <class F> void ForRows(HGLOBAL bits, const Shape &s, F &&fn)
{
    ParallelBands(s.height, ThreadsFor(std::int64_t(s.width) * s.height), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            fn(Row(bits, s, y), y);
    });
}

// Adds level[index] of every pixel of a palette picture to hist. Whole bytes of 1- and 4-bit rows
// are counted at once.
void CountIndexed(HGLOBAL bits, const Shape &s, const BYTE *level, std::int64_t *hist)
{
    std::int64_t perIndex[256] = {};
    const int perByte = 8 / s.bitCount;
    const int whole = s.width / perByte; // bytes whose every pixel is in the picture
    for (int y = 0; y < s.height; ++y) {
        const BYTE *r = Row(bits, s, y);
        if (s.bitCount == 8) {
            for (int x = 0; x < s.width; ++x)
                ++perIndex[r[x]];
            continue;
        }
        if (s.bitCount == 4) {
            for (int i = 0; i < whole; ++i) {
                ++perIndex[r[i] >> 4];
                ++perIndex[r[i] & 15];
            }
        } else {
            std::int64_t ones = 0;
            for (int i = 0; i < whole; ++i)
                ones += __builtin_popcount(r[i]);
            perIndex[1] += ones;
            perIndex[0] += 8 * std::int64_t(whole) - ones;
        }
        for (int x = whole * perByte; x < s.width; ++x)
            ++perIndex[DibIndexAt(r, x, s.bitCount)];
    }
    for (int i = 0; i < 256; ++i)
        hist[level[i]] += perIndex[i];
}

// Histogram of a per-pixel byte of a 24-bit picture: the luminance `kind`, or the first byte of
// each pixel when `firstByte` is set. Bands count into their own tables.
void Count24(HGLOBAL bits, const Shape &s, Luma kind, bool firstByte, std::int64_t *hist)
{
    const int bands = ThreadsFor(std::int64_t(s.width) * s.height);
    std::uint32_t local[8][4][256];
    const int used = std::min(bands, 8);
    std::memset(local, 0, sizeof(std::uint32_t) * 4 * 256 * std::size_t(used));
    std::int64_t spill[8][256] = {};
    ParallelBands(s.height, used, [&](int band, int y0, int y1) {
        std::uint32_t(*h)[256] = local[band];
        constexpr int kChunk = 1024;
        BYTE level[kChunk];
        std::int64_t counted = 0;
        for (int y = y0; y < y1; ++y) {
            const BYTE *r = Row(bits, s, y);
            for (int x0 = 0; x0 < s.width; x0 += kChunk) {
                const int n = std::min(kChunk, s.width - x0);
                if (firstByte) {
                    for (int x = 0; x < n; ++x)
                        level[x] = r[3 * (x0 + x)];
                } else {
                    ToneLumaRow(kind, r + 3 * x0, level, n);
                }
                int x = 0;
                for (; x + 4 <= n; x += 4) {
                    ++h[0][level[x]];
                    ++h[1][level[x + 1]];
                    ++h[2][level[x + 2]];
                    ++h[3][level[x + 3]];
                }
                for (; x < n; ++x)
                    ++h[0][level[x]];
                counted += n;
                // 32-bit counters: move them out before they could overflow.
                if (counted > (std::int64_t(1) << 30)) {
                    for (int k = 0; k < 4; ++k)
                        for (int i = 0; i < 256; ++i) {
                            spill[band][i] += h[k][i];
                            h[k][i] = 0;
                        }
                    counted = 0;
                }
            }
        }
    });
    for (int b = 0; b < used; ++b)
        for (int i = 0; i < 256; ++i)
            hist[i] += std::int64_t(local[b][0][i]) + local[b][1][i] + local[b][2][i] + local[b][3][i]
                + spill[b][i];
}

// Which parts of the new colour come from the second colour: hue, saturation, lightness.
struct HslPick {
    bool h, s, l;
};

void BlendHsl(const BYTE *first, const BYTE *second, HslPick pick, BYTE *out)
{
    const Hsl a = ToHsl(first[2], first[1], first[0]);
    const Hsl b = ToHsl(second[2], second[1], second[0]);
    FromHsl(Hsl { pick.h ? b.h : a.h, pick.s ? b.s : a.s, pick.l ? b.l : a.l }, out);
}

// The same for two pixels packed blue, green, red from the low byte up (kept out of line so the
// per-channel modes need no stack frame).
[[gnu::noinline]] void BlendHslPacked(DWORD first, DWORD second, HslPick pick, BYTE *out)
{
    const BYTE a[3] = { BYTE(first), BYTE(first >> 8), BYTE(first >> 16) };
    const BYTE b[3] = { BYTE(second), BYTE(second >> 8), BYTE(second >> 16) };
    BlendHsl(a, b, pick, out);
}

// ---- Shared bodies ----

void ApplyTables(
    HGLOBAL bits, BITMAPINFO *info, const Shape &s, const BYTE *red, const BYTE *green, const BYTE *blue)
{
    if (IsPalette(s.bitCount)) {
        RGBQUAD *c = Colours(info);
        for (int i = 0, n = PaletteCount(info->bmiHeader); i < n; ++i) {
            c[i].rgbBlue = blue[c[i].rgbBlue];
            c[i].rgbGreen = green[c[i].rgbGreen];
            c[i].rgbRed = red[c[i].rgbRed];
        }
        return;
    }
    if (s.bitCount != 24)
        return;
    ForRows(bits, s, [&](BYTE *r, int) {
        for (int x = 0; x < s.width; ++x, r += 3) {
            r[0] = blue[r[0]];
            r[1] = green[r[1]];
            r[2] = red[r[2]];
        }
    });
}

int Strength(int p)
{
    return std::clamp(p, 1, 100);
}

// Sub-mode 0 replaces colours darker than the threshold by the colour, 1 lighter ones.
void LightMask(HGLOBAL bits, BITMAPINFO *info, const Shape &s, COLORREF colour, int subMode, int strength)
{
    if (subMode != 0 && subMode != 1)
        return;
    const int p = Strength(strength);
    const double k = p < 50 ? p * 0.018 + 0.1 : (p - 50) * 0.1 + 1.0;
    const int R = GetRValue(colour), G = GetGValue(colour), B = GetBValue(colour);
    const int t = static_cast<int>((30 * R + 59 * G + 11 * B) * k);
    const bool darker = subMode == 0;
    auto hit = [&](int b, int g, int r) {
        const int l = 11 * b + 59 * g + 30 * r;
        return darker ? l < t : l > t;
    };
    if (IsPalette(s.bitCount)) {
        RGBQUAD *c = Colours(info);
        for (int i = 0, n = PaletteCount(info->bmiHeader); i < n; ++i)
            if (hit(c[i].rgbBlue, c[i].rgbGreen, c[i].rgbRed))
                c[i] = RGBQUAD { BYTE(B), BYTE(G), BYTE(R), c[i].rgbReserved };
        return;
    }
    if (s.bitCount != 24)
        return;
    ForRows(bits, s, [&](BYTE *r, int) {
        for (int x = 0; x < s.width; ++x, r += 3)
            if (hit(r[0], r[1], r[2])) {
                r[0] = BYTE(B);
                r[1] = BYTE(G);
                r[2] = BYTE(R);
            }
    });
}

void HslMask(HGLOBAL bits, BITMAPINFO *info, const Shape &s, COLORREF colour, int subMode, int strength)
{
    static const HslPick kPicks[4] = {
        { false, false, true }, // the colour's lightness
        { true, false, false }, // its hue
        { false, true, false }, // its saturation
        { true, true, false }, // its hue and saturation
    };
    if (subMode < 0 || subMode > 3)
        return;
    const HslPick pick = kPicks[subMode];
    const int p = Strength(strength), q = 100 - p;
    const BYTE c[3] = { GetBValue(colour), GetGValue(colour), GetRValue(colour) };
    auto blend = [&](BYTE *px) {
        BYTE n[3];
        BlendHsl(px, c, pick, n);
        for (int k = 0; k < 3; ++k)
            px[k] = static_cast<BYTE>((n[k] * q + px[k] * p) / 100);
    };
    if (IsPalette(s.bitCount)) {
        RGBQUAD *e = Colours(info);
        for (int i = 0, n = PaletteCount(info->bmiHeader); i < n; ++i)
            blend(&e[i].rgbBlue);
        return;
    }
    if (s.bitCount != 24)
        return;
    ForRows(bits, s, [&](BYTE *r, int) {
        for (int x = 0; x < s.width; ++x, r += 3)
            blend(r);
    });
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API void Dib2Gray(HGLOBAL *bits, BITMAPINFO **info, int to8Bit)
{
    Shape s;
    if (!CheckPair(bits, info, s))
        return;
    if (IsPalette(s.bitCount)) {
        RGBQUAD *c = Colours(*info);
        const int n = PaletteCount((*info)->bmiHeader);
        if (n == 2) {
            const bool firstDark = Luma100(c[0].rgbBlue, c[0].rgbGreen, c[0].rgbRed)
                <= Luma100(c[1].rgbBlue, c[1].rgbGreen, c[1].rgbRed);
            c[firstDark ? 0 : 1] = RGBQUAD { 0, 0, 0, c[firstDark ? 0 : 1].rgbReserved };
            c[firstDark ? 1 : 0] = RGBQUAD { 255, 255, 255, c[firstDark ? 1 : 0].rgbReserved };
            return;
        }
        for (int i = 0; i < n; ++i) {
            const BYTE y = static_cast<BYTE>(Luma100(c[i].rgbBlue, c[i].rgbGreen, c[i].rgbRed));
            c[i].rgbBlue = c[i].rgbGreen = c[i].rgbRed = y;
        }
        return;
    }
    if (s.bitCount != 24)
        return;
    if (!to8Bit) {
        ForRows(*bits, s, [&](BYTE *r, int) { ToneGreyRow(r, s.width); });
        return;
    }
    const std::size_t size = ImageBytes(s.width, s.height, 8);
    InfoPtr header = NewInfo();
    Block block(size);
    if (!header || !block)
        return;
    header->bmiHeader = (*info)->bmiHeader;
    RGBQUAD *ramp = Colours(header.get());
    for (int i = 0; i < 256; ++i)
        ramp[i] = RGBQUAD { BYTE(i), BYTE(i), BYTE(i), 0 };
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(s.width, 8));
    BYTE *dst = block.data();
    ForRows(*bits, s,
        [&](BYTE *r, int y) { ToneLumaRow(Luma::Y100, r, dst + std::size_t(y) * dstStride, s.width); });
    header->bmiHeader.biBitCount = 8;
    header->bmiHeader.biSizeImage = static_cast<DWORD>(size);
    header->bmiHeader.biClrUsed = 0;
    StoreInfo(info, header);
    StoreBits(bits, block);
}

extern "C" DIB_API void Dib2BW(HGLOBAL *bits, BITMAPINFO **info)
{
    Shape s;
    if (!CheckPair(bits, info, s) || s.bitCount == 1)
        return;
    const BITMAPINFOHEADER &h = (*info)->bmiHeader;
    const RGBQUAD *palette = Colours(*info);

    // Grey value of every palette slot a pixel can name.
    BYTE slotGrey[256];
    for (int i = 0; i < 256; ++i)
        slotGrey[i] = static_cast<BYTE>(Luma100(palette[i].rgbBlue, palette[i].rgbGreen, palette[i].rgbRed));
    int threshold = 127;
    if (s.bitCount == 24) {
        int lo = 255, hi = 0;
        BYTE buffer[1024];
        for (int y = 0; y < s.height; ++y) {
            const BYTE *r = Row(*bits, s, y);
            for (int x0 = 0; x0 < s.width; x0 += 1024) {
                const int n = std::min(1024, s.width - x0);
                ToneLumaRow(Luma::Y100, r + 3 * x0, buffer, n);
                const auto [mn, mx] = std::minmax_element(buffer, buffer + n);
                lo = std::min<int>(lo, *mn);
                hi = std::max<int>(hi, *mx);
            }
        }
        threshold = (lo + hi) / 2;
    } else if (IsPalette(s.bitCount)) {
        const int n = PaletteCount(h);
        int lo = 255, hi = 0;
        for (int i = 0; i < n; ++i) {
            lo = std::min<int>(lo, slotGrey[i]);
            hi = std::max<int>(hi, slotGrey[i]);
        }
        threshold = n > 0 ? (lo + hi) / 2 : 127;
    }

    const std::size_t size = ImageBytes(s.width, s.height, 1);
    InfoPtr header = NewInfo();
    Block block(size);
    if (!header || !block)
        return;
    std::memcpy(header.get(), *info, sizeof(BITMAPINFOHEADER) + 4 * std::size_t(PaletteCount(h)));
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(s.width, 1));
    BYTE *dst = block.data();
    ForRows(*bits, s, [&](BYTE *r, int y) {
        BYTE *d = dst + std::size_t(y) * dstStride;
        BYTE grey[1024];
        for (int x0 = 0; x0 < s.width; x0 += 1024) {
            const int n = std::min(1024, s.width - x0);
            switch (s.bitCount) {
            case 24:
                ToneLumaRow(Luma::Y100, r + 3 * x0, grey, n);
                break;
            case 16:
                for (int x = 0; x < n; ++x) {
                    const int v = r[2 * (x0 + x)] | (r[2 * (x0 + x) + 1] << 8);
                    grey[x] = static_cast<BYTE>(
                        Luma100((v & 31) << 3, ((v >> 5) & 31) << 3, ((v >> 10) & 31) << 3));
                }
                break;
            case 32:
                for (int x = 0; x < n; ++x) {
                    const BYTE *p = r + 4 * (x0 + x);
                    grey[x] = static_cast<BYTE>(Luma100(p[0], p[1], p[2]));
                }
                break;
            default:
                for (int x = 0; x < n; ++x)
                    grey[x] = slotGrey[DibIndexAt(r, x0 + x, s.bitCount)];
                break;
            }
            for (int x = 0; x < n; ++x)
                if (grey[x] > threshold)
                    d[(x0 + x) >> 3] |= static_cast<BYTE>(0x80 >> ((x0 + x) & 7));
        }
    });
    BITMAPINFOHEADER &nh = header->bmiHeader;
    nh.biSizeImage = static_cast<DWORD>(size);
    nh.biWidth = s.width;
    nh.biBitCount = 1;
    nh.biClrUsed = 0;
    nh.biHeight = s.height;
    Colours(header.get())[0] = RGBQUAD { 0, 0, 0, 0 };
    Colours(header.get())[1] = RGBQUAD { 255, 255, 255, 0 };
    StoreInfo(info, header);
    StoreBits(bits, block);
}

extern "C" DIB_API int NegativeDib(HGLOBAL *bits, BITMAPINFO **info, int greyOnly)
{
    Shape s;
    if (!CheckPair(bits, info, s))
        return 0;
    if (IsPalette(s.bitCount)) {
        RGBQUAD *c = Colours(*info);
        for (int i = 0, n = PaletteCount((*info)->bmiHeader); i < n; ++i) {
            if (greyOnly && !(c[i].rgbBlue == c[i].rgbGreen && c[i].rgbGreen == c[i].rgbRed))
                continue;
            c[i].rgbBlue = BYTE(255 - c[i].rgbBlue);
            c[i].rgbGreen = BYTE(255 - c[i].rgbGreen);
            c[i].rgbRed = BYTE(255 - c[i].rgbRed);
        }
    } else if (s.bitCount == 24) {
        ForRows(*bits, s, [&](BYTE *r, int) {
            if (!greyOnly) {
                for (int i = 0; i < 3 * s.width; ++i)
                    r[i] = BYTE(~r[i]);
                return;
            }
            for (int x = 0; x < s.width; ++x, r += 3)
                if (r[0] == r[1] && r[1] == r[2])
                    r[0] = r[1] = r[2] = BYTE(255 - r[0]);
        });
    }
    return 1;
}

extern "C" DIB_API int AdjustRGBOffset(
    HGLOBAL *bits, BITMAPINFO **info, const BYTE *redTable, const BYTE *greenTable, const BYTE *blueTable)
{
    Shape s;
    if (!CheckPair(bits, info, s) || redTable == nullptr || greenTable == nullptr || blueTable == nullptr)
        return 0;
    ApplyTables(*bits, *info, s, redTable, greenTable, blueTable);
    return 1;
}

extern "C" DIB_API int DibNormalize(HGLOBAL *bits, BITMAPINFO **info)
{
    Shape s;
    if (!CheckPair(bits, info, s))
        return 0;
    const bool palette = IsPalette(s.bitCount);
    if (!palette && s.bitCount != 24)
        return 0; // nothing to count: as flat as a picture gets

    std::int64_t hist[256] = {};
    if (palette) {
        const RGBQUAD *c = Colours(*info);
        BYTE level[256];
        for (int i = 0; i < 256; ++i)
            level[i] = static_cast<BYTE>((77 * c[i].rgbBlue + 150 * c[i].rgbGreen + 29 * c[i].rgbRed) >> 8);
        CountIndexed(*bits, s, level, hist);
    } else {
        Count24(*bits, s, Luma::Y100, true, hist);
    }

    // The levels where the running sums from either end first pass the cut; a picture with no
    // spread beyond the cut is searched again with no cut.
    auto find = [&](std::int64_t cut, int &low, int &high) {
        low = 0;
        high = 255;
        std::int64_t sum = 0;
        for (int i = 0; i < 256; ++i)
            if ((sum += hist[i]) > cut) {
                low = i;
                break;
            }
        sum = 0;
        for (int i = 255; i >= 0; --i)
            if ((sum += hist[i]) > cut) {
                high = i;
                break;
            }
    };
    int low, high;
    find(std::int64_t(s.width) * s.height / 100, low, high);
    if (low == high)
        find(0, low, high);
    if (low >= high)
        return 0;
    BYTE map[256];
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<BYTE>(i < low ? 0 : i > high ? 255 : 254 * (i - low) / (high - low));

    InfoPtr header = NewInfo();
    if (!header)
        return 0;
    std::memcpy(
        header.get(), *info, sizeof(BITMAPINFOHEADER) + 4 * std::size_t(PaletteCount((*info)->bmiHeader)));
    if (palette) {
        RGBQUAD *c = Colours(header.get());
        for (int i = 0, n = PaletteCount(header->bmiHeader); i < n; ++i) {
            c[i].rgbBlue = map[c[i].rgbBlue];
            c[i].rgbGreen = map[c[i].rgbGreen];
            c[i].rgbRed = map[c[i].rgbRed];
        }
        StoreInfo(info, header);
        return 1;
    }
    Block block(GlobalSize(*bits));
    if (!block)
        return 0;
    const BYTE *src = static_cast<const BYTE *>(*bits);
    BYTE *dst = block.data();
    ParallelBands(s.height, ThreadsFor(std::int64_t(s.width) * s.height), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            BYTE *d = dst + std::size_t(y) * s.stride;
            std::memcpy(d, src + std::size_t(y) * s.stride, 3 * std::size_t(s.width));
            ToneMapBytes(map, d, 3 * std::size_t(s.width));
        }
    });
    StoreInfo(info, header);
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int DibEqualizeImage(HGLOBAL *bits, BITMAPINFO **info)
{
    Shape s;
    if (!CheckPair(bits, info, s))
        return 0;
    const bool palette = IsPalette(s.bitCount);
    std::int64_t hist[256] = {};
    if (palette) {
        const RGBQUAD *c = Colours(*info);
        BYTE level[256];
        for (int i = 0; i < 256; ++i)
            level[i] = static_cast<BYTE>(Luma256(c[i].rgbBlue, c[i].rgbGreen, c[i].rgbRed));
        CountIndexed(*bits, s, level, hist);
    } else if (s.bitCount == 24) {
        Count24(*bits, s, Luma::Y256, false, hist);
    }
    std::int64_t c[256];
    std::int64_t sum = 0;
    for (int i = 0; i < 256; ++i)
        c[i] = sum += hist[i];
    if (c[255] == 0)
        return 0;
    std::int64_t d = c[255] - c[0];
    if (d < 2)
        d = 1;
    BYTE map[256];
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<BYTE>(static_cast<int>(double(c[i] - c[0]) * 255.0 / double(d)));
    if (palette) {
        RGBQUAD *e = Colours(*info);
        for (int i = 0, n = PaletteCount((*info)->bmiHeader); i < n; ++i) {
            e[i].rgbBlue = map[e[i].rgbBlue];
            e[i].rgbGreen = map[e[i].rgbGreen];
            e[i].rgbRed = map[e[i].rgbRed];
        }
        return 1;
    }
    ForRows(*bits, s, [&](BYTE *r, int) { ToneMapBytes(map, r, 3 * std::size_t(s.width)); });
    return 1;
}

extern "C" DIB_API int DibSolarize(HGLOBAL *bits, BITMAPINFO **info, float percent)
{
    Shape s;
    if (!CheckPair(bits, info, s) || std::isnan(percent))
        return -1;
    const double level = std::clamp(double(percent) * 256.0 * 0.01, -1.0, 255.0);
    const int t = static_cast<int>(level);
    BYTE map[256];
    for (int v = 0; v < 256; ++v)
        map[v] = static_cast<BYTE>(v > t ? 255 - v : v);
    if (IsPalette(s.bitCount)) {
        const BITMAPINFOHEADER &h = (*info)->bmiHeader;
        const int n = h.biClrUsed != 0 ? int(std::min<DWORD>(h.biClrUsed, 256)) : 1 << s.bitCount;
        RGBQUAD *c = Colours(*info);
        for (int i = 0; i < n; ++i) {
            c[i].rgbBlue = map[c[i].rgbBlue];
            c[i].rgbGreen = map[c[i].rgbGreen];
            c[i].rgbRed = map[c[i].rgbRed];
        }
        return 1;
    }
    // The first three bytes per pixel's worth of each row (never past the row).
    const std::size_t n = std::min(3 * std::size_t(s.width), s.stride);
    ForRows(*bits, s, [&](BYTE *r, int) { ToneMapBytes(map, r, n); });
    return 1;
}

extern "C" DIB_API void DibLightMask(
    HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int subMode, int strength)
{
    Shape s;
    if (CheckPair(bits, info, s))
        LightMask(*bits, *info, s, colour, subMode, strength);
}

extern "C" DIB_API void DibHSLMask(
    HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int subMode, int strength)
{
    Shape s;
    if (CheckPair(bits, info, s))
        HslMask(*bits, *info, s, colour, subMode, strength);
}

extern "C" DIB_API void DibColorMask(
    HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int strength, int mode)
{
    Shape s;
    if (!CheckPair(bits, info, s))
        return;
    if (mode == 4 || mode == 5) {
        LightMask(*bits, *info, s, colour, mode - 4, strength);
        return;
    }
    if (mode >= 7 && mode <= 10) {
        HslMask(*bits, *info, s, colour, mode - 7, strength);
        return;
    }
    if (mode < 0 || mode > 6)
        return;
    const int p = std::clamp(strength, 0, 100), q = 100 - p;
    const int K[3] = { GetRValue(colour), GetGValue(colour), GetBValue(colour) };
    BYTE tables[3][256];
    for (int c = 0; c < 3; ++c) {
        const int k = K[c];
        for (int i = 0; i < 256; ++i) {
            int effect;
            switch (mode) {
            case 0:
                effect = k;
                break;
            case 1:
                effect = std::max(i - k, 0);
                break;
            case 2:
                effect = i * k / 255;
                break;
            case 3:
                effect = std::abs(i - k);
                break;
            default:
                effect = k - i * k / 255 + i;
                break;
            }
            tables[c][i] = static_cast<BYTE>((effect * q + i * p) / 100);
        }
    }
    ApplyTables(*bits, *info, s, tables[0], tables[1], tables[2]);
}

namespace dib
{
namespace
{

// out[c] = op(byte c of base, byte c of blend) for blue, green and red.
template <class Op> inline void PerChannel(DWORD base, DWORD blend, BYTE *out, Op op)
{
    out[0] = static_cast<BYTE>(op(base & 255, blend & 255));
    out[1] = static_cast<BYTE>(op((base >> 8) & 255, (blend >> 8) & 255));
    out[2] = static_cast<BYTE>(op((base >> 16) & 255, (blend >> 16) & 255));
}

#if defined(__SSE2__)
// The per-channel modes on all four bytes at once; the fourth is not written.
inline void Put3(__m128i v, BYTE *out)
{
    const std::uint32_t r = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
    out[0] = static_cast<BYTE>(r);
    out[1] = static_cast<BYTE>(r >> 8);
    out[2] = static_cast<BYTE>(r >> 16);
}

// x / 255 for 0 <= x <= 65025 in 16-bit lanes.
inline __m128i Div255(__m128i x)
{
    const __m128i one = _mm_set1_epi16(1);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
}

inline __m128i Product255(__m128i a, __m128i b)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i p = _mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    return _mm_packus_epi16(Div255(p), zero);
}
#endif

} // namespace
} // namespace dib

extern "C" DIB_API void DibColorBlend(DWORD base, DWORD blend, BYTE *out, int mode)
{
    if (out == nullptr)
        return;
#if defined(__SSE2__)
    const __m128i a = _mm_cvtsi32_si128(static_cast<int>(base)),
                  b = _mm_cvtsi32_si128(static_cast<int>(blend));
    const __m128i ones = _mm_set1_epi8(-1);
    switch (mode) {
    case 0:
        Put3(b, out);
        return;
    case 1:
        Put3(_mm_subs_epu8(a, b), out);
        return;
    case 2:
        Put3(Product255(a, b), out);
        return;
    case 3:
        Put3(_mm_max_epu8(a, b), out);
        return;
    case 4:
        Put3(_mm_min_epu8(a, b), out);
        return;
    case 5:
        Put3(_mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)), out);
        return;
    case 6: // 255 - (255 - a)(255 - b) / 255, with 255 - v as the complement
        Put3(_mm_xor_si128(Product255(_mm_xor_si128(a, ones), _mm_xor_si128(b, ones)), ones), out);
        return;
    default:
        break;
    }
#else
    switch (mode) {
    case 0:
        PerChannel(base, blend, out, [](unsigned, unsigned b) { return b; });
        return;
    case 1:
        PerChannel(base, blend, out, [](unsigned a, unsigned b) { return a > b ? a - b : 0u; });
        return;
    case 2:
        PerChannel(base, blend, out, [](unsigned a, unsigned b) { return a * b / 255; });
        return;
    case 3:
        PerChannel(base, blend, out, [](unsigned a, unsigned b) { return std::max(a, b); });
        return;
    case 4:
        PerChannel(base, blend, out, [](unsigned a, unsigned b) { return std::min(a, b); });
        return;
    case 5:
        PerChannel(base, blend, out, [](unsigned a, unsigned b) { return a > b ? a - b : b - a; });
        return;
    case 6:
        PerChannel(
            base, blend, out, [](unsigned a, unsigned b) { return 255 - (255 - a) * (255 - b) / 255; });
        return;
    default:
        break;
    }
#endif
    switch (mode) {
    case 7:
        BlendHslPacked(base, blend, HslPick { false, false, true }, out);
        return;
    case 8:
        BlendHslPacked(base, blend, HslPick { true, false, false }, out);
        return;
    case 9:
        BlendHslPacked(base, blend, HslPick { false, true, false }, out);
        return;
    case 11:
        BlendHslPacked(base, blend, HslPick { true, true, false }, out);
        return;
    default: // 10 and unknown modes write nothing
        return;
    }
}
