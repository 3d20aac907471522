// Rank filters: the 3 × 3 luminance median and the hulling despeckle.
#include "dib/filters.h"

#include <algorithm>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && defined(__SSE2__)
#include <immintrin.h>
#define DIB_MEDIAN_X86 1
#else
#define DIB_MEDIAN_X86 0
#endif

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

// For pixels x0 ... x1 - 1 of a row: which of the nine neighbours (memory rows below, same,
// above; columns left, same, right) comes fifth when the nine are sorted by key, ties in that
// order.
void MedianRow(const BYTE *below, const BYTE *same, const BYTE *above, BYTE *choice, int x0, int x1)
{
    for (int x = x0; x < x1; ++x) {
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

void KeysRow(const BYTE *s, BYTE *k, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
        k[x] = static_cast<BYTE>(Luma256(s[3 * x], s[3 * x + 1], s[3 * x + 2]));
}

#if DIB_MEDIAN_X86
// The same 16 pixels at a time; returns the first pixel left over.
int MedianRowSse2(const BYTE *below, const BYTE *same, const BYTE *above, BYTE *choice, int x0, int x1)
{
    auto load = [](const BYTE *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    auto order = [](__m128i &a, __m128i &b) {
        const __m128i lo = _mm_min_epu8(a, b);
        b = _mm_max_epu8(a, b);
        a = lo;
    };
    int x = x0;
    for (; x + 16 <= x1; x += 16) {
        const __m128i k[9] = { load(below + x - 1), load(below + x), load(below + x + 1), load(same + x - 1),
            load(same + x), load(same + x + 1), load(above + x - 1), load(above + x), load(above + x + 1) };
        __m128i p0 = k[0], p1 = k[1], p2 = k[2], p3 = k[3], p4 = k[4], p5 = k[5], p6 = k[6], p7 = k[7],
                p8 = k[8];
        order(p1, p2);
        order(p4, p5);
        order(p7, p8);
        order(p0, p1);
        order(p3, p4);
        order(p6, p7);
        order(p1, p2);
        order(p4, p5);
        order(p7, p8);
        order(p0, p3);
        order(p5, p8);
        order(p4, p7);
        order(p3, p6);
        order(p1, p4);
        order(p2, p5);
        order(p4, p7);
        order(p4, p2);
        order(p6, p4);
        order(p4, p2);
        const __m128i median = p4;
        // skip = 4 - (keys below the median); comparisons give -1 per lane.
        __m128i skip = _mm_set1_epi8(4);
        for (const __m128i &v : k) {
            const __m128i le = _mm_cmpeq_epi8(_mm_min_epu8(v, median), v);
            skip = _mm_add_epi8(skip, _mm_andnot_si128(_mm_cmpeq_epi8(v, median), le));
        }
        __m128i seen = _mm_setzero_si128(), pick = _mm_setzero_si128();
        for (int j = 0; j < 9; ++j) {
            const __m128i equal = _mm_cmpeq_epi8(k[j], median);
            const __m128i hit = _mm_and_si128(equal, _mm_cmpeq_epi8(seen, skip));
            pick = _mm_or_si128(pick, _mm_and_si128(hit, _mm_set1_epi8(static_cast<char>(j))));
            seen = _mm_sub_epi8(seen, equal);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(choice + x), pick);
    }
    return x;
}

// Keys of 16 pixels at a time: the three channels pulled apart with byte shuffles.
__attribute__((target("ssse3"))) int KeysRowSsse3(const BYTE *s, BYTE *k, int x0, int x1)
{
    auto mask = [](std::initializer_list<int> idx) {
        alignas(16) signed char m[16];
        int i = 0;
        for (int v : idx)
            m[i++] = static_cast<signed char>(v);
        return _mm_load_si128(reinterpret_cast<const __m128i *>(m));
    };
    const int _ = -128;
    const __m128i bA = mask({ 0, 3, 6, 9, 12, 15, _, _, _, _, _, _, _, _, _, _ });
    const __m128i bB = mask({ _, _, _, _, _, _, 2, 5, 8, 11, 14, _, _, _, _, _ });
    const __m128i bC = mask({ _, _, _, _, _, _, _, _, _, _, _, 1, 4, 7, 10, 13 });
    const __m128i gA = mask({ 1, 4, 7, 10, 13, _, _, _, _, _, _, _, _, _, _, _ });
    const __m128i gB = mask({ _, _, _, _, _, 0, 3, 6, 9, 12, 15, _, _, _, _, _ });
    const __m128i gC = mask({ _, _, _, _, _, _, _, _, _, _, _, 2, 5, 8, 11, 14 });
    const __m128i rA = mask({ 2, 5, 8, 11, 14, _, _, _, _, _, _, _, _, _, _, _ });
    const __m128i rB = mask({ _, _, _, _, _, 1, 4, 7, 10, 13, _, _, _, _, _, _ });
    const __m128i rC = mask({ _, _, _, _, _, _, _, _, _, _, 0, 3, 6, 9, 12, 15 });
    const __m128i zero = _mm_setzero_si128();
    const __m128i w0 = _mm_set1_epi16(77), w1 = _mm_set1_epi16(150), w2 = _mm_set1_epi16(29);
    int x = x0;
    for (; x + 16 <= x1; x += 16) {
        const BYTE *p = s + 3 * std::size_t(x);
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 32));
        const __m128i c0 = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(a, bA), _mm_shuffle_epi8(b, bB)), _mm_shuffle_epi8(c, bC));
        const __m128i c1 = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(a, gA), _mm_shuffle_epi8(b, gB)), _mm_shuffle_epi8(c, gC));
        const __m128i c2 = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(a, rA), _mm_shuffle_epi8(b, rB)), _mm_shuffle_epi8(c, rC));
        auto half = [&](__m128i v0, __m128i v1, __m128i v2) {
            const __m128i sum = _mm_add_epi16(
                _mm_add_epi16(_mm_mullo_epi16(v0, w0), _mm_mullo_epi16(v1, w1)), _mm_mullo_epi16(v2, w2));
            return _mm_srli_epi16(sum, 8);
        };
        const __m128i lo
            = half(_mm_unpacklo_epi8(c0, zero), _mm_unpacklo_epi8(c1, zero), _mm_unpacklo_epi8(c2, zero));
        const __m128i hi
            = half(_mm_unpackhi_epi8(c0, zero), _mm_unpackhi_epi8(c1, zero), _mm_unpackhi_epi8(c2, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(k + x), _mm_packus_epi16(lo, hi));
    }
    return x;
}

