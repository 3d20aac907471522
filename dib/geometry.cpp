// Geometry: quarter and free-angle turns, mirroring, cropping and rolling.
#include "dib/geometry.h"

#include "dib/rotate_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace dib
{

Private24::~Private24()
{
    GlobalFree(m_bits);
    DeleteInfo(m_info);
}

bool BlockHolds(const void *bits, std::size_t bytes)
{
    const std::size_t held = GlobalSize(const_cast<void *>(bits));
    return held == 0 || held >= bytes;
}

bool Private24::Make(const void *bits, const BITMAPINFO *info)
{
    Shape src;
    if (bits == nullptr || info == nullptr || !CheckPicture(info->bmiHeader, src)
        || !BlockHolds(bits, src.size))
        return false;
    if (!DuplicateDibData(&m_bits, &m_info, bits, info) || !AnyConvertTo24Bit(&m_bits, &m_info))
        return false;
    return CheckPicture(m_info->bmiHeader, m_shape);
}

void Private24::Commit(HGLOBAL *bits, BITMAPINFO **info)
{
    (*info)->bmiHeader = m_info->bmiHeader;
    GlobalFree(*bits);
    *bits = m_bits;
    m_bits = nullptr;
}

namespace
{

// Writes the new size into the caller's header (depth kept) and stores the new block.
int Commit(HGLOBAL *bits, BITMAPINFO **info, int width, int height, Block &block)
{
    BITMAPINFOHEADER &h = (*info)->bmiHeader;
    h.biWidth = width;
    h.biHeight = height;
    h.biSizeImage = static_cast<DWORD>(ImageBytes(width, height, h.biBitCount));
    StoreBits(bits, block);
    return 1;
}

// ---- Quarter turns ----

// Direction +1 turns clockwise: source (x, memory row y) goes to memory row W − 1 − x, column y.
// Direction −1: to memory row x, column H − 1 − y. Depths other than 1, 4, 8 and 24 give the
// zero-filled block.
bool QuarterBlock(const Shape &s, const BYTE *src, int direction, Block &out)
{
    const int W = s.width, H = s.height, depth = s.bitCount;
    const std::size_t size = ImageBytes(H, W, depth);
    if (size == 0)
        return false;
    Block block(size);
    if (!block)
        return false;
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(H, depth));
    BYTE *dst = block.data();
    const bool known = depth == 1 || depth == 4 || depth == 8 || depth == 24;
    if (known) {
        // Target memory row r holds source column x, read upwards (clockwise) or downwards.
        ParallelBands(W, ThreadsFor(std::int64_t(W) * H), [&](int, int r0, int r1) {
            for (int r = r0; r < r1; ++r) {
                const int x = direction > 0 ? W - 1 - r : r;
                BYTE *d = dst + std::size_t(r) * dstStride;
                const BYTE *column = src;
                std::ptrdiff_t step = static_cast<std::ptrdiff_t>(s.stride);
                if (direction < 0) {
                    column = src + std::size_t(H - 1) * s.stride;
                    step = -step;
                }
                if (depth == 24) {
                    const BYTE *p = column + 3 * std::size_t(x);
                    for (int c = 0; c < H; ++c, p += step) {
                        d[3 * c] = p[0];
                        d[3 * c + 1] = p[1];
                        d[3 * c + 2] = p[2];
                    }
                } else if (depth == 8) {
                    const BYTE *p = column + x;
                    for (int c = 0; c < H; ++c, p += step)
                        d[c] = *p;
                } else {
                    const BYTE *p = column;
                    for (int c = 0; c < H; ++c, p += step)
                        DibSetIndex(d, c, depth, DibIndexAt(p, x, depth));
                }
            }
        });
    }
    out = std::move(block);
    return true;
}

int QuarterTurn(HGLOBAL *bits, BITMAPINFO **info, int direction)
{
    Shape s;
    if ((direction != 1 && direction != -1) || !CheckPair(bits, info, s))
        return 0;
    Block block;
    if (!QuarterBlock(s, static_cast<const BYTE *>(*bits), direction, block))
        return 0;
    return Commit(bits, info, s.height, s.width, block);
}

// ---- Free-angle turn ----

struct Turn {
    int sn, cs; // sin and cos × 1024, truncated
    int width, height; // new size
    std::int64_t hx, hy; // target centre
};

bool MakeTurn(const Shape &s, double angle, Turn &t)
{
    const double radians = angle * kDegreeToRadian;
    t.sn = static_cast<int>(std::sin(radians) * 1024);
    t.cs = static_cast<int>(std::cos(radians) * 1024);
    const std::int64_t as = std::abs(t.sn), ac = std::abs(t.cs);
    const std::int64_t w = std::int64_t(s.width) * ac + std::int64_t(s.height) * as;
    const std::int64_t h = std::int64_t(s.height) * ac + std::int64_t(s.width) * as;
    if ((w >> 10) < 1 || (h >> 10) < 1 || (w >> 10) > std::numeric_limits<int>::max()
        || (h >> 10) > std::numeric_limits<int>::max())
        return false;
    t.width = static_cast<int>(w >> 10);
    t.height = static_cast<int>(h >> 10);
    t.hx = (w >> 11) - 1;
    t.hy = (h >> 11) - 1;
    return ImageBytes(t.width, t.height, s.bitCount) != 0;
}

// Nearest neighbour at 1, 4 and 8 bits: outside the source 8-bit targets keep the background
// byte, 1-bit ones take index 1 and 4-bit ones index 15.
void TurnIndexed(const Shape &s, const BYTE *src, const Turn &t, BYTE *dst, std::size_t dstStride)
{
    const int depth = s.bitCount;
    const int outside = depth == 1 ? 1 : 15;
    const std::int64_t W = s.width, H = s.height;
    ParallelBands(t.height, ThreadsFor(std::int64_t(t.width) * t.height), [&](int, int r0, int r1) {
        for (int r = r0; r < r1; ++r) {
            BYTE *d = dst + std::size_t(r) * dstStride;
            const std::int64_t j = r - t.hy;
            for (int c = 0; c < t.width; ++c) {
                const std::int64_t i = c - t.hx;
                const std::int64_t x = W / 2 + ((i * t.cs - j * t.sn) >> 10);
                const std::int64_t y = H / 2 + ((i * t.sn + j * t.cs) >> 10);
                if (x >= 0 && x < W && y >= 0 && y < H)
                    DibSetIndex(d, c, depth, DibIndexAt(src + std::size_t(y) * s.stride, int(x), depth));
                else if (depth != 8)
                    DibSetIndex(d, c, depth, outside);
            }
        }
    });
}

// Bilinear at 24 bits. Target rows go in bands of kTurnBand, each band in column strips of
// kTurnStrip, so that the source rows a strip reads stay in the cache.
constexpr int kTurnBand = 64;
constexpr int kTurnStrip = 128;

// Pixels outside the source keep the background grey, padding included; the block comes zeroed, so
// each row fills only its parts left and right of the pixels it writes.
void Turn24(const Shape &s, const BYTE *src, const Turn &t, BYTE background, BYTE *dst, std::size_t dstStride)
{
    TurnRowJob job;
    job.src = src;
    job.srcStride = s.stride;
    job.srcWidth = s.width;
    job.srcHeight = s.height;
    job.sn = t.sn;
    job.cs = t.cs;
    const TurnRowKernel kernel = PickTurnRowKernel();
    ParallelBands(t.height, ThreadsFor(std::int64_t(t.width) * t.height), [&](int, int r0, int r1) {
        TurnRow rows[kTurnBand];
        for (int band = r0; band < r1; band += kTurnBand) {
            const int n = std::min(kTurnBand, r1 - band);
            for (int k = 0; k < n; ++k) {
                const std::int64_t j = band + k - t.hy, i0 = -t.hx;
                // Source position of target column 0 of this row, in 1/1024 pixel.
                rows[k] = PlanTurnRow(job, std::int64_t(s.width / 2) * 1024 + i0 * t.cs - j * t.sn,
                    std::int64_t(s.height / 2) * 1024 + i0 * t.sn + j * t.cs, t.width);
                if (background != 0) {
                    BYTE *d = dst + std::size_t(band + k) * dstStride;
                    const std::size_t first = 3 * std::size_t(rows[k].first),
                                      last = 3 * std::size_t(rows[k].last);
                    std::memset(d, background, first < last ? first : dstStride);
                    if (first < last)
                        std::memset(d + last, background, dstStride - last);
                }
            }
            for (std::int64_t from = 0; from < t.width; from += kTurnStrip)
                for (int k = 0; k < n; ++k)
                    kernel(job, rows[k], from, from + kTurnStrip, dst + std::size_t(band + k) * dstStride);
        }
    });
}

bool TurnBlock(const Shape &s, const BYTE *src, const Turn &t, BYTE background, Block &out)
{
    const std::size_t size = ImageBytes(t.width, t.height, s.bitCount);
    Block block(size);
    if (!block)
        return false;
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(t.width, s.bitCount));
    if (s.bitCount == 8)
        std::memset(block.data(), background, size);
    if (s.bitCount == 24)
        Turn24(s, src, t, background, block.data(), dstStride);
    else if (s.bitCount <= 8)
        TurnIndexed(s, src, t, block.data(), dstStride);
    out = std::move(block);
    return true;
}

