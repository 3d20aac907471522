// Filters: the numbered 3 × 3 kernels, charcoal, mosaic, noise, spreading and the 8-bit mask
// filters; the shared 24-bit working view.
#include "dib/filters.h"

#include "dib/random.h"

#include <algorithm>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#include <emmintrin.h>
#define DIB_FILTER_SSE2 1
#else
#define DIB_FILTER_SSE2 0
#endif

namespace dib::filt
{

// ---- The 24-bit working view ----

Rgb24::~Rgb24()
{
    GlobalFree(m_convBits);
    DeleteInfo(m_convInfo);
}

bool Rgb24::Open(HGLOBAL *bits, BITMAPINFO **info)
{
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return false;
    if (shape.bitCount != 24) {
        // Convert a copy of the pair; AnyConvertTo24Bit replaces the copy's blocks.
        InfoPtr copyInfo = NewInfo();
        Block copyBits(GlobalSize(*bits));
        if (!copyInfo || !copyBits)
            return false;
        std::memcpy(copyInfo.get(), *info,
            sizeof(BITMAPINFOHEADER) + 4 * std::size_t(PaletteCount((*info)->bmiHeader)));
        std::memcpy(copyBits.data(), *bits, GlobalSize(*bits));
        m_convInfo = copyInfo.release();
        m_convBits = copyBits.release();
        if (!AnyConvertTo24Bit(&m_convBits, &m_convInfo))
            return false;
        if (!DibShapeOf(m_convInfo->bmiHeader, shape))
            return false;
    }
    width = shape.width;
    height = shape.height;
    stride = shape.stride;
    size = shape.size;
    m_data = static_cast<BYTE *>(m_convBits != nullptr ? m_convBits : *bits);
    return true;
}

void Rgb24::Commit(HGLOBAL *bits, BITMAPINFO **info, Block *block)
{
    BITMAPINFOHEADER &h = (*info)->bmiHeader;
    if (m_convInfo != nullptr) {
        h.biXPelsPerMeter = m_convInfo->bmiHeader.biXPelsPerMeter;
        h.biYPelsPerMeter = m_convInfo->bmiHeader.biYPelsPerMeter;
    }
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 24;
    h.biSizeImage = static_cast<DWORD>(size);
    h.biClrUsed = 0;
    if (block != nullptr) {
        StoreBits(bits, *block);
    } else if (m_convBits != nullptr) {
        GlobalFree(*bits);
        *bits = m_convBits;
        m_convBits = nullptr;
    }
    m_data = nullptr;
}

namespace
{

// ---- DoSpecialFilter ----

struct Kernel {
    int c[9]; // row by row
    int divisor;
};

constexpr Kernel kKernels[10] = {
    { { 1, 3, 1, 3, 20, 3, 1, 3, 1 }, 36 },
    { { 1, 3, 1, 3, 10, 3, 1, 3, 1 }, 26 },
    { { 1, 3, 1, 3, 5, 3, 1, 3, 1 }, 21 },
    { { 1, 2, 1, 2, 1, 2, 1, 2, 1 }, 13 },
    { { 3, 3, 3, 3, 1, 3, 3, 3, 3 }, 25 },
    { { 0, -1, 0, -1, 5, -1, 0, -1, 0 }, 1 },
    { { -1, 0, -1, 0, 5, 0, -1, 0, -1 }, 1 },
    { { -1, -1, -1, -1, 9, -1, -1, -1, -1 }, 1 },
    { { -1, -2, -1, -2, 13, -2, -1, -2, -1 }, 1 },
    { { -2, -2, -2, -2, 17, -2, -2, -2, -2 }, 1 },
};

// Every kernel weighs its four corners alike and its four edge neighbours alike, which the fast
// path relies on.
constexpr bool Symmetric(const Kernel &k)
{
    return k.c[0] == k.c[2] && k.c[0] == k.c[6] && k.c[0] == k.c[8] && k.c[1] == k.c[3] && k.c[1] == k.c[5]
        && k.c[1] == k.c[7];
}
static_assert(std::all_of(std::begin(kKernels), std::end(kKernels), Symmetric));

// Corner, edge and centre weights and a divisor; sums stay within 16 bits.
struct Weights {
    int corner, edge, centre, divisor;
    int maxSum; // largest possible sum, for the division by multiplication
};

// x / d for 0 <= x <= maxSum as (x × mul) >> (16 + shift) with a 16-bit multiplier.
struct Divider {
    unsigned mul = 0;
    int shift = 0;
    bool ok = false;
};

Divider FindDivider(int d, int maxSum)
{
    Divider best;
    for (int shift = 0; shift < 16 && !best.ok; ++shift) {
        const unsigned long long m = ((1ULL << (16 + shift)) + unsigned(d) - 1) / unsigned(d);
        if (m > 0xFFFF)
            break;
        bool exact = true;
        for (int x = 0; x <= maxSum && exact; ++x)
            exact = int((unsigned long long)x * m >> (16 + shift)) == x / d;
        if (exact)
            best = Divider { unsigned(m), shift, true };
    }
    return best;
}

// One output row of a weighted kernel on bytes [j0, j1] (neighbours three bytes away).
void WeightedRowScalar(const BYTE *up, const BYTE *mid, const BYTE *dn, BYTE *out, std::size_t j0,
    std::size_t j1, const Weights &w)
{
    for (std::size_t j = j0; j <= j1; ++j) {
        const int corners = up[j - 3] + up[j + 3] + dn[j - 3] + dn[j + 3];
        const int edges = up[j] + dn[j] + mid[j - 3] + mid[j + 3];
        const int sum = w.corner * corners + w.edge * edges + w.centre * mid[j];
        out[j] = ClampByte(sum / w.divisor);
    }
}

#if DIB_FILTER_SSE2
// 16 bytes at a time in 16-bit lanes; returns the first byte left for the scalar loop.
std::size_t WeightedRowSse2(const BYTE *up, const BYTE *mid, const BYTE *dn, BYTE *out, std::size_t j0,
    std::size_t j1, const Weights &w, const Divider &div)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i wc = _mm_set1_epi16(static_cast<short>(w.corner));
    const __m128i we = _mm_set1_epi16(static_cast<short>(w.edge));
    const __m128i wm = _mm_set1_epi16(static_cast<short>(w.centre));
    const __m128i mul = _mm_set1_epi16(static_cast<short>(div.mul));
    const __m128i shift = _mm_cvtsi32_si128(div.shift);
    const bool divide = w.divisor != 1;
    auto load = [](const BYTE *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    auto half = [&](__m128i c, __m128i e, __m128i m) {
        __m128i s = _mm_add_epi16(
            _mm_add_epi16(_mm_mullo_epi16(c, wc), _mm_mullo_epi16(e, we)), _mm_mullo_epi16(m, wm));
        if (divide)
            s = _mm_srl_epi16(_mm_mulhi_epu16(s, mul), shift);
        return s;
    };
    std::size_t j = j0;
    for (; j + 15 <= j1; j += 16) {
        const __m128i ul = load(up + j - 3), ur = load(up + j + 3), dl = load(dn + j - 3),
                      dr = load(dn + j + 3);
        const __m128i uc = load(up + j), dc = load(dn + j), ml = load(mid + j - 3), mr = load(mid + j + 3);
        const __m128i mc = load(mid + j);
        auto lo = [&](__m128i v) { return _mm_unpacklo_epi8(v, zero); };
        auto hi = [&](__m128i v) { return _mm_unpackhi_epi8(v, zero); };
        const __m128i cLo = _mm_add_epi16(_mm_add_epi16(lo(ul), lo(ur)), _mm_add_epi16(lo(dl), lo(dr)));
        const __m128i cHi = _mm_add_epi16(_mm_add_epi16(hi(ul), hi(ur)), _mm_add_epi16(hi(dl), hi(dr)));
        const __m128i eLo = _mm_add_epi16(_mm_add_epi16(lo(uc), lo(dc)), _mm_add_epi16(lo(ml), lo(mr)));
        const __m128i eHi = _mm_add_epi16(_mm_add_epi16(hi(uc), hi(dc)), _mm_add_epi16(hi(ml), hi(mr)));
        const __m128i r = _mm_packus_epi16(half(cLo, eLo, lo(mc)), half(cHi, eHi, hi(mc)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), r);
    }
    return j;
}
#endif

// (a × first + b × second + c × third + offset), clamped, over bytes [j0, j1]: the one-row
// kernels and the directional emboss.
// Each source is a row and the offset of the byte read, from j.
struct Tap {
    const BYTE *row;
    std::ptrdiff_t offset;
    int weight;
    int at(std::size_t j) const { return weight * row[std::ptrdiff_t(j) + offset]; }
};

void LinearRow(Tap p, Tap q, Tap r, int bias, BYTE *out, std::size_t j0, std::size_t j1)
{
    for (std::size_t j = j0; j <= j1; ++j)
        out[j] = ClampByte(p.at(j) + q.at(j) + r.at(j) + bias);
}

// Types 1-16 from `src` into `dst` (already holding the copy or the 128s).
void SpecialFilter(const Rgb24 &img, BYTE *dst, int type, int sub)
{
    const std::size_t stride = img.stride;
    if (stride < 7)
        return; // no byte has both neighbours inside the row
    const std::size_t j0 = 3, j1 = stride - 4;
    const int H = img.height;
    const bool allRows = type >= 4 && type <= 6;
    const int first = allRows ? 0 : 1, last = allRows ? H - 1 : H - 2;
    if (last < first)
        return;

    Weights w {};
    Divider div;
    if (type <= 3) {
        if (type == 3) {
            w = Weights { 3, 3, 4, 20, 0 };
        } else {
            const Kernel &k = kKernels[(type == 1 ? 0 : 5) + std::clamp(sub, 0, 4)];
            w = Weights { k.c[0], k.c[1], k.c[4], k.divisor, 0 };
        }
        w.maxSum = 255 * (4 * std::max(w.corner, 0) + 4 * std::max(w.edge, 0) + std::max(w.centre, 0));
        if (w.divisor != 1)
            div = FindDivider(w.divisor, w.maxSum);
    }
    // Directional emboss: neighbour k and its opposite 8 - k (rows are memory rows).
    int k = type - 7;
    if (k >= 4)
        ++k;
    const int strength = std::clamp(sub, -65536, 65536);

    const bool vector = DIB_FILTER_SSE2 && VectorKernels() && (w.divisor == 1 || div.ok);
    const int rows = last - first + 1;
    ForRowBands(rows, std::int64_t(img.width) * rows, [&](int b0, int b1) {
        for (int y = first + b0; y < first + b1; ++y) {
            const BYTE *mid = img.row(y);
            BYTE *out = dst + std::size_t(y) * stride;
            switch (type) {
            case 1:
            case 2:
            case 3: {
                const BYTE *up = img.row(y + 1), *dn = img.row(y - 1);
                std::size_t j = j0;
#if DIB_FILTER_SSE2
                if (vector)
                    j = WeightedRowSse2(up, mid, dn, out, j0, j1, w, div);
#endif
                if (j <= j1)
                    WeightedRowScalar(up, mid, dn, out, j, j1, w);
                break;
            }
            case 4:
                LinearRow({ mid, -3, 2 }, { mid, 0, -3 }, { mid, 3, 2 }, 0, out, j0, j1);
                break;
            case 5:
                LinearRow({ mid, -3, -1 }, { mid, 0, 26 }, { mid, 3, -24 }, 0, out, j0, j1);
                break;
            case 6:
                LinearRow({ mid, -3, -1 }, { mid, 0, 5 }, { mid, 3, -1 }, 0, out, j0, j1);
                break;
            default:
                if (k <= 8) {
                    const int dy = k / 3 - 1, dx = (k % 3 - 1) * 3;
                    LinearRow({ img.row(y + dy), dx, strength }, { img.row(y - dy), -dx, -strength },
                        { mid, 0, 0 }, 128, out, j0, j1);
                }
                break;
            }
        }
    });
    (void)vector;
}

// ---- 8-bit mask planes ----

// The caller's plane: width × height bytes in rows padded to 4.
bool CheckPlane(int width, int height, const HGLOBAL *mask, std::size_t &stride, std::size_t &size)
{
    if (mask == nullptr || *mask == nullptr)
        return false;
    size = DibCheckedImageSize(width, height, 8);
    if (size == 0 || GlobalSize(*mask) < size)
        return false;
    stride = static_cast<std::size_t>(DibStride(width, 8));
    return true;
}

} // namespace

} // namespace dib::filt

