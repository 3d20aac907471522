// The orientation value of an EXIF block (the body of a JPEG APP1 segment).
#pragma once

#include <cstddef>
#include <cstdint>

namespace codexa
{

// data: the APP1 body starting with "Exif\0\0". 1...8, or 0 when absent or unreadable.
int ExifOrientation(const std::uint8_t *data, std::size_t size);
// The same for a block that may start at the TIFF header itself (as WebP and HEIF store it).
int ExifOrientationAnyStart(const std::uint8_t *data, std::size_t size);

} // namespace codexa