// ---- Crop ----

struct Clip {
    int left, top, right, bottom;
};

// The crop rectangle clipped to the picture; false when it is empty before or after clipping.
bool ClipCrop(const Shape &s, int left, int top, int right, int bottom, Clip &c)
{
    if (std::int64_t(right) - left < 1 || std::int64_t(bottom) - top < 1)
        return false;
    c.left = std::max(left, 0);
    c.top = std::max(top, 0);
    c.right = std::min(right, s.width);
    c.bottom = std::min(bottom, s.height);
    return c.right - c.left >= 1 && c.bottom - c.top >= 1;
}

bool IsWhole(const Shape &s, const Clip &c)
{
    return c.left == 0 && c.top == 0 && c.right == s.width && c.bottom == s.height;
}

// The clipped rectangle's rows as a new block. `copyDeep` says whether 32-bit rows are copied
// (16-bit ones never are: those blocks stay zero-filled).
bool CropBlock(const Shape &s, const BYTE *src, const Clip &c, bool copyDeep, Block &out)
{
    const int w = c.right - c.left, h = c.bottom - c.top, depth = s.bitCount;
    const std::size_t size = ImageBytes(w, h, depth);
    Block block(size);
    if (!block)
        return false;
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(w, depth));
    const BYTE *first = src + std::size_t(s.height - c.bottom) * s.stride;
    for (int y = 0; y < h; ++y) {
        const BYTE *row = first + std::size_t(y) * s.stride;
        BYTE *d = block.data() + std::size_t(y) * dstStride;
        switch (depth) {
        case 1: {
            const int k = c.left & 7;
            const std::size_t from = std::size_t(c.left) >> 3, bytes = (std::size_t(w) + 7) / 8;
            if (k == 0) {
                std::memcpy(d, row + from, bytes);
                break;
            }
            for (std::size_t i = 0; i < bytes; ++i) {
                const std::size_t at = from + i;
                const int next = at + 1 < s.stride ? row[at + 1] : 255;
                d[i] = static_cast<BYTE>((row[at] << k) | (next >> (8 - k)));
            }
            break;
        }
        case 4:
            for (int x = 0; x < w; ++x)
                DibSetIndex(d, x, 4, DibIndexAt(row, c.left + x, 4));
            break;
        case 8:
        case 24:
            std::memcpy(d, row + std::size_t(c.left) * (depth / 8), std::size_t(w) * (depth / 8));
            break;
        case 32:
            if (copyDeep)
                std::memcpy(d, row + std::size_t(c.left) * 4, std::size_t(w) * 4);
            break;
        default:
            break;
        }
    }
    out = std::move(block);
    return true;
}

