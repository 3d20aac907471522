// Grid layout and scrolling: the cell numbers for the thumbnail pane's 100 × 100 box, rows and
// columns, the scroll codes, scaled scrolling of very tall grids, and which items a paint visits.
#include "browser/gridlayout.h"
#include "browser/resourceobj.h"

#include <array>
#include <gtest/gtest.h>

namespace
{

SIZE CellFor(int box, int textHeight)
{
    return SIZE { box + 14, box + 2 * textHeight + 16 };
}

using Edges = std::array<LONG, 4>;
Edges EdgesOf(const RECT &r)
{
    return { r.left, r.top, r.right, r.bottom };
}

} // namespace

TEST(GridLayout, Box100CellsAndGeometry)
{
    const int h = 15;
    SIZE cell = CellFor(100, h);
    EXPECT_EQ(cell.cx, 114);
    EXPECT_EQ(cell.cy, 146);

    GridLayout layout;
    // 3 columns need 3 × 121 = 363 pixels; 362 gives 2. Rows of 153.
    ASSERT_TRUE(layout.Recalc(363, 459, cell, 7));
    EXPECT_EQ(layout.Columns(), 3);
    EXPECT_EQ(layout.Rows(), 3);
    EXPECT_EQ(layout.VisibleRows(), 3);
    EXPECT_EQ(layout.Scroll().maximum, 0);
    ASSERT_TRUE(layout.Recalc(362, 459, cell, 7));
    EXPECT_EQ(layout.Columns(), 2);
    EXPECT_EQ(layout.Rows(), 4);

    ASSERT_TRUE(layout.Recalc(363, 459, cell, 7));
    EXPECT_EQ(EdgesOf(layout.CellRect(1)), (Edges { 7, 7, 121, 153 }));
    const RECT sixth = layout.CellRect(6);
    EXPECT_EQ(EdgesOf(sixth), (Edges { 7 + 2 * 121, 7 + 153, 7 + 2 * 121 + 114, 7 + 153 + 146 }));
    EXPECT_EQ(EdgesOf(layout.CellRect(7)), (Edges { 7, 7 + 2 * 153, 121, 7 + 2 * 153 + 146 }));

    // The item's own rectangles inside its cell.
    CResourceObj item;
    item.SetBoxSize(100, 100);
    item.SetCellRect(sixth, h);
    const LONG x = sixth.left, y = sixth.top;
    EXPECT_EQ(EdgesOf(item.GetBoxRect()), (Edges { x + 7, y + 15, x + 107, y + 115 }));
    EXPECT_EQ(EdgesOf(item.GetLabelRect()), (Edges { x + 1, y + 130, sixth.right - 1, sixth.bottom - 1 }));
}

TEST(GridLayout, ScrollRangeAndCodes)
{
    SIZE cell = CellFor(100, 15);
    GridLayout layout;
    EXPECT_FALSE(layout.Recalc(0, 400, cell, 10));
    ASSERT_TRUE(layout.Recalc(400, 320, cell, 10)); // 3 columns, 4 rows, 2 visible
    EXPECT_EQ(layout.Scroll().maximum, 3 * 153);
    EXPECT_EQ(layout.Scroll().page, 153);

    EXPECT_TRUE(layout.VScroll(ScrollCode::LineDown, 0));
    EXPECT_EQ(layout.Scroll().position, 153);
    EXPECT_TRUE(layout.VScroll(ScrollCode::PageDown, 0));
    EXPECT_EQ(layout.Scroll().position, 306);
    EXPECT_FALSE(layout.VScroll(ScrollCode::PageDown, 0)); // clamped at maximum − page
    EXPECT_TRUE(layout.VScroll(ScrollCode::ThumbTrack, 100));
    EXPECT_EQ(layout.ScrollOffset(), 100);
    EXPECT_TRUE(layout.VScroll(ScrollCode::Top, 0));
    EXPECT_EQ(layout.Scroll().position, 0);
    EXPECT_TRUE(layout.VScroll(ScrollCode::Bottom, 0));
    EXPECT_EQ(layout.Scroll().position, 306);

    // Fewer rows than the client shows: no range, position 0.
    ASSERT_TRUE(layout.Recalc(400, 320, cell, 2));
    EXPECT_EQ(layout.Scroll().maximum, 0);
    EXPECT_EQ(layout.Scroll().position, 0);
    // The top code on an empty grid leaves position 0.
    GridLayout empty;
    ASSERT_TRUE(empty.Recalc(400, 320, cell, 0));
    EXPECT_FALSE(empty.VScroll(ScrollCode::Top, 0));
    EXPECT_EQ(empty.Scroll().position, 0);
}

TEST(GridLayout, TallGridsScrollInScaledUnits)
{
    SIZE cell = CellFor(100, 15);
    GridLayout layout;
    // 1024 items in one column: a range of (1024 − 2 + 1) × 153 pixels, beyond 32767.
    ASSERT_TRUE(layout.Recalc(130, 320, cell, 1024, 32767));
    double range = 1023.0 * 153;
    EXPECT_FLOAT_EQ(layout.Scale(), static_cast<float>(32767 / range));
    EXPECT_EQ(layout.Scroll().maximum, 32767);
    EXPECT_EQ(layout.Scroll().page, static_cast<int>(153 * layout.Scale() + 0.5));
    // An item far down is brought to the top in scaled units, and the offset maps back.
    RECT item = layout.CellRect(500);
    EXPECT_TRUE(layout.EnsureItemVisible(item));
    EXPECT_EQ(layout.Scroll().position, static_cast<int>((item.top - 7) * layout.Scale() + 0.5));
    EXPECT_NEAR(layout.ScrollOffset(), item.top - 7, 3);
    // At the top already (offset = item top) nothing moves.
    GridLayout plain;
    ASSERT_TRUE(plain.Recalc(130, 320, cell, 20));
    plain.Scroll().SetPosition(7 + 153);
    EXPECT_FALSE(plain.EnsureItemVisible(RECT { 7, 7 + 153, 121, 153 + 153 }));
}

TEST(GridLayout, FollowLoadAndPaintVisits)
{
    SIZE cell = CellFor(100, 15);
    GridLayout layout;
    ASSERT_TRUE(layout.Recalc(130, 620, cell, 6)); // one column, 4 visible rows
    // Rows 5 and 6 enter: the fifth still fits the view moved by one page, the sixth scrolls.
    EXPECT_FALSE(layout.FollowLoad(layout.CellRect(5), 620));
    EXPECT_TRUE(layout.FollowLoad(layout.CellRect(6), 620));
    EXPECT_EQ(layout.Scroll().position, 153);

    // A window lower than one row puts each new item at the top.
    GridLayout low;
    ASSERT_TRUE(low.Recalc(130, 100, cell, 6));
    EXPECT_TRUE(low.FollowLoad(low.CellRect(3), 100));
    EXPECT_EQ(low.ScrollOffset(), low.CellRect(3).top - 7);

    // Paint visits: items meeting the client, and the walk stops (visible rows + 2) × columns
    // after the first drawn one.
    GridLayout tall;
    ASSERT_TRUE(tall.Recalc(130, 320, cell, 100)); // 1 column, 2 visible
    tall.Scroll().SetPosition(153 * 10);
    std::vector<int> drawn;
    tall.VisitItems(
        100, [&](int i) { return tall.CellRect(i + 1); }, 130, 320, [&](int i) { drawn.push_back(i); });
    EXPECT_EQ(drawn, (std::vector<int> { 10, 11, 12 }));
}
