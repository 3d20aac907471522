// Colour reduction for formats limited to a palette.
#pragma once

#include "codec/format.h"

#include <vector>

namespace codexa
{

// Reduces the picture to at most maxColors (2...256) colours. A picture that already has few
// enough distinct colours keeps them exactly; otherwise the palette comes from a median cut
// over a 5-bit-per-channel histogram (entries are the mean of the colours in each box) and
// pixels are mapped with serpentine Floyd-Steinberg dithering. indices: width × height bytes,
// top row first.
Status QuantizePicture(const PictureView &view, int maxColors, std::vector<RGBQUAD> &palette,
    std::vector<std::uint8_t> &indices);

} // namespace codexa
