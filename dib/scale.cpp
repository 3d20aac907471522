// Scaling: the dispatcher, the per-depth scalers, scale-and-crop and the copy-and-scale helpers.
#include "dib/scale.h"

#include "dib/resample.h"

#include <algorithm>
#include <cstring>

namespace dib
{

namespace
{

// The source's pixels (rows of srcStride bytes) resampled into a new block of width × height at
// dstBitCount; an empty block when the size is nonsense or memory runs out. job carries the
// source's channels and one-bit flag.
Block ResampledBlock(ResampleJob job, const BITMAPINFOHEADER &h, const BYTE *bits, std::size_t srcStride,
    int width, int height, int dstBitCount)
{
    const std::size_t size = ImageBytes(width, height, dstBitCount);
    if (size == 0)
        return Block();
    Block block(size);
    if (!block)
        return block;
    job.src = bits;
    job.srcStride = srcStride;
    job.srcWidth = h.biWidth;
    job.srcHeight = h.biHeight;
    job.dst = block.data();
    job.dstStride = static_cast<std::size_t>(DibStride(width, dstBitCount));
    job.dstWidth = width;
    job.dstHeight = height;
    return Resample(job) ? std::move(block) : Block();
}

// Hands a scaled picture to the caller: h with the new size, and its pixel block.
bool Hand(const BITMAPINFOHEADER &h, int width, int height, std::size_t size, Block &block,
    BITMAPINFOHEADER &out, Block &outBits)
{
    out = h;
    out.biWidth = width;
    out.biHeight = height;
    out.biSizeImage = static_cast<DWORD>(size);
    outBits = std::move(block);
    return true;
}

bool ResampleInto(const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, int channels,
    int bitCount, BITMAPINFOHEADER &out, Block &outBits)
{
    width = std::max(width, 2);
    height = std::max(height, 2);
    ResampleJob job;
    job.channels = channels;
    Block block = ResampledBlock(
        job, h, bits, static_cast<std::size_t>(DibStride(h.biWidth, bitCount)), width, height, bitCount);
    if (!block)
        return false;
    const std::size_t size = ImageBytes(width, height, bitCount);
    return Hand(h, width, height, size, block, out, outBits);
}

// Commits a scaled picture whose header is updated in place.
int CommitInPlace(HGLOBAL *bits, BITMAPINFO **info, const BITMAPINFOHEADER &header, Block &block)
{
    (*info)->bmiHeader = header;
    StoreBits(bits, block);
    return 1;
}

} // namespace

bool Scale24(
    const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, BITMAPINFOHEADER &out, Block &outBits)
{
    return h.biBitCount == 24 && ResampleInto(h, bits, width, height, 3, 24, out, outBits);
}

bool ScalePlane8(
    const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, BITMAPINFOHEADER &out, Block &outBits)
{
    return h.biBitCount == 8 && ResampleInto(h, bits, width, height, 1, 8, out, outBits);
}

bool ScaleNearest(
    const BITMAPINFOHEADER &h, const BYTE *bits, int width, int height, BITMAPINFOHEADER &out, Block &outBits)
{
    const int depth = h.biBitCount;
    if (width < 1 || height < 1 || (depth != 4 && depth != 8 && depth != 16 && depth != 32))
        return false;
    const std::size_t size = ImageBytes(width, height, depth);
    if (size == 0)
        return false;
    std::vector<int> columns;
    try {
        columns.resize(static_cast<std::size_t>(width));
    } catch (...) {
        return false;
    }
    Block block(size);
    if (!block)
        return false;
    const std::int64_t W = h.biWidth, H = h.biHeight;
    for (int x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] = static_cast<int>(x * W / width);
    const std::size_t srcStride = static_cast<std::size_t>(DibStride(W, depth));
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(width, depth));
    BYTE *dst = block.data();
    const int bands = ThreadsFor(std::int64_t(width) * height);
    ParallelBands(height, bands, [&](int, int y0, int y1) {
        const int *col = columns.data();
        for (int y = y0; y < y1; ++y) {
            const BYTE *s = bits + std::size_t(y * H / height) * srcStride;
            BYTE *d = dst + std::size_t(y) * dstStride;
            switch (depth) {
            case 4:
                for (int x = 0; x < width; ++x) {
                    const int sx = col[x];
                    const int v = sx & 1 ? s[sx >> 1] & 15 : s[sx >> 1] >> 4;
                    d[x >> 1] = static_cast<BYTE>(d[x >> 1] | (x & 1 ? v : v << 4));
                }
                break;
            case 8:
                for (int x = 0; x < width; ++x)
                    d[x] = s[col[x]];
                break;
            case 16:
                for (int x = 0; x < width; ++x)
                    std::memcpy(d + 2 * x, s + 2 * std::size_t(col[x]), 2);
                break;
            default:
                for (int x = 0; x < width; ++x)
                    std::memcpy(d + 4 * x, s + 4 * std::size_t(col[x]), 4);
                break;
            }
        }
    });
    return Hand(h, width, height, size, block, out, outBits);
}

