// Colour management: decoded pictures described by an ICC profile or by coded colour primaries
// and transfer (CICP / nclx) are converted to sRGB, the space the screen and the thumbnails use.
#pragma once

#include "codec/format.h"

#include <cstddef>
#include <cstdint>

namespace codexa
{

// Converts a 24-bit picture from the RGB space of the ICC profile to sRGB in place. Profiles that
// are not RGB, that lcms cannot read, or that describe sRGB itself leave the picture alone.
// True when the pixels were converted.
bool IccToSrgb(Picture &pic, const std::uint8_t *icc, std::size_t size);

// The same for coded colour primaries and transfer characteristics (ITU-T H.273 code points).
// Unknown or sRGB-equal descriptions leave the picture alone.
bool CicpToSrgb(Picture &pic, int primaries, int transfer);

} // namespace codexa