using namespace dib;
using namespace dib::filt;

extern "C" DIB_API int DoSpecialFilter(HGLOBAL *bits, BITMAPINFO **info, int type, int sub)
{
    if (type < 1 || type > 16)
        return 0;
    Rgb24 img;
    if (!img.Open(bits, info))
        return 0;
    Block out(img.size);
    if (!out)
        return 0;
    BYTE *dst = out.data();
    const std::size_t stride = img.stride;
    if (type <= 6) {
        // The result starts as the picture; only what the filter leaves needs copying.
        const bool allRows = type >= 4;
        for (int y = 0; y < img.height; ++y) {
            BYTE *d = dst + std::size_t(y) * stride;
            const BYTE *s = img.row(y);
            if ((!allRows && (y == 0 || y == img.height - 1)) || stride < 7) {
                std::memcpy(d, s, stride);
            } else {
                std::memcpy(d, s, 3);
                std::memcpy(d + stride - 3, s + stride - 3, 3);
            }
        }
    } else {
        std::memset(dst, 128, img.size);
    }
    SpecialFilter(img, dst, type, sub);
    img.Commit(bits, info, &out);
    return 1;
}

extern "C" DIB_API int DibCharCoal(HGLOBAL *bits, BITMAPINFO **info)
{
    if (bits == nullptr || info == nullptr || *info == nullptr || (*info)->bmiHeader.biBitCount < 4)
        return 0;
    Rgb24 img;
    if (!img.Open(bits, info) || img.width < 3 || img.height < 3)
        return 0;
    Block out(img.size);
    if (!out)
        return 0;
    const int W = img.width, H = img.height;
    BYTE *dst = out.data();
    auto greyCopy = [&](int x, int y) {
        BYTE *d = dst + std::size_t(y) * img.stride + 3 * std::size_t(x);
        d[0] = d[1] = d[2] = img.row(y)[3 * x];
    };
    for (int x = 0; x < W; ++x) {
        greyCopy(x, 0);
        greyCopy(x, H - 1);
    }
    ForRowBands(H - 2, std::int64_t(W) * H, [&](int b0, int b1) {
        for (int y = b0 + 1; y < b1 + 1; ++y) {
            greyCopy(0, y);
            greyCopy(W - 1, y);
            const BYTE *up = img.row(y + 1), *mid = img.row(y), *dn = img.row(y - 1);
            BYTE *d = dst + std::size_t(y) * img.stride;
            for (int x = 1; x < W - 1; ++x) {
                int e[3];
                for (int c = 0; c < 3; ++c) {
                    const int j = 3 * x + c;
                    const int sum = up[j - 3] + up[j] + up[j + 3] + mid[j - 3] + mid[j + 3] + dn[j - 3]
                        + dn[j] + dn[j + 3];
                    e[c] = ClampByte(8 * mid[j] - sum);
                }
                const BYTE v = static_cast<BYTE>(255 - ((77 * e[2] + 150 * e[1] + 29 * e[0]) >> 8));
                d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = v;
            }
        }
    });
    img.Commit(bits, info, &out);
    return 1;
}

