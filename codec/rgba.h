// Shared by the decoders of the library-backed formats: a library's RGB(A) rows into a picture,
// a picture into top-down rows for an encoder.
#pragma once

#include "codec/format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace codexa
{

// Channel order of a library's pixel rows.
enum class PixelOrder { Rgb, Rgba, Bgr, Bgra };

// Writes top-down rows of width × height pixels into out as a 24-bit picture (alpha over white).
// out is (re)created unless it already has that size at 24 bits.
Status PictureFromRows(
    const std::uint8_t *rows, std::size_t stride, int width, int height, PixelOrder order, Picture &out);

// The picture's pixels as top-down rows of 3 bytes R, G, B (palettes expanded).
bool TopDownRgb(const PictureView &view, std::vector<std::uint8_t> &rgb);

// A header (24-bit) describing a width × height picture, for a reduced decode's source info.
void FullSizeInfo(int width, int height, DibInfoBlock *info);

// Checks a size a file declares against the pixel limit before anything is allocated.
Status CheckSize(long long width, long long height);

} // namespace codexa
