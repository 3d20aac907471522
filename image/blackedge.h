// The dark runs at both ends of each row, for removing a black border.
#pragma once

#include "image/dibpixels.h"

class CMaskObj;

// Creates `mask` (the picture's size, 1 bit) with the dark pixels at the two ends of every row
// selected: from the left edge rightwards and from the right edge leftwards, each walk stopping at
// the first pixel that is not dark. Dark: 1-bit bit 0; 8-bit and 24-bit grey
// 0.3 R + 0.59 G + 0.11 B (floating point, truncated) below 100; no pixel of other depths is dark.
bool DarkEdgeMask(const DibInfoBlock &info, const void *bits, CMaskObj &mask);