extern "C" DIB_API int DibMosaic(HGLOBAL *bits, BITMAPINFO **info, int blockWidth, int blockHeight)
{
    Rgb24 img;
    if (!img.Open(bits, info))
        return 0;
    const int W = img.width, H = img.height;
    const int bw = std::clamp(blockWidth, 1, W), bh = std::clamp(blockHeight, 1, H);
    const int blockRows = (H + bh - 1) / bh;
    const int threads = ThreadsFor(std::int64_t(W) * H);
    // Per thread: column sums over a band of rows (32-bit over at most 65536 rows at a time, then
    // 64-bit), and the band's row of block colours.
    const std::size_t n3 = 3 * std::size_t(W);
    const std::size_t perThread = (n3 * (sizeof(std::uint32_t) + sizeof(std::uint64_t) + 1) + 63) / 64 * 64;
    Block work(std::size_t(threads) * perThread);
    if (!work)
        return 0;
    ParallelBands(blockRows, threads, [&](int band, int r0, int r1) {
        auto *wide = reinterpret_cast<std::uint64_t *>(work.data() + std::size_t(band) * perThread);
        auto *col = reinterpret_cast<std::uint32_t *>(wide + n3);
        BYTE *pattern = reinterpret_cast<BYTE *>(col + n3);
        for (int r = r0; r < r1; ++r) {
            const std::int64_t y0 = std::int64_t(r) * bh, y1 = std::min<std::int64_t>(H, y0 + bh);
            std::fill(wide, wide + n3, std::uint64_t(0));
            for (std::int64_t c0 = y0; c0 < y1; c0 += 65536) {
                std::fill(col, col + n3, 0u);
                for (std::int64_t y = c0; y < std::min(y1, c0 + 65536); ++y) {
                    const BYTE *s = img.row(int(y));
                    for (std::size_t j = 0; j < n3; ++j)
                        col[j] += s[j];
                }
                for (std::size_t j = 0; j < n3; ++j)
                    wide[j] += col[j];
            }
            for (std::int64_t x0 = 0; x0 < W; x0 += bw) {
                const std::int64_t x1 = std::min<std::int64_t>(W, x0 + bw);
                std::uint64_t total[3] = {};
                for (std::int64_t x = x0; x < x1; ++x)
                    for (int c = 0; c < 3; ++c)
                        total[c] += wide[3 * x + c];
                const std::uint64_t n = std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0);
                const BYTE avg[3] = { BYTE(total[0] / n), BYTE(total[1] / n), BYTE(total[2] / n) };
                for (std::int64_t x = x0; x < x1; ++x)
                    std::memcpy(pattern + 3 * x, avg, 3);
            }
            for (std::int64_t y = y0; y < y1; ++y)
                std::memcpy(img.row(int(y)), pattern, n3);
        }
    });
    img.Commit(bits, info);
    return 1;
}

