#include "browser/thumbmouse.h"

#include "browser/thumblist.h"
#include "browser/thumbobj.h"

void ThumbMouse::Reset()
{
    m_dragReady = false;
    m_selectionChanged = false;
}

MouseOutcome ThumbMouse::LeftDown(POINT pt, bool ctrl, bool shift)
{
    MouseOutcome out;
    m_dragReady = false;
    m_selectionChanged = false;
    m_buttonDown = pt;
    m_mousePoint = pt;
    int hit = m_list.HitTest(pt);
    if (hit < 0)
        return out;
    CThumbObj *item = m_list.Items()[hit].get();
    if (item->GetSelected() != 0) {
        m_dragReady = true;
        out.redrawNow = true;
        return out;
    }
    if (ctrl) {
        m_list.Select(hit);
        m_list.SetAnchor(item);
    } else if (shift) {
        m_list.SelectRange(hit);
    } else {
        m_list.SelectAt(pt);
        m_list.SetAnchor(item);
    }
    m_dragReady = true;
    m_selectionChanged = true;
    out.invalidate = true;
    out.notify = true;
    return out;
}

MouseOutcome ThumbMouse::LeftUp(POINT pt, bool insideClient, bool ctrl, bool shift)
{
    MouseOutcome out;
    m_dragReady = false;
    m_mousePoint = pt;
    int hit = m_list.HitTest(pt);
    if (hit >= 0 && m_list.Items()[hit]->GetSelected() != 0) {
        CThumbObj *item = m_list.Items()[hit].get();
        if (!ctrl && !shift) {
            if (m_list.Selected().size() >= 2) {
                m_list.ClearSelection();
                m_list.Select(hit);
                m_list.SetAnchor(item);
            }
        } else if (shift && !ctrl) {
            if (!m_selectionChanged)
                m_list.SelectRange(hit);
        } else if (ctrl) {
            if (!m_selectionChanged) {
                m_list.Deselect(item);
                m_list.SetAnchor(item);
            }
        }
        out.invalidate = true;
        return out;
    }
    if (!insideClient || hit < 0)
        return out;
    const RECT &cell = m_list.Items()[hit]->GetCellRect();
    bool after = pt.x >= (cell.left + cell.right) / 2;
    if (m_list.MoveSelection(hit, after)) {
        out.moved = true;
        out.invalidate = true;
    }
    return out;
}

MouseOutcome ThumbMouse::DoubleClick(POINT pt)
{
    MouseOutcome out;
    m_list.SelectAt(pt);
    out.invalidate = true;
    return out;
}

MouseOutcome ThumbMouse::RightDown(POINT pt)
{
    return DoubleClick(pt);
}
