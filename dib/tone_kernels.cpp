#include "dib/tone_kernels.h"

#include "dib/dibcore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define DIB_TONE_X86 1
#else
#define DIB_TONE_X86 0
#endif

namespace dib
{

namespace
{

void LumaScalar(Luma kind, const BYTE *src, BYTE *out, int n)
{
    if (kind == Luma::Y100) {
        for (int x = 0; x < n; ++x, src += 3)
            out[x] = static_cast<BYTE>(Luma100(src[0], src[1], src[2]));
    } else {
        for (int x = 0; x < n; ++x, src += 3)
            out[x] = static_cast<BYTE>(Luma256(src[0], src[1], src[2]));
    }
}

void ExpandScalar(const BYTE *grey, BYTE *row, int n)
{
    for (int x = 0; x < n; ++x, row += 3)
        row[0] = row[1] = row[2] = grey[x];
}

#if DIB_TONE_X86

bool HaveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

// 32 pixels a step. Each 128-bit half spreads four pixels of a 16-byte load to four bytes each
// and weighs them pairwise; the pair sums are added horizontally. Y256's green weight (150) does
// not fit a signed byte, so green appears twice (99 + 51), which keeps both pair sums below
// 32768; their sum wraps as a signed word but is right as an unsigned one.
__attribute__((target("avx2"))) int LumaAvx2(Luma kind, const BYTE *src, BYTE *out, int n)
{
    const bool y100 = kind == Luma::Y100;
    const __m256i spread = y100 ? _mm256_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11,
                               -128, 0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128)
                                : _mm256_setr_epi8(0, 1, 2, 1, 3, 4, 5, 4, 6, 7, 8, 7, 9, 10, 11, 10, 0, 1, 2,
                                    1, 3, 4, 5, 4, 6, 7, 8, 7, 9, 10, 11, 10);
    // Bytes 11, 59, 30, 0 and 29, 99, 77, 51.
    const __m256i weights = _mm256_set1_epi32(y100 ? 0x001E3B0B : 0x334D631D);
    const __m256i magic = _mm256_set1_epi16(static_cast<short>(41944)); // x / 100 = (x * 41944) >> 22
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int x = 0;
    // The last load of a step reads 4 bytes past its pixels.
    for (; 3 * (x + 32) + 4 <= 3 * n; x += 32) {
        const BYTE *p = src + 3 * x;
        __m256i m[4];
        for (int k = 0; k < 4; ++k) {
            const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 24 * k));
            const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 24 * k + 12));
            const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
            m[k] = _mm256_maddubs_epi16(_mm256_shuffle_epi8(v, spread), weights);
        }
        __m256i a = _mm256_hadd_epi16(m[0], m[1]);
        __m256i b = _mm256_hadd_epi16(m[2], m[3]);
        if (y100) {
            a = _mm256_srli_epi16(_mm256_mulhi_epu16(a, magic), 6);
            b = _mm256_srli_epi16(_mm256_mulhi_epu16(b, magic), 6);
        } else {
            a = _mm256_srli_epi16(a, 8);
            b = _mm256_srli_epi16(b, 8);
        }
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(a, b), order);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x), packed);
    }
    return x;
}

__attribute__((target("avx2"))) int ExpandAvx2(const BYTE *grey, BYTE *row, int n)
{
    const __m128i s0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i s1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i s2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i *>(grey + x));
        BYTE *d = row + 3 * x;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d), _mm_shuffle_epi8(g, s0));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + 16), _mm_shuffle_epi8(g, s1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + 32), _mm_shuffle_epi8(g, s2));
    }
    return x;
}

#endif

bool UseVector()
{
#if DIB_TONE_X86
    return VectorKernels() && HaveAvx2();
#else
    return false;
#endif
}

} // namespace

void ToneLumaRow(Luma kind, const BYTE *src, BYTE *out, int n)
{
    int x = 0;
#if DIB_TONE_X86
    if (UseVector())
        x = LumaAvx2(kind, src, out, n);
#endif
    LumaScalar(kind, src + 3 * x, out + x, n - x);
}

void ToneGreyRow(BYTE *row, int n)
{
    constexpr int kChunk = 1024;
    BYTE grey[kChunk];
    const bool vector = UseVector();
    for (int x0 = 0; x0 < n; x0 += kChunk) {
        const int m = std::min(kChunk, n - x0);
        BYTE *p = row + 3 * x0;
        ToneLumaRow(Luma::Y100, p, grey, m);
        int x = 0;
#if DIB_TONE_X86
        if (vector)
            x = ExpandAvx2(grey, p, m);
#else
        (void)vector;
#endif
        ExpandScalar(grey + x, p + 3 * x, m - x);
    }
}

void ToneMapBytes(const BYTE *table, BYTE *bytes, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, bytes + i, 8);
        std::uint64_t r = 0;
        for (int k = 0; k < 8; ++k)
            r |= std::uint64_t(table[(v >> (8 * k)) & 255]) << (8 * k);
        std::memcpy(bytes + i, &r, 8);
    }
    for (; i < n; ++i)
        bytes[i] = table[bytes[i]];
}

} // namespace dib
