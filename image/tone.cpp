#include "image/tone.h"

#include "image/parallelrows.h"
#include "image/simd.h"

#include <algorithm>
#include <cstring>

#ifdef TARNIS_X86_SIMD
#include <immintrin.h>
#endif
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TARNIS_SSE2 1
#endif

namespace
{

#ifdef TARNIS_X86_SIMD
// 11 B + 59 G + 30 R of 16 pixels (48 bytes) as two vectors of eight 16-bit sums (at most 25500).
TARNIS_TARGET("ssse3") inline void WeightedSums16(const std::uint8_t *s, __m128i &lo, __m128i &hi)
{
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 16));
    const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 32));
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i weights = _mm_setr_epi8(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0);
    // Each product pair is (11 B + 59 G, 30 R) of one pixel; the horizontal add joins them.
    const __m128i p0 = _mm_maddubs_epi16(_mm_shuffle_epi8(a0, spread), weights);
    const __m128i p1 = _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_alignr_epi8(a1, a0, 12), spread), weights);
    const __m128i p2 = _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_alignr_epi8(a2, a1, 8), spread), weights);
    const __m128i p3 = _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_srli_si128(a2, 4), spread), weights);
    lo = _mm_hadd_epi16(p0, p1);
    hi = _mm_hadd_epi16(p2, p3);
}

// Grey values of the first pixels of a 24-bit row, 16 at a time; returns how many were done.
TARNIS_TARGET("ssse3") int GreyRow24Ssse3(const std::uint8_t *s, std::uint8_t *o, int w)
{
    const __m128i magic = _mm_set1_epi16(5243); // v / 100 = (v * 5243) >> 19 for v <= 25500
    int x = 0;
    for (; x + 16 <= w; x += 16) {
        __m128i lo, hi;
        WeightedSums16(s + 3 * std::size_t(x), lo, hi);
        lo = _mm_srli_epi16(_mm_mulhi_epu16(lo, magic), 3);
        hi = _mm_srli_epi16(_mm_mulhi_epu16(hi, magic), 3);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o + x), _mm_packus_epi16(lo, hi));
    }
    return x;
}

// Weighted sums of two 4-pixel windows of `s`, one per 128-bit lane.
TARNIS_TARGET("avx2") inline __m256i WindowPair(const std::uint8_t *s, int a, int b)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1,
        3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i weights = _mm256_setr_epi8(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11,
        59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0);
    const __m128i wa = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 12 * a));
    const __m128i wb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 12 * b));
    const __m256i w = _mm256_inserti128_si256(_mm256_castsi128_si256(wa), wb, 1);
    return _mm256_maddubs_epi16(_mm256_shuffle_epi8(w, spread), weights);
}

// 11 B + 59 G + 30 R of 32 pixels as two vectors of sixteen 16-bit sums in pixel order, read as
// eight windows of 4 pixels; the last window reads 4 bytes beyond the 96 of the pixels.
TARNIS_TARGET("avx2") inline void WeightedSums32(const std::uint8_t *s, __m256i &lo, __m256i &hi)
{
    lo = _mm256_hadd_epi16(WindowPair(s, 0, 2), WindowPair(s, 1, 3)); // pixels 0-7 | 8-15
    hi = _mm256_hadd_epi16(WindowPair(s, 4, 6), WindowPair(s, 5, 7)); // pixels 16-23 | 24-31
}

// Bytes of 32 pixels in order from two vectors of 16-bit values (0-7 | 8-15, 16-23 | 24-31).
TARNIS_TARGET("avx2") inline __m256i PackInOrder(__m256i lo, __m256i hi, bool saturateSigned)
{
    const __m256i packed = saturateSigned ? _mm256_packs_epi16(lo, hi) : _mm256_packus_epi16(lo, hi);
    return _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0));
}

TARNIS_TARGET("avx2") int GreyRow24Avx2(const std::uint8_t *s, std::uint8_t *o, int w)
{
    const __m256i magic = _mm256_set1_epi16(5243);
    int x = 0;
    for (; 3 * (x + 32) + 4 <= 3 * w; x += 32) {
        __m256i lo, hi;
        WeightedSums32(s + 3 * std::size_t(x), lo, hi);
        lo = _mm256_srli_epi16(_mm256_mulhi_epu16(lo, magic), 3);
        hi = _mm256_srli_epi16(_mm256_mulhi_epu16(hi, magic), 3);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o + x), PackInOrder(lo, hi, false));
    }
    return x;
}

constexpr std::uint8_t ReverseBits(unsigned v)
{
    unsigned r = 0;
    for (int k = 0; k < 8; ++k)
        r |= ((v >> k) & 1u) << (7 - k);
    return static_cast<std::uint8_t>(r);
}

