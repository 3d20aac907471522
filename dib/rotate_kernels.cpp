#include "dib/rotate_kernels.h"

#include "dib/dibcore.h"
#include "dib/simd.h"

#include <algorithm>
#include <cstring>

namespace dib
{

namespace
{

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) // b > 0
{
    std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// One bilinear pixel, neighbours clamped as the turn's rules say.
inline void EdgePixel(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, BYTE *d)
{
    const std::int64_t ix = sx >> 10, iy = sy >> 10;
    const int fx = static_cast<int>(sx & 1023), fy = static_cast<int>(sy & 1023);
    const std::int64_t x0 = ix < 0 ? 0 : ix, y0 = iy < 0 ? 0 : iy;
    const std::int64_t x1 = ix >= 0 && ix < job.srcWidth - 1 ? ix + 1 : x0;
    const std::int64_t y1 = iy >= 0 && iy < job.srcHeight - 1 ? iy + 1 : y0;
    const BYTE *r0 = job.src + std::size_t(y0) * job.srcStride;
    const BYTE *r1 = job.src + std::size_t(y1) * job.srcStride;
    const BYTE *p00 = r0 + 3 * x0, *p01 = r0 + 3 * x1, *p10 = r1 + 3 * x0, *p11 = r1 + 3 * x1;
    for (int c = 0; c < 3; ++c)
        d[c] = static_cast<BYTE>(
            ((p00[c] * (1024 - fx) + p01[c] * fx) * (1024 - fy) + (p10[c] * (1024 - fx) + p11[c] * fx) * fy)
            >> 20);
}

// Interior pixels: both neighbours exist.
inline void InnerPixel(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, BYTE *d)
{
    const int fx = static_cast<int>(sx & 1023), fy = static_cast<int>(sy & 1023);
    const BYTE *p = job.src + std::size_t(sy >> 10) * job.srcStride + 3 * std::size_t(sx >> 10);
    const BYTE *q = p + job.srcStride;
    const int gx = 1024 - fx, gy = 1024 - fy;
    for (int c = 0; c < 3; ++c)
        d[c] = static_cast<BYTE>(((p[c] * gx + p[3 + c] * fx) * gy + (q[c] * gx + q[3 + c] * fx) * fy) >> 20);
}

void TurnRowPortable(const TurnRowJob &job, const TurnRow &r, std::int64_t from, std::int64_t to, BYTE *dst)
{
    const std::int64_t first = std::max(r.first, from), last = std::min(r.last, to);
    if (first >= last)
        return;
    const std::int64_t innerFirst = std::clamp(r.innerFirst, first, last);
    const std::int64_t innerLast = std::clamp(r.innerLast, innerFirst, last);
    for (std::int64_t c = first; c < innerFirst; ++c)
        EdgePixel(job, r.sx + c * job.cs, r.sy + c * job.sn, dst + 3 * c);
    for (std::int64_t c = innerFirst; c < innerLast; ++c)
        InnerPixel(job, r.sx + c * job.cs, r.sy + c * job.sn, dst + 3 * c);
    for (std::int64_t c = innerLast; c < last; ++c)
        EdgePixel(job, r.sx + c * job.cs, r.sy + c * job.sn, dst + 3 * c);
}

#if DIB_X86
void TurnRowsInnerAvx2(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, std::int64_t first,
    std::int64_t last, BYTE *dst);

// As the portable row, with the vector part of the interior in vectors.
__attribute__((target("avx2"))) void TurnRowAvx2(
    const TurnRowJob &job, const TurnRow &r, std::int64_t from, std::int64_t to, BYTE *dst)
{
    const std::int64_t first = std::max(r.first, from), last = std::min(r.last, to);
    if (first >= last)
        return;
    const std::int64_t innerFirst = std::clamp(r.innerFirst, first, last);
    const std::int64_t innerLast = std::clamp(r.innerLast, innerFirst, last);
    const std::int64_t a = std::clamp(r.vectorFirst, innerFirst, innerLast);
    const std::int64_t b = std::clamp(r.vectorLast, a, innerLast);
    for (std::int64_t c = first; c < innerFirst; ++c)
        EdgePixel(job, r.sx + c * job.cs, r.sy + c * job.sn, dst + 3 * c);
    for (std::int64_t c = innerFirst; c < a; ++c)
        InnerPixel(job, r.sx + c * job.cs, r.sy + c * job.sn, dst + 3 * c);
    std::int64_t c = a;
    if (b - a >= 6) {
        // Each group of four stores 16 bytes; the last group's extra bytes land on pixels the
        // scalar tail writes afterwards.
        TurnRowsInnerAvx2(job, r.sx, r.sy, a, b, dst);
        c = a + (b - a - 2) / 4 * 4;
    }
    for (; c < innerLast; ++c)
        InnerPixel(job, r.sx + c * job.cs, r.sy + c * job.sn, dst + 3 * c);
    for (std::int64_t k = innerLast; k < last; ++k)
        EdgePixel(job, r.sx + k * job.cs, r.sy + k * job.sn, dst + 3 * k);
}
#endif

void MirrorRowPortable(const BYTE *src, BYTE *dst, int width)
{
    const BYTE *p = src + 3 * std::size_t(width - 1);
    for (int x = 0; x < width; ++x, p -= 3) {
        dst[3 * x] = p[0];
        dst[3 * x + 1] = p[1];
        dst[3 * x + 2] = p[2];
    }
}

#if DIB_X86

// Five pixels at a time: 16 bytes loaded from one byte before the five source pixels, their order
// reversed by one shuffle, 16 bytes stored (the last is overwritten by the next group).
__attribute__((target("ssse3"))) void MirrorRowSsse3(const BYTE *src, BYTE *dst, int width)
{
    const __m128i order = _mm_setr_epi8(13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, 1, 2, 3, -1);
    int x = 0;
    for (; x + 6 <= width; x += 5) {
        const __m128i v
            = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 3 * std::size_t(width - 5 - x) - 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 3 * std::size_t(x)), _mm_shuffle_epi8(v, order));
    }
    const BYTE *p = src + 3 * std::size_t(width - 1 - x);
    for (; x < width; ++x, p -= 3) {
        dst[3 * x] = p[0];
        dst[3 * x + 1] = p[1];
        dst[3 * x + 2] = p[2];
    }
}

