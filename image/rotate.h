// Rotation by an angle in degrees in fixed point with 10 fraction bits.
#pragma once

#include "image/dibpixels.h"

enum class RotationKind {
    Invalid, // not a finite angle
    Identity, // a whole multiple of 360 degrees: nothing to do
    Turn,
};

// sine and cosine of the angle times 1024, truncated; the degree factor is 0.017453292519444445.
RotationKind RotationFor(double angle, int &sin1024, int &cos1024);

// New size: ((w |c| + h |s|) >> 10, (h |c| + w |s|) >> 10).
SIZE RotatedSize(int width, int height, int sin1024, int cos1024);

// Rotates the picture into `out` (same depth and palette). 24- and 32-bit pictures are
// interpolated bilinearly on a white background; 1-, 4-, 8- and 16-bit pictures take the
// nearest pixel on the background index (1: bit 1, 4: index 15, 8: index 255, 16: white).
// Quarter turns (matrix entries 0 and ±1024) move pixels without loss at every size.
bool RotateDib(const DibInfoBlock &info, const void *bits, int sin1024, int cos1024, DibResult &out);