bool Scale1Bit(const BITMAPINFO *info, const BYTE *bits, int width, int height, bool smooth, Picture &out)
{
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biBitCount != 1 || width < 1 || height < 1)
        return false;
    InfoPtr header = NewInfo();
    if (!header)
        return false;
    // The header and the two colours; the rest of the new block is zero.
    std::memcpy(header.get(), info, sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
    BITMAPINFOHEADER &nh = header->bmiHeader;
    const std::int64_t W = h.biWidth, H = h.biHeight;
    const std::size_t srcStride = static_cast<std::size_t>(DibStride(W, 1));

    if (smooth && (width < W || height < H)) {
        ResampleJob job;
        job.oneBit = true;
        Block block = ResampledBlock(job, h, bits, srcStride, width, height, 8);
        if (!block)
            return false;
        const std::size_t size = ImageBytes(width, height, 8);
        // Each byte is the coverage of colour 1: the palette ramps from colour 0 to colour 1.
        RGBQUAD *p = Colours(header.get());
        const RGBQUAD c0 = p[0], c1 = p[1];
        for (int i = 0; i < 256; ++i)
            p[i] = RGBQUAD { static_cast<BYTE>(c0.rgbBlue + i * (c1.rgbBlue - c0.rgbBlue) / 255),
                static_cast<BYTE>(c0.rgbGreen + i * (c1.rgbGreen - c0.rgbGreen) / 255),
                static_cast<BYTE>(c0.rgbRed + i * (c1.rgbRed - c0.rgbRed) / 255), 0 };
        nh.biBitCount = 8;
        nh.biClrUsed = 0;
        nh.biClrImportant = 0;
        nh.biSizeImage = static_cast<DWORD>(size);
        out.bits = std::move(block);
    } else {
        const std::size_t size = ImageBytes(width, height, 1);
        if (size == 0)
            return false;
        Block block(size);
        if (!block)
            return false;
        const std::size_t dstStride = static_cast<std::size_t>(DibStride(width, 1));
        BYTE *dst = block.data();
        ParallelBands(height, ThreadsFor(std::int64_t(width) * height), [&](int, int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const BYTE *s = bits + std::size_t(y * H / height) * srcStride;
                BYTE *d = dst + std::size_t(y) * dstStride;
                for (int x = 0; x < width; ++x) {
                    const std::int64_t sx = x * W / width;
                    if (s[sx >> 3] & (0x80 >> (sx & 7)))
                        d[x >> 3] = static_cast<BYTE>(d[x >> 3] | (0x80 >> (x & 7)));
                }
            }
        });
        nh.biSizeImage = static_cast<DWORD>(size);
        out.bits = std::move(block);
    }
    nh.biWidth = width;
    nh.biHeight = height;
    out.info = std::move(header);
    return true;
}

} // namespace dib

using namespace dib;

extern "C" DIB_API int ScaleDibAll(HGLOBAL *bits, BITMAPINFO **info, int width, int height, int method)
{
    if (bits == nullptr || info == nullptr || *bits == nullptr || *info == nullptr)
        return 0;
    const BITMAPINFOHEADER &h = (*info)->bmiHeader;
    if (width == h.biWidth && height == h.biHeight)
        return 1;
    if (h.biBitCount == 1)
        return DibScale1Bit(bits, info, width, height, 1);
    if (h.biBitCount < 24)
        return Scale8Or4Dib(bits, info, width, height, method);
    Shape shape;
    if (h.biBitCount != 24 || !CheckPair(bits, info, shape))
        return 0;
    BITMAPINFOHEADER out;
    Block block;
    if (!Scale24(h, static_cast<const BYTE *>(*bits), width, height, out, block))
        return 0;
    return CommitInPlace(bits, info, out, block);
}

extern "C" DIB_API int DibScale1Bit(HGLOBAL *bits, BITMAPINFO **info, int width, int height, int smooth)
{
    Shape shape;
    if (!CheckPair(bits, info, shape) || shape.bitCount != 1 || width < 1 || height < 1)
        return 0;
    if (width == shape.width && height == shape.height)
        return 1;
    Picture out;
    if (!Scale1Bit(*info, static_cast<const BYTE *>(*bits), width, height, smooth != 0, out))
        return 0;
    StoreInfo(info, out.info);
    StoreBits(bits, out.bits);
    return 1;
}