// Each of 16 pixels takes the three bytes of its chosen neighbour (offset[choice]); returns the
// first pixel left over.
__attribute__((target("ssse3"))) int GatherRowSsse3(
    const BYTE *s, BYTE *d, const BYTE *choice, const std::ptrdiff_t *offset, int x0, int x1)
{
    auto load = [](const BYTE *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = x0;
    for (; x + 16 <= x1; x += 16) {
        const __m128i c = load(choice + x);
        __m128i o0 = _mm_setzero_si128(), o1 = o0, o2 = o0;
        for (int j = 0; j < 9; ++j) {
            const __m128i m = _mm_cmpeq_epi8(c, _mm_set1_epi8(static_cast<char>(j)));
            const BYTE *from = s + 3 * std::ptrdiff_t(x) + offset[j];
            o0 = _mm_or_si128(o0, _mm_and_si128(load(from), _mm_shuffle_epi8(m, spread0)));
            o1 = _mm_or_si128(o1, _mm_and_si128(load(from + 16), _mm_shuffle_epi8(m, spread1)));
            o2 = _mm_or_si128(o2, _mm_and_si128(load(from + 32), _mm_shuffle_epi8(m, spread2)));
        }
        BYTE *to = d + 3 * std::size_t(x);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to), o0);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 16), o1);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 32), o2);
    }
    return x;
}

