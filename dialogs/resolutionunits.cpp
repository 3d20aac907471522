#include "dialogs/resolutionunits.h"

float ResolutionFromPixelsPerMetre(LONG pixelsPerMetre)
{
    return static_cast<float>(pixelsPerMetre * kPpmToPpi);
}

float ConvertResolution(float resolution, int fromUnit, int toUnit)
{
    if (fromUnit == toUnit)
        return resolution;
    return static_cast<float>(resolution * (toUnit == kPixelsPerCentimetre ? kPpiToPpcm : kPpcmToPpi));
}

LONG PixelsPerMetre(float resolution, int unit)
{
    const double perCentimetre = unit == kPixelsPerInch ? resolution * kPpiToPpcm : resolution;
    return static_cast<LONG>(perCentimetre * kPpcmToPpm);
}
