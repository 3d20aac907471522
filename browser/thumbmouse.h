// The mouse rules of the thumbnail grid as a state machine over its item lists: click, Ctrl and
// Shift selection with the anchor, the press/release pairing, reordering by releasing over an
// item, double and right click. Points are in content coordinates. The grid turns the outcome
// into repaints and the notification.
#pragma once

#include "platform/wintypes.h"

class ThumbList;

struct MouseOutcome {
    bool notify = false; // the press changed the selection: tell the main frame
    bool invalidate = false; // repaint when convenient
    bool redrawNow = false; // repaint the whole client at once
    bool moved = false; // the display order changed (renumber, mark modified)
};

class ThumbMouse
{
public:
    explicit ThumbMouse(ThumbList &list)
        : m_list(list)
    {
    }

    MouseOutcome LeftDown(POINT pt, bool ctrl, bool shift);
    // insideClient: the release point lies in the grid's client area.
    MouseOutcome LeftUp(POINT pt, bool insideClient, bool ctrl, bool shift);
    MouseOutcome DoubleClick(POINT pt);
    MouseOutcome RightDown(POINT pt);
    void MouseMove(POINT pt) { m_mousePoint = pt; }

    bool DragReady() const { return m_dragReady; }
    void ResetDrag() { m_dragReady = false; }
    bool SelectionChanged() const { return m_selectionChanged; }
    POINT ButtonDownPoint() const { return m_buttonDown; }
    POINT MousePoint() const { return m_mousePoint; }
    void Reset();

private:
    ThumbList &m_list;
    bool m_dragReady = false;
    bool m_selectionChanged = false;
    POINT m_buttonDown { 0, 0 };
    POINT m_mousePoint { 0, 0 };
};