struct ReverseTable {
    std::uint8_t v[256];
    constexpr ReverseTable()
        : v()
    {
        for (unsigned i = 0; i < 256; ++i)
            v[i] = ReverseBits(i);
    }
};
constexpr ReverseTable kReverse;

// Black-and-white bytes of the first pixels of a 24-bit row (sum >= limit: white), 16 at a time.
TARNIS_TARGET("ssse3") int BlackWhiteRow24Ssse3(const std::uint8_t *s, std::uint8_t *o, int w, unsigned limit)
{
    const __m128i below = _mm_set1_epi16(static_cast<short>(static_cast<int>(limit) - 1));
    int x = 0;
    for (; x + 16 <= w; x += 16) {
        __m128i lo, hi;
        WeightedSums16(s + 3 * std::size_t(x), lo, hi);
        const __m128i set = _mm_packs_epi16(_mm_cmpgt_epi16(lo, below), _mm_cmpgt_epi16(hi, below));
        const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(set));
        o[x >> 3] = kReverse.v[bits & 0xFF];
        o[(x >> 3) + 1] = kReverse.v[bits >> 8];
    }
    return x;
}

TARNIS_TARGET("avx2") int BlackWhiteRow24Avx2(const std::uint8_t *s, std::uint8_t *o, int w, unsigned limit)
{
    const __m256i below = _mm256_set1_epi16(static_cast<short>(static_cast<int>(limit) - 1));
    int x = 0;
    for (; 3 * (x + 32) + 4 <= 3 * w; x += 32) {
        __m256i lo, hi;
        WeightedSums32(s + 3 * std::size_t(x), lo, hi);
        const __m256i set = PackInOrder(_mm256_cmpgt_epi16(lo, below), _mm256_cmpgt_epi16(hi, below), true);
        const unsigned bits = static_cast<unsigned>(_mm256_movemask_epi8(set));
        for (int k = 0; k < 4; ++k)
            o[(x >> 3) + k] = kReverse.v[(bits >> (8 * k)) & 0xFF];
    }
    return x;
}
#endif