// The median choice 32 pixels at a time.
__attribute__((target("avx2"))) int MedianRowAvx2(
    const BYTE *below, const BYTE *same, const BYTE *above, BYTE *choice, int x0, int x1)
{
    const BYTE *rows[3] = { below, same, above };
    int x = x0;
    for (; x + 32 <= x1; x += 32) {
        __m256i k[9];
        for (int j = 0; j < 9; ++j)
            k[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(rows[j / 3] + x + j % 3 - 1));
        __m256i p0 = k[0], p1 = k[1], p2 = k[2], p3 = k[3], p4 = k[4], p5 = k[5], p6 = k[6], p7 = k[7],
                p8 = k[8];
#define DIB_ORDER(a, b)                                                                                      \
    do {                                                                                                     \
        const __m256i m_lo = _mm256_min_epu8(a, b);                                                          \
        b = _mm256_max_epu8(a, b);                                                                           \
        a = m_lo;                                                                                            \
    } while (0)
        DIB_ORDER(p1, p2);
        DIB_ORDER(p4, p5);
        DIB_ORDER(p7, p8);
        DIB_ORDER(p0, p1);
        DIB_ORDER(p3, p4);
        DIB_ORDER(p6, p7);
        DIB_ORDER(p1, p2);
        DIB_ORDER(p4, p5);
        DIB_ORDER(p7, p8);
        DIB_ORDER(p0, p3);
        DIB_ORDER(p5, p8);
        DIB_ORDER(p4, p7);
        DIB_ORDER(p3, p6);
        DIB_ORDER(p1, p4);
        DIB_ORDER(p2, p5);
        DIB_ORDER(p4, p7);
        DIB_ORDER(p4, p2);
        DIB_ORDER(p6, p4);
        DIB_ORDER(p4, p2);
#undef DIB_ORDER
        const __m256i median = p4;
        __m256i skip = _mm256_set1_epi8(4);
        for (const __m256i &v : k) {
            const __m256i le = _mm256_cmpeq_epi8(_mm256_min_epu8(v, median), v);
            skip = _mm256_add_epi8(skip, _mm256_andnot_si256(_mm256_cmpeq_epi8(v, median), le));
        }
        __m256i seen = _mm256_setzero_si256(), pick = _mm256_setzero_si256();
        for (int j = 0; j < 9; ++j) {
            const __m256i equal = _mm256_cmpeq_epi8(k[j], median);
            const __m256i hit = _mm256_and_si256(equal, _mm256_cmpeq_epi8(seen, skip));
            pick = _mm256_or_si256(pick, _mm256_and_si256(hit, _mm256_set1_epi8(static_cast<char>(j))));
            seen = _mm256_sub_epi8(seen, equal);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(choice + x), pick);
    }
    return x;
}

// Gather for 32 pixels at a time: the choices are spread to one per byte once, then each
// neighbour is masked in with byte compares.
__attribute__((target("avx2"))) int GatherRowAvx2(
    const BYTE *s, BYTE *d, const BYTE *choice, const std::ptrdiff_t *offset, int x0, int x1)
{
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = x0;
    for (; x + 32 <= x1; x += 32) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(choice + x));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(choice + x + 16));
        const __m256i e0 = _mm256_set_m128i(_mm_shuffle_epi8(lo, spread1), _mm_shuffle_epi8(lo, spread0));
        const __m256i e1 = _mm256_set_m128i(_mm_shuffle_epi8(hi, spread0), _mm_shuffle_epi8(lo, spread2));
        const __m256i e2 = _mm256_set_m128i(_mm_shuffle_epi8(hi, spread2), _mm_shuffle_epi8(hi, spread1));
        __m256i o0 = _mm256_setzero_si256(), o1 = o0, o2 = o0;
        for (int j = 0; j < 9; ++j) {
            const __m256i jj = _mm256_set1_epi8(static_cast<char>(j));
            const BYTE *from = s + 3 * std::ptrdiff_t(x) + offset[j];
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + 32));
            const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + 64));
            o0 = _mm256_or_si256(o0, _mm256_and_si256(a, _mm256_cmpeq_epi8(e0, jj)));
            o1 = _mm256_or_si256(o1, _mm256_and_si256(b, _mm256_cmpeq_epi8(e1, jj)));
            o2 = _mm256_or_si256(o2, _mm256_and_si256(c, _mm256_cmpeq_epi8(e2, jj)));
        }
        BYTE *to = d + 3 * std::size_t(x);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), o0);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 32), o1);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 64), o2);
    }
    return x;
}

