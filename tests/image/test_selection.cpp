#include "image/polytracker.h"
#include "image/selectionstate.h"
#include "image/seltracker.h"
#include "testpictures.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace testpic;

TEST(Selection, ShapesAndReverseMakeAMaskOfTheDisplayedSize)
{
    CSelectionState sel;
    EXPECT_FALSE(sel.HasSelection());
    ASSERT_TRUE(sel.AddShape(kShapeRect, false, RECT { 2, 2, 6, 5 }, {}, 40, 30));
    EXPECT_TRUE(sel.HasSelection());
    EXPECT_TRUE(sel.OutlineEnabled());
    EXPECT_EQ(Ltrb(sel.Bounds()), (A4 { 2, 2, 6, 5 }));
    sel.Drop();
    EXPECT_FALSE(sel.OutlineEnabled());
    // A subtracted shape on a fresh mask selects nothing.
    ASSERT_TRUE(sel.AddShape(kShapeEllipse, true, RECT { 2, 2, 16, 15 }, {}, 40, 30));
    EXPECT_EQ(Ltrb(sel.Bounds()), (A4 { 0, 0, 0, 0 }));
    sel.Drop();
    ASSERT_TRUE(sel.Reverse(25, 12)); // without a selection: everything
    EXPECT_EQ(Ltrb(sel.Bounds()), (A4 { 0, 0, 25, 12 }));
    ASSERT_TRUE(sel.Reverse(25, 12));
    EXPECT_EQ(Ltrb(sel.Bounds()), (A4 { 0, 0, 0, 0 }));
}

TEST(Selection, TicksColourTheOutlineAndCrawl)
{
    CSelectionState sel;
    sel.SetDisplayRect(RECT { 100, 50, 120, 60 });
    ASSERT_TRUE(sel.AddShape(kShapeRect, false, RECT { 0, 0, 20, 10 }, {}, 20, 10));
    std::vector<POINT> red, green;
    EXPECT_FALSE(sel.Dots(red, green));
    EXPECT_EQ(sel.Phase(), 0);
    EXPECT_TRUE(sel.Tick());
    ASSERT_TRUE(sel.Dots(red, green));
    EXPECT_EQ(red.size() + green.size(), 56u); // the ring of a 20 × 10 rectangle
    for (const POINT &p : red) {
        EXPECT_TRUE(p.x >= 100 && p.x < 120 && p.y >= 50 && p.y < 60);
        EXPECT_GT((p.x - p.y + 10000) % 8, 3);
    }
    for (const POINT &p : green)
        EXPECT_LE((p.x - p.y + 10000) % 8, 3);
    EXPECT_EQ(sel.Phase(), 7); // 0 wraps to 7
    sel.Drop(); // the dashes go at once (the pane repaints after dropping)
    EXPECT_FALSE(sel.Dots(red, green));
    EXPECT_FALSE(sel.Tick());
}

TEST(Selection, WorkerTicksUntilStopped)
{
    std::atomic<int> ticks { 0 };
    {
        CSelectionState sel;
        sel.SetDisplayRect(RECT { 0, 0, 10, 10 });
        sel.AddShape(kShapeRect, false, RECT { 1, 1, 5, 5 }, {}, 10, 10);
        ASSERT_TRUE(sel.StartWorker([&ticks] { ++ticks; }));
        EXPECT_FALSE(sel.StartWorker([] {}));
        for (int i = 0; i < 100 && ticks < 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_GE(ticks.load(), 2);
        sel.Lock(); // the pane paints under the lock; the worker waits meanwhile
        sel.Unlock();
    } // the destructor stops the worker
    int after = ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ticks.load(), after);
}

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
