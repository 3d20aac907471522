#include "image/polytracker.h"

#include <algorithm>
#include <new>

CPolyTracker::CPolyTracker()
    : CShapeTracker(kShapePolygon)
{
}

void CPolyTracker::OnMouseDown(CTrackerView &view, UINT flags, int x, int y)
{
    if (!view.HasTrackerCapture())
        view.SetTrackerCapture();
    try {
        points_.push_back(POINT { x, y });
    } catch (const std::bad_alloc &) {
        return;
    }
    current_ = POINT { x, y };
    CShapeTracker::OnMouseDown(view, flags, x, y);
    view.RubberBandChanged();
}

void CPolyTracker::OnMouseMove(CTrackerView &view, UINT, int x, int y)
{
    if (!view.HasTrackerCapture())
        return;
    current_ = POINT { x, y };
    if (active_) {
        try {
            points_.push_back(current_);
        } catch (const std::bad_alloc &) {
        }
    }
    view.RubberBandChanged();
}

void CPolyTracker::OnMouseUp(CTrackerView &view, UINT flags, int x, int y)
{
    CShapeTracker::OnMouseUp(view, flags, x, y);
}

void CPolyTracker::Finish(CTrackerView &view, UINT flags)
{
    if (view.HasTrackerCapture())
        view.ReleaseTrackerCapture();
    active_ = false;
    std::vector<POINT> points;
    points.swap(points_);
    view.RubberBandChanged();
    if (points.empty())
        return;
    RECT box { points[0].x, points[0].y, points[0].x, points[0].y };
    for (const POINT &p : points) {
        box.left = std::min(box.left, p.x);
        box.top = std::min(box.top, p.y);
        box.right = std::max(box.right, p.x);
        box.bottom = std::max(box.bottom, p.y);
    }
    // The region of the polygon spans right - left by bottom - top pixels.
    if (box.right - box.left < 3 || box.bottom - box.top < 3)
        return;
    view.AddShape(kind_, (flags & MK_SHIFT) != 0, box, points);
}

void CPolyTracker::OnDoubleClick(CTrackerView &view, UINT flags, int, int)
{
    const POINT origin = view.PictureOrigin();
    for (POINT &p : points_) {
        p.x -= origin.x;
        p.y -= origin.y;
    }
    Finish(view, flags);
}
