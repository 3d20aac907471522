// Rows and columns of an item grid and its vertical scroll bar, in content coordinates (y grows
// from the top of the whole grid). Very tall grids scroll in scaled units: a position is pixels
// × scale, so the bar's range never exceeds the platform's limit.
#pragma once

#include "platform/wintypes.h"

#include <functional>

enum class ScrollCode {
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    ThumbPosition,
    ThumbTrack,
    Top,
    Bottom,
    EndScroll
};

// A scroll bar as the platform keeps it: the position stays within [minimum, maximum - page + 1].
struct ScrollInfo {
    int minimum = 0;
    int maximum = 0;
    int page = 0;
    int position = 0;

    int MaxPosition() const;
    // Stores p clamped like the platform's scroll bar; true when the position changed.
    bool SetPosition(long long p);
};

class GridLayout
{
public:
    static constexpr int kGap = 7;
    static constexpr long long kScrollLimit = 2147483647;

    // Recomputes columns, rows, visible rows and the scroll bar for a client of w × h pixels.
    // Nothing happens (false) when either is 0.
    bool Recalc(
        int clientWidth, int clientHeight, SIZE cellSize, int itemCount, long long limit = kScrollLimit);
    // Cell of the 1-based item i.
    RECT CellRect(int index) const;

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    int VisibleRows() const { return m_visibleRows; }
    int Pitch() const { return m_cellSize.cy + kGap; }
    float Scale() const { return m_scale; }
    const ScrollInfo &Scroll() const { return m_scroll; }
    ScrollInfo &Scroll() { return m_scroll; }
    // Scroll position in pixels: position ÷ scale, rounded half up.
    int ScrollOffset() const;
    // Pixels in scroll units: pixels × scale, rounded half up.
    int ToScrollUnits(double pixels) const;

    // The vertical scroll codes; true when the position changed.
    bool VScroll(ScrollCode code, int trackPosition);
    // Puts rect (content coordinates) at the top unless it is there; true when scrolled.
    bool EnsureItemVisible(const RECT &rect);
    // After an item entered the grid during a load: keeps the newest row in view.
    bool FollowLoad(const RECT &itemCell, int clientHeight);
    // Smallest scroll that shows rect whole (or its top when it is taller than the client).
    bool ScrollIntoView(const RECT &rect, int clientHeight);

    // Which items a paint visits: those whose cell, moved up by the offset, meets the client;
    // after the first one every item counts, and the walk ends once (visible rows + 2) ×
    // columns have counted. draw(i) is called for each item to draw (0-based).
    void VisitItems(int itemCount, const std::function<RECT(int)> &cellOf, int clientWidth, int clientHeight,
        const std::function<void(int)> &draw) const;
    // The same walk for a paint of part of the client: only cells meeting area (window
    // coordinates) are drawn.
    void VisitItems(int itemCount, const std::function<RECT(int)> &cellOf, const RECT &area,
        const std::function<void(int)> &draw) const;

private:
    SIZE m_cellSize { 80, 80 };
    int m_columns = 0;
    int m_rows = 0;
    int m_visibleRows = 1;
    float m_scale = 1.0f;
    ScrollInfo m_scroll;
};
