#include "imagepane/viewnav.h"

#include "imagepane/zoommath.h"

#include <Qt>
#include <algorithm>
#include <cmath>

ViewKey ViewKeyFor(int qtKey, bool ctrl, bool alt)
{
    if (ctrl || alt)
        return ViewKey::None;
    switch (qtKey) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return ViewKey::ZoomIn;
    case Qt::Key_Minus:
        return ViewKey::ZoomOut;
    case Qt::Key_1:
        return ViewKey::Zoom100;
    case Qt::Key_F:
        return ViewKey::FitWhole;
    case Qt::Key_Space:
    case Qt::Key_PageDown:
        return ViewKey::Next;
    case Qt::Key_Backspace:
    case Qt::Key_PageUp:
        return ViewKey::Previous;
    case Qt::Key_F11:
        return ViewKey::FullScreen;
    case Qt::Key_S:
        return ViewKey::Slideshow;
    default:
        return ViewKey::None;
    }
}

int WholePictureZoom(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight)
{
    if (clientWidth <= 0 || clientHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return 0;
    int zoom = std::min(FitZoom(clientWidth, pictureWidth), FitZoom(clientHeight, pictureHeight));
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

int WheelZoom(int zoom, int notches)
{
    long long z = static_cast<long long>(zoom) + static_cast<long long>(notches) * kZoomStep;
    return static_cast<int>(std::clamp<long long>(z, kMinZoom, kMaxZoom));
}

POINT ScrollForZoomAbout(POINT pointer, POINT oldOrigin, int oldZoom, int newZoom, POINT newOffset)
{
    if (oldZoom <= 0)
        return POINT { 0, 0 };
    // The picture point under the pointer, in picture pixels.
    double px = (pointer.x - oldOrigin.x) * 100.0 / oldZoom;
    double py = (pointer.y - oldOrigin.y) * 100.0 / oldZoom;
    // The new origin puts that point back under the pointer; origin = offset - scroll.
    double originX = pointer.x - px * newZoom / 100.0;
    double originY = pointer.y - py * newZoom / 100.0;
    return POINT { static_cast<LONG>(std::lround(newOffset.x - originX)),
        static_cast<LONG>(std::lround(newOffset.y - originY)) };
}
