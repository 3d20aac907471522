#include "image/resize.h"

#include "image/parallelrows.h"
#include "image/simd.h"

#include <algorithm>
#include <cstring>
#include <new>

#ifdef TARNIS_X86_SIMD
#include <immintrin.h>
#endif

namespace
{

using i64 = std::int64_t;
using u64 = std::uint64_t;

int BitLength(u64 v)
{
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

// floor(a / n) as a multiply and shift, exact for every a <= maxNumerator (Granlund-Montgomery);
// plain division when the product would not fit 64 bits.
struct Divider {
    u64 m = 1;
    int s = 0;
    u64 n = 1;
    bool fast = true;

    void Set(u64 divisor, u64 maxNumerator)
    {
        n = divisor;
        int bits = BitLength(maxNumerator);
        fast = bits <= 31;
        if (!fast)
            return;
        int l = BitLength(divisor - 1); // ceil(log2 divisor)
        s = bits + l;
        m = ((u64(1) << s) + divisor - 1) / divisor;
    }
    u64 operator()(u64 a) const { return fast ? (a * m) >> s : a / n; }
};

// One axis: reduction covers [a, b] inclusive; interpolation samples a (and b, the next pixel
// or a itself at the end) with weight f / 1024 on b.
struct Axis {
    bool reduce = false;
    int *a = nullptr, *b = nullptr, *f = nullptr;
    int maxCount = 1;
};

void PlanAxis(int oldN, int newN, Axis &axis)
{
    if (axis.reduce) {
        const i64 step = ((i64(oldN) << 10) - 1024) / newN;
        for (int k = 0; k < newN; ++k) {
            axis.a[k] = static_cast<int>((i64(k) * step + 1023) >> 10);
            axis.b[k] = static_cast<int>((i64(k + 1) * step) >> 10);
            axis.maxCount = std::max(axis.maxCount, axis.b[k] - axis.a[k] + 1);
        }
    } else {
        const i64 step = ((i64(oldN) << 10) - 1024) / (newN - 1);
        for (int k = 0; k < newN; ++k) {
            const i64 p = i64(k) * step;
            axis.a[k] = static_cast<int>(p >> 10);
            axis.f[k] = static_cast<int>(p & 1023);
            axis.b[k] = axis.a[k] + 1 < oldN ? axis.a[k] + 1 : axis.a[k];
        }
    }
}

struct Job {
    int w, h, W, H;
    std::size_t srcStride, dstStride;
    const std::uint8_t *src;
    std::uint8_t *dst;
    Axis cols, rows;
    const Divider *colDiv; // per destination column (reduced columns)
    const std::int16_t *colWeights; // per destination column: (1024 - f, f) three times, then 0, 0
    int vectorColumns; // leading destination columns whose two source pixels can be read as 8 bytes
};

// A source row interpolated horizontally, kept unshifted: 3 values per destination pixel, written
// with one int of slack after the last (the vector path stores four at a time).
#ifdef TARNIS_X86_SIMD
TARNIS_TARGET("ssse3") int HorizontalRowSsse3(const Job &j, const std::uint8_t *s, std::int32_t *out)
{
    // (B0 B1) (G0 G1) (R0 R1) (0 0) as 16-bit pairs from B0 G0 R0 B1 G1 R1.
    const __m128i spread = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
    int k = 0;
    for (; k < j.vectorColumns; ++k) {
        const __m128i px
            = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(s + 3 * std::size_t(j.cols.a[k])));
        const __m128i wt
            = _mm_load_si128(reinterpret_cast<const __m128i *>(j.colWeights + 8 * std::size_t(k)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 3 * std::size_t(k)),
            _mm_madd_epi16(_mm_shuffle_epi8(px, spread), wt));
    }
    return k;
}
#endif

void HorizontalRow(const Job &j, int r, std::int32_t *out)
{
    const std::uint8_t *s = j.src + std::size_t(r) * j.srcStride;
    int k = 0;
#ifdef TARNIS_X86_SIMD
    if (CpuHasSsse3())
        k = HorizontalRowSsse3(j, s, out);
#endif
    for (; k < j.W; ++k) {
        const std::uint8_t *p = s + 3 * std::size_t(j.cols.a[k]);
        const std::uint8_t *q = s + 3 * std::size_t(j.cols.b[k]);
        const int f = j.cols.f[k], g = 1024 - f;
        out[3 * k] = p[0] * g + q[0] * f;
        out[3 * k + 1] = p[1] * g + q[1] * f;
        out[3 * k + 2] = p[2] * g + q[2] * f;
    }
}

// (a (1024 - fy) + b fy) >> 20 for every value of two horizontally interpolated rows.
#define TARNIS_BLEND_BODY                                                                                    \
    const std::int32_t gy = 1024 - fy;                                                                       \
    for (std::size_t u = 0; u < n; ++u)                                                                      \
        o[u] = static_cast<std::uint8_t>((a[u] * gy + b[u] * fy) >> 20);

#ifdef TARNIS_X86_SIMD
TARNIS_TARGET("avx2")
void BlendRowsAvx2(
    const std::int32_t *a, const std::int32_t *b, std::int32_t fy, std::uint8_t *o, std::size_t n)
{
    TARNIS_BLEND_BODY
}
#endif

void BlendRows(const std::int32_t *a, const std::int32_t *b, std::int32_t fy, std::uint8_t *o, std::size_t n)
{
#ifdef TARNIS_X86_SIMD
    if (CpuHasAvx2()) {
        BlendRowsAvx2(a, b, fy, o, n);
        return;
    }
#endif
    TARNIS_BLEND_BODY
}

// Sum of the rows r0...r0 + N - 1 into acc, one pass.
template <int N, class Acc> void SumRows(const std::uint8_t *const *rows, Acc *acc, std::size_t n)
{
    for (std::size_t u = 0; u < n; ++u) {
        unsigned v = 0;
        for (int r = 0; r < N; ++r)
            v += rows[r][u];
        acc[u] = static_cast<Acc>(v);
    }
}

template <class Acc> void SumRows(const Job &j, int r0, int r1, Acc *acc)
{
    const std::size_t n = std::size_t(j.w) * 3;
    const std::uint8_t *rows[8];
    const int count = r1 - r0 + 1;
    for (int r = 0; r < count && r < 8; ++r)
        rows[r] = j.src + std::size_t(r0 + r) * j.srcStride;
    switch (count) {
    case 1:
        return SumRows<1>(rows, acc, n);
    case 2:
        return SumRows<2>(rows, acc, n);
    case 3:
        return SumRows<3>(rows, acc, n);
    case 4:
        return SumRows<4>(rows, acc, n);
    case 5:
        return SumRows<5>(rows, acc, n);
    case 6:
        return SumRows<6>(rows, acc, n);
    case 7:
        return SumRows<7>(rows, acc, n);
    case 8:
        return SumRows<8>(rows, acc, n);
    default:
        break;
    }
    SumRows<8>(rows, acc, n);
    for (int r = r0 + 8; r <= r1; ++r) {
        const std::uint8_t *s = j.src + std::size_t(r) * j.srcStride;
        for (std::size_t u = 0; u < n; ++u)
            acc[u] = static_cast<Acc>(acc[u] + s[u]);
    }
}

// Column sums of one destination pixel. With a small fixed bound the loop runs MaxCount times and
// masks the columns past the pixel's own (acc has MaxCount zero pixels of slack at its end), which
// spares the mispredicted exits of a loop whose length changes from pixel to pixel.
template <int MaxCount, class Acc>
inline void ColumnSums(const Acc *p, int count, std::uint32_t &sb, std::uint32_t &sg, std::uint32_t &sr)
{
    sb = sg = sr = 0;
    if constexpr (MaxCount > 0) {
        for (int i = 0; i < MaxCount; ++i) {
            const std::uint32_t keep = i < count ? ~0u : 0u;
            sb += p[3 * i] & keep;
            sg += p[3 * i + 1] & keep;
            sr += p[3 * i + 2] & keep;
        }
    } else {
        for (const Acc *end = p + 3 * std::size_t(count); p < end; p += 3) {
            sb += p[0];
            sg += p[1];
            sr += p[2];
        }
    }
}

// Both reduced: covered rows summed column by column, then the covered columns of each
// destination pixel summed and divided by rows × columns (floor(floor(S / r) / c) = floor(S / rc)).
// `divs` has room for one divider per column count up to cols.maxCount.
template <int MaxCount, class Acc> void BoxBoxRows(const Job &j, Acc *acc, Divider *divs, int first, int last)
{
    for (int y = first; y < last; ++y) {
        const int r0 = j.rows.a[y], r1 = j.rows.b[y];
        SumRows(j, r0, r1, acc);
        const u64 nr = u64(r1 - r0 + 1);
        bool fast = true;
        for (int nc = 1; nc <= j.cols.maxCount; ++nc) {
            divs[nc].Set(nr * u64(nc), 255 * nr * u64(nc));
            fast = fast && divs[nc].fast;
        }
        std::uint8_t *o = j.dst + std::size_t(y) * j.dstStride;
        for (int k = 0; k < j.W; ++k, o += 3) {
            const int c0 = j.cols.a[k], count = j.cols.b[k] - c0 + 1;
            std::uint32_t sb, sg, sr;
            ColumnSums<MaxCount>(acc + 3 * std::size_t(c0), count, sb, sg, sr);
            const Divider &d = divs[count];
            if (fast) {
                o[0] = static_cast<std::uint8_t>((sb * d.m) >> d.s);
                o[1] = static_cast<std::uint8_t>((sg * d.m) >> d.s);
                o[2] = static_cast<std::uint8_t>((sr * d.m) >> d.s);
            } else {
                o[0] = static_cast<std::uint8_t>(d(sb));
                o[1] = static_cast<std::uint8_t>(d(sg));
                o[2] = static_cast<std::uint8_t>(d(sr));
            }
        }
    }
}

template <class Acc> void BoxBoxRows(const Job &j, Acc *acc, Divider *divs, int first, int last)
{
    switch (j.cols.maxCount) {
    case 2:
        return BoxBoxRows<2>(j, acc, divs, first, last);
    case 3:
        return BoxBoxRows<3>(j, acc, divs, first, last);
    case 4:
        return BoxBoxRows<4>(j, acc, divs, first, last);
    case 5:
        return BoxBoxRows<5>(j, acc, divs, first, last);
    case 6:
        return BoxBoxRows<6>(j, acc, divs, first, last);
    case 7:
        return BoxBoxRows<7>(j, acc, divs, first, last);
    case 8:
        return BoxBoxRows<8>(j, acc, divs, first, last);
    default:
        return BoxBoxRows<0>(j, acc, divs, first, last);
    }
}

// Rows reduced, columns interpolated: each covered row interpolated and shifted, then averaged.
void BoxInterpRows(const Job &j, std::uint32_t *acc, std::int32_t *line, int first, int last)
{
    const std::size_t n = std::size_t(j.W) * 3;
    for (int y = first; y < last; ++y) {
        const int r0 = j.rows.a[y], r1 = j.rows.b[y];
        std::memset(acc, 0, n * sizeof *acc);
        for (int r = r0; r <= r1; ++r) {
            HorizontalRow(j, r, line);
            for (std::size_t u = 0; u < n; ++u)
                acc[u] += std::uint32_t(line[u]) >> 10;
        }
        const u64 nr = u64(r1 - r0 + 1);
        Divider byRows;
        byRows.Set(nr, 255 * nr);
        std::uint8_t *o = j.dst + std::size_t(y) * j.dstStride;
        for (std::size_t u = 0; u < n; ++u)
            o[u] = static_cast<std::uint8_t>(byRows(acc[u]));
    }
}

// Rows interpolated, columns reduced: each covered column interpolated and shifted, then averaged.
void InterpBoxRows(const Job &j, std::uint8_t *line, int first, int last)
{
    const std::size_t n = std::size_t(j.w) * 3;
    for (int y = first; y < last; ++y) {
        const std::uint8_t *s0 = j.src + std::size_t(j.rows.a[y]) * j.srcStride;
        const std::uint8_t *s1 = j.src + std::size_t(j.rows.b[y]) * j.srcStride;
        const std::uint32_t fy = std::uint32_t(j.rows.f[y]), gy = 1024 - fy;
        for (std::size_t u = 0; u < n; ++u)
            line[u] = static_cast<std::uint8_t>((s0[u] * gy + s1[u] * fy) >> 10);
        std::uint8_t *o = j.dst + std::size_t(y) * j.dstStride;
        for (int k = 0; k < j.W; ++k, o += 3) {
            u64 sb = 0, sg = 0, sr = 0;
            for (int c = j.cols.a[k]; c <= j.cols.b[k]; ++c) {
                sb += line[3 * c];
                sg += line[3 * c + 1];
                sr += line[3 * c + 2];
            }
            const Divider &byCols = j.colDiv[k];
            o[0] = static_cast<std::uint8_t>(byCols(sb));
            o[1] = static_cast<std::uint8_t>(byCols(sg));
            o[2] = static_cast<std::uint8_t>(byCols(sr));
        }
    }
}

void InterpInterpRows(const Job &j, std::int32_t *cache, int first, int last)
{
    const std::size_t n = std::size_t(j.W) * 3;
    std::int32_t *slot[2] = { cache, cache + n + 4 };
    int tag[2] = { -1, -1 };
    auto find = [&](int r) { return tag[0] == r ? 0 : (tag[1] == r ? 1 : -1); };
    // Fills a slot other than `keep` (or the one holding the lower row) with source row r.
    auto load = [&](int r, int keep) {
        int k = keep >= 0 ? 1 - keep : (tag[0] < tag[1] ? 0 : 1);
        HorizontalRow(j, r, slot[k]);
        tag[k] = r;
        return k;
    };
    for (int y = first; y < last; ++y) {
        const int r0 = j.rows.a[y], r1 = j.rows.b[y];
        int k0 = find(r0);
        if (k0 < 0)
            k0 = load(r0, find(r1));
        int k1 = find(r1);
        if (k1 < 0)
            k1 = load(r1, k0);
        const std::int32_t *a = slot[k0];
        const std::int32_t *b = slot[k1];
        BlendRows(a, b, j.rows.f[y], j.dst + std::size_t(y) * j.dstStride, n);
    }
}

bool Resize24(const DibLayout &d, const void *bits, int W, int H, HGLOBAL &outBits)
{
    W = std::max(W, 2);
    H = std::max(H, 2);
    Job j {};
    j.w = d.width;
    j.h = d.height;
    j.W = W;
    j.H = H;
    j.srcStride = d.stride;
    j.src = static_cast<const std::uint8_t *>(bits);
    j.cols.reduce = W <= d.width / 2;
    j.rows.reduce = H <= d.height / 2;

    // Plans, dividers and per-block work rows all come from one block allocated up front.
    const int blocks = ParallelBlocks(H, i64(W) * H);
    const std::size_t wideRow = (std::size_t(W) * 3 + 4) * 4; // interpolated row plus slack
    std::size_t perBlock = 0;
    // Accumulator row with 8 zero pixels of slack for the masked column sums.
    const std::size_t accBytes = ((std::size_t(d.width) + 8) * 3 * 4 + 63) / 64 * 64;
    if (j.cols.reduce && j.rows.reduce)
        perBlock = accBytes + (std::size_t(d.width) + 2) * sizeof(Divider);
    else if (j.rows.reduce)
        perBlock = 2 * wideRow;
    else if (j.cols.reduce)
        perBlock = std::size_t(d.width) * 3;
    else
        perBlock = 2 * wideRow;
    perBlock = (perBlock + 63) / 64 * 64;
    const std::size_t planBytes = ((std::size_t(W) * 3 + std::size_t(H) * 3) * sizeof(int) + 63) / 64 * 64;
    const std::size_t auxBytes = (std::size_t(W) * (j.cols.reduce ? sizeof(Divider) : 16) + 63) / 64 * 64;
    ScratchBlock scratch(planBytes + auxBytes + perBlock * std::size_t(blocks));
    if (!scratch.ok())
        return false;
    auto *base = scratch.as<std::uint8_t>();
    int *plan = reinterpret_cast<int *>(base);
    j.cols.a = plan;
    j.cols.b = plan + W;
    j.cols.f = plan + 2 * W;
    j.rows.a = plan + 3 * W;
    j.rows.b = plan + 3 * W + H;
    j.rows.f = plan + 3 * W + 2 * H;
    PlanAxis(d.width, W, j.cols);
    PlanAxis(d.height, H, j.rows);
    const bool u16acc = j.rows.maxCount <= 257; // 257 × 255 fits 16 bits
    std::uint8_t *work = base + planBytes + auxBytes;
    if (j.cols.reduce) {
        auto *divs = reinterpret_cast<Divider *>(base + planBytes);
        for (int k = 0; k < W; ++k) {
            const u64 nc = u64(j.cols.b[k] - j.cols.a[k] + 1);
            new (&divs[k]) Divider();
            divs[k].Set(nc, 255 * nc);
        }
        j.colDiv = divs;
    } else {
        auto *weights = reinterpret_cast<std::int16_t *>(base + planBytes);
        for (int k = 0; k < W; ++k) {
            const std::int16_t f = static_cast<std::int16_t>(j.cols.f[k]),
                               g = static_cast<std::int16_t>(1024 - f);
            const std::int16_t row[8] = { g, f, g, f, g, f, 0, 0 };
            std::memcpy(weights + 8 * std::size_t(k), row, sizeof row);
            // Eight bytes from the left source pixel stay inside the row.
            if (3 * i64(j.cols.a[k]) + 8 <= 3 * i64(d.width) && j.cols.b[k] == j.cols.a[k] + 1)
                j.vectorColumns = k + 1;
        }
        j.colWeights = weights;
    }

    HGLOBAL block = DibAllocPixels(W, H, 24, &j.dstStride);
    if (block == nullptr)
        return false;
    j.dst = static_cast<std::uint8_t *>(block);
    ParallelRows(H, i64(W) * H, [&](int first, int last, int blockIndex) {
        void *mine = work + perBlock * std::size_t(blockIndex);
        if (j.cols.reduce && j.rows.reduce) {
            auto *divs = reinterpret_cast<Divider *>(static_cast<std::uint8_t *>(mine) + accBytes);
            if (u16acc)
                BoxBoxRows(j, static_cast<std::uint16_t *>(mine), divs, first, last);
            else
                BoxBoxRows(j, static_cast<std::uint32_t *>(mine), divs, first, last);
        } else if (j.rows.reduce) {
            BoxInterpRows(j, static_cast<std::uint32_t *>(mine),
                reinterpret_cast<std::int32_t *>(static_cast<std::uint8_t *>(mine) + wideRow), first, last);
        } else if (j.cols.reduce) {
            InterpBoxRows(j, static_cast<std::uint8_t *>(mine), first, last);
        } else {
            InterpInterpRows(j, static_cast<std::int32_t *>(mine), first, last);
        }
    });
    outBits = block;
    return true;
}

bool ResizeNearest(const DibLayout &d, const void *bits, int W, int H, HGLOBAL &outBits)
{
    ScratchBlock map(std::size_t(W) * sizeof(int));
    if (!map.ok())
        return false;
    int *col = map.as<int>();
    for (int x = 0; x < W; ++x)
        col[x] = static_cast<int>(i64(x) * d.width / W);
    std::size_t stride = 0;
    HGLOBAL block = DibAllocPixels(W, H, d.bitCount, &stride);
    if (block == nullptr)
        return false;
    auto *dst = static_cast<std::uint8_t *>(block);
    ParallelRows(H, i64(W) * H, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const std::uint8_t *s = d.Row(bits, static_cast<int>(i64(y) * d.height / H));
            std::uint8_t *o = dst + std::size_t(y) * stride;
            switch (d.bitCount) {
            case 1:
                for (int x = 0; x < W; ++x)
                    if (DibGetPixel1(s, col[x]))
                        o[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
                break;
            case 4:
                for (int x = 0; x < W; ++x)
                    DibSetPixel4(o, x, DibGetPixel4(s, col[x]));
                break;
            case 8:
                for (int x = 0; x < W; ++x)
                    o[x] = s[col[x]];
                break;
            case 16:
                for (int x = 0; x < W; ++x)
                    std::memcpy(o + 2 * x, s + 2 * std::size_t(col[x]), 2);
                break;
            }
        }
    });
    outBits = block;
    return true;
}

} // namespace

bool ResizeDib(const DibInfoBlock &info, const void *bits, int width, int height, DibResult &out)
{
    DibLayout d;
    if (!DibLayoutOf(&info, bits, d) || width < 1 || height < 1 || d.bitCount == 32)
        return false;
    if (d.bitCount == 24) {
        width = std::max(width, 2);
        height = std::max(height, 2);
    }
    if (!DibEditSizeOk(width, height) || DibCheckedImageSize(width, height, d.bitCount) == 0)
        return false;
    HGLOBAL block = nullptr;
    bool ok = d.bitCount == 24 ? Resize24(d, bits, width, height, block)
                               : ResizeNearest(d, bits, width, height, block);
    if (!ok)
        return false;
    out.bits = block;
    DibCopyHeader(info, out.info, width, height);
    return true;
}
