// Target sizes of the batch converter's three size options.
#pragma once

#include "platform/wintypes.h"

enum BatchSizeOption {
    kKeepOriginalSize = 0, // "Keep Original Size"
    kUseSameSize = 1, // "Use same size": every picture becomes width x height
    kKeepRatioInBox = 2, // "Keep ratio in Width x Height"
};

// The box's width / height in single precision, computed once per run.
float BoxRatio(int boxWidth, int boxHeight);

// The size a picture is scaled to: false for "Keep Original Size" (no scaling). With the box
// ratio r and q = pictureWidth / pictureHeight, a picture with q <= r becomes
// (boxHeight * q) x boxHeight, any other boxWidth x (boxWidth / q), products truncated.
bool BatchTargetSize(
    int option, int pictureWidth, int pictureHeight, int boxWidth, int boxHeight, float boxRatio, SIZE &size);
