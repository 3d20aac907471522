// Resizing: box averaging and linear interpolation for 24-bit pictures, nearest neighbour for
// palette pictures.
#pragma once

#include "image/dibpixels.h"

// 1-, 4-, 8- and 16-bit pictures: destination (x, y) takes source (x w / W', y h / H').
// 24-bit pictures (W', H' raised to at least 2): per axis, a reduction to half or less averages
// the covered source pixels, anything else interpolates linearly in 1/1024 pixel steps.
// 32-bit pictures are refused. The header keeps everything but the geometry.
bool ResizeDib(const DibInfoBlock &info, const void *bits, int width, int height, DibResult &out);