// Keys of 32 pixels at a time: pixels 0-15 in the low lane, 16-31 in the high lane, each lane
// shuffled like the 16-pixel version.
__attribute__((target("avx2"))) int KeysRowAvx2(const BYTE *s, BYTE *k, int x0, int x1)
{
#define DIB_BOTH(m) _mm256_broadcastsi128_si256(m)
    const __m256i bA = DIB_BOTH(
        _mm_setr_epi8(0, 3, 6, 9, 12, 15, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128));
    const __m256i bB = DIB_BOTH(
        _mm_setr_epi8(-128, -128, -128, -128, -128, -128, 2, 5, 8, 11, 14, -128, -128, -128, -128, -128));
    const __m256i bC = DIB_BOTH(
        _mm_setr_epi8(-128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, 1, 4, 7, 10, 13));
    const __m256i gA = DIB_BOTH(
        _mm_setr_epi8(1, 4, 7, 10, 13, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128));
    const __m256i gB = DIB_BOTH(
        _mm_setr_epi8(-128, -128, -128, -128, -128, 0, 3, 6, 9, 12, 15, -128, -128, -128, -128, -128));
    const __m256i gC = DIB_BOTH(
        _mm_setr_epi8(-128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, 2, 5, 8, 11, 14));
    const __m256i rA = DIB_BOTH(
        _mm_setr_epi8(2, 5, 8, 11, 14, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128, -128));
    const __m256i rB = DIB_BOTH(
        _mm_setr_epi8(-128, -128, -128, -128, -128, 1, 4, 7, 10, 13, -128, -128, -128, -128, -128, -128));
    const __m256i rC = DIB_BOTH(
        _mm_setr_epi8(-128, -128, -128, -128, -128, -128, -128, -128, -128, -128, 0, 3, 6, 9, 12, 15));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i w0 = _mm256_set1_epi16(77), w1 = _mm256_set1_epi16(150), w2 = _mm256_set1_epi16(29);
    int x = x0;
    for (; x + 32 <= x1; x += 32) {
        const BYTE *p = s + 3 * std::size_t(x);
#define DIB_PAIR(at)                                                                                         \
    _mm256_set_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 48 + (at))),                      \
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + (at))))
        const __m256i a = DIB_PAIR(0), b = DIB_PAIR(16), c = DIB_PAIR(32);
#undef DIB_PAIR
        const __m256i c0
            = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(a, bA), _mm256_shuffle_epi8(b, bB)),
                _mm256_shuffle_epi8(c, bC));
        const __m256i c1
            = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(a, gA), _mm256_shuffle_epi8(b, gB)),
                _mm256_shuffle_epi8(c, gC));
        const __m256i c2
            = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(a, rA), _mm256_shuffle_epi8(b, rB)),
                _mm256_shuffle_epi8(c, rC));
        const __m256i lo = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(c0, zero), w0),
                                 _mm256_mullo_epi16(_mm256_unpacklo_epi8(c1, zero), w1)),
                _mm256_mullo_epi16(_mm256_unpacklo_epi8(c2, zero), w2)),
            8);
        const __m256i hi = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(c0, zero), w0),
                                 _mm256_mullo_epi16(_mm256_unpackhi_epi8(c1, zero), w1)),
                _mm256_mullo_epi16(_mm256_unpackhi_epi8(c2, zero), w2)),
            8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(k + x), _mm256_packus_epi16(lo, hi));
    }
#undef DIB_BOTH
    return x;
}

bool HaveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

