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

// ---- Pictures and their pixels ----

// The depths a stored bitmap may declare: 1, 2, 4, 8, 16, 24 and 32 bits.
bool DibKnownDepth(int bitCount);

// The depths a picture's pixels may have: the known depths but 2.
bool DibPictureDepth(int bitCount);

// Geometry of a picture, as DibShapeOf finds it. Rows are bottom-up.
struct DibShape {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::size_t stride = 0;
    std::size_t size = 0; // stride × height
};

// Fills `out` when width and height are at least 1, the depth is a picture depth and
// stride × height fits the 32-bit size field. Compression and planes are the caller's to check.
bool DibShapeOf(const BITMAPINFOHEADER &header, DibShape &out);

// Palette indices of 1-, 4- and 8-bit rows: the most significant bits hold the leftmost pixel.
inline int DibGetPixel1(const std::uint8_t *row, int x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

inline void DibSetPixel1(std::uint8_t *row, int x, int v)
{
    const auto bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
    if (v & 1)
        row[x >> 3] |= bit;
    else
        row[x >> 3] &= static_cast<std::uint8_t>(~bit);
}

inline int DibGetPixel4(const std::uint8_t *row, int x)
{
    return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}

inline void DibSetPixel4(std::uint8_t *row, int x, int v)
{
    std::uint8_t &b = row[x >> 1];
    if (x & 1)
        b = static_cast<std::uint8_t>((b & 0xF0) | (v & 0x0F));
    else
        b = static_cast<std::uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
}

inline int DibIndexAt(const std::uint8_t *row, int x, int bitCount)
{
    if (bitCount == 8)
        return row[x];
    return bitCount == 4 ? DibGetPixel4(row, x) : DibGetPixel1(row, x);
}

inline void DibSetIndex(std::uint8_t *row, int x, int bitCount, int index)
{
    if (bitCount == 8)
        row[x] = static_cast<std::uint8_t>(index);
    else if (bitCount == 4)
        DibSetPixel4(row, x, index);
    else
        DibSetPixel1(row, x, index);
}

// Sets size, width, height, one plane, depth, BI_RGB and the image size; other fields are kept.
void DibSetHeader(BITMAPINFOHEADER &header, int width, int height, int bitCount);

// Initialises a 1064-byte info block for a bottom-up BI_RGB picture; palette entries are zeroed.
void DibInitHeader(DibInfoBlock &info, int width, int height, int bitCount);

// Fills the first `count` palette entries with a grey ramp from black to white.
void DibGreyPalette(DibInfoBlock &info, int count);