// ---- Roll ----

std::int64_t Shift(std::int64_t size, int percent)
{
    std::int64_t p = percent < 0 ? std::int64_t(percent) + 100 : percent;
    std::int64_t d = (size * p / 100) % size;
    return d < 0 ? d + size : d;
}

} // namespace

bool MirrorBlock(const Shape &s, const BYTE *src, int direction, Block &out)
{
    Block block(s.size);
    if (!block)
        return false;
    BYTE *dst = block.data();
    const int w = s.width, depth = s.bitCount;
    const bool rows = direction == 1;
    const bool pixels = direction == 0 && (depth == 1 || depth == 4 || depth == 8 || depth == 24);
    if (rows || pixels) {
        const MirrorRowKernel mirror24 = PickMirrorRowKernel();
        ParallelBands(s.height, ThreadsFor(std::int64_t(w) * s.height), [&](int, int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                BYTE *d = dst + std::size_t(y) * s.stride;
                if (rows) {
                    std::memcpy(d, src + std::size_t(s.height - 1 - y) * s.stride, s.stride);
                    continue;
                }
                const BYTE *r = src + std::size_t(y) * s.stride;
                if (depth == 24)
                    mirror24(r, d, w);
                else if (depth == 8)
                    std::reverse_copy(r, r + w, d);
                else
                    for (int x = 0; x < w; ++x)
                        DibSetIndex(d, x, depth, DibIndexAt(r, w - 1 - x, depth));
            }
        });
    }
    out = std::move(block);
    return true;
}

} // namespace dib

using namespace dib;

extern "C" DIB_API int RotateDib(HGLOBAL *bits, BITMAPINFO **info, int angle, BYTE background)
{
    if (angle == 0)
        return 1;
    Shape s;
    if (!CheckPair(bits, info, s))
        return 0;
    std::int64_t a = angle;
    if (a < 0)
        a += 360 * ((359 - a) / 360);
    a %= 360;
    switch (a) {
    case 0:
        return 1;
    case 90:
        return QuarterTurn(bits, info, 1);
    case 270:
        return QuarterTurn(bits, info, -1);
    case 180: {
        // Mirror, then flip, committed together.
        Block mirrored, turned;
        if (!MirrorBlock(s, static_cast<const BYTE *>(*bits), 0, mirrored)
            || !MirrorBlock(s, mirrored.data(), 1, turned))
            return 0;
        StoreBits(bits, turned);
        return 1;
    }
    default:
        return RotateFreeAngle(bits, info, double(a), background);
    }
}

