#include "imagepane/zoommath.h"

#include <algorithm>

namespace
{

// Floor division for a positive divisor.
long long FloorDiv(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Device distance to picture index without clamping.
long long Unclamped(long long d, int extent, int zoomedExtent)
{
    return FloorDiv((2 * d + 1) * extent, 2LL * zoomedExtent);
}

} // namespace

bool IsZoomAllowed(int percent)
{
    return percent >= kMinZoom && percent <= kMaxZoom;
}

int OpeningZoom(int clientWidth, int pictureWidth)
{
    if (pictureWidth <= 0)
        return 100;
    double zoom = static_cast<double>(clientWidth) / pictureWidth * 100;
    return zoom >= 100 ? 100 : static_cast<int>(zoom);
}

int FitZoom(int clientExtent, int pictureExtent)
{
    if (pictureExtent <= 0)
        return 0;
    return static_cast<int>(static_cast<double>(clientExtent) / pictureExtent * 100.0);
}

int ZoomedExtent(int zoom, int extent)
{
    return static_cast<int>(static_cast<long long>(zoom) * extent / 100);
}

int ViewMenuZoom(UINT commandId)
{
    static constexpr int kPercents[] = { 300, 200, 150, 100, 75, 50, 25 };
    if (commandId < 31787 || commandId > 31793)
        return 0;
    return kPercents[commandId - 31787];
}

ScrollLayout ComputeScrollLayout(
    int zoom, int width, int height, int clientWidth, int clientHeight, POINT previousOffset, bool reset)
{
    ScrollLayout layout;
    layout.zoomed = SIZE { ZoomedExtent(zoom, width), ZoomedExtent(zoom, height) };
    layout.offset = reset ? POINT { 0, 0 } : previousOffset;
    if (layout.zoomed.cx < clientWidth)
        layout.offset.x = (clientWidth - layout.zoomed.cx) / 2;
    if (layout.zoomed.cy < clientHeight)
        layout.offset.y = (clientHeight - layout.zoomed.cy) / 2;
    layout.page = SIZE { std::max(clientWidth, 0), std::max(clientHeight, 0) };
    layout.line = SIZE { std::max(layout.page.cx / 10, 1), std::max(layout.page.cy / 10, 1) };
    return layout;
}

int ScrollRange(int zoomedExtent, int clientExtent)
{
    return std::max(zoomedExtent - clientExtent, 0);
}

POINT ViewportOrigin(POINT offset, int scrollX, int scrollY)
{
    return POINT { offset.x - scrollX, offset.y - scrollY };
}

int SourceIndex(long long d, int extent, int zoomedExtent)
{
    if (extent <= 0 || zoomedExtent <= 0)
        return 0;
    long long i = Unclamped(d, extent, zoomedExtent);
    return static_cast<int>(std::clamp<long long>(i, 0, extent - 1));
}

POINT ClientToPicture(POINT client, POINT origin, int width, int height, int zoomedWidth, int zoomedHeight)
{
    POINT p { client.x - origin.x, client.y - origin.y };
    if (zoomedWidth > 0 && width > 0)
        p.x = static_cast<LONG>(Unclamped(p.x, width, zoomedWidth));
    if (zoomedHeight > 0 && height > 0)
        p.y = static_cast<LONG>(Unclamped(p.y, height, zoomedHeight));
    return p;
}
