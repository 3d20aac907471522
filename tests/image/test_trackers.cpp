#include "image/polytracker.h"
#include "image/seltracker.h"

#include <gtest/gtest.h>

namespace
{

struct Shape {
    int kind;
    bool subtract;
    RECT bounds;
    std::vector<POINT> points;
};

class FakeView : public CTrackerView
{
public:
    void SetTrackerCapture() override { capture = true; }
    void ReleaseTrackerCapture() override { capture = false; }
    bool HasTrackerCapture() const override { return capture; }
    POINT PictureOrigin() const override { return origin; }
    void RubberBandChanged() override { ++repaints; }
    void AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points) override
    {
        shapes.push_back(Shape { kind, subtract, bounds, points });
    }

    bool capture = false;
    POINT origin { 10, 20 };
    int repaints = 0;
    std::vector<Shape> shapes;
};

} // namespace

TEST(SelTracker, DragGivesANormalisedRectangleInPictureCoordinates)
{
    FakeView view;
    CSelTracker t(kShapeEllipse);
    t.OnMouseDown(view, MK_LBUTTON, 50, 60);
    EXPECT_TRUE(view.capture);
    EXPECT_TRUE(t.IsActive());
    t.OnMouseMove(view, MK_LBUTTON, 30, 90);
    RECT band;
    ASSERT_TRUE(t.RubberRect(band));
    EXPECT_EQ(band.left, 30);
    EXPECT_EQ(band.bottom, 90);
    t.OnMouseUp(view, 0, 20, 100);
    EXPECT_FALSE(view.capture);
    EXPECT_FALSE(t.IsActive());
    ASSERT_EQ(view.shapes.size(), 1u);
    const Shape &s = view.shapes[0];
    EXPECT_EQ(s.kind, kShapeEllipse);
    EXPECT_FALSE(s.subtract);
    EXPECT_EQ(s.bounds.left, 10);
    EXPECT_EQ(s.bounds.top, 40);
    EXPECT_EQ(s.bounds.right, 40);
    EXPECT_EQ(s.bounds.bottom, 80);
    EXPECT_GE(view.repaints, 2);
}

TEST(SelTracker, ClickWithoutDragAddsNothingAndThinDragsWidenToOnePixel)
{
    FakeView view;
    CSelTracker t(kShapeRect);
    t.OnMouseDown(view, MK_LBUTTON, 50, 60);
    t.OnMouseUp(view, 0, 50, 60);
    EXPECT_TRUE(view.shapes.empty());
    EXPECT_FALSE(view.capture);
    t.OnMouseDown(view, MK_LBUTTON | MK_SHIFT, 50, 60);
    t.OnMouseUp(view, MK_SHIFT, 50, 80);
    ASSERT_EQ(view.shapes.size(), 1u);
    EXPECT_TRUE(view.shapes[0].subtract);
    EXPECT_EQ(view.shapes[0].bounds.right - view.shapes[0].bounds.left, 1);
    t.OnMouseMove(view, 0, 70, 70); // no capture: ignored
    t.OnMouseUp(view, 0, 90, 90);
    EXPECT_EQ(view.shapes.size(), 1u);
}

TEST(PolyTracker, ClicksAndFreeHandDragsMakeTheCorners)
{
    FakeView view;
    CPolyTracker t;
    t.OnMouseDown(view, MK_LBUTTON, 10, 20);
    t.OnMouseUp(view, 0, 10, 20);
    t.OnMouseMove(view, 0, 40, 20); // rubber line only
    t.OnMouseDown(view, MK_LBUTTON, 40, 20);
    t.OnMouseMove(view, MK_LBUTTON, 40, 35); // free hand while the button is down
    t.OnMouseUp(view, 0, 40, 35);
    t.OnMouseDown(view, MK_LBUTTON, 10, 50);
    t.OnMouseUp(view, 0, 10, 50);
    EXPECT_EQ(t.Points().size(), 4u);
    EXPECT_TRUE(view.capture);
    t.OnDoubleClick(view, MK_SHIFT, 10, 50);
    EXPECT_FALSE(view.capture);
    EXPECT_TRUE(t.Points().empty());
    ASSERT_EQ(view.shapes.size(), 1u);
    const Shape &s = view.shapes[0];
    EXPECT_EQ(s.kind, kShapePolygon);
    EXPECT_TRUE(s.subtract);
    ASSERT_EQ(s.points.size(), 4u);
    EXPECT_EQ(s.points[0].x, 0); // moved by minus the origin (10, 20)
    EXPECT_EQ(s.points[0].y, 0);
    EXPECT_EQ(s.points[2].y, 15);
    EXPECT_EQ(s.bounds.right, 30);
    EXPECT_EQ(s.bounds.bottom, 30);
}

TEST(PolyTracker, PolygonsUnderThreePixelsAreDiscarded)
{
    FakeView view;
    CPolyTracker t;
    for (POINT p : { POINT { 0, 0 }, POINT { 50, 0 }, POINT { 50, 2 } }) {
        t.OnMouseDown(view, MK_LBUTTON, p.x, p.y);
        t.OnMouseUp(view, 0, p.x, p.y);
    }
    t.Finish(view, 0);
    EXPECT_TRUE(view.shapes.empty());
    EXPECT_TRUE(t.Points().empty());
}
