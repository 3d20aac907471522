// Basic functions: making, copying and converting pictures, palette sizes.
#include "dib/dibcore.h"
#include "dib/scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dib
{

namespace
{

// Above this many pixels a palette picture is reduced before it is widened to 24 bits.
constexpr std::int64_t kMaxPalettePixels = 2097152;

void Put3(BYTE *d, std::uint32_t bgr)
{
    d[0] = static_cast<BYTE>(bgr);
    d[1] = static_cast<BYTE>(bgr >> 8);
    d[2] = static_cast<BYTE>(bgr >> 16);
}

} // namespace

bool DirectTo24(const Shape &shape, const BYTE *src, Block &out)
{
    const std::size_t size = ImageBytes(shape.width, shape.height, 24);
    Block block(size);
    if (!block)
        return false;
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(shape.width, 24));
    BYTE *dst = block.data();
    const int w = shape.width;
    ParallelBands(shape.height, ThreadsFor(std::int64_t(w) * shape.height), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = src + std::size_t(y) * shape.stride;
            BYTE *d = dst + std::size_t(y) * dstStride;
            if (shape.bitCount == 16) {
                for (int x = 0; x < w; ++x) {
                    const unsigned v = s[2 * x] | (s[2 * x + 1] << 8);
                    d[3 * x] = static_cast<BYTE>((v & 31) << 3);
                    d[3 * x + 1] = static_cast<BYTE>(((v >> 5) & 31) << 3);
                    d[3 * x + 2] = static_cast<BYTE>(((v >> 10) & 31) << 3);
                }
            } else {
                for (int x = 0; x < w; ++x) {
                    d[3 * x] = s[4 * x];
                    d[3 * x + 1] = s[4 * x + 1];
                    d[3 * x + 2] = s[4 * x + 2];
                }
            }
        }
    });
    out = std::move(block);
    return true;
}

namespace
{

// A 1-, 4- or 8-bit picture to 24 bits through its palette. Every index takes the entry stored
// in the 1064-byte header block, also past the colours-used count.
bool PaletteTo24(const BITMAPINFOHEADER &h, const RGBQUAD *palette, const BYTE *src, Block &out)
{
    std::uint32_t lut[256] = {};
    const int n = 1 << h.biBitCount;
    for (int i = 0; i < n; ++i)
        lut[i] = palette[i].rgbBlue | (palette[i].rgbGreen << 8) | (std::uint32_t(palette[i].rgbRed) << 16);
    const int w = h.biWidth;
    const int depth = h.biBitCount;
    const std::size_t size = ImageBytes(w, h.biHeight, 24);
    Block block(size);
    if (!block)
        return false;
    const std::size_t srcStride = static_cast<std::size_t>(DibStride(w, depth));
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(w, 24));
    BYTE *dst = block.data();
    ParallelBands(h.biHeight, ThreadsFor(std::int64_t(w) * h.biHeight), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = src + std::size_t(y) * srcStride;
            BYTE *d = dst + std::size_t(y) * dstStride;
            if (depth == 8) {
                for (int x = 0; x < w; ++x)
                    Put3(d + 3 * x, lut[s[x]]);
            } else if (depth == 4) {
                for (int x = 0; x < w; ++x)
                    Put3(d + 3 * x, lut[x & 1 ? s[x >> 1] & 15 : s[x >> 1] >> 4]);
            } else {
                for (int x = 0; x < w; ++x)
                    Put3(d + 3 * x, lut[(s[x >> 3] >> (7 - (x & 7))) & 1]);
            }
        }
    });
    out = std::move(block);
    return true;
}

LONG ScaleResolution(LONG value, double f)
{
    return static_cast<LONG>(value * f + 0.5);
}

} // namespace

} // namespace dib

using namespace dib;

