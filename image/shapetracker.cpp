#include "image/shapetracker.h"

#include <algorithm>

CShapeTracker::CShapeTracker(int kind)
    : kind_(kind)
{
}

CShapeTracker::~CShapeTracker() = default;

void CShapeTracker::OnMouseDown(CTrackerView &, UINT, int, int)
{
    active_ = true;
}

void CShapeTracker::OnMouseMove(CTrackerView &, UINT, int, int) { }

void CShapeTracker::OnMouseUp(CTrackerView &, UINT, int, int)
{
    active_ = false;
}

RECT NormalRect(POINT a, POINT b)
{
    return RECT { std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y) };
}

void CShapeTracker::Abandon(CTrackerView &view)
{
    const bool drawing = active_ || !points_.empty();
    points_.clear();
    active_ = false;
    if (view.HasTrackerCapture())
        view.ReleaseTrackerCapture();
    if (drawing)
        view.RubberBandChanged();
}
