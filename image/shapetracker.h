// Mouse trackers that turn drags into selection shapes. A pane feeds them its mouse events and
// implements CTrackerView; the trackers keep the geometry and call back for capture, repaint and
// the finished shape.
#pragma once

#include "platform/wintypes.h"

#include <vector>

#ifndef _WIN32
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;
#endif

// Tracker kinds, also the selection tools of the pane.
constexpr int kShapeRect = 1;
constexpr int kShapeEllipse = 3;
constexpr int kShapePolygon = 6;

// The pane side of tracking.
class CTrackerView
{
public:
    virtual ~CTrackerView() = default;
    virtual void SetTrackerCapture() = 0;
    virtual void ReleaseTrackerCapture() = 0;
    virtual bool HasTrackerCapture() const = 0;
    // The picture's top-left corner in client coordinates (device units).
    virtual POINT PictureOrigin() const = 0;
    // The rubber band moved: repaint it (drawn inverted, clipped to the displayed picture).
    virtual void RubberBandChanged() = 0;
    // A finished shape in picture display coordinates: rectangles and ellipses as `bounds`,
    // polygons as `points` (with `bounds` their bounding box). subtract: Shift was down.
    virtual void AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points) = 0;
};

class CShapeTracker
{
public:
    explicit CShapeTracker(int kind);
    virtual ~CShapeTracker();
    CShapeTracker(const CShapeTracker &) = delete;
    CShapeTracker &operator=(const CShapeTracker &) = delete;

    // Client coordinates; flags are the MK_ key flags of the mouse message.
    virtual void OnMouseDown(CTrackerView &view, UINT flags, int x, int y);
    virtual void OnMouseMove(CTrackerView &view, UINT flags, int x, int y);
    virtual void OnMouseUp(CTrackerView &view, UINT flags, int x, int y);
    // Drops the shape being drawn without adding it (Esc): no corners, no capture, no rubber band.
    void Abandon(CTrackerView &view);

    int Kind() const { return m_kind; }
    bool IsActive() const { return m_active; }
    POINT StartPoint() const { return m_start; }
    POINT CurrentPoint() const { return m_current; }
    const std::vector<POINT> &Points() const { return m_points; }

protected:
    std::vector<POINT> m_points;
    POINT m_start { 0, 0 };
    POINT m_current { 0, 0 };
    int m_kind;
    bool m_active = false;
};

// Rectangle between two corners, normalised (left <= right, top <= bottom).
RECT NormalRect(POINT a, POINT b);
