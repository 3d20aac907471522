#include "dib/resample.h"

#include "dib/dibcore.h"
#include "dib/resample_kernels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <type_traits>

namespace dib
{

BoxDivider::BoxDivider(std::uint64_t divisor)
    : d(divisor ? divisor : 1)
{
    // floor(n · (2^40 / d + 1) / 2^40) equals floor(n / d) while 255 · d² < 2^40.
    if (d < 65536)
        magic = (std::uint64_t(1) << 40) / d + 1;
}

bool MakeResampleAxis(int src, int dst, ResampleAxis &axis)
{
    if (src < 1 || dst < 1)
        return false;
    try {
        axis.first.assign(static_cast<std::size_t>(dst), 0);
        axis.other.assign(static_cast<std::size_t>(dst), 0);
        axis.frac.assign(static_cast<std::size_t>(dst), 0);
    } catch (...) {
        return false;
    }
    axis.box = dst <= src / 2;
    if (axis.box) {
        const std::int64_t step = std::int64_t(src - 1) * 1024 / dst;
        axis.minCount = std::numeric_limits<int>::max();
        axis.maxCount = 0;
        std::int64_t pos = 0;
        for (int i = 0; i < dst; ++i) {
            std::int64_t next = pos + step;
            int start = static_cast<int>(pos >> 10) + ((pos & 1023) != 0 ? 1 : 0);
            int end = static_cast<int>(next >> 10);
            int count = end - start + 1;
            axis.first[i] = start;
            axis.other[i] = count;
            axis.minCount = std::min(axis.minCount, count);
            axis.maxCount = std::max(axis.maxCount, count);
            pos = next;
        }
    } else {
        const std::int64_t step = dst > 1 ? std::int64_t(src - 1) * 1024 / (dst - 1) : 0;
        std::int64_t pos = 0;
        for (int i = 0; i < dst; ++i) {
            int left = static_cast<int>(pos >> 10);
            axis.first[i] = left;
            axis.other[i] = left < src - 1 ? left + 1 : left;
            axis.frac[i] = static_cast<int>(pos & 1023);
            pos += step;
        }
        axis.minCount = axis.maxCount = 1;
    }
    return true;
}

namespace
{

struct Plan {
    const ResampleJob *job;
    ResampleAxis ax;
    ResampleAxis ay;
    RowKernels kernels;
    InterpolationGroups groups; // 24-bit horizontal interpolation with the vector kernels
};

// Per-band working memory, carved from one allocation.
struct Scratch {
    std::vector<std::uint64_t> mem;
    void *acc = nullptr; // sums of box rows: per source column (box across too), else per target column
    BYTE *line = nullptr; // the two rows interpolated vertically (box across, linear down)
    std::uint32_t *h[2] = { nullptr, nullptr }; // horizontally interpolated rows (bilinear)
    BYTE *bits[2] = { nullptr, nullptr }; // expanded 1-bit rows
    BoxDivider *dividers = nullptr;
};

std::size_t Round32(std::size_t n)
{
    return (n + 31) / 32 * 32;
}

std::size_t AccBytes(int maxRows)
{
    if (maxRows <= 257)
        return 2;
    if (maxRows <= 16843009)
        return 4;
    return 8;
}

bool MakeScratch(const Plan &p, Scratch &s)
{
    const ResampleJob &j = *p.job;
    const std::size_t srcN = std::size_t(j.srcWidth) * j.channels;
    const std::size_t dstN = std::size_t(j.dstWidth) * j.channels;
    const std::size_t acc = AccBytes(p.ay.maxCount);
    std::size_t sizes[6] = {};
    if (p.ay.box)
        sizes[0] = Round32((p.ax.box ? srcN : dstN) * acc + 32); // vector loads read past the end
    else if (p.ax.box)
        sizes[1] = Round32(srcN);
    else
        sizes[2] = sizes[3] = Round32(dstN * 4);
    if (j.oneBit)
        sizes[4] = Round32(std::size_t(j.srcWidth) + 8);
    const std::size_t dividerCount = std::size_t(p.ax.maxCount - p.ax.minCount + 1);
    sizes[5] = Round32(dividerCount * sizeof(BoxDivider));
    std::size_t total = sizes[0] + sizes[1] + sizes[2] + sizes[3] + 2 * sizes[4] + sizes[5];
    try {
        s.mem.assign(total / 8 + 4, 0);
    } catch (...) {
        return false;
    }
    auto *base = reinterpret_cast<BYTE *>(s.mem.data());
    base += (32 - reinterpret_cast<std::uintptr_t>(base) % 32) % 32;
    s.acc = base;
    base += sizes[0];
    s.line = base;
    base += sizes[1];
    s.h[0] = reinterpret_cast<std::uint32_t *>(base);
    base += sizes[2];
    s.h[1] = reinterpret_cast<std::uint32_t *>(base);
    base += sizes[3];
    s.bits[0] = base;
    base += sizes[4];
    s.bits[1] = base;
    base += sizes[4];
    s.dividers = reinterpret_cast<BoxDivider *>(base);
    return true;
}

// Rows read in place.
struct ByteRows {
    const BYTE *base;
    std::size_t stride;
    const BYTE *Row(int y) const { return base + std::size_t(y) * stride; }
};

constexpr std::array<std::array<BYTE, 8>, 256> MakeExpandTable()
{
    std::array<std::array<BYTE, 8>, 256> t {};
    for (int v = 0; v < 256; ++v)
        for (int b = 0; b < 8; ++b)
            t[v][b] = (v >> (7 - b)) & 1 ? 255 : 0;
    return t;
}
constexpr auto kExpand = MakeExpandTable();

// 1-bit rows expanded to one byte per pixel (0 or 255); the last two rows asked for stay valid.
struct BitRows {
    const BYTE *base;
    std::size_t stride;
    int width;
    BYTE *slot[2];
    int tag[2] = { -1, -1 };
    int evict = 0;

