// Colours in hue, saturation and lightness: the hexcone model in double precision, shared by the
// colour masks and the overlays.
#pragma once

#include "platform/wintypes.h"

namespace dib
{

// Each part in 0 ... 1; a grey has hue 1 and saturation 0.
struct Hsl {
    double h, s, l;
};

Hsl ToHsl(int red, int green, int blue);
// Blue, green and red of the colour, each rounded and held to 0 ... 255.
void FromHsl(const Hsl &c, BYTE *bgr);

} // namespace dib
