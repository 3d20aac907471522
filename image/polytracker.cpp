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
        m_points.push_back(POINT { x, y });
    } catch (const std::bad_alloc &) {
        return;
    }
    m_current = POINT { x, y };
    CShapeTracker::OnMouseDown(view, flags, x, y);
    view.RubberBandChanged();
}

void CPolyTracker::OnMouseMove(CTrackerView &view, UINT, int x, int y)
{
    if (!view.HasTrackerCapture())
        return;
    m_current = POINT { x, y };
    if (m_active) {
        try {
            m_points.push_back(m_current);
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
    m_active = false;
    std::vector<POINT> points;
    points.swap(m_points);
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
    view.AddShape(m_kind, (flags & MK_SHIFT) != 0, box, points);
}

void CPolyTracker::OnDoubleClick(CTrackerView &view, UINT flags, int, int)
{
    const POINT origin = view.PictureOrigin();
    for (POINT &p : m_points) {
        p.x -= origin.x;
        p.y -= origin.y;
    }
    Finish(view, flags);
}
