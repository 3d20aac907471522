// Distortions: twist, waves, spiral, drop, implode; wind, relief shading, tint and soft frame.
#include "dib/effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dib
{

Source24::~Source24()
{
    GlobalFree(m_ownBits);
    DeleteInfo(m_ownInfo);
}

bool Source24::Load(HGLOBAL *bits, BITMAPINFO **info, Block *copy)
{
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return false;
    if (shape.bitCount == 24) {
        header = (*info)->bmiHeader;
        pixels = static_cast<const BYTE *>(*bits);
    } else {
        if (!DuplicateDibData(&m_ownBits, &m_ownInfo, *bits, *info)
            || !AnyConvertTo24Bit(&m_ownBits, &m_ownInfo))
            return false;
        header = m_ownInfo->bmiHeader;
        pixels = static_cast<const BYTE *>(m_ownBits);
    }
    width = header.biWidth;
    height = header.biHeight;
    stride = static_cast<std::size_t>(DibStride(width, 24));
    if (copy != nullptr) {
        const std::size_t size = ImageBytes(width, height, 24);
        *copy = Block(size);
        if (!*copy)
            return false;
        std::memcpy(copy->data(), pixels, size);
    }
    return true;
}

int Commit24(HGLOBAL *bits, BITMAPINFO **info, const Source24 &src, int width, int height, Block &block)
{
    BITMAPINFOHEADER h = src.header;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 24;
    h.biClrUsed = 0;
    h.biSizeImage = static_cast<DWORD>(ImageBytes(width, height, 24));
    (*info)->bmiHeader = h;
    StoreBits(bits, block);
    return 1;
}

namespace
{

constexpr double kDegree = 0.017453292519444445;
constexpr double kTurn = 6.283185307;
constexpr double kPi = 3.1415926535;

// A zeroed array of n values from global memory (so tests can make it fail like the pixels).
template <class T> struct Table {
    Block block;
    explicit Table(std::size_t n)
        : block(n * sizeof(T))
    {
    }
    explicit operator bool() const { return static_cast<bool>(block); }
    T &operator[](std::size_t i) const { return reinterpret_cast<T *>(block.data())[i]; }
};

int Threads(int width, int height)
{
    return ThreadsFor(std::int64_t(width) * height);
}

// trunc(v) for |v| ≤ limit, NaN as 0.
std::int64_t TruncWithin(double v, std::int64_t limit)
{
    return static_cast<std::int64_t>(Clamp(v, -double(limit), double(limit), 0.0));
}

// A new white 24-bit block for a width × height picture.
Block WhiteBlock(int width, int height)
{
    const std::size_t size = ImageBytes(width, height, 24);
    Block block(size);
    if (block)
        std::memset(block.data(), 255, size);
    return block;
}

int TwistColumns(
    HGLOBAL *bits, BITMAPINFO **info, const Source24 &src, double phase, double omega, int amount)
{
    const int W = src.width, H = src.height;
    const std::int64_t A = std::int64_t(H) * amount / 100;
    if (H + 2 * A > 0x7FFFFFFF)
        return 0;
    const int height = static_cast<int>(H + 2 * A);
    const std::size_t size = ImageBytes(W, height, 24);
    if (size == 0)
        return 0;
    Table<int> shift(static_cast<std::size_t>(W));
    Block block(size);
    if (!shift || !block)
        return 0;
    for (int x = 0; x < W; ++x)
        shift[x] = static_cast<int>(TruncWithin(std::sin(x * omega / W + phase) * double(A), A) + A);
    const std::size_t stride = static_cast<std::size_t>(DibStride(W, 24));
    BYTE *dst = block.data();
    // Strips of columns, each from top to bottom: neighbouring columns read neighbouring source
    // rows, so a strip's source lines stay in the cache while its rows are written.
    constexpr int kStrip = 64;
    const int *shifts = &shift[0];
    const BYTE *pixels = src.pixels;
    const std::size_t srcStride = src.stride;
    ParallelBands(height, Threads(W, height), [&](int, int y0, int y1) {
        std::memset(dst + std::size_t(y0) * stride, 255, std::size_t(y1 - y0) * stride);
        for (int x0 = 0; x0 < W; x0 += kStrip) {
            const int x1 = std::min(x0 + kStrip, W);
            for (int y = y0; y < y1; ++y) {
                BYTE *d = dst + std::size_t(y) * stride;
                for (int x = x0; x < x1; ++x) {
                    const int sy = y - shifts[x];
                    if (static_cast<unsigned>(sy) < static_cast<unsigned>(H)) {
                        const BYTE *s = pixels + std::size_t(sy) * srcStride + 3 * std::size_t(x);
                        const BYTE b = s[0], g = s[1], r = s[2];
                        d[3 * x] = b;
                        d[3 * x + 1] = g;
                        d[3 * x + 2] = r;
                    }
                }
            }
        }
    });
    return Commit24(bits, info, src, W, height, block);
}

int TwistRows(HGLOBAL *bits, BITMAPINFO **info, const Source24 &src, double phase, double omega, int amount)
{
    const int W = src.width, H = src.height;
    const std::int64_t A = std::int64_t(W) * amount / 100;
    if (W + 2 * A > 0x7FFFFFFF)
        return 0;
    const int width = static_cast<int>(W + 2 * A);
    Block block = WhiteBlock(width, H);
    if (!block)
        return 0;
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, 24));
    BYTE *dst = block.data();
    ParallelBands(H, Threads(width, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::int64_t start = TruncWithin(std::sin(y * omega / H + phase) * double(A), A) + A;
            std::memcpy(
                dst + std::size_t(y) * stride + 3 * std::size_t(start), src.Row(y), 3 * std::size_t(W));
        }
    });
    return Commit24(bits, info, src, width, H, block);
}

