#include "image/seltracker.h"

CSelTracker::CSelTracker(int kind)
    : CShapeTracker(kind)
{
}

void CSelTracker::OnMouseDown(CTrackerView &view, UINT flags, int x, int y)
{
    CShapeTracker::OnMouseDown(view, flags, x, y);
    view.SetTrackerCapture();
    start_ = current_ = POINT { x, y };
    view.RubberBandChanged();
}

void CSelTracker::OnMouseMove(CTrackerView &view, UINT, int x, int y)
{
    if (!view.HasTrackerCapture())
        return;
    current_ = POINT { x, y };
    view.RubberBandChanged();
}

void CSelTracker::OnMouseUp(CTrackerView &view, UINT flags, int x, int y)
{
    if (!view.HasTrackerCapture())
        return;
    CShapeTracker::OnMouseUp(view, flags, x, y);
    view.ReleaseTrackerCapture();
    view.RubberBandChanged();
    if (x == start_.x && y == start_.y)
        return;
    RECT r = NormalRect(start_, POINT { x, y });
    const POINT origin = view.PictureOrigin();
    r.left -= origin.x;
    r.right -= origin.x;
    r.top -= origin.y;
    r.bottom -= origin.y;
    if (r.right == r.left)
        ++r.right;
    if (r.bottom == r.top)
        ++r.bottom;
    view.AddShape(kind_, (flags & MK_SHIFT) != 0, r, {});
}

bool CSelTracker::RubberRect(RECT &rect) const
{
    if (!active_)
        return false;
    rect = NormalRect(start_, current_);
    return true;
}
