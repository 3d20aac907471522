// Naive references for the scalers, written straight from the pixel rules: one target pixel at a
// time, no tables, no threads.
#pragma once

#include "dibtest.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

// The 1/1024 box-or-linear scheme. value(x, y, c) reads a source pixel; the result holds
// w × h × channels bytes, rows in memory order, no padding.
template <class Value> std::vector<BYTE> RefFourWay(int W, int H, int w, int h, int channels, Value value)
{
    struct Axis {
        bool box;
        std::int64_t step;
    };
    auto axis = [](int src, int dst) {
        const bool box = dst <= src / 2;
        std::int64_t step = box ? std::int64_t(src - 1) * 1024 / dst
                                : (dst > 1 ? std::int64_t(src - 1) * 1024 / (dst - 1) : 0);
        return Axis { box, step };
    };
    auto ceil1024 = [](std::int64_t p) { return int(p >> 10) + ((p & 1023) ? 1 : 0); };
    const Axis ax = axis(W, w), ay = axis(H, h);
    std::vector<BYTE> out;
    for (int ty = 0; ty < h; ++ty)
        for (int tx = 0; tx < w; ++tx)
            for (int c = 0; c < channels; ++c) {
                const std::int64_t px = tx * ax.step, py = ty * ay.step;
                const int x0 = ax.box ? ceil1024(px) : int(px >> 10);
                const int x1 = ax.box ? int((px + ax.step) >> 10) : (x0 == W - 1 ? x0 : x0 + 1);
                const int y0 = ay.box ? ceil1024(py) : int(py >> 10);
                const int y1 = ay.box ? int((py + ay.step) >> 10) : (y0 == H - 1 ? y0 : y0 + 1);
                const std::int64_t f = px & 1023, g = py & 1023;
                std::int64_t v = 0;
                if (ax.box && ay.box) {
                    std::int64_t sum = 0;
                    for (int y = y0; y <= y1; ++y)
                        for (int x = x0; x <= x1; ++x)
                            sum += value(x, y, c);
                    v = sum / ((x1 - x0 + 1) * (y1 - y0 + 1));
                } else if (ay.box) {
                    std::int64_t sum = 0;
                    for (int y = y0; y <= y1; ++y)
                        sum += (value(x0, y, c) * (1024 - f) + value(x1, y, c) * f) >> 10;
                    v = sum / (y1 - y0 + 1);
                } else if (ax.box) {
                    std::int64_t sum = 0;
                    for (int x = x0; x <= x1; ++x)
                        sum += (value(x, y0, c) * (1024 - g) + value(x, y1, c) * g) >> 10;
                    v = sum / (x1 - x0 + 1);
                } else {
                    v = ((value(x0, y0, c) * (1024 - f) + value(x1, y0, c) * f) * (1024 - g)
                            + (value(x0, y1, c) * (1024 - f) + value(x1, y1, c) * f) * g)
                        >> 20;
                }
                out.push_back(static_cast<BYTE>(v));
            }
    return out;
}

// Output bytes of a source pixel at the scale-and-crop output depth (grey: one byte).
inline std::array<int, 3> RefWorkPixel(const Pic &src, int x, int y, bool grey)
{
    if (src.h().biBitCount == 1)
        return { src.index(x, y) ? 255 : 0, 0, 0 };
    const auto c = src.bgr(x, y);
    return { c[0], grey ? 0 : c[1], grey ? 0 : c[2] };
}

// The scale-and-crop walk: the source scaled to fullW × fullH, keeping columns [l, r) and the
// memory rows [mt, mb). Rows in memory order, no padding.
inline std::vector<BYTE> RefScaleCrop(
    const Pic &src, bool grey, std::int64_t fullW, std::int64_t fullH, int l, int r, int mt, int mb)
{
    const std::int64_t W = src.h().biWidth, H = src.h().biHeight;
    const int C = grey ? 1 : 3;
    // One source row resampled to columns [l, r).
    auto across = [&](int y) {
        std::vector<int> out(std::size_t(r - l) * C, 0);
        for (int c = 0; c < C; ++c) {
            auto p = [&](std::int64_t x) { return RefWorkPixel(src, int(x), y, grey)[c]; };
            if (fullW > W) {
                for (std::int64_t x = l; x < r; ++x) {
                    const std::int64_t i = x * W / fullW, f = (x * W) % fullW * 256 / fullW;
                    out[(x - l) * C + c] = int((p(i) * (256 - f) + p(std::min(i + 1, W - 1)) * f) >> 8);
                }
            } else {
                std::int64_t t = l, sum = 0, count = 0;
                for (std::int64_t i = l * W / fullW; t < r && i < W; ++i) {
                    sum += p(i);
                    ++count;
                    if (i * fullW / W >= t) {
                        out[(t - l) * C + c] = int(sum / count);
                        sum = count = 0;
                        ++t;
                    }
                }
            }
        }
        return out;
    };
    std::vector<BYTE> out;
    if (H >= fullH) {
        std::vector<std::int64_t> sums(std::size_t(r - l) * C, 0);
        std::int64_t t = mt, count = 0;
        for (std::int64_t i = mt * H / fullH; t < mb && i < H; ++i) {
            const std::vector<int> row = across(int(i));
            for (std::size_t k = 0; k < sums.size(); ++k)
                sums[k] += row[k];
            ++count;
            if (i * fullH / H >= t) {
                for (auto &s : sums) {
                    out.push_back(static_cast<BYTE>(s / count));
                    s = 0;
                }
                count = 0;
                ++t;
            }
        }
    } else {
        for (std::int64_t y = mt; y < mb; ++y) {
            const std::int64_t cur = y * H / fullH, g = (y * H) % fullH * 256 / fullH;
            const std::vector<int> a = across(int(cur)), b = across(int(std::min(cur + 1, H - 1)));
            for (std::size_t k = 0; k < a.size(); ++k)
                out.push_back(static_cast<BYTE>((b[k] * g + a[k] * (256 - g)) >> 8));
        }
    }
    return out;
}