extern "C" DIB_API int Scale8Or4Dib(HGLOBAL *bits, BITMAPINFO **info, int width, int height, int smooth)
{
    Shape shape;
    if (!CheckPair(bits, info, shape) || width < 1 || height < 1)
        return 0;
    if (width == shape.width && height == shape.height)
        return 1;
    if (smooth != 0 || shape.bitCount == 1 || shape.bitCount == 24)
        return ScaleAndCrop(bits, info, width, height, 0, 0, width, height) ? 1 : 0;
    BITMAPINFOHEADER out;
    Block block;
    if (!ScaleNearest((*info)->bmiHeader, static_cast<const BYTE *>(*bits), width, height, out, block))
        return 0;
    return CommitInPlace(bits, info, out, block);
}

extern "C" DIB_API int Scale8BitDib(HGLOBAL *bits, BITMAPINFO **info, int width, int height)
{
    Shape shape;
    if (!CheckPair(bits, info, shape, true) || shape.bitCount != 8)
        return 0;
    BITMAPINFOHEADER out;
    Block block;
    if (!ScalePlane8((*info)->bmiHeader, static_cast<const BYTE *>(*bits), width, height, out, block))
        return 0;
    return CommitInPlace(bits, info, out, block);
}

extern "C" DIB_API int ScaleAndCrop(
    HGLOBAL *bits, BITMAPINFO **info, int width, int height, int left, int top, int right, int bottom)
{
    Shape shape;
    if (!CheckPair(bits, info, shape))
        return 0;
    InfoPtr header = NewInfo();
    if (!header)
        return 0;
    HGLOBAL made = nullptr;
    SIZE size { width, height };
    const int result
        = DibScaleCrop2Dib(header.get(), &made, *info, *bits, &size, RECT { left, top, right, bottom }, 2);
    if (!result)
        return 0;
    StoreInfo(info, header);
    GlobalFree(*bits);
    *bits = made;
    return result;
}

extern "C" DIB_API int DibScaleCrop2Dib(BITMAPINFO *dstInfo, HGLOBAL *dstBits, const BITMAPINFO *srcInfo,
    const void *srcBits, SIZE *size, RECT crop, int mode)
{
    if (dstInfo == nullptr || dstBits == nullptr || srcInfo == nullptr || srcBits == nullptr
        || size == nullptr)
        return 0;
    SIZE target = *size;
    DibInfoBlock header;
    std::size_t headerBytes = 0;
    Block block;
    if (!ScaleCrop(
            srcInfo, static_cast<const BYTE *>(srcBits), target, crop, mode, header, headerBytes, block))
        return 0;
    std::memcpy(dstInfo, &header, headerBytes);
    *dstBits = block.release();
    *size = target;
    return 1;
}

extern "C" DIB_API int ScallBitmap(
    HGLOBAL *bits, BITMAPINFO **info, int width, int height, HGLOBAL srcBits, const BITMAPINFO *srcInfo)
{
    if (bits == nullptr || info == nullptr)
        return 0;
    InfoPtr header = NewInfo();
    if (!header)
        return 0;
    if (srcInfo != nullptr)
        std::memcpy(header.get(), srcInfo, kDibInfoBlockSize);
    if (srcBits == nullptr) {
        StoreInfo(info, header);
        return 1;
    }
    const std::size_t size = GlobalSize(srcBits);
    Block copy(size);
    if (!copy)
        return 0;
    std::memcpy(copy.data(), srcBits, size);
    HGLOBAL newBits = copy.release();
    BITMAPINFO *newInfo = header.release();
    const int result = ScaleDibAll(&newBits, &newInfo, width, height, 0);
    if (!result) {
        GlobalFree(newBits);
        DeleteInfo(newInfo);
        return 0;
    }
    DeleteInfo(*info);
    *info = newInfo;
    GlobalFree(*bits);
    *bits = newBits;
    return result;
}

extern "C" DIB_API void ScallAlpha(
    HGLOBAL *bits, int width, int height, HGLOBAL srcAlpha, int srcWidth, int srcHeight)
{
    if (bits == nullptr || srcAlpha == nullptr)
        return;
    const std::size_t size = GlobalSize(srcAlpha);
    Block copy(size);
    InfoPtr header = NewInfo(sizeof(BITMAPINFOHEADER));
    if (!copy || !header)
        return;
    std::memcpy(copy.data(), srcAlpha, size);
    // A plane header: every byte 0xFF but the depth and size.
    std::memset(header.get(), 0xFF, sizeof(BITMAPINFOHEADER));
    header->bmiHeader.biBitCount = 8;
    header->bmiHeader.biWidth = srcWidth;
    header->bmiHeader.biHeight = srcHeight;
    HGLOBAL plane = copy.release();
    BITMAPINFO *planeInfo = header.get();
    if (!Scale8BitDib(&plane, &planeInfo, width, height)) {
        GlobalFree(plane);
        return;
    }
    GlobalFree(*bits);
    *bits = plane;
}
