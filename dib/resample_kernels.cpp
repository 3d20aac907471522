#include "dib/resample_kernels.h"

#include "dib/dibcore.h"
#include "dib/resample.h"
#include "dib/simd.h"

#include <cstring>

namespace dib
{

namespace
{

constexpr int kGroupTable = 96;

void SumRows16(std::uint16_t *acc, const BYTE *const *rows, int count, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        acc[i] = rows[0][i];
    for (int k = 1; k < count; ++k) {
        const BYTE *r = rows[k];
        for (std::size_t i = 0; i < n; ++i)
            acc[i] = static_cast<std::uint16_t>(acc[i] + r[i]);
    }
}

void BlendRows(const std::uint32_t *lo, const std::uint32_t *hi, std::uint32_t g, BYTE *out, std::size_t n)
{
    const std::uint32_t a = 1024 - g;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<BYTE>((lo[i] * a + hi[i] * g) >> 20);
}

void InterpolatePixels24(
    const int *left, const int *right, const int *frac, int x0, int x1, const BYTE *row, std::uint32_t *h)
{
    for (int x = x0; x < x1; ++x) {
        const BYTE *a = row + 3 * std::size_t(left[x]);
        const BYTE *b = row + 3 * std::size_t(right[x]);
        const std::uint32_t f = static_cast<std::uint32_t>(frac[x]), g = 1024 - f;
        h[3 * x] = a[0] * g + b[0] * f;
        h[3 * x + 1] = a[1] * g + b[1] * f;
        h[3 * x + 2] = a[2] * g + b[2] * f;
    }
}

void BoxPixel24(const std::uint16_t *acc, int first, int count, const BoxDivider &div, BYTE *out)
{
    const std::uint16_t *a = acc + 3 * std::size_t(first);
    std::uint64_t sum[3] = {};
    for (int k = 0; k < count; ++k) {
        sum[0] += a[3 * k];
        sum[1] += a[3 * k + 1];
        sum[2] += a[3 * k + 2];
    }
    out[0] = static_cast<BYTE>(div(sum[0]));
    out[1] = static_cast<BYTE>(div(sum[1]));
    out[2] = static_cast<BYTE>(div(sum[2]));
}

void BoxRow24(const std::uint16_t *acc, const int *first, const int *count, int width, int,
    const BoxDivider *dividers, int minCount, BYTE *out)
{
    for (int x = 0; x < width; ++x)
        BoxPixel24(acc, first[x], count[x], dividers[count[x] - minCount], out + 3 * x);
}

void Interpolate24(const InterpolationGroups &, const int *left, const int *right, const int *frac, int width,
    const BYTE *row, std::uint32_t *h)
{
    InterpolatePixels24(left, right, frac, 0, width, row, h);
}

#if DIB_X86

__attribute__((target("avx2"))) void SumRows16Avx2(
    std::uint16_t *acc, const BYTE *const *rows, int count, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i s = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[0] + i)));
        for (int k = 1; k < count; ++k)
            s = _mm256_add_epi16(
                s, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[k] + i))));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + i), s);
    }
    for (; i < n; ++i) {
        unsigned s = 0;
        for (int k = 0; k < count; ++k)
            s += rows[k][i];
        acc[i] = static_cast<std::uint16_t>(s);
    }
}

__attribute__((target("avx2"), always_inline)) inline __m256i Blend8(
    const std::uint32_t *lo, const std::uint32_t *hi, __m256i wa, __m256i wb)
{
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(lo));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(hi));
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(a, wa), _mm256_mullo_epi32(b, wb)), 20);
}

__attribute__((target("avx2"))) void BlendRowsAvx2(
    const std::uint32_t *lo, const std::uint32_t *hi, std::uint32_t g, BYTE *out, std::size_t n)
{
    const __m256i wa = _mm256_set1_epi32(static_cast<int>(1024 - g));
    const __m256i wb = _mm256_set1_epi32(static_cast<int>(g));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v01
            = _mm256_packus_epi32(Blend8(lo + i, hi + i, wa, wb), Blend8(lo + i + 8, hi + i + 8, wa, wb));
        const __m256i v23 = _mm256_packus_epi32(
            Blend8(lo + i + 16, hi + i + 16, wa, wb), Blend8(lo + i + 24, hi + i + 24, wa, wb));
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(v01, v23), order);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), bytes);
    }
    BlendRows(lo + i, hi + i, g, out + i, n - i);
}

__attribute__((target("avx2"), always_inline)) inline __m256i Pair(const BYTE *a, const BYTE *b)
{
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(a))),
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(b)), 1);
}

