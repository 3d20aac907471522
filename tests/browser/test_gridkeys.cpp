// Moving the current item with the keys over a grid of 12 items in 4 columns, and what each
// modifier does to the selection.
#include "browser/gridkeys.h"
#include "browser/thumblist.h"
#include "browser/thumbobj.h"

#include <gtest/gtest.h>

namespace
{

ThumbList Twelve()
{
    ThumbList list;
    for (int i = 0; i < 12; ++i) {
        auto item = std::make_shared<CThumbObj>();
        item->SetNameFolder(std::to_string(i), "/f");
        list.Append(item);
    }
    return list;
}

std::vector<int> SelectedIndices(const ThumbList &list)
{
    std::vector<int> out;
    for (const auto &item : list.Selected())
        out.push_back(list.IndexOf(item.get()));
    return out;
}

} // namespace

TEST(GridKeys, MoveTargets)
{
    // 12 items, 4 columns (3 rows), a page of 2 rows.
    struct Case {
        int from;
        GridMove move;
        int to;
    };
    const Case cases[] = {
        { -1, GridMove::Right, 0 },
        { -1, GridMove::Down, 0 },
        { -1, GridMove::End, 11 },
        { 0, GridMove::Left, 0 },
        { 0, GridMove::Up, 0 },
        { 5, GridMove::Left, 4 },
        { 5, GridMove::Right, 6 },
        { 3, GridMove::Right, 4 }, // wraps to the next row
        { 5, GridMove::Up, 1 },
        { 5, GridMove::Down, 9 },
        { 9, GridMove::Down, 9 },
        { 11, GridMove::Right, 11 },
        { 5, GridMove::Home, 0 },
        { 5, GridMove::End, 11 },
        { 1, GridMove::PageDown, 9 },
        { 5, GridMove::PageDown, 11 },
        { 10, GridMove::PageUp, 2 },
        { 6, GridMove::PageUp, 2 },
        { 0, GridMove::PageUp, 0 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(GridMoveTarget(c.from, c.move, 12, 4, 2), c.to)
            << c.from << " move " << static_cast<int>(c.move);

    // A last row that is not full: Down from above an empty cell goes to the last item.
    EXPECT_EQ(GridMoveTarget(6, GridMove::Down, 10, 4, 1), 9);
    EXPECT_EQ(GridMoveTarget(9, GridMove::Down, 10, 4, 1), 9);
    EXPECT_EQ(GridMoveTarget(0, GridMove::Right, 0, 4, 1), -1);
    EXPECT_EQ(GridMoveTarget(0, GridMove::Down, 3, 0, 0), 1) << "no layout yet counts as one column";
}

TEST(GridKeys, PlainShiftAndCtrlMoves)
{
    ThumbList list = Twelve();
    int current = ApplyGridMove(list, -1, GridMove::Right, false, false, 4, 2);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(SelectedIndices(list), (std::vector<int> { 0 }));
    current = ApplyGridMove(list, current, GridMove::Down, false, false, 4, 2);
    EXPECT_EQ(SelectedIndices(list), (std::vector<int> { 4 }));
    EXPECT_EQ(list.Anchor(), list.Items()[4].get());

    // Shift extends from the anchor; a second Shift move replaces the range.
    current = ApplyGridMove(list, current, GridMove::Right, true, false, 4, 2);
    current = ApplyGridMove(list, current, GridMove::Right, true, false, 4, 2);
    EXPECT_EQ(SelectedIndices(list), (std::vector<int> { 4, 5, 6 }));
    current = ApplyGridMove(list, current, GridMove::Up, true, false, 4, 2);
    EXPECT_EQ(current, 2);
    EXPECT_EQ(SelectedIndices(list), (std::vector<int> { 4, 3, 2 }));

    // Ctrl moves the current item only.
    current = ApplyGridMove(list, current, GridMove::End, false, true, 4, 2);
    EXPECT_EQ(current, 11);
    EXPECT_EQ(SelectedIndices(list), (std::vector<int> { 4, 3, 2 }));
    current = ApplyGridMove(list, current, GridMove::Home, false, false, 4, 2);
    EXPECT_EQ(SelectedIndices(list), (std::vector<int> { 0 }));
}