extern "C" DIB_API int DibMyAddNoise(HGLOBAL *bits, BITMAPINFO **info, int amount)
{
    Rgb24 img;
    if (!img.Open(bits, info))
        return 0;
    const double q = amount * 0.005;
    if (q > 0) {
        // One draw per byte in memory order, padding included, on the caller's thread.
        BYTE *p = img.data();
        for (std::size_t i = 0; i < img.size; ++i) {
            double r = (NextRandom() & 32767) / 32767.0;
            if (r == 0)
                r = 1.0;
            if (r < q)
                p[i] = 0;
            else if (r >= 1 - q)
                p[i] = 255;
        }
    }
    img.Commit(bits, info);
    return 1;
}

extern "C" DIB_API int DibSpreadImage(HGLOBAL *bits, BITMAPINFO **info, int amount)
{
    Shape shape;
    if (!CheckPair(bits, info, shape) || shape.width < 3 || shape.height < 3 || shape.bitCount < 8)
        return 0;
    Block copy(shape.size);
    if (!copy)
        return 0;
    BYTE *p = static_cast<BYTE *>(*bits);
    std::memcpy(copy.data(), p, shape.size);
    const std::int64_t d = std::int64_t(std::min(shape.width, shape.height)) * amount / 100;
    const std::int64_t half = d / 2;
    const std::int64_t bpp = shape.bitCount / 8;
    const std::int64_t stride = std::int64_t(shape.stride), size = std::int64_t(shape.size);
    SeedRandomFromTime();
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            const std::int64_t sx = (NextRandom() & d) - half + x;
            const std::int64_t sy = (NextRandom() & d) - half + y;
            std::int64_t at = sy * stride + sx * bpp;
            const std::int64_t self = y * stride + x * bpp;
            if (at < 0 || at + bpp > size)
                at = self;
            std::memcpy(p + self, copy.data() + at, std::size_t(bpp));
        }
    }
    return 1;
}

