// Polygon tracking: each click adds a corner, dragging adds free-hand corners, a double click
// closes the polygon.
#pragma once

#include "image/shapetracker.h"

class CPolyTracker : public CShapeTracker
{
public:
    CPolyTracker();

    void OnMouseDown(CTrackerView &view, UINT flags, int x, int y) override;
    void OnMouseMove(CTrackerView &view, UINT flags, int x, int y) override;
    void OnMouseUp(CTrackerView &view, UINT flags, int x, int y) override;
    // Closes the polygon with the points as they are (already in picture coordinates).
    virtual void Finish(CTrackerView &view, UINT flags);
    // Closes the polygon; the points are first moved by minus the picture's display origin.
    virtual void OnDoubleClick(CTrackerView &view, UINT flags, int x, int y);

    // While tracking: whether the rubber lines (last corner to the mouse, first corner to the
    // mouse) are to be drawn; the fixed corners are Points().
    bool Tracking() const { return !m_points.empty(); }
};
