#include "browser/gridkeys.h"

#include "browser/thumblist.h"

#include <algorithm>

int GridMoveTarget(int current, GridMove move, int count, int columns, int pageRows)
{
    if (count <= 0)
        return -1;
    if (current < 0 || current >= count)
        return move == GridMove::End ? count - 1 : 0;
    columns = std::max(columns, 1);
    long long step = static_cast<long long>(columns) * std::max(pageRows, 1);
    long long target = current;
    switch (move) {
    case GridMove::Left:
        target = current - 1;
        break;
    case GridMove::Right:
        target = current + 1;
        break;
    case GridMove::Up:
        target = current - columns >= 0 ? current - columns : current;
        break;
    case GridMove::Down:
        // From a row above the last, Down lands on the last item when the column below is empty.
        if (current + columns < count)
            target = current + columns;
        else if (current / columns < (count - 1) / columns)
            target = count - 1;
        break;
    case GridMove::Home:
        target = 0;
        break;
    case GridMove::End:
        target = count - 1;
        break;
    case GridMove::PageUp:
        target = current - step;
        if (target < 0)
            target = current % columns;
        break;
    case GridMove::PageDown:
        target = current + step;
        if (target >= count)
            target = count - 1;
        break;
    }
    return static_cast<int>(std::clamp<long long>(target, 0, count - 1));
}

int ApplyGridMove(
    ThumbList &list, int current, GridMove move, bool shift, bool ctrl, int columns, int pageRows)
{
    int target = GridMoveTarget(current, move, list.Count(), columns, pageRows);
    if (target < 0 || ctrl)
        return target;
    if (shift) {
        list.SelectRange(target);
        return target;
    }
    list.ClearSelection();
    list.Select(target);
    list.SetAnchor(list.Items()[target].get());
    return target;
}
