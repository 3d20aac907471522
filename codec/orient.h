// Turning a decoded picture upright from a camera orientation value (1...8, as in EXIF and TIFF).
#pragma once

#include "codec/format.h"

namespace codexa
{

// Whether the orientation swaps width and height (values 5...8).
inline bool OrientationTransposes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// Rewrites pic so that it stands as the camera held it. Values outside 2...8 leave it alone.
// Works for 1-, 4-, 8- and 24-bit pictures; header fields other than the size are kept.
Status ApplyOrientation(Picture &pic, int orientation);

} // namespace codexa