extern "C" DIB_API int CreateDib(
    int width, int height, WORD bitCount, HGLOBAL *bits, BITMAPINFO **info, BYTE fill)
{
    if (bits == nullptr || info == nullptr || !DibPictureDepth(bitCount))
        return 0;
    const std::size_t size = ImageBytes(width, height, bitCount);
    if (size == 0)
        return 0;
    Block block(size);
    if (!block)
        return 0;
    if (fill != 0)
        std::memset(block.data(), fill, size);
    InfoPtr made;
    BITMAPINFO *target = TargetInfo(info, made);
    if (target == nullptr)
        return 0;
    WriteHeader(target->bmiHeader, width, height, bitCount);
    if (made)
        *info = made.release();
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int DuplicateDibData(
    HGLOBAL *bits, BITMAPINFO **info, const void *srcBits, const BITMAPINFO *srcInfo)
{
    Shape shape;
    if (bits == nullptr || info == nullptr || srcBits == nullptr || srcInfo == nullptr
        || !DibShapeOf(srcInfo->bmiHeader, shape))
        return 0;
    InfoPtr header = NewInfo();
    Block block(shape.size);
    if (!header || !block)
        return 0;
    std::memcpy(
        header.get(), srcInfo, sizeof(BITMAPINFOHEADER) + 4 * std::size_t(PaletteCount(srcInfo->bmiHeader)));
    std::memcpy(block.data(), srcBits, shape.size);
    StoreInfo(info, header);
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int GetPaletteEntry(const BITMAPINFO *info)
{
    return info != nullptr ? PaletteCount(info->bmiHeader) : 0;
}

extern "C" DIB_API BITMAPINFO *CreateNewBitmapInfo(const BITMAPINFO *info)
{
    if (info == nullptr)
        return nullptr;
    const BITMAPINFOHEADER &h = info->bmiHeader;
    std::size_t n = 1;
    if (h.biClrUsed != 0)
        n = std::min<std::size_t>(h.biClrUsed, kMaxColours);
    else if (h.biBitCount < 16)
        n = std::min<std::size_t>(std::size_t(1) << h.biBitCount, kMaxColours);
    const std::size_t bytes = sizeof(BITMAPINFOHEADER) + 4 * n;
    InfoPtr block = NewInfo(bytes);
    if (!block)
        return nullptr;
    std::memcpy(block.get(), info, bytes);
    return block.release();
}

extern "C" DIB_API BITMAPINFO *CreateNewBmpInfoColor(const BITMAPINFO *info, int colours)
{
    if (info == nullptr || colours < 0 || colours > kMaxColours)
        return nullptr;
    const std::size_t bytes = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(colours);
    InfoPtr block = NewInfo(bytes);
    if (!block)
        return nullptr;
    std::memcpy(block.get(), info, bytes);
    block->bmiHeader.biClrUsed = static_cast<DWORD>(colours);
    return block.release();
}

extern "C" DIB_API int AnyConvertTo24Bit(HGLOBAL *bits, BITMAPINFO **info)
{
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return 0;
    BITMAPINFOHEADER &h = (*info)->bmiHeader;
    if (shape.bitCount == 24)
        return 1;
    if (shape.bitCount == 16 || shape.bitCount == 32) {
        Block block;
        if (!DirectTo24(shape, static_cast<const BYTE *>(*bits), block))
            return 0;
        h.biBitCount = 24;
        h.biSizeImage = static_cast<DWORD>(ImageBytes(shape.width, shape.height, 24));
        StoreBits(bits, block);
        return 1;
    }

    // A palette picture is first brought down to about two million pixels, as ScaleDibAll with
    // method 0 does: 1-bit pictures smoothly to an 8-bit ramp, the others by nearest neighbour.
    BITMAPINFOHEADER work = h;
    const RGBQUAD *palette = Colours(*info);
    const BYTE *src = static_cast<const BYTE *>(*bits);
    Picture ramp;
    Block reduced;
    double f = 1.0;
    const bool reduce = std::int64_t(shape.width) * shape.height > kMaxPalettePixels;
    if (reduce) {
        f = std::sqrt(double(kMaxPalettePixels) / (double(shape.width) * double(shape.height)));
        const int w = static_cast<int>(shape.width * f), ht = static_cast<int>(shape.height * f);
        if (shape.bitCount == 1) {
            if (!Scale1Bit(*info, src, w, ht, true, ramp))
                return 0;
            work = ramp.info->bmiHeader;
            palette = Colours(ramp.info.get());
            src = ramp.bits.data();
        } else {
            if (!ScaleNearest(h, src, w, ht, work, reduced))
                return 0;
            src = reduced.data();
        }
        work.biXPelsPerMeter = ScaleResolution(work.biXPelsPerMeter, f);
        work.biYPelsPerMeter = ScaleResolution(work.biYPelsPerMeter, f);
    }

    Block block;
    if (!PaletteTo24(work, palette, src, block))
        return 0;
    work.biSizeImage = static_cast<DWORD>(ImageBytes(work.biWidth, work.biHeight, 24));
    work.biBitCount = 24;
    work.biClrUsed = 0;
    if (ramp.info) {
        ramp.info->bmiHeader = work;
        StoreInfo(info, ramp.info);
    } else {
        h = work;
    }
    StoreBits(bits, block);
    return 1;
}

extern "C" DIB_API int ConvertDIBToNoFillBytes(HGLOBAL *bits, BITMAPINFO **info, int expand)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr)
        return 0;
    BITMAPINFOHEADER &h = (*info)->bmiHeader;
    const int depth = h.biBitCount;
    const std::size_t size = ImageBytes(h.biWidth, h.biHeight, depth);
    const std::size_t available = GlobalSize(*bits);
    if (size == 0 || available < size)
        return 0;
    const int w = h.biWidth, height = h.biHeight;
    const std::size_t stride = static_cast<std::size_t>(DibStride(w, depth));
    const auto *src = static_cast<const BYTE *>(*bits);

    if (expand == 0 || depth >= 8) {
        const std::size_t row = (std::size_t(w) * depth + 7) / 8;
        Block block(available);
        if (!block)
            return 0;
        for (int y = 0; y < height; ++y)
            std::memcpy(block.data() + y * row, src + y * stride, row);
        StoreBits(bits, block);
        return 1;
    }

    // One byte per pixel holding its index, leftmost pixel in the high bits.
    const std::size_t pixels = ImageBytes(w, height, 8) != 0 ? std::size_t(w) * std::size_t(height) : 0;
    Block block(pixels);
    if (!block)
        return 0;
    const int perByte = 8 / depth;
    const int mask = (1 << depth) - 1;
    for (int y = 0; y < height; ++y) {
        const BYTE *s = src + y * stride;
        BYTE *d = block.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int shift = 8 - depth * (x % perByte + 1);
            d[x] = static_cast<BYTE>((s[x / perByte] >> shift) & mask);
        }
    }
    h.biBitCount = 8;
    h.biClrUsed = 256;
    StoreBits(bits, block);
    return 1;
}
