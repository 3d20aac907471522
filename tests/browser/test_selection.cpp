// Selection state without a window: the anchor rules, press/release pairing, reordering and
// neighbours, on a list of items laid out in one row.
#include "browser/thumblist.h"
#include "browser/thumbmouse.h"
#include "browser/thumbobj.h"

#include <gtest/gtest.h>

namespace
{

using Names = std::vector<std::string>;

class SelectionTest : public ::testing::Test
{
protected:
    void Fill(int n)
    {
        for (int i = 0; i < n; ++i) {
            auto item = std::make_shared<CThumbObj>();
            item->SetNameFolder(std::string(1, static_cast<char>('a' + i)), "/f");
            list.Append(item);
        }
        Relayout();
    }
    // Cells by display position, as the grid's layout gives them after a move.
    void Relayout()
    {
        for (int i = 0; i < list.Count(); ++i)
            list.Items()[i]->SetCellRect(RECT { 10 + 100 * i, 10, 100 + 100 * i, 100 }, 10);
    }
    POINT At(int i, int dx = 0) const { return POINT { 55 + 100 * i + dx, 50 }; }
    Names Selected() const
    {
        Names n;
        for (const auto &item : list.Selected())
            n.push_back(item->GetName());
        return n;
    }
    Names Order() const
    {
        Names n;
        for (const auto &item : list.Items())
            n.push_back(item->GetName());
        return n;
    }
    void Click(int i, bool ctrl = false, bool shift = false)
    {
        mouse.LeftDown(At(i), ctrl, shift);
        mouse.LeftUp(At(i), true, ctrl, shift);
    }
    // The selection flags agree with the selection list.
    void CheckInvariant() const
    {
        for (const auto &item : list.Items()) {
            bool listed
                = std::find(list.Selected().begin(), list.Selected().end(), item) != list.Selected().end();
            EXPECT_EQ(item->GetSelected() != 0, listed) << item->GetName();
        }
    }

    ThumbList list;
    ThumbMouse mouse { list };
};

} // namespace

TEST_F(SelectionTest, PressOutcomes)
{
    Fill(4);
    MouseOutcome out = mouse.LeftDown(At(1), false, false);
    EXPECT_TRUE(out.notify);
    EXPECT_TRUE(mouse.DragReady());
    EXPECT_EQ(list.Anchor(), list.Items()[1].get());
    // A press on a selected item changes nothing and redraws at once.
    out = mouse.LeftDown(At(1), false, false);
    EXPECT_FALSE(out.notify);
    EXPECT_TRUE(out.redrawNow);
    EXPECT_FALSE(mouse.SelectionChanged());
    // On empty space: nothing, not even drag ready.
    out = mouse.LeftDown(POINT { 5, 5 }, false, false);
    EXPECT_FALSE(out.notify || out.invalidate || mouse.DragReady());
    EXPECT_EQ(Selected(), (Names { "b" }));
}

TEST_F(SelectionTest, ReleaseRulesOnSelectedItems)
{
    Fill(5);
    Click(0);
    Click(2, true);
    Click(4, true);
    EXPECT_EQ(Selected(), (Names { "a", "c", "e" }));
    // Shift release on a selected item whose press changed nothing: range from the anchor (e).
    mouse.LeftDown(At(2), false, true);
    mouse.LeftUp(At(2), true, false, true);
    EXPECT_EQ(Selected(), (Names { "e", "d", "c" }));
    // Ctrl release after an unchanged press deselects and moves the anchor.
    Click(3, true);
    EXPECT_EQ(Selected(), (Names { "e", "c" }));
    EXPECT_EQ(list.Anchor(), list.Items()[3].get());
    CheckInvariant();
}

TEST_F(SelectionTest, ShiftOnTheAnchorAndReleaseOnTheCentre)
{
    Fill(6);
    Click(4); // anchor e
    Click(4, false, true);
    EXPECT_EQ(Selected(), (Names { "e" }));
    Click(1, true); // selection order e, b
    // The exact centre of the target counts as its right half.
    mouse.LeftDown(At(1), false, false);
    EXPECT_TRUE(mouse.LeftUp(At(2), true, false, false).moved);
    EXPECT_EQ(Order(), (Names { "a", "c", "e", "b", "d", "f" }));
    CheckInvariant();
}

TEST_F(SelectionTest, NeighboursCurrentAndRemoval)
{
    EXPECT_EQ(list.SelectNeighbour(true), -1);
    EXPECT_EQ(list.GetCurrent(), nullptr);
    Fill(3);
    EXPECT_EQ(list.GetCurrent(), list.Items()[0].get());
    EXPECT_EQ(list.SelectNeighbour(true), 1);
    list.ClearSelection();
    EXPECT_EQ(list.SelectNeighbour(false), 0);
    EXPECT_EQ(list.SelectNeighbour(false), 0);
    Click(2);
    EXPECT_EQ(list.SelectNeighbour(true), 2);
    EXPECT_EQ(list.GetCurrent(), list.Items()[2].get());
    EXPECT_EQ(list.IteratorIndex(), 2);

    // Removing the selected anchor leaves consistent lists.
    list.Remove(list.Items()[2].get());
    EXPECT_TRUE(list.Selected().empty());
    EXPECT_EQ(list.Anchor(), nullptr);
    // A replacement takes over the selection slot and the anchor.
    Click(1);
    auto fresh = std::make_shared<CThumbObj>();
    fresh->SetNameFolder("b", "/f");
    list.Replace(1, fresh);
    EXPECT_EQ(list.Selected().at(0), fresh);
    EXPECT_EQ(list.Anchor(), fresh.get());
    CheckInvariant();
    // Names compare exactly first, then without regard to case.
    auto upper = std::make_shared<CThumbObj>();
    upper->SetNameFolder("A", "/f");
    list.Append(upper);
    EXPECT_EQ(list.FindByName("A"), 2);
    EXPECT_EQ(list.FindByName("a"), 0);
    EXPECT_EQ(list.FindByName("B"), 1);
}