// The blend of two pixel runs with a 10-bit fraction.
void BlendRun(const BYTE *a, const BYTE *b, int f, std::size_t n, BYTE *out)
{
    const int g = 1024 - f;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<BYTE>((a[i] * g + b[i] * f) >> 10);
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API int DibTwist(
    HGLOBAL *bits, BITMAPINFO **info, int phase, double cycles, int amplitude, int direction)
{
    Source24 src;
    if (!src.Load(bits, info))
        return 0;
    const int amount = std::clamp(amplitude, 0, 100);
    const double ph = phase * kDegree, omega = cycles * kTurn;
    return direction == 0 ? TwistColumns(bits, info, src, ph, omega, amount)
                          : TwistRows(bits, info, src, ph, omega, amount);
}

extern "C" DIB_API int DibWaveEffect(
    HGLOBAL *bits, BITMAPINFO **info, int phase, double cycles, int amplitude, int direction)
{
    Source24 src;
    if (!src.Load(bits, info))
        return 0;
    const int W = src.width, H = src.height;
    const double amount = std::clamp(amplitude, 0, 100) * 0.01;
    const double ph = phase * kDegree, omega = cycles * kTurn;
    Block block = WhiteBlock(W, H);
    if (!block)
        return 0;
    BYTE *dst = block.data();
    const std::size_t stride = src.stride, rowBytes = 3 * std::size_t(W);

    if (direction == 0) {
        const double A = H * amount;
        ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const double s = y - std::sin(y * omega / H + ph) * A;
                if (!(s >= 0 && s <= H - 1))
                    continue;
                const int i = static_cast<int>(s);
                const int f = static_cast<int>((s - i) * 1024);
                BYTE *d = dst + std::size_t(y) * stride;
                if (i == H - 1)
                    std::memcpy(d, src.Row(i), rowBytes);
                else
                    BlendRun(src.Row(i), src.Row(i + 1), f, rowBytes, d);
            }
        });
        return Commit24(bits, info, src, W, H, block);
    }

    // Columns: the source column and fraction of every target column (-1 stays white).
    Table<int> column(static_cast<std::size_t>(W)), fraction(static_cast<std::size_t>(W));
    if (!column || !fraction)
        return 0;
    const double A = W * amount;
    for (int x = 0; x < W; ++x) {
        const double s = x - std::sin(x * omega / W + ph) * A;
        column[x] = -1;
        if (s >= 0 && s <= W - 1) {
            column[x] = static_cast<int>(s);
            fraction[x] = static_cast<int>((s - column[x]) * 1024);
        }
    }
    ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = src.Row(y);
            BYTE *d = dst + std::size_t(y) * stride;
            for (int x = 0; x < W; ++x) {
                const int i = column[x];
                if (i < 0)
                    continue;
                const BYTE *a = s + 3 * i;
                if (i == W - 1) {
                    std::memcpy(d + 3 * x, a, 3);
                } else {
                    const int f = fraction[x], g = 1024 - f;
                    for (int c = 0; c < 3; ++c)
                        d[3 * x + c] = static_cast<BYTE>((a[c] * g + a[c + 3] * f) >> 10);
                }
            }
        }
    });
    return Commit24(bits, info, src, W, H, block);
}

