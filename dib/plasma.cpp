// Generated effects: the plasma fractal and its gridding variant.
#include "dib/effects.h"
#include "dib/random.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace dib
{

namespace
{

// A 24-bit picture the plasma works on.
struct Canvas {
    BYTE *pixels;
    std::size_t stride;
    int width;
    int height;
    int mode;

    BYTE *At(int x, int y) const { return pixels + std::size_t(y) * stride + 3 * std::size_t(x); }
};

struct Segment {
    int x1, y1, x2, y2;
    bool operator==(const Segment &) const = default;
    bool Small() const { return x2 - x1 < 3 && y2 - y1 < 3; }
};

BYTE PlasmaPixel(BYTE base, double noise)
{
    if (noise != noise)
        noise = 0;
    const int n = static_cast<int>(Clamp(noise, INT_MIN, INT_MAX, 0));
    const int r = n != 0 ? NextRandom() % n : 0;
    const double v = noise * 0.5 + base - r;
    if (v < 0)
        return 0;
    if (v > 255)
        return 255;
    return static_cast<BYTE>(v + 0.5);
}

BYTE GriddingPixel(BYTE a, BYTE b, BYTE c, int mode)
{
    switch (mode) {
    case 1:
        return static_cast<BYTE>((a + b + c) / 3);
    case 2:
        return static_cast<BYTE>(((a + b) >> 2) + (c >> 1));
    case 3:
        return static_cast<BYTE>(((a + b) * 3 >> 3) + (c >> 2));
    default:
        return 0;
    }
}

// Sets the pixel (x, y) from the pixels (px, py) and (qx, qy), channel by channel.
void SetFrom(const Canvas &c, int x, int y, int px, int py, int qx, int qy, double noise)
{
    BYTE *d = c.At(x, y);
    const BYTE *p = c.At(px, py), *q = c.At(qx, qy);
    for (int k = 0; k < 3; ++k)
        d[k] = c.mode == 0 ? PlasmaPixel(static_cast<BYTE>((p[k] + q[k]) / 2), noise)
                           : GriddingPixel(p[k], q[k], d[k], c.mode);
}

// The edge midpoints and the centre of one segment.
void Fill(const Canvas &c, const Segment &s, std::int64_t attenuation)
{
    const double noise = 256.0 / (2.0 * double(attenuation));
    const int x1 = s.x1, y1 = s.y1, x2 = s.x2, y2 = s.y2;
    const int xm = (x1 + x2) / 2, ym = (y1 + y2) / 2;
    if (!(x1 == x2 && x2 == xm))
        SetFrom(c, x1, ym, x1, y1, x1, y2, noise);
    if (x1 != x2)
        SetFrom(c, x2, ym, x2, y1, x2, y2, noise);
    if (!(y1 == y2 && y2 == ym)) {
        if (!(x1 == xm && y2 == ym))
            SetFrom(c, xm, y2, x1, y2, x2, y2, noise);
    }
    if (y1 != y2)
        SetFrom(c, xm, y1, x1, y1, x2, y1, noise);
    if (!(x1 == x2 && y1 == y2))
        SetFrom(c, xm, ym, x1, y2, x2, y1, noise);
}

// Quarters the segment `depth` times and fills the smallest parts. The result, that of the last
// quarter, depends only on the geometry: non-zero when that part spans less than 3 pixels each way. A
// one-pixel part changes nothing and a quarter equal to an earlier one of the same split (a
// segment one pixel wide or high) is not visited twice, which keeps thin pictures linear.
int Split(const Canvas &c, const Segment &s, std::int64_t attenuation, int depth)
{
    if (depth <= 0) {
        if (!(s.x1 == s.x2 && s.y1 == s.y2))
            Fill(c, s, attenuation);
        return s.Small() ? 1 : 0;
    }
    const int xm = (s.x1 + s.x2) >> 1, ym = (s.y1 + s.y2) >> 1;
    const Segment quarters[4]
        = { { s.x1, s.y1, xm, ym }, { s.x1, ym, xm, s.y2 }, { xm, s.y1, s.x2, ym }, { xm, ym, s.x2, s.y2 } };
    int result = 0;
    int results[4] = {};
    for (int i = 0; i < 4; ++i) {
        const Segment &q = quarters[i];
        int j = 0;
        while (j < i && !(quarters[j] == q))
            ++j;
        if (j < i)
            result = results[j];
        else if (q.x1 == q.x2 && q.y1 == q.y2)
            result = 1;
        else
            result = Split(c, q, attenuation + 1, depth - 1);
        results[i] = result;
    }
    return result;
}

// Depth at which the last quarter of the segment is small; deeper calls only repeat the same
// small parts, so depths are held to a few past it.
int UsefulDepth(Segment s)
{
    int depth = 0;
    while (!s.Small()) {
        s.x1 = (s.x1 + s.x2) >> 1;
        s.y1 = (s.y1 + s.y2) >> 1;
        ++depth;
    }
    return depth + 4;
}

// A colour ramp: blue across, green down, red falling along the diagonal.
void Ramp(const Canvas &c)
{
    const int wd = std::max(c.width - 1, 1), hd = std::max(c.height - 1, 1);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            BYTE *p = c.At(x, y);
            p[0] = static_cast<BYTE>(std::int64_t(x) * 255 / wd);
            p[1] = static_cast<BYTE>(std::int64_t(y) * 255 / hd);
            p[2] = static_cast<BYTE>(255 - (p[0] + p[1]) / 2);
        }
}

// The caller's picture as 24-bit pixels in a new block: through the palette, or as it is.
bool Widen(const Shape &shape, const BITMAPINFO *info, const BYTE *src, Block &out)
{
    if (shape.bitCount == 16 || shape.bitCount == 32)
        return DirectTo24(shape, src, out);
    Block block(ImageBytes(shape.width, shape.height, 24));
    if (!block)
        return false;
    const std::size_t stride = static_cast<std::size_t>(DibStride(shape.width, 24));
    if (shape.bitCount == 24) {
        std::memcpy(block.data(), src, shape.size);
    } else {
        const RGBQUAD *palette = Colours(info);
        for (int y = 0; y < shape.height; ++y) {
            const BYTE *s = src + std::size_t(y) * shape.stride;
            BYTE *d = block.data() + std::size_t(y) * stride;
            for (int x = 0; x < shape.width; ++x) {
                int i;
                if (shape.bitCount == 8)
                    i = s[x];
                else if (shape.bitCount == 4)
                    i = x & 1 ? s[x >> 1] & 15 : s[x >> 1] >> 4;
                else
                    i = (s[x >> 3] >> (7 - (x & 7))) & 1;
                d[3 * x] = palette[i].rgbBlue;
                d[3 * x + 1] = palette[i].rgbGreen;
                d[3 * x + 2] = palette[i].rgbRed;
            }
        }
    }
    out = std::move(block);
    return true;
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API BYTE DibPlasmaPixel(BYTE base, double noise)
{
    return PlasmaPixel(base, noise);
}

extern "C" DIB_API BYTE DibGriddingPixel(BYTE a, BYTE b, BYTE c, int mode)
{
    return GriddingPixel(a, b, c, mode);
}

extern "C" DIB_API BYTE DibPlasmaPixels(const int *offset, BYTE *pixels, int row, DWORD, int stride)
{
    if (offset == nullptr || pixels == nullptr || *offset < 0 || row < 0 || stride < 0)
        return 0;
    BYTE *p = pixels + std::size_t(row) * std::size_t(stride) + std::size_t(*offset);
    for (int c = 0; c < 3; ++c)
        p[c] = static_cast<BYTE>(NextRandom() & 255);
    return p[2];
}

extern "C" DIB_API int DibPlasmaImage(
    HGLOBAL *bits, BITMAPINFO **info, const RECT *segment, int attenuation, int depth, int mode)
{
    Shape shape;
    if (segment == nullptr || !CheckPair(bits, info, shape) || shape.bitCount != 24)
        return -1;
    const Segment s { segment->left, segment->top, segment->right, segment->bottom };
    if (s.x1 < 0 || s.y1 < 0 || s.x1 > s.x2 || s.y1 > s.y2 || s.x2 >= shape.width || s.y2 >= shape.height)
        return -1;
    const Canvas canvas { static_cast<BYTE *>(*bits), shape.stride, shape.width, shape.height, mode };
    return Split(canvas, s, attenuation, std::min(depth, UsefulDepth(s)));
}

extern "C" DIB_API int DibPlasma(HGLOBAL *bits, BITMAPINFO **info, int attenuation, int mode)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr)
        return -1;
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return 0;
    const int W = shape.width, H = shape.height;
    Block block;
    if (mode != 0) {
        if (!Widen(shape, *info, static_cast<const BYTE *>(*bits), block))
            return 0;
    } else {
        block = Block(ImageBytes(W, H, 24));
        if (!block)
            return 0;
    }
    const Canvas canvas { block.data(), static_cast<std::size_t>(DibStride(W, 24)), W, H, mode };
    if (mode == 0)
        Ramp(canvas);
    SeedRandomFromTime();
    const Segment whole { 0, 0, W - 1, H - 1 };
    for (int depth = 1; Split(canvas, whole, attenuation, depth) == 0; ++depth) { }
    BITMAPINFOHEADER &h = (*info)->bmiHeader;
    h.biBitCount = 24;
    h.biClrUsed = 0;
    h.biSizeImage = static_cast<DWORD>(ImageBytes(W, H, 24));
    StoreBits(bits, block);
    return 1;
}