bool HaveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

// Four interior pixels at a time. Per pixel the 8 bytes at the top-left neighbour (left and right
// pixel) and the 8 below are interleaved into 16-bit pairs (left, right) per channel; one madd
// with (1024 - fx, fx) gives each row's horizontal sums, which are weighted by (1024 - fy, fy) in
// 32 bits and shifted by 20: the portable formula exactly. Needs positions below 2^31.
__attribute__((target("avx2"))) void TurnRowsInnerAvx2(
    const TurnRowJob &job, std::int64_t sx, std::int64_t sy, std::int64_t first, std::int64_t last, BYTE *dst)
{
    const __m128i pairs = _mm_setr_epi8(0, 3, 1, 4, 2, 5, -1, -1, 8, 11, 9, 12, 10, 13, -1, -1);
    const __m128i compact = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i lo2 = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1),
                  hi2 = _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3);
    const __m128i frac = _mm_set1_epi32(1023), one = _mm_set1_epi32(1024);
    const __m128i stride = _mm_set1_epi32(static_cast<int>(job.srcStride)), three = _mm_set1_epi32(3);
    const int cs = job.cs, sn = job.sn;
    __m128i x4 = _mm_setr_epi32(static_cast<int>(sx + first * cs), static_cast<int>(sx + (first + 1) * cs),
        static_cast<int>(sx + (first + 2) * cs), static_cast<int>(sx + (first + 3) * cs));
    __m128i y4 = _mm_setr_epi32(static_cast<int>(sy + first * sn), static_cast<int>(sy + (first + 1) * sn),
        static_cast<int>(sy + (first + 2) * sn), static_cast<int>(sy + (first + 3) * sn));
    const __m128i xStep = _mm_set1_epi32(4 * cs), yStep = _mm_set1_epi32(4 * sn);
    const BYTE *src = job.src;
    const std::size_t below = job.srcStride;
    alignas(16) std::int32_t at[4];
    for (std::int64_t c = first; c + 6 <= last; c += 4) {
        const __m128i fx = _mm_and_si128(x4, frac), fy = _mm_and_si128(y4, frac);
        const __m128i wx = _mm_or_si128(_mm_sub_epi32(one, fx), _mm_slli_epi32(fx, 16));
        const __m128i gy = _mm_sub_epi32(one, fy);
        const __m128i offset = _mm_add_epi32(
            _mm_mullo_epi32(_mm_srai_epi32(y4, 10), stride), _mm_mullo_epi32(_mm_srai_epi32(x4, 10), three));
        _mm_store_si128(reinterpret_cast<__m128i *>(at), offset);
        x4 = _mm_add_epi32(x4, xStep);
        y4 = _mm_add_epi32(y4, yStep);

        __m256i out[2];
        for (int h = 0; h < 2; ++h) {
            const BYTE *a = src + at[2 * h], *b = src + at[2 * h + 1];
            std::int64_t pa, pb, qa, qb;
            std::memcpy(&pa, a, 8);
            std::memcpy(&pb, b, 8);
            std::memcpy(&qa, a + below, 8);
            std::memcpy(&qb, b + below, 8);
            const __m256i top = _mm256_cvtepu8_epi16(_mm_shuffle_epi8(_mm_set_epi64x(pb, pa), pairs));
            const __m256i bottom = _mm256_cvtepu8_epi16(_mm_shuffle_epi8(_mm_set_epi64x(qb, qa), pairs));
            const __m256i idx = h == 0 ? lo2 : hi2;
            const __m256i w = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(wx), idx);
            const __m256i v0 = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(gy), idx);
            const __m256i v1 = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(fy), idx);
            const __m256i sum = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_madd_epi16(top, w), v0),
                _mm256_mullo_epi32(_mm256_madd_epi16(bottom, w), v1));
            out[h] = _mm256_srli_epi32(sum, 20);
        }
        // Lanes: (A | B) and (C | D) to bytes A B C D, then 3 bytes each.
        const __m256i words = _mm256_packus_epi32(out[0], out[1]); // lane 0: A C, lane 1: B D
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m128i ac = _mm256_castsi256_si128(bytes), bd = _mm256_extracti128_si256(bytes, 1);
        const __m128i abcd = _mm_unpacklo_epi32(ac, bd);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 3 * c), _mm_shuffle_epi8(abcd, compact));
    }
}

