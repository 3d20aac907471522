#include "codec/quantize.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace codexa
{

namespace
{

constexpr int kCells = 32 * 32 * 32;

inline int CellOf(int b, int g, int r)
{
    return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
}

// Open-addressing set of up to `limit` colours (0xBBGGRR); reports overflow.
class ColourSet
{
public:
    explicit ColourSet(int limit)
        : m_limit(limit)
    {
        m_keys.fill(kEmpty);
    }
    // Index of the colour, adding it when new; -1 once more than `limit` colours were seen.
    int Insert(std::uint32_t c)
    {
        std::uint32_t h = (c * 2654435761u) >> (32 - kBits);
        while (true) {
            if (m_keys[h] == c)
                return m_values[h];
            if (m_keys[h] == kEmpty) {
                if (m_count >= m_limit)
                    return -1;
                m_keys[h] = c;
                m_values[h] = static_cast<std::uint16_t>(m_count);
                m_colours[static_cast<std::size_t>(m_count)] = c;
                return m_count++;
            }
            h = (h + 1) & (kSize - 1);
        }
    }
    int count() const { return m_count; }
    std::uint32_t colour(int i) const { return m_colours[static_cast<std::size_t>(i)]; }

private:
    static constexpr int kBits = 10;
    static constexpr std::uint32_t kSize = 1u << kBits;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<std::uint32_t, kSize> m_keys;
    std::array<std::uint16_t, kSize> m_values {};
    std::array<std::uint32_t, 256> m_colours {};
    int m_count = 0;
    int m_limit;
};

struct Box {
    int lo[3];
    int hi[3]; // inclusive, 0...31 per channel (0 = red, 1 = green, 2 = blue)
    std::uint64_t count;
};

struct Histogram {
    std::vector<std::uint32_t> count;
    std::vector<std::uint64_t> sum; // per cell: red, green, blue
    std::uint32_t At(int r, int g, int b) const
    {
        return count[static_cast<std::size_t>((r << 10) | (g << 5) | b)];
    }
};

void Shrink(const Histogram &hist, Box &box)
{
    int lo[3] = { 31, 31, 31 }, hi[3] = { 0, 0, 0 };
    std::uint64_t n = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                std::uint32_t c = hist.At(r, g, b);
                if (c == 0)
                    continue;
                n += c;
                lo[0] = std::min(lo[0], r), hi[0] = std::max(hi[0], r);
                lo[1] = std::min(lo[1], g), hi[1] = std::max(hi[1], g);
                lo[2] = std::min(lo[2], b), hi[2] = std::max(hi[2], b);
            }
    box.count = n;
    if (n > 0) {
        std::memcpy(box.lo, lo, sizeof lo);
        std::memcpy(box.hi, hi, sizeof hi);
    }
}

// Splits box at the median of its longest axis; false when it holds a single cell.
bool Split(const Histogram &hist, Box &box, Box &other)
{
    int axis = 0, longest = -1;
    for (int a = 0; a < 3; ++a) {
        int len = box.hi[a] - box.lo[a];
        if (len > longest)
            longest = len, axis = a;
    }
    if (longest <= 0)
        return false;
    std::vector<std::uint64_t> plane(32, 0);
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                int k = axis == 0 ? r : (axis == 1 ? g : b);
                plane[static_cast<std::size_t>(k)] += hist.At(r, g, b);
            }
    std::uint64_t half = box.count / 2, acc = 0;
    int cut = box.lo[axis];
    for (int k = box.lo[axis]; k < box.hi[axis]; ++k) {
        acc += plane[static_cast<std::size_t>(k)];
        cut = k;
        if (acc >= half)
            break;
    }
    other = box;
    box.hi[axis] = cut;
    other.lo[axis] = cut + 1;
    Shrink(hist, box);
    Shrink(hist, other);
    return true;
}

void MedianCut(const Histogram &hist, int maxColors, std::vector<RGBQUAD> &palette)
{
    std::vector<Box> boxes;
    Box all { { 0, 0, 0 }, { 31, 31, 31 }, 0 };
    Shrink(hist, all);
    boxes.push_back(all);
    std::vector<bool> done;
    done.push_back(false);
    while (static_cast<int>(boxes.size()) < maxColors) {
        // Population first; in the last quarter, population times volume, so that sparse
        // but wide regions still get colours.
        bool byVolume = static_cast<int>(boxes.size()) >= maxColors * 3 / 4;
        int best = -1;
        double bestScore = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (done[i] || boxes[i].count == 0)
                continue;
            double score = static_cast<double>(boxes[i].count);
            if (byVolume)
                score *= double(boxes[i].hi[0] - boxes[i].lo[0] + 1) * (boxes[i].hi[1] - boxes[i].lo[1] + 1)
                    * (boxes[i].hi[2] - boxes[i].lo[2] + 1);
            if (score > bestScore)
                bestScore = score, best = static_cast<int>(i);
        }
        if (best < 0)
            break;
        Box other {};
        if (!Split(hist, boxes[static_cast<std::size_t>(best)], other)) {
            done[static_cast<std::size_t>(best)] = true;
            continue;
        }
        boxes.push_back(other);
        done.push_back(false);
    }
    palette.clear();
    for (const Box &box : boxes) {
        std::uint64_t n = 0, s[3] = { 0, 0, 0 };
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    std::size_t cell = static_cast<std::size_t>((r << 10) | (g << 5) | b);
                    n += hist.count[cell];
                    for (int k = 0; k < 3; ++k)
                        s[k] += hist.sum[cell * 3 + static_cast<std::size_t>(k)];
                }
        if (n == 0)
            continue;
        palette.push_back(RGBQUAD { static_cast<BYTE>((s[2] + n / 2) / n),
            static_cast<BYTE>((s[1] + n / 2) / n), static_cast<BYTE>((s[0] + n / 2) / n), 0 });
    }
}