// Two groups at a time, one per 128-bit lane; a pair with a group that does not fit goes pixel by
// pixel.
__attribute__((target("avx2"))) void Interpolate24Avx2(const InterpolationGroups &groups, const int *left,
    const int *right, const int *frac, int width, const BYTE *row, std::uint32_t *h)
{
    const int count = static_cast<int>(groups.base.size());
    const int *base = groups.base.data();
    int k = 0;
    for (; k + 2 <= count; k += 2) {
        if (base[k] < 0 || base[k + 1] < 0) {
            InterpolatePixels24(left, right, frac, 4 * k, 4 * k + 8, row, h);
            continue;
        }
        const BYTE *t0 = groups.table.data() + std::size_t(k) * kGroupTable, *t1 = t0 + kGroupTable;
        const __m256i src = Pair(row + base[k], row + base[k + 1]);
        __m256i r[3];
        for (int part = 0; part < 3; ++part)
            r[part] = _mm256_madd_epi16(_mm256_shuffle_epi8(src, Pair(t0 + 16 * part, t1 + 16 * part)),
                Pair(t0 + 48 + 16 * part, t1 + 48 + 16 * part));
        // Lane 0 holds group k's channels 0-3, 4-7, 8-11; lane 1 group k + 1's.
        auto *out = reinterpret_cast<__m256i *>(h + 12 * std::size_t(k));
        _mm256_storeu_si256(out, _mm256_permute2x128_si256(r[0], r[1], 0x20));
        _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(r[2], r[0], 0x30));
        _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(r[1], r[2], 0x31));
    }
    InterpolatePixels24(left, right, frac, 4 * k, width, row, h);
}

// Four-column boxes of at most four rows: the 12 column sums fold into 3 channel sums of at most
// 4080, and n / d = (n · (65536 / d + 1)) >> 16 exactly for such n and d ≤ 16.
__attribute__((target("avx2"))) void BoxRow24Avx2(const std::uint16_t *acc, const int *first,
    const int *count, int width, int rows, const BoxDivider *dividers, int minCount, BYTE *out)
{
    const bool fast = rows <= 4;
    const __m128i magic = _mm_set1_epi16(static_cast<short>(65536 / (4 * rows) + 1));
    // The last pixel is stored bytewise: a 4-byte store could reach the next row.
    for (int x = 0; x < width; ++x) {
        if (!fast || count[x] != 4 || x == width - 1) {
            BoxPixel24(acc, first[x], count[x], dividers[count[x] - minCount], out + 3 * x);
            continue;
        }
        const std::uint16_t *a = acc + 3 * std::size_t(first[x]);
        const __m128i pairs = _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(a)),
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + 6)));
        const __m128i sums = _mm_add_epi16(pairs, _mm_srli_si128(pairs, 6));
        const __m128i q = _mm_mulhi_epu16(sums, magic);
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(q, q));
        std::memcpy(out + 3 * x, &bytes, 4);
    }
}

bool HaveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

#endif

} // namespace

bool MakeInterpolationGroups(
    const int *left, const int *right, const int *frac, int width, int srcWidth, InterpolationGroups &groups)
{
    const int count = width / 4;
    try {
        groups.base.assign(static_cast<std::size_t>(count), -1);
        groups.table.assign(static_cast<std::size_t>(count) * kGroupTable, 0);
    } catch (...) {
        return false;
    }
    const std::size_t rowBytes = std::size_t(srcWidth) * 3;
    for (int k = 0; k < count; ++k) {
        const int first = left[4 * k];
        const std::size_t base = 3 * std::size_t(first);
        // Every source byte of the four pixels within one 16-byte load that stays inside the row.
        if (3 * (right[4 * k + 3] - first) + 3 > 16 || base + 16 > rowBytes)
            continue;
        groups.base[static_cast<std::size_t>(k)] = static_cast<int>(base);
        BYTE *mask = &groups.table[std::size_t(k) * kGroupTable];
        auto *weight = reinterpret_cast<std::int16_t *>(mask + 48);
        for (int j = 0; j < 4; ++j)
            for (int c = 0; c < 3; ++c) {
                const int pair = 3 * j + c; // output int32 number within the group
                BYTE *m = mask + 4 * pair;
                m[0] = static_cast<BYTE>(3 * (left[4 * k + j] - first) + c);
                m[1] = 0x80;
                m[2] = static_cast<BYTE>(3 * (right[4 * k + j] - first) + c);
                m[3] = 0x80;
                const int f = frac[4 * k + j];
                std::int16_t w[2] = { static_cast<std::int16_t>(1024 - f), static_cast<std::int16_t>(f) };
                std::memcpy(weight + 2 * pair, w, sizeof w);
            }
    }
    return true;
}

RowKernels PickRowKernels()
{
#if DIB_X86
    if (VectorKernels() && HaveAvx2())
        return RowKernels { SumRows16Avx2, BlendRowsAvx2, Interpolate24Avx2, BoxRow24Avx2, true };
#endif
    return RowKernels { SumRows16, BlendRows, Interpolate24, BoxRow24, false };
}

} // namespace dib