extern "C" DIB_API int BlurMask8Bit(int width, int height, HGLOBAL *mask)
{
    std::size_t stride = 0, size = 0;
    if (!CheckPlane(width, height, mask, stride, size))
        return 0;
    Block out(size);
    const int threads = ThreadsFor(std::int64_t(width) * height);
    Block work(std::size_t(threads) * std::size_t(width) * sizeof(std::uint32_t));
    if (!out || !work)
        return 0;
    const BYTE *src = static_cast<const BYTE *>(*mask);
    ParallelBands(height, threads, [&](int band, int y0, int y1) {
        auto *col = reinterpret_cast<std::uint32_t *>(work.data()) + std::size_t(band) * width;
        // Column sums over rows y - 3 ... y + 4, moved one row at a time.
        std::fill(col, col + width, 0u);
        for (int r = std::max(0, y0 - 3); r <= std::min(height - 1, y0 + 4); ++r)
            for (int x = 0; x < width; ++x)
                col[x] += src[std::size_t(r) * stride + x];
        for (int y = y0; y < y1; ++y) {
            if (y > y0) {
                if (y - 4 >= 0)
                    for (int x = 0; x < width; ++x)
                        col[x] -= src[std::size_t(y - 4) * stride + x];
                if (y + 4 < height)
                    for (int x = 0; x < width; ++x)
                        col[x] += src[std::size_t(y + 4) * stride + x];
            }
            const std::uint32_t rows = std::uint32_t(std::min(height - 1, y + 4) - std::max(0, y - 3) + 1);
            BYTE *d = out.data() + std::size_t(y) * stride;
            std::uint32_t sum = 0;
            for (int x = 0; x <= std::min(width - 1, 4); ++x)
                sum += col[x];
            for (int x = 0; x < width; ++x) {
                if (x > 0) {
                    if (x - 4 >= 0)
                        sum -= col[x - 4];
                    if (x + 4 < width)
                        sum += col[x + 4];
                }
                const std::uint32_t cols = std::uint32_t(std::min(width - 1, x + 4) - std::max(0, x - 3) + 1);
                d[x] = static_cast<BYTE>(sum / (rows * cols));
            }
        }
    });
    StoreBits(mask, out);
    return 1;
}

