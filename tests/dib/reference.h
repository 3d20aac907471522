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
    // Per axis: box when reduced by half or more; the step in 1/1024 of a source pixel.
    const bool bx = w <= W / 2, by = h <= H / 2;
    auto step = [](bool box, std::int64_t src, int dst) {
        return box ? (src - 1) * 1024 / dst : (dst > 1 ? (src - 1) * 1024 / (dst - 1) : 0);
    };
    const std::int64_t sx = step(bx, W, w), sy = step(by, H, h);
    auto ceil1024 = [](std::int64_t p) { return int(p >> 10) + ((p & 1023) ? 1 : 0); };
    std::vector<BYTE> out;
    for (int ty = 0; ty < h; ++ty)
        for (int tx = 0; tx < w; ++tx)
            for (int c = 0; c < channels; ++c) {
                const std::int64_t px = tx * sx, py = ty * sy;
                const int x0 = bx ? ceil1024(px) : int(px >> 10);
                const int x1 = bx ? int((px + sx) >> 10) : (x0 == W - 1 ? x0 : x0 + 1);
                const int y0 = by ? ceil1024(py) : int(py >> 10);
                const int y1 = by ? int((py + sy) >> 10) : (y0 == H - 1 ? y0 : y0 + 1);
                const std::int64_t f = px & 1023, g = py & 1023;
                std::int64_t v = 0, sum = 0;
                if (bx && by) {
                    for (int y = y0; y <= y1; ++y)
                        for (int x = x0; x <= x1; ++x)
                            sum += value(x, y, c);
                    v = sum / ((x1 - x0 + 1) * (y1 - y0 + 1));
                } else if (by) {
                    for (int y = y0; y <= y1; ++y)
                        sum += (value(x0, y, c) * (1024 - f) + value(x1, y, c) * f) >> 10;
                    v = sum / (y1 - y0 + 1);
                } else if (bx) {
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

// The scale-and-crop walk along one line of n samples stretched to `full`, keeping [lo, hi):
// linear in 1/256 when enlarging, else running averages of the samples each target covers.
inline std::vector<int> RefWalk(const std::vector<int> &in, std::int64_t full, int lo, int hi)
{
    const std::int64_t n = std::int64_t(in.size());
    std::vector<int> out(std::size_t(hi - lo), 0);
    std::int64_t t = lo, sum = 0, count = 0;
    for (std::int64_t i = lo * n / full; full <= n && t < hi && i < n; ++i) {
        sum += in[i];
        ++count;
        if (i * full / n >= t) {
            out[t++ - lo] = int(sum / count);
            sum = count = 0;
        }
    }
    for (std::int64_t x = lo; full > n && x < hi; ++x) {
        const std::int64_t i = x * n / full, f = (x * n) % full * 256 / full;
        out[x - lo] = int((in[i] * (256 - f) + in[std::min(i + 1, n - 1)] * f) >> 8);
    }
    return out;
}

// The source scaled to fullW × fullH (across, then down), keeping columns [l, r) and the memory
// rows [mt, mb), 3 bytes a pixel or 1 for grey. Rows in memory order, no padding.
inline std::vector<BYTE> RefScaleCrop(
    const Pic &src, bool grey, std::int64_t fullW, std::int64_t fullH, int l, int r, int mt, int mb)
{
    const int W = src.h().biWidth, H = src.h().biHeight, C = grey ? 1 : 3;
    auto sample = [&](int x, int y, int c) { // 1-bit: 0 or 255; grey: the blue byte
        return src.h().biBitCount == 1 ? src.index(x, y) * 255 : int(src.bgr(x, y)[c]);
    };
    std::vector<BYTE> out(std::size_t(r - l) * (mb - mt) * C);
    for (int c = 0; c < C; ++c) {
        std::vector<std::vector<int>> rows;
        for (int y = 0; y < H; ++y) {
            std::vector<int> line(W);
            for (int x = 0; x < W; ++x)
                line[x] = sample(x, y, c);
            rows.push_back(RefWalk(line, fullW, l, r));
        }
        for (int x = 0; x < r - l; ++x) {
            std::vector<int> column(H);
            for (int y = 0; y < H; ++y)
                column[y] = rows[y][x];
            const std::vector<int> down = RefWalk(column, fullH, mt, mb);
            for (int y = 0; y < mb - mt; ++y)
                out[(std::size_t(y) * (r - l) + x) * C + c] = BYTE(down[y]);
        }
    }
    return out;
}