extern "C" DIB_API int DibSpiralEffect(HGLOBAL *bits, BITMAPINFO **info, double angle)
{
    if (angle == 0)
        return 1;
    Source24 src;
    if (!src.Load(bits, info))
        return 0;
    const int W = src.width, H = src.height;
    const double k = angle * kDegree / std::sqrt(double(H) * H + double(W) * W);
    Block block = WhiteBlock(W, H);
    if (!block)
        return 0;
    BYTE *dst = block.data();
    const int cx = W / 2, cy = H / 2;
    ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            BYTE *d = dst + std::size_t(y) * src.stride;
            const double dy = y - cy;
            for (int x = 0; x < W; ++x) {
                const double dx = x - cx;
                const double t = std::sqrt(dx * dx + dy * dy) * k;
                const double c = std::cos(t), s = std::sin(t);
                const double sx = cx + dx * c - dy * s, sy = cy + dx * s + dy * c;
                if (sx >= 0 && sx <= W - 1 && sy >= 0 && sy <= H - 1)
                    BilinearAt(src.pixels, src.stride, W, H, sx, sy, d + 3 * x);
            }
        }
    });
    return Commit24(bits, info, src, W, H, block);
}

extern "C" DIB_API int DibDrop(
    HGLOBAL *bits, BITMAPINFO **info, double centreX, double centreY, int phase, int waves, int amplitude)
{
    if (!(centreX >= 0 && centreX <= 1 && centreY >= 0 && centreY <= 1))
        return 0;
    Source24 src;
    Block block;
    if (!src.Load(bits, info, &block))
        return 0;
    const int W = src.width, H = src.height;
    const double cx = static_cast<int>(W * centreX), cy = static_cast<int>(H * centreY);
    const double k = waves * kPi / W, ph = phase * kDegree;
    // Samples stay between 1.5 and the side - 2.5, so both neighbours are always inside.
    auto limit = [](double v, int side) { return v < 2.0 || v != v ? 1.5 : (v > side - 3 ? side - 2.5 : v); };
    BYTE *dst = block.data();
    ParallelBands(std::max(H - 4, 0), Threads(W, H), [&](int, int b0, int b1) {
        for (int y = b0 + 2; y < b1 + 2; ++y) {
            BYTE *d = dst + std::size_t(y) * src.stride;
            const double dy = y - cy;
            for (int x = 2; x < W - 2; ++x) {
                const double dx = x - cx;
                const double r = std::sqrt(dx * dx + dy * dy);
                const double t = amplitude * std::sin(r * k + ph) / (r + 50.0);
                BilinearAt(
                    src.pixels, src.stride, W, H, limit(x + dx * t, W), limit(y + dy * t, H), d + 3 * x);
            }
        }
    });
    return Commit24(bits, info, src, W, H, block);
}

extern "C" DIB_API int DibImplodeImage(
    HGLOBAL *bits, BITMAPINFO **info, double amount, int centreX, int centreY, int radiusPercent)
{
    if (bits == nullptr || info == nullptr || *info == nullptr || (*info)->bmiHeader.biBitCount < 8)
        return 0;
    Source24 src;
    Block block;
    if (!src.Load(bits, info, &block))
        return 0;
    const int W = src.width, H = src.height;
    const double cx = double(std::int64_t(W) * centreX / 100), cy = double(std::int64_t(H) * centreY / 100);
    const double radius = double(std::int64_t(std::max(W, H)) * radiusPercent / 100);
    double sx = 1, sy = 1;
    if (W > H)
        sy = W / H;
    else if (H > W)
        sx = H / W;
    if (radius <= 0)
        return Commit24(bits, info, src, W, H, block);
    const double r2 = radius * radius;
    BYTE *dst = block.data();
    ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            BYTE *d = dst + std::size_t(y) * src.stride;
            const double dy = (y - cy) * sy;
            for (int x = 0; x < W; ++x) {
                const double dx = (x - cx) * sx;
                const double d2 = dx * dx + dy * dy;
                if (d2 >= r2)
                    continue;
                const double f
                    = d2 == 0 ? 1.0 : std::pow(std::sin(std::sqrt(d2) * 1.5707963 / radius), -amount);
                const double px = Clamp(dx * f / sx + cx, 0, W - 1, x),
                             py = Clamp(dy * f / sy + cy, 0, H - 1, y);
                BilinearAt(src.pixels, src.stride, W, H, px, py, d + 3 * x);
            }
        }
    });
    return Commit24(bits, info, src, W, H, block);
}