std::uint8_t Clamp255(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Saturating add then subtract per byte reproduces clamp(v + step) for any step.
void AdjustRow24(std::uint8_t *p, std::size_t bytes, const std::uint8_t add[3], const std::uint8_t sub[3],
    const std::uint8_t *const table[3])
{
    std::size_t i = 0;
#ifdef TARNIS_SSE2
    alignas(16) std::uint8_t addPattern[48], subPattern[48];
    for (int k = 0; k < 48; ++k) {
        addPattern[k] = add[k % 3];
        subPattern[k] = sub[k % 3];
    }
    const __m128i a0 = _mm_load_si128(reinterpret_cast<const __m128i *>(addPattern));
    const __m128i a1 = _mm_load_si128(reinterpret_cast<const __m128i *>(addPattern + 16));
    const __m128i a2 = _mm_load_si128(reinterpret_cast<const __m128i *>(addPattern + 32));
    const __m128i s0 = _mm_load_si128(reinterpret_cast<const __m128i *>(subPattern));
    const __m128i s1 = _mm_load_si128(reinterpret_cast<const __m128i *>(subPattern + 16));
    const __m128i s2 = _mm_load_si128(reinterpret_cast<const __m128i *>(subPattern + 32));
    for (; i + 48 <= bytes; i += 48) {
        auto *v = reinterpret_cast<__m128i *>(p + i);
        __m128i x0 = _mm_loadu_si128(v), x1 = _mm_loadu_si128(v + 1), x2 = _mm_loadu_si128(v + 2);
        _mm_storeu_si128(v, _mm_subs_epu8(_mm_adds_epu8(x0, a0), s0));
        _mm_storeu_si128(v + 1, _mm_subs_epu8(_mm_adds_epu8(x1, a1), s1));
        _mm_storeu_si128(v + 2, _mm_subs_epu8(_mm_adds_epu8(x2, a2), s2));
    }
#else
    (void)add;
    (void)sub;
#endif
    for (; i + 3 <= bytes; i += 3) {
        p[i] = table[0][p[i]];
        p[i + 1] = table[1][p[i + 1]];
        p[i + 2] = table[2][p[i + 2]];
    }
}

// Grey value of each palette index (indices past the palette read the block's zero entries).
void GreyTable(const DibLayout &d, std::uint8_t grey[256])
{
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD &q = d.palette[i];
        grey[i] = static_cast<std::uint8_t>(GreyOf(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
}

// Grey values of one stored row into `out` (width bytes).
void GreyRow(const DibLayout &d, const std::uint8_t *s, const std::uint8_t grey[256], std::uint8_t *out)
{
    const int w = d.width;
    switch (d.bitCount) {
    case 1:
    case 4:
    case 8:
        MapIndexRow(d, s, grey, out);
        break;
    case 16:
        for (int x = 0; x < w; ++x) {
            int r, g, b;
            Expand555(static_cast<std::uint16_t>(s[2 * x] | (s[2 * x + 1] << 8)), r, g, b);
            out[x] = static_cast<std::uint8_t>(GreyOf(r, g, b));
        }
        break;
    case 24: {
        int x = 0;
#ifdef TARNIS_X86_SIMD
        if (CpuHasAvx2())
            x = GreyRow24Avx2(s, out, w);
        if (CpuHasSsse3())
            x += GreyRow24Ssse3(s + 3 * std::size_t(x), out + x, w - x);
#endif
        for (; x < w; ++x) {
            unsigned v = 30u * s[3 * x + 2] + 59u * s[3 * x + 1] + 11u * s[3 * x];
            out[x] = static_cast<std::uint8_t>((v * 5243u) >> 19);
        }
        break;
    }
    case 32:
        for (int x = 0; x < w; ++x)
            out[x] = static_cast<std::uint8_t>(GreyOf(s[4 * x + 2], s[4 * x + 1], s[4 * x]));
        break;
    }
}

// 30 R + 59 G + 11 B >= limit for the 8 pixels from x, packed most significant bit first.
std::uint8_t Pack24(const std::uint8_t *s, int count, unsigned limit)
{
    unsigned byte = 0;
    for (int k = 0; k < count; ++k) {
        unsigned v = 30u * s[3 * k + 2] + 59u * s[3 * k + 1] + 11u * s[3 * k];
        byte |= (v >= limit ? 0x80u : 0u) >> k;
    }
    return static_cast<std::uint8_t>(byte);
}

} // namespace

bool ColorTablesDib(DibInfoBlock &info, void *bits, int redStep, int greenStep, int blueStep)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d))
        return false;
    std::uint8_t tr[256], tg[256], tb[256];
    for (int v = 0; v < 256; ++v) {
        tr[v] = Clamp255(v + redStep);
        tg[v] = Clamp255(v + greenStep);
        tb[v] = Clamp255(v + blueStep);
    }
    if (d.bitCount != 24) {
        int n = DibPaletteSize(info.bmiHeader);
        for (int i = 0; i < n; ++i) {
            RGBQUAD &q = info.bmiColors[i];
            q.rgbRed = tr[q.rgbRed];
            q.rgbGreen = tg[q.rgbGreen];
            q.rgbBlue = tb[q.rgbBlue];
        }
        return true;
    }
    auto part = [](int step, bool up) {
        int v = up ? step : -step;
        return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
    };
    const std::uint8_t add[3] = { part(blueStep, true), part(greenStep, true), part(redStep, true) };
    const std::uint8_t sub[3] = { part(blueStep, false), part(greenStep, false), part(redStep, false) };
    const std::uint8_t *const tables[3] = { tb, tg, tr };
    const std::size_t rowBytes = std::size_t(d.width) * 3;
    ParallelRows(d.height, std::int64_t(d.width) * d.height, [&](int first, int last) {
        for (int y = first; y < last; ++y)
            AdjustRow24(d.Row(bits, y), rowBytes, add, sub, tables);
    });
    return true;
}

BOOL InvertRegion(const RegionRecord &r)
{
    if (r.pixels == nullptr)
        return FALSE;
    const int bpp = r.bitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return FALSE;
    const std::int64_t wholeW = std::int64_t(r.wholeRight) - r.wholeLeft;
    const std::int64_t wholeH = std::int64_t(r.wholeBottom) - r.wholeTop;
    const LONG left = std::max<LONG>(r.left, 0),
               right = static_cast<LONG>(std::min<std::int64_t>(r.right, wholeW));
    const LONG bottom = std::max<LONG>(r.bottomRow, 0);
    const LONG top = static_cast<LONG>(std::min<std::int64_t>(r.topRow, wholeH));
    if (wholeW <= 0 || left >= right || bottom >= top)
        return FALSE;
    const std::size_t stride = static_cast<std::size_t>(((wholeW * bpp + 7) / 8 + 3) / 4 * 4);
    auto *base = static_cast<std::uint8_t *>(r.pixels);
    auto invertRows = [&](int first, int last) {
        for (int y = bottom + first; y < bottom + last; ++y) {
            std::uint8_t *row = base + std::size_t(y) * stride;
            if (bpp >= 8) {
                std::uint8_t *p = row + std::size_t(bpp) * left / 8;
                std::uint8_t *end = row + std::size_t(bpp) * right / 8;
                for (; p < end; ++p)
                    *p = static_cast<std::uint8_t>(255 - *p);
            } else if (bpp == 4) {
                for (int x = left; x < right; ++x)
                    DibSetPixel4(row, x, 15 - DibGetPixel4(row, x));
            } else {
                for (int x = left; x < right; ++x)
                    row[x >> 3] ^= static_cast<std::uint8_t>(0x80u >> (x & 7));
            }
        }
    };
    ParallelRows(top - bottom, std::int64_t(right - left) * (top - bottom), invertRows);
    return TRUE;
}

