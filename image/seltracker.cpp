#include "image/seltracker.h"

CSelTracker::CSelTracker(int kind)
    : CShapeTracker(kind)
{
}

void CSelTracker::OnMouseDown(CTrackerView &view, UINT flags, int x, int y)
{
    CShapeTracker::OnMouseDown(view, flags, x, y);
    view.SetTrackerCapture();
    m_start = m_current = POINT { x, y };
    view.RubberBandChanged();
}

void CSelTracker::OnMouseMove(CTrackerView &view, UINT, int x, int y)
{
    if (!view.HasTrackerCapture())
        return;
    m_current = POINT { x, y };
    view.RubberBandChanged();
}

void CSelTracker::OnMouseUp(CTrackerView &view, UINT flags, int x, int y)
{
    if (!view.HasTrackerCapture())
        return;
    CShapeTracker::OnMouseUp(view, flags, x, y);
    view.ReleaseTrackerCapture();
    view.RubberBandChanged();
    if (x == m_start.x && y == m_start.y)
        return;
    RECT r = NormalRect(m_start, POINT { x, y });
    const POINT origin = view.PictureOrigin();
    r.left -= origin.x;
    r.right -= origin.x;
    r.top -= origin.y;
    r.bottom -= origin.y;
    if (r.right == r.left)
        ++r.right;
    if (r.bottom == r.top)
        ++r.bottom;
    view.AddShape(m_kind, (flags & MK_SHIFT) != 0, r, {});
}

bool CSelTracker::RubberRect(RECT &rect) const
{
    if (!m_active)
        return false;
    rect = NormalRect(m_start, m_current);
    return true;
}
