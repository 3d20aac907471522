// Row kernels of the tone family: luminance of 24-bit rows, grey written back, lookup tables.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>

namespace dib
{

// Luminance weights of a 24-bit pixel (blue, green, red).
enum class Luma {
    Y100, // (11 B + 59 G + 30 R) / 100
    Y256, // (29 B + 150 G + 77 R) >> 8
};

inline int Luma100(int b, int g, int r)
{
    return (11 * b + 59 * g + 30 * r) / 100;
}
inline int Luma256(int b, int g, int r)
{
    return (29 * b + 150 * g + 77 * r) >> 8;
}

// out[x] = luminance of pixel x of the 24-bit row `src`, for n pixels.
void ToneLumaRow(Luma kind, const BYTE *src, BYTE *out, int n);

// Every pixel of the 24-bit row becomes (Y100, Y100, Y100).
void ToneGreyRow(BYTE *row, int n);

// bytes[i] = table[bytes[i]] for n bytes.
void ToneMapBytes(const BYTE *table, BYTE *bytes, std::size_t n);

} // namespace dib
