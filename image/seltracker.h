// Rectangle and ellipse tracking: press, drag, release.
#pragma once

#include "image/shapetracker.h"

class CSelTracker : public CShapeTracker
{
public:
    // kind: kShapeRect or kShapeEllipse.
    explicit CSelTracker(int kind);

    void OnMouseDown(CTrackerView &view, UINT flags, int x, int y) override;
    void OnMouseMove(CTrackerView &view, UINT flags, int x, int y) override;
    void OnMouseUp(CTrackerView &view, UINT flags, int x, int y) override;

    // The rubber band to draw (client coordinates) while a drag is under way.
    bool RubberRect(RECT &rect) const;
};