namespace
{

// The result block of a picture turned into another depth: the source's header with the new
// depth, colour count and image size, and uninitialised pixels. False when memory runs out.
bool StartResult(const DibInfoBlock &info, const DibLayout &d, int bitCount, DWORD colours, DibResult &out,
    std::size_t &stride)
{
    HGLOBAL block = DibAllocPixels(d.width, d.height, bitCount, &stride);
    if (block == nullptr)
        return false;
    out.bits = block;
    std::memcpy(&out.info.bmiHeader, &info.bmiHeader, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER &h = out.info.bmiHeader;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biClrUsed = colours;
    h.biSizeImage = static_cast<DWORD>(stride * std::size_t(d.height));
    return true;
}

} // namespace

bool GreyDib(const DibInfoBlock &info, const void *bits, DibResult &out)
{
    DibLayout d;
    std::size_t stride = 0;
    if (!DibLayoutOf(&info, bits, d) || !StartResult(info, d, 8, 256, out, stride))
        return false;
    DibGreyPalette(out.info, 256);
    HGLOBAL block = out.bits;
    std::uint8_t grey[256];
    GreyTable(d, grey);
    auto *dst = static_cast<std::uint8_t *>(block);
    ParallelRows(d.height, std::int64_t(d.width) * d.height, [&](int first, int last) {
        for (int y = first; y < last; ++y)
            GreyRow(d, d.Row(bits, y), grey, dst + std::size_t(y) * stride);
    });
    return true;
}

bool BlackWhiteDib(const DibInfoBlock &info, const void *bits, int threshold, DibResult &out)
{
    DibLayout d;
    std::size_t stride = 0;
    if (!DibLayoutOf(&info, bits, d) || !StartResult(info, d, 1, 0, out, stride))
        return false;
    HGLOBAL block = out.bits;
    out.info.bmiColors[0] = RGBQUAD { 0, 0, 0, 0 };
    out.info.bmiColors[1] = RGBQUAD { 255, 255, 255, 0 };

    // grey > threshold  <=>  30 R + 59 G + 11 B >= 100 (threshold + 1) for grey in 0...255.
    const int t = std::clamp(threshold, -1, 255);
    const unsigned limit = 100u * static_cast<unsigned>(t + 1);
    std::uint8_t grey[256];
    GreyTable(d, grey);
    auto *dst = static_cast<std::uint8_t *>(block);
    const int w = d.width;
    ParallelRows(d.height, std::int64_t(w) * d.height, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const std::uint8_t *s = d.Row(bits, y);
            std::uint8_t *o = dst + std::size_t(y) * stride;
            if (d.bitCount == 24) {
                int x = 0;
#ifdef TARNIS_X86_SIMD
                if (CpuHasAvx2())
                    x = BlackWhiteRow24Avx2(s, o, w, limit);
                if (CpuHasSsse3())
                    x += BlackWhiteRow24Ssse3(s + 3 * std::size_t(x), o + (x >> 3), w - x, limit);
#endif
                for (; x < w; x += 8)
                    o[x >> 3] = Pack24(s + 3 * std::size_t(x), std::min(8, w - x), limit);
                continue;
            }
            for (int x = 0; x < w; ++x) {
                int g = 0, r = 0, gr = 0, b = 0;
                switch (d.bitCount) {
                case 1:
                    g = grey[DibGetPixel1(s, x)];
                    break;
                case 4:
                    g = grey[DibGetPixel4(s, x)];
                    break;
                case 8:
                    g = grey[s[x]];
                    break;
                case 16:
                    Expand555(static_cast<std::uint16_t>(s[2 * x] | (s[2 * x + 1] << 8)), r, gr, b);
                    g = GreyOf(r, gr, b);
                    break;
                case 32:
                    g = GreyOf(s[4 * x + 2], s[4 * x + 1], s[4 * x]);
                    break;
                }
                if (g > t)
                    o[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
            }
        }
    });
    return true;
}