int Nearest(const std::vector<RGBQUAD> &palette, int b, int g, int r)
{
    int best = 0, bestDist = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int db = palette[i].rgbBlue - b, dg = palette[i].rgbGreen - g, dr = palette[i].rgbRed - r;
        int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (d < bestDist)
            bestDist = d, best = static_cast<int>(i);
    }
    return best;
}

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

} // namespace

Status QuantizePicture(
    const PictureView &view, int maxColors, std::vector<RGBQUAD> &palette, std::vector<std::uint8_t> &indices)
{
    maxColors = std::clamp(maxColors, 2, 256);
    const std::size_t w = static_cast<std::size_t>(view.width), h = static_cast<std::size_t>(view.height);
    try {
        indices.assign(w * h, 0);
        std::vector<std::uint8_t> row(w * 3);
        ColourSet exact(maxColors);
        bool fits = true;
        Histogram hist;
        hist.count.assign(kCells, 0);
        hist.sum.assign(static_cast<std::size_t>(kCells) * 3, 0);
        for (std::size_t y = 0; y < h; ++y) {
            view.RowBGR(static_cast<int>(y), row.data());
            std::uint8_t *out = indices.data() + y * w;
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint8_t *p = &row[x * 3];
                if (fits) {
                    int i = exact.Insert(p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16));
                    if (i < 0)
                        fits = false;
                    else
                        out[x] = static_cast<std::uint8_t>(i);
                }
                std::size_t cell = static_cast<std::size_t>(CellOf(p[0], p[1], p[2]));
                ++hist.count[cell];
                hist.sum[cell * 3] += p[2];
                hist.sum[cell * 3 + 1] += p[1];
                hist.sum[cell * 3 + 2] += p[0];
            }
        }
        palette.clear();
        if (fits) {
            for (int i = 0; i < exact.count(); ++i) {
                std::uint32_t c = exact.colour(i);
                palette.push_back(RGBQUAD { static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                    static_cast<BYTE>((c >> 16) & 0xFF), 0 });
            }
            return Status::Ok;
        }
        MedianCut(hist, maxColors, palette);
        hist = Histogram {};

        // Floyd-Steinberg, serpentine; errors in 1/16 units for this row and the next.
        std::vector<std::int16_t> cache(kCells, -1);
        std::vector<int> errCur((w + 2) * 3, 0), errNext((w + 2) * 3, 0);
        for (std::size_t y = 0; y < h; ++y) {
            view.RowBGR(static_cast<int>(y), row.data());
            std::uint8_t *out = indices.data() + y * w;
            const bool reverse = (y & 1) != 0;
            std::fill(errNext.begin(), errNext.end(), 0);
            for (std::size_t k = 0; k < w; ++k) {
                std::size_t x = reverse ? w - 1 - k : k;
                const int dir = reverse ? -1 : 1;
                int c[3];
                for (int ch = 0; ch < 3; ++ch)
                    c[ch] = Clamp255(row[x * 3 + static_cast<std::size_t>(ch)]
                        + errCur[(x + 1) * 3 + static_cast<std::size_t>(ch)] / 16);
                int cell = CellOf(c[0], c[1], c[2]);
                int idx = cache[static_cast<std::size_t>(cell)];
                if (idx < 0) {
                    idx = Nearest(palette, (c[0] & ~7) | 4, (c[1] & ~7) | 4, (c[2] & ~7) | 4);
                    cache[static_cast<std::size_t>(cell)] = static_cast<std::int16_t>(idx);
                }
                out[x] = static_cast<std::uint8_t>(idx);
                const RGBQUAD &q = palette[static_cast<std::size_t>(idx)];
                const int e[3] = { c[0] - q.rgbBlue, c[1] - q.rgbGreen, c[2] - q.rgbRed };
                for (int ch = 0; ch < 3; ++ch) {
                    std::size_t here = (x + 1) * 3 + static_cast<std::size_t>(ch);
                    std::size_t ahead = static_cast<std::size_t>(static_cast<long>(here) + dir * 3);
                    std::size_t behind = static_cast<std::size_t>(static_cast<long>(here) - dir * 3);
                    errCur[ahead] += e[ch] * 7;
                    errNext[behind] += e[ch] * 3;
                    errNext[here] += e[ch] * 5;
                    errNext[ahead] += e[ch];
                }
            }
            std::swap(errCur, errNext);
        }
    } catch (...) {
        return Status::NoMemory;
    }
    return Status::Ok;
}

} // namespace codexa