extern "C" DIB_API int DibWind(HGLOBAL *bits, BITMAPINFO **info, int strength, int direction)
{
    Source24 src;
    Block block;
    if (!src.Load(bits, info, &block))
        return 0;
    const int W = src.width, H = src.height;
    const double a = strength * 0.002, b = 1 - a;
    const int step = direction == 0 ? 1 : -1;
    BYTE *dst = block.data();
    ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            BYTE *row = dst + std::size_t(y) * src.stride;
            for (int n = 0; n < W; ++n) {
                const int x = step > 0 ? n : W - 1 - n;
                BYTE *p = row + 3 * x;
                for (int k = 10; k >= 1; --k) {
                    const int j = x - step * k;
                    if (j < 0 || j >= W)
                        continue;
                    const BYTE *s = row + 3 * j;
                    for (int c = 0; c < 3; ++c)
                        p[c] = TruncByte(s[c] * a + p[c] * b);
                }
            }
        }
    });
    return Commit24(bits, info, src, W, H, block);
}

namespace
{

// One component of the light vector, trunc(255 × v) (NaN as 0).
int Light(double v)
{
    return static_cast<int>(Clamp(255 * v, -255, 255, 0));
}

} // namespace

extern "C" DIB_API int DibShade(
    HGLOBAL *bits, BITMAPINFO **info, int colour, double azimuth, double elevation)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr)
        return -1;
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return 0;
    const BITMAPINFOHEADER &h = (*info)->bmiHeader;
    const int W = shape.width, H = shape.height;

    // 16- and 32-bit pictures are read as 24-bit ones.
    Block direct;
    const BYTE *pixels = static_cast<const BYTE *>(*bits);
    int depth = shape.bitCount;
    if (depth == 16 || depth == 32) {
        if (!DirectTo24(shape, pixels, direct))
            return 0;
        pixels = direct.data();
        depth = 24;
    }
    const std::size_t inStride = static_cast<std::size_t>(DibStride(W, depth));

    // The intensity of every pixel: its palette colour's weighted sum, or its first byte.
    const RGBQUAD *palette = Colours(*info);
    BYTE level[256];
    for (int i = 0; i < 256; ++i)
        level[i] = static_cast<BYTE>(
            (29 * palette[i].rgbBlue + 150 * palette[i].rgbGreen + 77 * palette[i].rgbRed) >> 8);
    Block plane(std::size_t(W) * std::size_t(H));
    if (!plane)
        return 0;
    for (int y = 0; y < H; ++y) {
        const BYTE *s = pixels + std::size_t(y) * inStride;
        BYTE *v = plane.data() + std::size_t(y) * W;
        for (int x = 0; x < W; ++x) {
            int index;
            switch (depth) {
            case 1:
                index = (s[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                index = x & 1 ? s[x >> 1] & 15 : s[x >> 1] >> 4;
                break;
            case 8:
                index = s[x];
                break;
            default:
                v[x] = s[3 * x];
                continue;
            }
            v[x] = level[index];
        }
    }

    const double az = azimuth * kDegree, el = elevation * kDegree;
    const int lx = Light(std::cos(az) * std::cos(el)), ly = Light(std::sin(az) * std::cos(el)),
              lz = Light(std::sin(el));
    const bool grey = colour == 0 || depth < 8;
    const int outDepth = grey ? 8 : depth;
    const std::size_t outSize = ImageBytes(W, H, outDepth);
    const std::size_t outStride = static_cast<std::size_t>(DibStride(W, outDepth));
    InfoPtr header = NewInfo();
    Block block(outSize);
    if (!header || !block)
        return 0;
    if (grey) {
        std::memcpy(header.get(), *info, sizeof(BITMAPINFOHEADER));
        header->bmiHeader.biBitCount = 8;
        header->bmiHeader.biClrUsed = 256;
        header->bmiHeader.biSizeImage = static_cast<DWORD>(outSize);
        for (int i = 0; i < 256; ++i)
            Colours(header.get())[i] = RGBQUAD { BYTE(i), BYTE(i), BYTE(i), 0 };
    } else {
        std::memcpy(header.get(), *info, sizeof(BITMAPINFOHEADER) + 4 * std::size_t(PaletteCount(h)));
        header->bmiHeader.biBitCount = static_cast<WORD>(outDepth);
        header->bmiHeader.biSizeImage = static_cast<DWORD>(outSize);
        if (depth == 24)
            header->bmiHeader.biClrUsed = 0;
    }
    RGBQUAD *outPalette = Colours(header.get());

    const BYTE *v = plane.data();
    for (int y = 0; y < H; ++y) {
        const BYTE *below = v + std::size_t(y > 0 ? y - 1 : y) * W;
        const BYTE *here = v + std::size_t(y) * W;
        const BYTE *above = v + std::size_t(y < H - 1 ? y + 1 : y) * W;
        const BYTE *in = pixels + std::size_t(y) * inStride;
        BYTE *out = block.data() + std::size_t(y) * outStride;
        for (int x = 0; x < W; ++x) {
            // Columns past the edge stand in with the pixel's own column.
            const int l = x > 0 ? x - 1 : x, r = x < W - 1 ? x + 1 : x;
            const int X = (below[l] + here[l] + above[l]) - (below[r] + here[r] + above[r]);
            const int Y = (above[l] + above[x] + above[r]) - (below[l] + below[x] + below[r]);
            int shade = lz;
            if (X != 0 || Y != 0) {
                const double d = double(X) * lx + double(Y) * ly + 510.0 * lz;
                const double n = double(X) * X + double(Y) * Y + 260100.0;
                shade = d > 0 && n > 1e-7 ? static_cast<int>(d / std::sqrt(n)) : 0;
            }
            shade = std::clamp(shade, 0, 255);
            if (grey) {
                out[x] = static_cast<BYTE>(shade);
            } else if (depth == 24) {
                for (int c = 0; c < 3; ++c)
                    out[3 * x + c] = static_cast<BYTE>(in[3 * x + c] * shade >> 8);
            } else {
                const RGBQUAD old = palette[in[x]];
                out[x] = in[x];
                outPalette[in[x]] = RGBQUAD { BYTE(old.rgbBlue * shade >> 8), BYTE(old.rgbGreen * shade >> 8),
                    BYTE(old.rgbRed * shade >> 8), old.rgbReserved };
            }
        }
    }
    StoreInfo(info, header);
    StoreBits(bits, block);
    return 1;
}

namespace
{

// The tint of one pixel or palette colour (bytes blue, green, red).
struct Tint {
    int high, low, middle; // byte positions of the largest, the smallest and the remaining byte
    double f;

    Tint(int tint, int mode)
    {
        static const int kLow[6] = { 1, 2, 2, 1, 0, 1 };
        high = (6 - tint) % 3;
        low = kLow[tint - 1];
        middle = 3 - high - low;
        const bool odd = tint == 2 || tint == 5;
        f = mode == 1 ? (odd ? 146.0 : 71.0) / 255.0 : (odd ? 142.0 : 55.0) / 255.0;
    }
    void Apply(const BYTE *in, BYTE *out) const
    {
        const int mx = std::max({ in[0], in[1], in[2] }), mn = std::min({ in[0], in[1], in[2] });
        out[high] = static_cast<BYTE>(mx);
        out[low] = static_cast<BYTE>(mn);
        out[middle] = static_cast<BYTE>((mx - mn) * f + mn + 0.5);
    }
};

} // namespace

extern "C" DIB_API int DibLens(HGLOBAL *bits, BITMAPINFO **info, int tint, int mode)
{
    const Tint t(std::clamp(tint, 1, 6), mode);
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return 0;
    if (shape.bitCount <= 8) {
        RGBQUAD *palette = Colours(*info);
        for (int i = 0, n = PaletteCount((*info)->bmiHeader); i < n; ++i) {
            BYTE c[3] = { palette[i].rgbBlue, palette[i].rgbGreen, palette[i].rgbRed };
            t.Apply(c, c);
            palette[i].rgbBlue = c[0];
            palette[i].rgbGreen = c[1];
            palette[i].rgbRed = c[2];
        }
        return 1;
    }
    Source24 src;
    if (!src.Load(bits, info))
        return 0;
    const int W = src.width, H = src.height;
    Block block(ImageBytes(W, H, 24));
    if (!block)
        return 0;
    BYTE *dst = block.data();
    ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = src.Row(y);
            BYTE *d = dst + std::size_t(y) * src.stride;
            for (int x = 0; x < W; ++x)
                t.Apply(s + 3 * x, d + 3 * x);
        }
    });
    return Commit24(bits, info, src, W, H, block);
}

