#include "codec/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace codexa
{

namespace
{

constexpr int kShift = 14; // weights of one output pixel sum to 1 << kShift
constexpr int kOne = 1 << kShift;

// Which source pixels feed each output pixel of a visible range, and how much.
struct Taps {
    std::vector<int> start; // first source index per output index
    std::vector<int> count;
    std::vector<int> offset; // into weights
    std::vector<std::int32_t> weights;
    int maxCount = 0;
};

// Output indices [first, last) of an axis drawn at size `drawn` starting at `origin`, from a
// source of `size` pixels.
void BuildTaps(int size, long long drawn, long long origin, int first, int last, Taps &taps)
{
    const int n = last - first;
    taps.start.resize(static_cast<std::size_t>(n));
    taps.count.resize(static_cast<std::size_t>(n));
    taps.offset.resize(static_cast<std::size_t>(n));
    taps.weights.clear();
    taps.maxCount = 0;
    const double scale = static_cast<double>(size) / static_cast<double>(drawn);
    std::vector<double> w;
    for (int k = 0; k < n; ++k) {
        const long long d = first + k - origin; // position within the drawn area
        int s0;
        w.clear();
        if (drawn < size) {
            // Area: the source span [d, d + 1) × scale, partial pixels weighted by cover.
            const double a = static_cast<double>(d) * scale, b = static_cast<double>(d + 1) * scale;
            s0 = static_cast<int>(std::floor(a));
            int s1 = std::min(size, static_cast<int>(std::ceil(b)));
            for (int i = s0; i < s1; ++i)
                w.push_back(std::min(b, i + 1.0) - std::max(a, static_cast<double>(i)));
        } else {
            // Bilinear between the two nearest source centres; the edges clamp.
            double x = (static_cast<double>(d) + 0.5) * scale - 0.5;
            if (x <= 0) {
                s0 = 0, w.push_back(1.0);
            } else if (x >= size - 1) {
                s0 = size - 1, w.push_back(1.0);
            } else {
                s0 = static_cast<int>(std::floor(x));
                double f = x - s0;
                w.push_back(1.0 - f);
                w.push_back(f);
            }
        }
        // Integer weights that sum to exactly kOne (the remainder goes to the largest).
        double total = 0;
        for (double v : w)
            total += v;
        int sum = 0;
        const std::size_t base = taps.weights.size();
        std::size_t largest = base;
        taps.start[static_cast<std::size_t>(k)] = s0;
        taps.count[static_cast<std::size_t>(k)] = static_cast<int>(w.size());
        taps.offset[static_cast<std::size_t>(k)] = static_cast<int>(base);
        for (double v : w) {
            int q = static_cast<int>(std::lround(v / total * kOne));
            taps.weights.push_back(q);
            sum += q;
            if (q > taps.weights[largest])
                largest = taps.weights.size() - 1;
        }
        taps.weights[largest] += kOne - sum;
        taps.maxCount = std::max(taps.maxCount, static_cast<int>(w.size()));
    }
}

// One source row resampled horizontally: values scaled by 2^(kShift - 6), fitting 16 bits.
template <int C> void Horizontal(const std::uint8_t *in, const Taps &t, std::int32_t *out)
{
    const int n = static_cast<int>(t.start.size());
    for (int k = 0; k < n; ++k) {
        const std::uint8_t *p = in + static_cast<std::size_t>(t.start[static_cast<std::size_t>(k)]) * C;
        const std::int32_t *w = t.weights.data() + t.offset[static_cast<std::size_t>(k)];
        const int count = t.count[static_cast<std::size_t>(k)];
        std::int32_t acc[C] = {};
        for (int i = 0; i < count; ++i, p += C)
            for (int c = 0; c < C; ++c)
                acc[c] += w[i] * p[c];
        for (int c = 0; c < C; ++c)
            out[k * C + c] = acc[c] >> 6;
    }
}

// Source rows in C channels: 24-bit rows as they are, other colour depths expanded to B, G, R,
// grey (C = 1) palette indices mapped through the palette to their levels.
template <int C> class SourceRows
{
public:
    explicit SourceRows(const PictureView &src)
        : m_src(src)
        , m_line(static_cast<std::size_t>(src.width) * 3)
    {
        if (C == 1)
            for (int i = 0; i < 256; ++i)
                m_greyLut[i] = i < src.paletteSize ? src.palette[i].rgbBlue : 0;
    }

    // Row sy from the top; valid until the next call.
    const std::uint8_t *Row(int sy)
    {
        if (C == 3 && m_src.bitCount == 24)
            return m_src.RowFromTop(sy);
        if (C == 3) {
            m_src.RowBGR(sy, m_line.data());
            return m_line.data();
        }
        m_src.RowIndices(sy, m_line.data());
        for (int x = 0; x < m_src.width; ++x)
            m_line[static_cast<std::size_t>(x)] = m_greyLut[m_line[static_cast<std::size_t>(x)]];
        return m_line.data();
    }

private:
    const PictureView &m_src;
    std::vector<std::uint8_t> m_line;
    std::uint8_t m_greyLut[256] = {};
};

template <int C>
void Run(const PictureView &src, Picture &out, const RECT &dest, int x0, int x1, int y0, int y1)
{
    const long long dw = static_cast<long long>(dest.right) - dest.left;
    const long long dh = static_cast<long long>(dest.bottom) - dest.top;
    Taps tx, ty;
    BuildTaps(src.width, dw, dest.left, x0, x1, tx);
    BuildTaps(src.height, dh, dest.top, y0, y1, ty);
    const std::size_t visible = static_cast<std::size_t>(x1 - x0) * C;

    // The source row in C channels, and two cached horizontal results (enough for both
    // directions: shrinking shares one row between neighbours, growing reuses a pair).
    SourceRows<C> rows(src);
    std::vector<std::int32_t> cache[2]
        = { std::vector<std::int32_t>(visible), std::vector<std::int32_t>(visible) };
    int cached[2] = { -1, -1 };
    int victim = 0;
    std::vector<std::int32_t> acc(visible);
    auto rowOf = [&](int sy) -> const std::int32_t * {
        for (int s = 0; s < 2; ++s)
            if (cached[s] == sy)
                return cache[s].data();
        const std::uint8_t *in = rows.Row(sy);
        int slot = victim;
        victim ^= 1;
        Horizontal<C>(in, tx, cache[slot].data());
        cached[slot] = sy;
        return cache[slot].data();
    };
    for (int k = 0; k < y1 - y0; ++k) {
        const int first = ty.start[static_cast<std::size_t>(k)];
        const int count = ty.count[static_cast<std::size_t>(k)];
        const std::int32_t *w = ty.weights.data() + ty.offset[static_cast<std::size_t>(k)];
        std::fill(acc.begin(), acc.end(), 0);
        for (int i = 0; i < count; ++i) {
            const std::int32_t *h = rowOf(first + i);
            const std::int32_t wi = w[i];
            for (std::size_t j = 0; j < visible; ++j)
                acc[j] += wi * h[j];
        }
        std::uint8_t *o = out.RowFromTop(y0 + k) + static_cast<std::size_t>(x0) * C;
        constexpr int kTotal = 2 * kShift - 6;
        for (std::size_t j = 0; j < visible; ++j) {
            std::int32_t v = (acc[j] + (1 << (kTotal - 1))) >> kTotal;
            o[j] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
        }
    }
}

// Whole-number reductions in both directions (a thumbnail of a DCT-scaled decode often is
// one): plain block averages, rounded.
template <int C> void BlockAverage(const PictureView &src, Picture &out, int kx, int ky)
{
    const int ow = out.width(), oh = out.height();
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(ow) * C);
    SourceRows<C> rows(src);
    const std::uint32_t area = static_cast<std::uint32_t>(kx) * static_cast<std::uint32_t>(ky);
    for (int y = 0; y < oh; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int r = 0; r < ky; ++r) {
            const int sy = y * ky + r;
            const std::uint8_t *in = rows.Row(sy);
            std::uint32_t *s = sums.data();
            for (int x = 0; x < ow; ++x, s += C)
                for (int i = 0; i < kx; ++i, in += C)
                    for (int c = 0; c < C; ++c)
                        s[c] += in[c];
        }
        std::uint8_t *o = out.RowFromTop(y);
        for (std::size_t j = 0; j < sums.size(); ++j)
            o[j] = static_cast<std::uint8_t>((sums[j] + area / 2) / area);
    }
}

} // namespace

