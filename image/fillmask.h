// Filling the selected pixels of a mask with a colour.
#pragma once

#include "image/dibpixels.h"

class CMaskObj;

// Palette index nearest to the colour (least squared distance, first of equals).
int NearestPaletteIndex(const RGBQUAD *palette, int count, COLORREF colour);

// In place: picture pixel (x, stored row y) takes the colour where the mask is selected at
// (x + maskX, y + maskRow); pixels the mask does not cover stay. 24-bit: the colour; 4- and
// 8-bit: the nearest palette index; 1-bit: the index of white (0 when entry 0's blue is 255,
// else 1), whatever the colour (the mask must be 1-bit then); 16-bit: 5-5-5; 32-bit: blue, green,
// red and 0.
bool FillByMaskDib(
    DibInfoBlock &info, void *bits, const CMaskObj &mask, COLORREF colour, int maskX, int maskRow);
