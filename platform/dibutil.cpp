#include "platform/dibutil.h"

#include <cstdlib>
#include <cstring>
#include <limits>

bool DibKnownDepth(int bitCount)
{
    switch (bitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

std::int64_t DibCheckedStride(std::int64_t width, int bitCount)
{
    if (width <= 0 || !DibKnownDepth(bitCount) || width > std::numeric_limits<std::int32_t>::max())
        return -1;
    return DibStride(width, bitCount);
}

std::size_t DibCheckedImageSize(std::int64_t width, std::int64_t height, int bitCount)
{
    std::int64_t stride = DibCheckedStride(width, bitCount);
    if (stride < 0 || height <= 0 || height > std::numeric_limits<std::int32_t>::max())
        return 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (stride > kMax / height)
        return 0;
    return static_cast<std::size_t>(stride * height);
}

bool DibPictureDepth(int bitCount)
{
    return bitCount != 2 && DibKnownDepth(bitCount);
}

bool DibShapeOf(const BITMAPINFOHEADER &header, DibShape &out)
{
    if (header.biWidth < 1 || header.biHeight < 1 || !DibPictureDepth(header.biBitCount))
        return false;
    const std::size_t size = DibCheckedImageSize(header.biWidth, header.biHeight, header.biBitCount);
    if (size == 0)
        return false;
    out.width = header.biWidth;
    out.height = header.biHeight;
    out.bitCount = header.biBitCount;
    out.stride = static_cast<std::size_t>(DibStride(header.biWidth, header.biBitCount));
    out.size = size;
    return true;
}

int DibPaletteSize(const BITMAPINFOHEADER &header)
{
    if (header.biClrUsed != 0)
        return header.biClrUsed > 256 ? 256 : static_cast<int>(header.biClrUsed);
    switch (header.biBitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

std::size_t DibImageSizeOf(const BITMAPINFOHEADER &header)
{
    return DibCheckedImageSize(
        header.biWidth, std::llabs(static_cast<long long>(header.biHeight)), header.biBitCount);
}

void DibInitHeader(DibInfoBlock &info, int width, int height, int bitCount)
{
    std::memset(&info, 0, sizeof info);
    DibSetHeader(info.bmiHeader, width, height, bitCount);
}

void DibSetHeader(BITMAPINFOHEADER &h, int width, int height, int bitCount)
{
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibCheckedImageSize(width, height, bitCount));
}

void DibGreyPalette(DibInfoBlock &info, int count)
{
    if (count < 1)
        return;
    if (count > 256)
        count = 256;
    for (int i = 0; i < count; ++i) {
        BYTE v = static_cast<BYTE>(count == 1 ? 0 : i * 255 / (count - 1));
        info.bmiColors[i] = RGBQUAD { v, v, v, 0 };
    }
}
