#include "dib/hsl.h"

#include <algorithm>
#include <cmath>

namespace dib
{

Hsl ToHsl(int red, int green, int blue)
{
    const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
    const double mx = std::max({ r, g, b }), mn = std::min({ r, g, b });
    Hsl out { 1.0, 0.0, (mx + mn) / 2 };
    if (out.l == 0 || mx == mn)
        return out;
    const double d = mx - mn;
    out.s = out.l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    double h;
    if (r == mx)
        h = (g - b) / d;
    else if (g == mx)
        h = 2 + (b - r) / d;
    else
        h = 4 + (r - g) / d;
    h /= 6;
    if (h < 0)
        h += 1;
    out.h = h;
    return out;
}

namespace
{

BYTE Channel(double v)
{
    const double c = std::floor(v * 255 + 0.5);
    return static_cast<BYTE>(c < 0 ? 0 : c > 255 ? 255 : c);
}

} // namespace

void FromHsl(const Hsl &c, BYTE *bgr)
{
    const double m2 = c.l <= 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s;
    if (!(m2 > 0)) {
        bgr[0] = bgr[1] = bgr[2] = 0;
        return;
    }
    const double m1 = 2 * c.l - m2;
    const double h = c.h >= 1.0 ? 0.0 : c.h < 0 ? 0.0 : c.h;
    int sector = static_cast<int>(h * 6);
    const double f = h * 6 - sector;
    sector %= 6;
    const double up = m1 + (m2 - m1) * f, down = m2 - (m2 - m1) * f;
    double r, g, b;
    switch (sector) {
    case 0:
        r = m2, g = up, b = m1;
        break;
    case 1:
        r = down, g = m2, b = m1;
        break;
    case 2:
        r = m1, g = m2, b = up;
        break;
    case 3:
        r = m1, g = down, b = m2;
        break;
    case 4:
        r = up, g = m1, b = m2;
        break;
    default:
        r = m2, g = m1, b = down;
        break;
    }
    bgr[0] = Channel(b);
    bgr[1] = Channel(g);
    bgr[2] = Channel(r);
}

} // namespace dib