namespace
{

// n / d for the ellipse test, with a zero half-axis giving infinity off the centre line.
double Ratio(double n, double d)
{
    if (d == 0)
        return n == 0 ? 0 : HUGE_VAL;
    return n / d;
}

// Weight of the picture (1 keeps the pixel, 0 gives the colour) at distance `at` from the centre
// in a band of whole pixels from `inner` (the first blended one) to `outer` (the first painted).
double BandWeight(double at, double inner, double outer)
{
    if (at >= outer)
        return 0;
    if (at < inner)
        return 1;
    return (outer - at) / (outer - inner + 1);
}

// The same for a continuous measure: 1 at `inner`, 0 at `outer`.
double SmoothWeight(double at, double inner, double outer)
{
    if (at >= outer)
        return 0;
    if (at <= inner)
        return 1;
    return (outer - at) / (outer - inner);
}

} // namespace

extern "C" DIB_API void DibFuzzy(HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int percent, int shape)
{
    if (shape < 0 || shape > 6)
        return;
    Source24 src;
    Block block;
    if (!src.Load(bits, info, &block))
        return;
    const int W = src.width, H = src.height;
    const int p = std::max(percent, 1), q = 100 - p;
    const int cx = W / 2, cy = H / 2;
    const int half = std::min(cx, cy) - 1;
    const double a = shape == 0 || shape == 3 ? half : cx, b = shape == 0 || shape == 3 ? half : cy;
    const double ia = std::trunc(a * q * 0.01), ib = std::trunc(b * q * 0.01);
    const double inner = (q / 100.0) * (q / 100.0);
    const BYTE paint[3] = { GetBValue(colour), GetGValue(colour), GetRValue(colour) };
    BYTE *dst = block.data();
    ParallelBands(H, Threads(W, H), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            BYTE *d = dst + std::size_t(y) * src.stride;
            const double ay = std::abs(y - cy);
            for (int x = 0; x < W; ++x) {
                const double ax = std::abs(x - cx);
                double t = 1; // weight of the picture
                switch (shape) {
                case 0:
                case 1: {
                    const double e = Ratio(ax * ax, a * a) + Ratio(ay * ay, b * b);
                    if (e > 1)
                        t = 0;
                    else if (e > inner)
                        t = std::clamp((1 - std::sqrt(e)) * 100 / p, 0.0, 1.0);
                    if (t < 0.0001)
                        t = 0;
                    break;
                }
                case 2:
                case 3:
                    t = ay >= b || ax >= a ? 0 : std::min(BandWeight(ax, ia, a), BandWeight(ay, ib, b));
                    break;
                case 4: // bands along the top and bottom edges
                    t = BandWeight(ay, std::trunc(cy * q * 0.01), cy);
                    break;
                case 5: // bands along the left and right edges
                    t = BandWeight(ax, std::trunc(cx * q * 0.01), cx);
                    break;
                default: { // diamond
                    const double e = Ratio(ax, cx) + Ratio(ay, cy);
                    t = SmoothWeight(e, q * 0.01, 1);
                    break;
                }
                }
                if (t >= 1)
                    continue;
                BYTE *px = d + 3 * x;
                for (int c = 0; c < 3; ++c)
                    px[c] = static_cast<BYTE>(px[c] * t + paint[c] * (1 - t));
            }
        }
    });
    Commit24(bits, info, src, W, H, block);
}