extern "C" DIB_API int Deflate8Bit(int width, int height, HGLOBAL *mask, int radius)
{
    std::size_t stride = 0, size = 0;
    if (!CheckPlane(width, height, mask, stride, size))
        return 0;
    const int r = std::clamp(radius, 0, std::max(width, height));
    Block out(size);
    // Whether a zero lies within r columns of each byte, then within r rows of that.
    Block near(size);
    const int threads = ThreadsFor(std::int64_t(width) * height);
    Block counts(std::size_t(threads) * std::size_t(width) * sizeof(std::uint32_t));
    if (!out || !near || !counts)
        return 0;
    const BYTE *src = static_cast<const BYTE *>(*mask);
    ParallelBands(height, threads, [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = src + std::size_t(y) * stride;
            BYTE *n = near.data() + std::size_t(y) * stride;
            std::int64_t last = -1 - std::int64_t(r); // column of the last zero seen, going right
            for (int x = 0; x < width; ++x) {
                if (s[x] == 0)
                    last = x;
                n[x] = x - last <= r;
            }
            last = std::int64_t(width) + r; // going left
            for (int x = width - 1; x >= 0; --x) {
                if (s[x] == 0)
                    last = x;
                n[x] = n[x] | (last - x <= r);
            }
        }
    });
    ParallelBands(height, threads, [&](int band, int y0, int y1) {
        auto *cnt = reinterpret_cast<std::uint32_t *>(counts.data()) + std::size_t(band) * width;
        std::fill(cnt, cnt + width, 0u);
        const BYTE *plane = near.data();
        for (int k = std::max(0, y0 - r); k <= std::min(height - 1, y0 + r); ++k)
            for (int x = 0; x < width; ++x)
                cnt[x] += plane[std::size_t(k) * stride + x];
        for (int y = y0; y < y1; ++y) {
            if (y > y0) {
                if (y - r - 1 >= 0)
                    for (int x = 0; x < width; ++x)
                        cnt[x] -= plane[std::size_t(y - r - 1) * stride + x];
                if (y + r < height)
                    for (int x = 0; x < width; ++x)
                        cnt[x] += plane[std::size_t(y + r) * stride + x];
            }
            const BYTE *s = src + std::size_t(y) * stride;
            BYTE *d = out.data() + std::size_t(y) * stride;
            for (int x = 0; x < width; ++x)
                d[x] = cnt[x] != 0 ? 0 : s[x];
        }
    });
    StoreBits(mask, out);
    return 1;
}
