#include "image/dibpixels.h"

#include <cstring>

bool DibLayoutOf(const DibInfoBlock *info, const void *bits, DibLayout &out)
{
    if (info == nullptr || bits == nullptr)
        return false;
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && h.biBitCount >= 16))
        return false;
    DibShape shape;
    if (!DibShapeOf(h, shape))
        return false;
    std::size_t have = GlobalSize(const_cast<void *>(bits));
    if (have != 0 && have < shape.size)
        return false;
    static_cast<DibShape &>(out) = shape;
    out.paletteSize = h.biBitCount <= 8 ? DibPaletteSize(h) : 0;
    out.palette = info->bmiColors;
    return true;
}

bool DibEditSizeOk(std::int64_t width, std::int64_t height)
{
    constexpr std::int64_t kMaxSide = std::int64_t(1) << 21, kMaxPixels = std::int64_t(1) << 29;
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide
        && width * height <= kMaxPixels;
}

HGLOBAL DibAllocPixels(int width, int height, int bitCount, std::size_t *strideOut)
{
    if (!DibEditSizeOk(width, height))
        return nullptr;
    std::size_t size = DibCheckedImageSize(width, height, bitCount);
    if (size == 0)
        return nullptr;
    if (strideOut)
        *strideOut = static_cast<std::size_t>(DibStride(width, bitCount));
    return GlobalAlloc(GPTR, size);
}

void DibCopyHeader(const DibInfoBlock &from, DibInfoBlock &to, int width, int height)
{
    std::memcpy(&to, &from, DibHeaderBytes(from.bmiHeader));
    to.bmiHeader.biWidth = width;
    to.bmiHeader.biHeight = height;
    to.bmiHeader.biSizeImage
        = static_cast<DWORD>(DibCheckedImageSize(width, height, from.bmiHeader.biBitCount));
}
