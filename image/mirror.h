// Mirror (left-right) and flip (top-bottom).
#pragma once

#include "image/dibpixels.h"

// direction 0: every row reversed pixel by pixel (bits, nibbles, bytes or whole 2-, 3- and 4-byte
// pixels); direction 1: the order of the rows reversed. The header is kept.
bool MirrorFlipDib(const DibInfoBlock &info, const void *bits, int direction, DibResult &out);