#endif

} // namespace

void LinearRange(std::int64_t a, std::int64_t k, std::int64_t lo, std::int64_t hi, std::int64_t n,
    std::int64_t &first, std::int64_t &last)
{
    if (k == 0) {
        const bool in = a >= lo && a < hi;
        first = 0;
        last = in ? n : 0;
        return;
    }
    if (k > 0) {
        first = -FloorDiv(a - lo, k); // ceil((lo − a) / k)
        last = -FloorDiv(a - hi, k);
    } else {
        first = FloorDiv(a - hi, -k) + 1;
        last = FloorDiv(a - lo, -k) + 1;
    }
    first = std::clamp<std::int64_t>(first, 0, n);
    last = std::clamp<std::int64_t>(last, first, n);
}

TurnRow PlanTurnRow(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, int width)
{
    TurnRow r;
    r.sx = sx;
    r.sy = sy;
    std::int64_t a, b, c, d;
    LinearRange(sx, job.cs, -1023, std::int64_t(job.srcWidth) * 1024, width, a, b);
    LinearRange(sy, job.sn, -1023, std::int64_t(job.srcHeight) * 1024, width, c, d);
    r.first = std::max(a, c);
    r.last = std::max(r.first, std::min(b, d));
    LinearRange(sx, job.cs, 0, std::int64_t(job.srcWidth - 1) * 1024, width, a, b);
    LinearRange(sy, job.sn, 0, std::int64_t(job.srcHeight - 1) * 1024, width, c, d);
    r.innerFirst = std::clamp(std::max(a, c), r.first, r.last);
    r.innerLast = std::clamp(std::min(b, d), r.innerFirst, r.last);
    // The vector kernel reads 8 bytes from the left neighbour in both rows, so the right
    // neighbour's column stays below W - 2 (the last row may have no padding), and works in 32 bits.
    r.vectorFirst = r.vectorLast = r.innerFirst;
    if (job.srcWidth >= 3 && job.srcWidth <= (1 << 20) && job.srcHeight <= (1 << 20)
        && job.srcStride * std::size_t(job.srcHeight) < (std::size_t(1) << 31)) {
        LinearRange(sx, job.cs, 0, std::int64_t(job.srcWidth - 2) * 1024, width, a, b);
        r.vectorFirst = std::clamp(a, r.innerFirst, r.innerLast);
        r.vectorLast = std::clamp(b, r.vectorFirst, r.innerLast);
    }
    return r;
}

TurnRowKernel PickTurnRowKernel()
{
#if DIB_X86
    if (VectorKernels() && HaveAvx2())
        return TurnRowAvx2;
#endif
    return TurnRowPortable;
}

MirrorRowKernel PickMirrorRowKernel()
{
#if DIB_X86
    if (VectorKernels() && __builtin_cpu_supports("ssse3"))
        return MirrorRowSsse3;
#endif
    return MirrorRowPortable;
}

} // namespace dib
