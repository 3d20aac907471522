// Geometry rules of device-independent bitmaps: stride, palette size, block size, grey value.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>

// Bytes of one row, padded to a multiple of 4. Callers pass sane values; see DibCheckedStride.
constexpr std::int64_t DibStride(std::int64_t width, std::int64_t bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

// Stride with range checks: -1 for a non-positive width, an unknown depth or an overflow.
std::int64_t DibCheckedStride(std::int64_t width, int bitCount);

// stride × height for a positive width and height, or 0 when either is invalid or the product
// does not fit the 32-bit size field.
std::size_t DibCheckedImageSize(std::int64_t width, std::int64_t height, int bitCount);

// The picture pair's palette size rule, as the codec, the picture object and the thumbnails
// exchange it: biClrUsed when non-zero, else 2/16/256 for 1/4/8 bits, else 0 (also for 2 bits).
// The bitmap library counts by its own rule (PaletteCount in dib/, 4 for 2 bits).
// The result is clamped to 256 so a hostile header never indexes past the info block.
int DibPaletteSize(const BITMAPINFOHEADER &header);

// Bytes of the header plus its palette (40 + 4 × palette size).
inline std::size_t DibHeaderBytes(const BITMAPINFOHEADER &header)
{
    return sizeof(BITMAPINFOHEADER) + 4u * static_cast<std::size_t>(DibPaletteSize(header));
}

// Stride of the picture described by header (-1 when invalid).
inline std::int64_t DibStrideOf(const BITMAPINFOHEADER &header)
{
    return DibCheckedStride(header.biWidth, header.biBitCount);
}

// Size of the pixel block the header describes (0 when invalid); uses |biHeight|.
std::size_t DibImageSizeOf(const BITMAPINFOHEADER &header);

// Grey value (30 R + 59 G + 11 B) / 100, truncated.
constexpr int GreyValue(int red, int green, int blue)
{
    return (30 * red + 59 * green + 11 * blue) / 100;
}

// Initialises a 1064-byte info block for a bottom-up BI_RGB picture; palette entries are zeroed.
void DibInitHeader(DibInfoBlock &info, int width, int height, int bitCount);

// Fills the first `count` palette entries with a grey ramp from black to white.
void DibGreyPalette(DibInfoBlock &info, int count);
