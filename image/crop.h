// Cropping to a rectangle in top-down picture coordinates.
#pragma once

#include "image/dibpixels.h"

enum class CropOutcome {
    Failed, // empty or inverted rectangle, nothing of the picture inside, or no memory
    Whole, // the clipped rectangle is the whole picture: nothing to do
    Cropped,
};

// The rectangle is clipped to the picture. 1-bit rows that do not start on a byte boundary are
// assembled from two source bytes each; bits from beyond the source row's end are 1.
CropOutcome CropDib(
    const DibInfoBlock &info, const void *bits, int left, int top, int right, int bottom, DibResult &out);

// The clipped rectangle (false when empty or when the given one is empty or inverted).
bool CropClip(int width, int height, int &left, int &top, int &right, int &bottom);
