// Resampling for ordinal 9 and thumbnails: area averaging where an axis shrinks, bilinear where
// it grows (pixel centres aligned), each axis on its own; equal sizes copy exactly.
#pragma once

#include "codec/format.h"

namespace codexa
{

// Draws src scaled to the size of dest into a new outWidth × outHeight picture at dest's place
// (top-down coordinates; dest may reach outside the picture, only the overlap is drawn). The rest
// of the picture is white. The result is 24-bit, or 8-bit grey (identity ramp) when the source
// has a palette of greys and forceColour is false. Resolution is copied from the source.
Status ResamplePicture(
    const PictureView &src, int outWidth, int outHeight, const RECT &dest, bool forceColour, Picture &out);

// The size of a width × height picture fitted into the box keeping its proportions (rounded,
// at least 1), never enlarged. False for an empty box or picture.
bool FitIntoBox(int width, int height, int boxWidth, int boxHeight, int &fitWidth, int &fitHeight);

} // namespace codexa
