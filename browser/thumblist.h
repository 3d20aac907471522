// The grid's items in display order and the selected ones in the order they were selected,
// with the anchor of range selections. Invariant: an item is in the selection list exactly when
// its selected flag is 1, and every selected item is in the display list.
#pragma once

#include "browser/thumbcachefile.h"
#include "platform/wintypes.h"

#include <string>
#include <string_view>

class CThumbObj;

class ThumbList
{
public:
    ThumbItemList &Items() { return m_items; }
    const ThumbItemList &Items() const { return m_items; }
    const ThumbItemList &Selected() const { return m_selected; }
    int Count() const { return static_cast<int>(m_items.size()); }
    bool Empty() const { return m_items.empty(); }
    CThumbObj *Anchor() const { return m_anchor; }
    void SetAnchor(CThumbObj *item) { m_anchor = item; }

    int IndexOf(const CThumbObj *item) const;
    // Index of the item whose cell holds pt (content coordinates), or -1.
    int HitTest(POINT pt) const;
    // Index of the first item of exactly that name, else of the first one equal ignoring case,
    // else -1 (a folder may hold names that differ only in case).
    int FindByName(std::string_view name) const;

    void ClearSelection();
    // Selects the item and appends it to the selection list (no-op when already selected).
    void Select(int index);
    void Deselect(CThumbObj *item);
    // Every item selected exactly when pt lies in its cell (the double and right click rule).
    void SelectAt(POINT pt);
    // Empties the selection and selects from the anchor (the first item when there is none) to
    // index, walking forward when index is at or after the anchor, else backward. The anchor stays.
    void SelectRange(int index);
    // Moves every selected item, in selection order, next to the item at target: after it when
    // after is true, else before it. False when the target is selected or out of range.
    bool MoveSelection(int target, bool after);
    // Moves the selection one step (next or previous) from the last selected item, or from the
    // first item when nothing is selected; stops at the ends. Index chosen, or -1 when empty.
    int SelectNeighbour(bool next);
    // The first selected item, else the first item (null when empty); remembers its place.
    CThumbObj *GetCurrent();
    int IteratorIndex() const { return m_iterator; }

    void Append(std::shared_ptr<CThumbObj> item);
    // Appends the other list's items and selection (the objects are shared) and drops the
    // items that have no thumbnail.
    void AdoptFrom(const ThumbList &other);
    // Puts replacement in the place of the item at index (it takes over the selection slot and
    // the anchor) and releases the old item.
    void Replace(int index, std::shared_ptr<CThumbObj> replacement);
    // Removes the item from both lists (and as anchor); false when it is not there.
    bool Remove(const CThumbObj *item);
    // Empties both lists and forgets the anchor.
    void Clear();

private:
    ThumbItemList m_items;
    ThumbItemList m_selected;
    CThumbObj *m_anchor = nullptr;
    int m_iterator = -1;
};

// Equality of file names as the grid compares them (ASCII letters without regard to case).
bool SameFileName(std::string_view a, std::string_view b);
// The key SameFileName compares by.
std::string FileNameKey(std::string_view name);
