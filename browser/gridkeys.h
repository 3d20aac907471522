// The keyboard in the thumbnail grid: arrows, Home/End and PageUp/PageDown move the current item;
// alone they select it, with Shift they select from the anchor to it, with Ctrl they move it
// without touching the selection.
#pragma once

class ThumbList;

enum class GridMove { Left, Right, Up, Down, Home, End, PageUp, PageDown };

// Index the current item moves to in a grid of count items laid out in columns, a page being
// pageRows rows; stays within the grid. From no current item (-1) every move lands on the
// first item. -1 for an empty grid.
int GridMoveTarget(int current, GridMove move, int count, int columns, int pageRows);

// Moves the current item and applies the selection rule; returns the new current index.
// A plain move makes the target the only selected item and the anchor; Shift selects from the
// anchor (the first item when there is none) to the target; Ctrl leaves the selection alone.
int ApplyGridMove(
    ThumbList &list, int current, GridMove move, bool shift, bool ctrl, int columns, int pageRows);
