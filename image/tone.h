// Tone edits: colour tables (brightness, darkness), region invert, grey, black-and-white.
#pragma once

#include "image/dibpixels.h"

// t[v] = v + step clamped to 0...255 per channel, applied in place: to every pixel of a 24-bit
// picture, to the palette entries of any other depth (their indices stay as they are).
bool ColorTablesDib(DibInfoBlock &info, void *bits, int redStep, int greenStep, int blueStep);

// 8-bit picture of the grey values with a grey ramp palette. Every depth is converted through
// its colours (1-, 4- and 8-bit through the palette, 16-bit as 5-5-5).
bool GreyDib(const DibInfoBlock &info, const void *bits, DibResult &out);

// 1-bit picture, bit set (white) where the grey value is above the threshold; palette black and
// white. 16- and 32-bit pictures are read through their colours as well.
bool BlackWhiteDib(const DibInfoBlock &info, const void *bits, int threshold, DibResult &out);

// The rectangle the Negative command inverts, in stored (bottom-up) rows.
struct RegionRecord {
    void *pixels = nullptr;
    LONG left = 0, bottomRow = 0, right = 0, topRow = 0; // region; rows exclusive at the top
    LONG wholeLeft = 0, wholeTop = 0, wholeRight = 0, wholeBottom = 0; // (0, 0, width, height)
    LONG bitCount = 0;
};

// Inverts the region: bytes of pixels of 8 bits or more become 255 − byte, the bits of smaller
// pixels are flipped. Works in place; 0 for a null or empty region.
BOOL InvertRegion(const RegionRecord &region);