bool FitIntoBox(int width, int height, int boxWidth, int boxHeight, int &fitWidth, int &fitHeight)
{
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return false;
    if (width <= boxWidth && height <= boxHeight) {
        fitWidth = width, fitHeight = height;
        return true;
    }
    const long long w = width, h = height;
    if (w * boxHeight >= h * boxWidth) { // width decides
        fitWidth = boxWidth;
        fitHeight = static_cast<int>(std::max(1ll, (h * boxWidth + w / 2) / w));
    } else {
        fitHeight = boxHeight;
        fitWidth = static_cast<int>(std::max(1ll, (w * boxHeight + h / 2) / h));
    }
    return true;
}

Status ResamplePicture(
    const PictureView &src, int outWidth, int outHeight, const RECT &dest, bool forceColour, Picture &out)
{
    if (outWidth <= 0 || outHeight <= 0 || src.width <= 0 || src.height <= 0)
        return Status::Corrupt;
    if (dest.right <= dest.left || dest.bottom <= dest.top)
        return Status::Corrupt;
    const bool grey = !forceColour && src.bitCount <= 8 && src.IsGreyPalette();
    Picture pic;
    Status s = pic.Create(outWidth, outHeight, grey ? 8 : 24, 0);
    if (s != Status::Ok)
        return s;
    if (grey)
        DibGreyPalette(pic.info, 256);
    pic.SetResolution(src.header->biXPelsPerMeter, src.header->biYPelsPerMeter);
    const int x0 = static_cast<int>(std::max<long long>(0, dest.left));
    const int x1 = static_cast<int>(std::min<long long>(outWidth, dest.right));
    const int y0 = static_cast<int>(std::max<long long>(0, dest.top));
    const int y1 = static_cast<int>(std::min<long long>(outHeight, dest.bottom));
    if (x0 > 0 || y0 > 0 || x1 < outWidth || y1 < outHeight)
        std::memset(pic.pixels(), 0xFF, pic.stride() * static_cast<std::size_t>(outHeight));
    const bool whole = dest.left == 0 && dest.top == 0 && dest.right == outWidth && dest.bottom == outHeight;
    const bool blocks = whole && src.width % outWidth == 0 && src.height % outHeight == 0
        && static_cast<long long>(src.width / outWidth) * (src.height / outHeight)
            <= (1 << 24); // sums fit 32 bits
    if (blocks) {
        try {
            if (grey)
                BlockAverage<1>(src, pic, src.width / outWidth, src.height / outHeight);
            else
                BlockAverage<3>(src, pic, src.width / outWidth, src.height / outHeight);
        } catch (...) {
            return Status::NoMemory;
        }
    } else if (x0 < x1 && y0 < y1) {
        try {
            if (grey)
                Run<1>(src, pic, dest, x0, x1, y0, y1);
            else
                Run<3>(src, pic, dest, x0, x1, y0, y1);
        } catch (...) {
            return Status::NoMemory;
        }
    }
    out = std::move(pic);
    return Status::Ok;
}

} // namespace codexa
