#include "image/polytracker.h"
#include "image/seltracker.h"
#include "testpictures.h"

#include <gtest/gtest.h>

using testpic::Ltrb;
using A4 = std::array<LONG, 4>;

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
    POINT PictureOrigin() const override { return POINT { 10, 20 }; }
    void RubberBandChanged() override { ++repaints; }
    void AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points) override
    {
        shapes.push_back(Shape { kind, subtract, bounds, points });
    }

    bool capture = false;
    int repaints = 0;
    std::vector<Shape> shapes;
};

void Click(CShapeTracker &t, FakeView &view, int x, int y)
{
    t.OnMouseDown(view, MK_LBUTTON, x, y);
    t.OnMouseUp(view, 0, x, y);
}

} // namespace

TEST(SelTracker, DragsGiveNormalisedPictureRectanglesAndClicksNothing)
{
    FakeView view;
    CSelTracker t(kShapeEllipse);
    Click(t, view, 50, 60);
    EXPECT_TRUE(view.shapes.empty());
    t.OnMouseDown(view, MK_LBUTTON | MK_SHIFT, 50, 60);
    EXPECT_TRUE(view.capture && t.IsActive());
    t.OnMouseMove(view, MK_LBUTTON | MK_SHIFT, 30, 90);
    RECT band;
    ASSERT_TRUE(t.RubberRect(band));
    EXPECT_EQ(Ltrb(band), (A4 { 30, 60, 50, 90 }));
    t.OnMouseUp(view, MK_SHIFT, 20, 100);
    EXPECT_FALSE(view.capture || t.IsActive());
    t.OnMouseDown(view, MK_LBUTTON, 50, 60);
    t.OnMouseUp(view, 0, 50, 80); // thin: widened to one pixel
    t.OnMouseMove(view, 0, 70, 70); // no capture: ignored
    t.OnMouseUp(view, 0, 90, 90);
    ASSERT_EQ(view.shapes.size(), 2u);
    EXPECT_EQ(view.shapes[0].kind, kShapeEllipse);
    EXPECT_TRUE(view.shapes[0].subtract);
    EXPECT_EQ(Ltrb(view.shapes[0].bounds), (A4 { 10, 40, 40, 80 })); // minus the origin (10, 20)
    EXPECT_FALSE(view.shapes[1].subtract);
    EXPECT_EQ(view.shapes[1].bounds.right - view.shapes[1].bounds.left, 1);
    EXPECT_GE(view.repaints, 2);
}

TEST(PolyTracker, ClicksAndFreeHandDragsMakeTheCorners)
{
    FakeView view;
    CPolyTracker t;
    Click(t, view, 10, 20);
    t.OnMouseMove(view, 0, 40, 20); // rubber line only
    t.OnMouseDown(view, MK_LBUTTON, 40, 20);
    t.OnMouseMove(view, MK_LBUTTON, 40, 35); // free hand while the button is down
    t.OnMouseUp(view, 0, 40, 35);
    Click(t, view, 10, 50);
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
    EXPECT_EQ((A4 { s.points[0].x, s.points[0].y, s.points[2].x, s.points[2].y }), (A4 { 0, 0, 30, 15 }));
    EXPECT_EQ(s.bounds.right, 30);
    EXPECT_EQ(s.bounds.bottom, 30);
}
