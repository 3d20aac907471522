// Resolution units of the Image Size dialog and the exact conversion constants between them.
#pragma once

#include "platform/wintypes.h"

enum ResolutionUnit {
    kPixelsPerInch = 0, // "pixel/inch"
    kPixelsPerCentimetre = 1, // "pixel/cm"
};

constexpr double kPpmToPpi = 0.025400050800101603; // pixels per metre -> per inch (÷ 39.37)
constexpr double kPpiToPpcm = 0.3937; // pixels per inch -> per centimetre
constexpr double kPpcmToPpi = 2.54000508001016; // pixels per centimetre -> per inch
constexpr double kPpcmToPpm = 100.0; // pixels per centimetre -> per metre

// Pixels per inch of a header's pixels per metre.
float ResolutionFromPixelsPerMetre(LONG pixelsPerMetre);

// The resolution in the other unit (the same value when the units agree).
float ConvertResolution(float resolution, int fromUnit, int toUnit);

// Pixels per metre of a resolution in unit, truncated toward zero.
LONG PixelsPerMetre(float resolution, int unit);