bool HaveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}
#endif

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
    // Per thread: three rows of keys (a ring) and a row of choices.
    Block work(std::size_t(threads) * 4 * std::size_t(W));
    if (!out || !work)
        return 0;
    const std::size_t stride = shape.stride;
    const bool vector = DIB_MEDIAN_X86 && VectorKernels();

    BYTE lut[256] = {};
    if (depth <= 8) {
        const RGBQUAD *pal = Colours(*info);
        for (int i = 0, n = PaletteCount((*info)->bmiHeader); i < n; ++i)
            lut[i] = static_cast<BYTE>(Luma256(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed));
    }
    auto keysOf = [&](int y, BYTE *k) {
        const BYTE *s = src + std::size_t(y) * stride;
        if (depth == 24) {
            int x = 0;
#if DIB_MEDIAN_X86
            if (vector && HaveAvx2())
                x = KeysRowAvx2(s, k, 0, W);
            if (vector && HaveSsse3())
                x = KeysRowSsse3(s, k, x, W);
#endif
            KeysRow(s, k, x, W);
        } else {
            for (int x = 0; x < W; ++x)
                k[x] = lut[DibIndexAt(s, x, depth)];
        }
    };

    // The border keeps its pixels; the rest is written below.
    std::memcpy(out.data(), src, stride);
    if (H > 1)
        std::memcpy(out.data() + (H - 1) * stride, src + (H - 1) * stride, stride);
    const std::size_t bpp = depth == 24 ? 3 : 0;
    for (int y = 1; y < H - 1; ++y) {
        BYTE *d = out.data() + std::size_t(y) * stride;
        const BYTE *s = src + std::size_t(y) * stride;
        if (depth == 24 && W >= 3) {
            std::memcpy(d, s, bpp);
            std::memcpy(d + (W - 1) * bpp, s + (W - 1) * bpp, stride - (W - 1) * bpp);
        } else {
            std::memcpy(d, s, stride);
        }
    }
    if (W < 3 || H < 3) {
        StoreBits(bits, out);
        return 1;
    }
    // Where each of the nine neighbours lies, from the pixel's first byte (24 bits).
    std::ptrdiff_t offset[9];
    for (int j = 0; j < 9; ++j)
        offset[j] = std::ptrdiff_t(j / 3 - 1) * std::ptrdiff_t(stride) + 3 * (j % 3 - 1);
    ParallelBands(H - 2, threads, [&](int band, int b0, int b1) {
        BYTE *ring = work.data() + std::size_t(band) * 4 * W;
        BYTE *choice = ring + 3 * std::size_t(W);
        auto keyRow = [&](int y) { return ring + std::size_t(y % 3) * W; };
        keysOf(b0, keyRow(b0));
        keysOf(b0 + 1, keyRow(b0 + 1));
        for (int y = b0 + 1; y < b1 + 1; ++y) {
            keysOf(y + 1, keyRow(y + 1));
            const BYTE *below = keyRow(y - 1), *k = keyRow(y), *above = keyRow(y + 1);
            int x = 1;
#if DIB_MEDIAN_X86
            if (vector && HaveAvx2())
                x = MedianRowAvx2(below, k, above, choice, 1, W - 1);
            if (vector)
                x = MedianRowSse2(below, k, above, choice, x, W - 1);
#endif
            MedianRow(below, k, above, choice, x, W - 1);
            BYTE *d = out.data() + std::size_t(y) * stride;
            const BYTE *s = src + std::size_t(y) * stride;
            if (depth == 24) {
                int px = 1;
#if DIB_MEDIAN_X86
                if (vector && HaveAvx2())
                    px = GatherRowAvx2(s, d, choice, offset, 1, W - 1);
                if (vector && HaveSsse3())
                    px = GatherRowSsse3(s, d, choice, offset, px, W - 1);
#endif
                for (; px < W - 1; ++px) {
                    const BYTE *from = s + 3 * std::ptrdiff_t(px) + offset[choice[px]];
                    d[3 * px] = from[0];
                    d[3 * px + 1] = from[1];
                    d[3 * px + 2] = from[2];
                }
            } else {
                const BYTE *rows[3] = { s - stride, s, s + stride };
                for (int px = 1; px < W - 1; ++px) {
                    const int c = choice[px];
                    DibSetIndex(d, px, depth, DibIndexAt(rows[c / 3], px + c % 3 - 1, depth));
                }
            }
        }
    });
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