    const BYTE *Row(int y)
    {
        for (int k = 0; k < 2; ++k)
            if (tag[k] == y) {
                evict = 1 - k;
                return slot[k];
            }
        int k = evict;
        const BYTE *src = base + std::size_t(y) * stride;
        BYTE *out = slot[k];
        for (int i = 0, n = (width + 7) / 8; i < n; ++i)
            std::memcpy(out + 8 * i, kExpand[src[i]].data(), 8);
        tag[k] = y;
        evict = 1 - k;
        return out;
    }
};

// Sums of the covered rows per column.
template <class Rows, class Acc> void SumRows(const Plan &p, Rows &rows, int r0, int count, Acc *acc, int n)
{
    if constexpr (std::is_same_v<Acc, std::uint16_t> && std::is_same_v<Rows, ByteRows>) {
        const BYTE *list[257];
        for (int k = 0; k < count; ++k)
            list[k] = rows.Row(r0 + k);
        p.kernels.sumRows16(acc, list, count, std::size_t(n));
    } else {
        const BYTE *row = rows.Row(r0);
        for (int i = 0; i < n; ++i)
            acc[i] = row[i];
        for (int k = 1; k < count; ++k) {
            row = rows.Row(r0 + k);
            for (int i = 0; i < n; ++i)
                acc[i] = static_cast<Acc>(acc[i] + row[i]);
        }
    }
}

// Box in both axes: sum the covered rows per column, then the covered columns per pixel.
template <int C, class Rows, class Acc> void BoxBox(const Plan &p, Rows &rows, Scratch &s, int t0, int t1)
{
    const ResampleJob &j = *p.job;
    const int n = j.srcWidth * C;
    const int w = j.dstWidth;
    auto *acc = static_cast<Acc *>(s.acc);
    const int *sx = p.ax.first.data();
    const int *cx = p.ax.other.data();
    const int minCount = p.ax.minCount;
    for (int t = t0; t < t1; ++t) {
        const int cy = p.ay.other[t];
        SumRows(p, rows, p.ay.first[t], cy, acc, n);
        for (int c = minCount; c <= p.ax.maxCount; ++c)
            s.dividers[c - minCount] = BoxDivider(std::uint64_t(c) * std::uint64_t(cy));
        BYTE *out = j.dst + std::size_t(t) * j.dstStride;
        if constexpr (C == 3 && std::is_same_v<Acc, std::uint16_t>) {
            p.kernels.boxRow24(acc, sx, cx, w, cy, s.dividers, minCount, out);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const Acc *a = acc + std::size_t(sx[x]) * C;
            const int count = cx[x];
            const BoxDivider &div = s.dividers[count - minCount];
            std::uint64_t sum[C] = {};
            if (count == 4) {
                for (int c = 0; c < C; ++c)
                    sum[c] = std::uint64_t(a[c]) + a[C + c] + a[2 * C + c] + a[3 * C + c];
            } else {
                for (int k = 0; k < count; ++k)
                    for (int c = 0; c < C; ++c)
                        sum[c] += a[k * C + c];
            }
            for (int c = 0; c < C; ++c)
                out[x * C + c] = static_cast<BYTE>(div(sum[c]));
        }
    }
}

// Box vertically, linear horizontally: interpolate each covered row (shifted back to a byte),
// sum them and divide by the number of rows.
template <int C, class Rows, class Acc> void BoxLinear(const Plan &p, Rows &rows, Scratch &s, int t0, int t1)
{
    const ResampleJob &j = *p.job;
    const int w = j.dstWidth;
    auto *acc = static_cast<Acc *>(s.acc);
    const int *xl = p.ax.first.data();
    const int *xr = p.ax.other.data();
    const int *xf = p.ax.frac.data();
    for (int t = t0; t < t1; ++t) {
        const int r0 = p.ay.first[t];
        const int cy = p.ay.other[t];
        std::fill(acc, acc + std::size_t(w) * C, Acc(0));
        for (int k = 0; k < cy; ++k) {
            const BYTE *row = rows.Row(r0 + k);
            for (int x = 0; x < w; ++x) {
                const BYTE *a = row + std::size_t(xl[x]) * C;
                const BYTE *b = row + std::size_t(xr[x]) * C;
                const std::uint32_t f = static_cast<std::uint32_t>(xf[x]);
                for (int c = 0; c < C; ++c)
                    acc[x * C + c]
                        = static_cast<Acc>(acc[x * C + c] + ((a[c] * (1024 - f) + b[c] * f) >> 10));
            }
        }
        const BoxDivider div(static_cast<std::uint64_t>(cy));
        BYTE *out = j.dst + std::size_t(t) * j.dstStride;
        for (int i = 0; i < w * C; ++i)
            out[i] = static_cast<BYTE>(div(acc[i]));
    }
}

// Linear vertically, box horizontally: interpolate the two rows (shifted back to a byte), then
// average the covered columns.
template <int C, class Rows> void LinearBox(const Plan &p, Rows &rows, Scratch &s, int t0, int t1)
{
    const ResampleJob &j = *p.job;
    const int n = j.srcWidth * C;
    const int w = j.dstWidth;
    BYTE *line = s.line;
    const int *sx = p.ax.first.data();
    const int *cx = p.ax.other.data();
    const int minCount = p.ax.minCount;
    for (int c = minCount; c <= p.ax.maxCount; ++c)
        s.dividers[c - minCount] = BoxDivider(static_cast<std::uint64_t>(c));
    for (int t = t0; t < t1; ++t) {
        const BYTE *lo = rows.Row(p.ay.first[t]);
        const BYTE *hi = rows.Row(p.ay.other[t]);
        const std::uint32_t g = static_cast<std::uint32_t>(p.ay.frac[t]);
        for (int i = 0; i < n; ++i)
            line[i] = static_cast<BYTE>((lo[i] * (1024 - g) + hi[i] * g) >> 10);
        BYTE *out = j.dst + std::size_t(t) * j.dstStride;
        for (int x = 0; x < w; ++x) {
            const BYTE *a = line + std::size_t(sx[x]) * C;
            const int count = cx[x];
            const BoxDivider &div = s.dividers[count - minCount];
            for (int c = 0; c < C; ++c) {
                std::uint64_t sum = 0;
                for (int k = 0; k < count; ++k)
                    sum += a[k * C + c];
                out[x * C + c] = static_cast<BYTE>(div(sum));
            }
        }
    }
}

// Horizontal interpolation without the shift: left · (1024 − f) + right · f.
template <int C> void InterpolateRow(const Plan &p, const BYTE *row, std::uint32_t *h)
{
    const int w = p.job->dstWidth;
    const int *xl = p.ax.first.data();
    const int *xr = p.ax.other.data();
    const int *xf = p.ax.frac.data();
    for (int x = 0; x < w; ++x) {
        const BYTE *a = row + std::size_t(xl[x]) * C;
        const BYTE *b = row + std::size_t(xr[x]) * C;
        const std::uint32_t f = static_cast<std::uint32_t>(xf[x]);
        for (int c = 0; c < C; ++c)
            h[x * C + c] = a[c] * (1024 - f) + b[c] * f;
    }
}

// Bilinear: rows interpolated horizontally once each (the last two kept), then vertically, one
// shift by 20 at the end.
template <int C, class Rows> void LinearLinear(const Plan &p, Rows &rows, Scratch &s, int t0, int t1)
{
    const ResampleJob &j = *p.job;
    const int n = j.dstWidth * C;
    int tag[2] = { -1, -1 };
    int evict = 0;
    auto fetch = [&](int y) -> const std::uint32_t * {
        for (int k = 0; k < 2; ++k)
            if (tag[k] == y) {
                evict = 1 - k;
                return s.h[k];
            }
        int k = evict;
        if constexpr (C == 3)
            p.kernels.interpolate24(p.groups, p.ax.first.data(), p.ax.other.data(), p.ax.frac.data(),
                j.dstWidth, rows.Row(y), s.h[k]);
        else
            InterpolateRow<C>(p, rows.Row(y), s.h[k]);
        tag[k] = y;
        evict = 1 - k;
        return s.h[k];
    };
    for (int t = t0; t < t1; ++t) {
        const std::uint32_t *lo = fetch(p.ay.first[t]);
        const std::uint32_t *hi = fetch(p.ay.other[t]);
        p.kernels.blendRows(lo, hi, static_cast<std::uint32_t>(p.ay.frac[t]),
            j.dst + std::size_t(t) * j.dstStride, std::size_t(n));
    }
}

template <int C, class Rows, class Acc> void Band(const Plan &p, Rows &rows, Scratch &s, int t0, int t1)
{
    if (p.ay.box) {
        if (p.ax.box)
            BoxBox<C, Rows, Acc>(p, rows, s, t0, t1);
        else
            BoxLinear<C, Rows, Acc>(p, rows, s, t0, t1);
    } else if (p.ax.box) {
        LinearBox<C, Rows>(p, rows, s, t0, t1);
    } else {
        LinearLinear<C, Rows>(p, rows, s, t0, t1);
    }
}

template <int C, class Acc> void RunBand(const Plan &p, Scratch &s, int t0, int t1)
{
    const ResampleJob &j = *p.job;
    if (j.oneBit) {
        BitRows rows { j.src, j.srcStride, j.srcWidth, { s.bits[0], s.bits[1] } };
        Band<C, BitRows, Acc>(p, rows, s, t0, t1);
    } else {
        ByteRows rows { j.src, j.srcStride };
        Band<C, ByteRows, Acc>(p, rows, s, t0, t1);
    }
}

template <int C> void RunBandC(const Plan &p, Scratch &s, int t0, int t1)
{
    switch (AccBytes(p.ay.maxCount)) {
    case 2:
        return RunBand<C, std::uint16_t>(p, s, t0, t1);
    case 4:
        return RunBand<C, std::uint32_t>(p, s, t0, t1);
    default:
        return RunBand<C, std::uint64_t>(p, s, t0, t1);
    }
}

} // namespace

bool Resample(const ResampleJob &job)
{
    if (job.src == nullptr || job.dst == nullptr || job.srcWidth < 1 || job.srcHeight < 1 || job.dstWidth < 1
        || job.dstHeight < 1 || (job.channels != 1 && job.channels != 3) || (job.oneBit && job.channels != 1))
        return false;
    Plan plan { &job, {}, {}, PickRowKernels(), {} };
    if (!MakeResampleAxis(job.srcWidth, job.dstWidth, plan.ax)
        || !MakeResampleAxis(job.srcHeight, job.dstHeight, plan.ay))
        return false;
    if (plan.kernels.vector && job.channels == 3 && !plan.ax.box && !plan.ay.box
        && !MakeInterpolationGroups(plan.ax.first.data(), plan.ax.other.data(), plan.ax.frac.data(),
            job.dstWidth, job.srcWidth, plan.groups))
        return false;

    const std::int64_t work
        = std::int64_t(job.srcWidth) * job.srcHeight + std::int64_t(job.dstWidth) * job.dstHeight;
    int bands = std::min(ThreadsFor(work), job.dstHeight);
    std::vector<Scratch> scratch;
    try {
        scratch.resize(static_cast<std::size_t>(bands));
    } catch (...) {
        return false;
    }
    for (auto &s : scratch)
        if (!MakeScratch(plan, s))
            return false;

    ParallelBands(job.dstHeight, bands, [&](int i, int t0, int t1) {
        if (job.channels == 3)
            RunBandC<3>(plan, scratch[static_cast<std::size_t>(i)], t0, t1);
        else
            RunBandC<1>(plan, scratch[static_cast<std::size_t>(i)], t0, t1);
    });
    return true;
}

} // namespace dib
