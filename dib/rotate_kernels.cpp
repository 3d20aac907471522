#include "dib/rotate_kernels.h"

#include "dib/dibcore.h"

#include <algorithm>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define DIB_X86 1
#else
#define DIB_X86 0
#endif

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

struct RowSpans {
    std::int64_t first, last; // pixels written
    std::int64_t innerFirst, innerLast; // pixels with both neighbours, inside [first, last)
};

RowSpans Spans(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, int width)
{
    RowSpans s;
    std::int64_t a, b, c, d;
    LinearRange(sx, job.cs, -1023, std::int64_t(job.srcWidth) * 1024, width, a, b);
    LinearRange(sy, job.sn, -1023, std::int64_t(job.srcHeight) * 1024, width, c, d);
    s.first = std::max(a, c);
    s.last = std::max(s.first, std::min(b, d));
    LinearRange(sx, job.cs, 0, std::int64_t(job.srcWidth - 1) * 1024, width, a, b);
    LinearRange(sy, job.sn, 0, std::int64_t(job.srcHeight - 1) * 1024, width, c, d);
    s.innerFirst = std::clamp(std::max(a, c), s.first, s.last);
    s.innerLast = std::clamp(std::min(b, d), s.innerFirst, s.last);
    return s;
}

void TurnRowPortable(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, int width, BYTE *dst)
{
    const RowSpans s = Spans(job, sx, sy, width);
    for (std::int64_t c = s.first; c < s.innerFirst; ++c)
        EdgePixel(job, sx + c * job.cs, sy + c * job.sn, dst + 3 * c);
    for (std::int64_t c = s.innerFirst; c < s.innerLast; ++c)
        InnerPixel(job, sx + c * job.cs, sy + c * job.sn, dst + 3 * c);
    for (std::int64_t c = s.innerLast; c < s.last; ++c)
        EdgePixel(job, sx + c * job.cs, sy + c * job.sn, dst + 3 * c);
}

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

TurnRowKernel PickTurnRowKernel()
{
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
