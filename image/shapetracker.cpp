#include "image/shapetracker.h"

#include <algorithm>

CShapeTracker::CShapeTracker(int kind)
    : m_kind(kind)
{
}

CShapeTracker::~CShapeTracker() = default;

void CShapeTracker::OnMouseDown(CTrackerView &, UINT, int, int)
{
    m_active = true;
}

void CShapeTracker::OnMouseMove(CTrackerView &, UINT, int, int) { }

void CShapeTracker::OnMouseUp(CTrackerView &, UINT, int, int)
{
    m_active = false;
}

RECT NormalRect(POINT a, POINT b)
{
    return RECT { std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y) };
}

void CShapeTracker::Abandon(CTrackerView &view)
{
    const bool drawing = m_active || !m_points.empty();
    m_points.clear();
    m_active = false;
    if (view.HasTrackerCapture())
        view.ReleaseTrackerCapture();
    if (drawing)
        view.RubberBandChanged();
}
