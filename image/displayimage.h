// The display form of a picture: a top-down RGB32 QImage made once after each edit, so that
// painting is a plain blit whatever the picture's depth.
#pragma once

#include "platform/wintypes.h"

#include <QImage>

// Converts the picture; `reuse` supplies the buffer when it already has the right size.
// A null image when the pair is not a valid picture or memory runs out.
QImage MakeDisplayImage(const DibInfoBlock *info, const void *bits, QImage reuse = QImage());

// Where DrawFitted puts a width × height picture inside (l, t, r, b): fitted, centred, proportions
// kept. Empty for an empty picture or target.
RECT FitRect(int width, int height, int l, int t, int r, int b);
