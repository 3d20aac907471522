// Tone edits: colour tables (brightness, darkness), region invert, grey, black-and-white.
#pragma once

#include "image/dibpixels.h"
#include "image/imageobj.h"

// t[v] = v + step clamped to 0...255 per channel, applied in place: to every pixel of a 24-bit
// picture, to the palette entries of any other depth (their indices stay as they are).
bool ColorTablesDib(DibInfoBlock &info, void *bits, int redStep, int greenStep, int blueStep);

// 8-bit picture of the grey values with a grey ramp palette. Every depth is converted through
// its colours (1-, 4- and 8-bit through the palette, 16-bit as 5-5-5).
bool GreyDib(const DibInfoBlock &info, const void *bits, DibResult &out);

// 1-bit picture, bit set (white) where the grey value is above the threshold; palette black and
// white. 16- and 32-bit pictures are read through their colours as well.
bool BlackWhiteDib(const DibInfoBlock &info, const void *bits, int threshold, DibResult &out);
