#include "batch/batchsizing.h"

float BoxRatio(int boxWidth, int boxHeight)
{
    return static_cast<float>(boxWidth) / static_cast<float>(boxHeight);
}

bool BatchTargetSize(
    int option, int pictureWidth, int pictureHeight, int boxWidth, int boxHeight, float boxRatio, SIZE &size)
{
    if (option == kUseSameSize) {
        size = { boxWidth, boxHeight };
        return true;
    }
    if (option != kKeepRatioInBox)
        return false;
    const float q = static_cast<float>(pictureWidth) / static_cast<float>(pictureHeight);
    if (q <= boxRatio)
        size = { static_cast<LONG>(static_cast<float>(boxHeight) * q), boxHeight };
    else
        size = { boxWidth, static_cast<LONG>(static_cast<float>(boxWidth) / q) };
    return true;
}
