#include "browser/itemcanvas.h"

#include <algorithm>
#include <cstdlib>

void AppendSegmentPixels(POINT a, POINT b, std::vector<POINT> &out)
{
    long dx = static_cast<long>(b.x) - a.x;
    long dy = static_cast<long>(b.y) - a.y;
    long steps = std::max(std::labs(dx), std::labs(dy));
    for (long i = 0; i < steps; ++i) {
        // Rounded to the nearest pixel along the shorter axis; exact for the slopes we draw.
        long x = a.x + (dx * i * 2 + (dx >= 0 ? steps : -steps)) / (2 * steps);
        long y = a.y + (dy * i * 2 + (dy >= 0 ? steps : -steps)) / (2 * steps);
        if (std::labs(dx) == steps)
            x = a.x + (dx > 0 ? i : -i);
        if (std::labs(dy) == steps)
            y = a.y + (dy > 0 ? i : -i);
        out.push_back(POINT { static_cast<LONG>(x), static_cast<LONG>(y) });
    }
}

void ItemCanvas::Polyline(const POINT *points, int count, COLORREF colour)
{
    std::vector<POINT> pixels;
    for (int i = 0; i + 1 < count; ++i)
        AppendSegmentPixels(points[i], points[i + 1], pixels);
    if (!pixels.empty())
        SetPixels(pixels, colour);
}