extern "C" DIB_API int RotateFreeAngle(HGLOBAL *bits, BITMAPINFO **info, double angle, BYTE background)
{
    Shape s;
    if (!CheckPair(bits, info, s) || !std::isfinite(angle))
        return 0;
    if (std::fmod(std::trunc(angle + 0.5) + 360, 360) == 0)
        return 1;
    Turn t;
    Block block;
    if (!MakeTurn(s, angle, t) || !TurnBlock(s, static_cast<const BYTE *>(*bits), t, background, block))
        return 0;
    return Commit(bits, info, t.width, t.height, block);
}

extern "C" DIB_API int MirrorDib(HGLOBAL *bits, BITMAPINFO **info, int direction)
{
    Shape s;
    Block block;
    if (!CheckPair(bits, info, s) || !MirrorBlock(s, static_cast<const BYTE *>(*bits), direction, block))
        return 0;
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int DibCrop(HGLOBAL *bits, BITMAPINFO **info, int left, int top, int right, int bottom)
{
    Shape s;
    Clip c;
    if (!CheckPair(bits, info, s) || !ClipCrop(s, left, top, right, bottom, c))
        return 0;
    if (IsWhole(s, c))
        return 1;
    Block block;
    if (!CropBlock(s, static_cast<const BYTE *>(*bits), c, false, block))
        return 0;
    return Commit(bits, info, c.right - c.left, c.bottom - c.top, block);
}

extern "C" DIB_API int DibCrop2Dib(HGLOBAL *bits, BITMAPINFO **info, const void *srcBits,
    const BITMAPINFO *srcInfo, int left, int top, int right, int bottom)
{
    Shape s;
    Clip c;
    if (bits == nullptr || info == nullptr || srcBits == nullptr || srcInfo == nullptr
        || !CheckPicture(srcInfo->bmiHeader, s) || !BlockHolds(srcBits, s.size)
        || !ClipCrop(s, left, top, right, bottom, c))
        return 0;
    if (IsWhole(s, c))
        return 1;
    Block block;
    if (!CropBlock(s, static_cast<const BYTE *>(srcBits), c, true, block))
        return 0;
    InfoPtr made;
    BITMAPINFO *target = TargetInfo(info, made);
    if (target == nullptr)
        return 0;
    const std::size_t colours = s.bitCount <= 8 ? std::size_t(1) << s.bitCount : 0;
    if (target != srcInfo)
        std::memmove(target, srcInfo, sizeof(BITMAPINFOHEADER) + 4 * colours);
    const int w = c.right - c.left, h = c.bottom - c.top;
    target->bmiHeader.biWidth = w;
    target->bmiHeader.biHeight = h;
    target->bmiHeader.biSizeImage = static_cast<DWORD>(ImageBytes(w, h, s.bitCount));
    if (made)
        *info = made.release();
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int DibRoll(HGLOBAL *bits, BITMAPINFO **info, int horizontal, int vertical)
{
    Shape s;
    if (!CheckPair(bits, info, s))
        return 0;
    Block block(s.size);
    if (!block)
        return 0;
    const int W = s.width, H = s.height, depth = s.bitCount;
    const int dx = static_cast<int>(Shift(W, horizontal)), dy = static_cast<int>(Shift(H, vertical));
    const auto *src = static_cast<const BYTE *>(*bits);
    BYTE *dst = block.data();
    if (depth == 1 || depth == 4 || depth == 8 || depth == 24) {
        ParallelBands(H, ThreadsFor(std::int64_t(W) * H), [&](int, int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const BYTE *r = src + std::size_t(y) * s.stride;
                BYTE *d = dst + std::size_t((y + dy) % H) * s.stride;
                if (depth >= 8) {
                    // Two runs: the tail wraps round to the front.
                    const std::size_t n = std::size_t(depth / 8), head = std::size_t(W - dx) * n;
                    std::memcpy(d + std::size_t(dx) * n, r, head);
                    std::memcpy(d, r + head, std::size_t(dx) * n);
                } else {
                    for (int x = 0; x < W; ++x)
                        DibSetIndex(d, (x + dx) % W, depth, DibIndexAt(r, x, depth));
                }
            }
        });
    }
    StoreBits(bits, block);
    return 1;
}
