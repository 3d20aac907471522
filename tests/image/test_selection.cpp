#include "image/selectionstate.h"
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

// Delete drops the selection even when the edit fails (here: bringing the mask, made at 200 %,
// to the picture's size).
TEST(Selection, DeleteDropsTheSelectionEvenWhenTheFillFails)
{
    CImageObj p;
    ASSERT_TRUE(Make(p, 20, 10, 24, 3));
    CSelectionState sel;
    ASSERT_TRUE(sel.AddShape(kShapeRect, false, RECT { 4, 4, 12, 10 }, {}, 40, 20));
    const auto before = Snapshot(p);
    GlobalSetFailAt(1);
    const bool ok = sel.DeleteIn(p);
    GlobalSetFailAt(0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Snapshot(p), before);
    EXPECT_FALSE(sel.HasSelection());
    EXPECT_FALSE(sel.OutlineEnabled());
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
