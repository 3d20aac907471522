#include "browser/thumblist.h"

#include "browser/thumbobj.h"

#include <algorithm>

namespace
{

bool PointInRect(const RECT &r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool SameFileName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return LowerAscii(x) == LowerAscii(y);
    });
}

std::string FileNameKey(std::string_view name)
{
    std::string key(name);
    for (char &c : key)
        c = LowerAscii(c);
    return key;
}

int ThumbList::IndexOf(const CThumbObj *item) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item)
            return static_cast<int>(i);
    }
    return -1;
}

int ThumbList::HitTest(POINT pt) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (PointInRect(m_items[i]->GetCellRect(), pt))
            return static_cast<int>(i);
    }
    return -1;
}

int ThumbList::FindByName(std::string_view name) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i]->GetName() == name)
            return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (SameFileName(m_items[i]->GetName(), name))
            return static_cast<int>(i);
    }
    return -1;
}

void ThumbList::ClearSelection()
{
    for (const auto &item : m_items)
        item->SetSelected(0);
    for (const auto &item : m_selected)
        item->SetSelected(0);
    m_selected.clear();
}

void ThumbList::Select(int index)
{
    if (index < 0 || index >= Count())
        return;
    const auto &item = m_items[index];
    if (item->GetSelected() != 0)
        return;
    item->SetSelected(1);
    m_selected.push_back(item);
}

void ThumbList::Deselect(CThumbObj *item)
{
    item->SetSelected(0);
    m_selected.erase(std::remove_if(m_selected.begin(), m_selected.end(),
                         [item](const std::shared_ptr<CThumbObj> &s) { return s.get() == item; }),
        m_selected.end());
}

void ThumbList::SelectAt(POINT pt)
{
    m_selected.clear();
    for (const auto &item : m_items) {
        bool hit = PointInRect(item->GetCellRect(), pt);
        item->SetSelected(hit ? 1 : 0);
        if (hit)
            m_selected.push_back(item);
    }
}

void ThumbList::SelectRange(int index)
{
    if (index < 0 || index >= Count())
        return;
    int anchor = IndexOf(m_anchor);
    if (anchor < 0) {
        m_anchor = m_items.front().get();
        anchor = 0;
    }
    ClearSelection();
    int step = index >= anchor ? 1 : -1;
    for (int i = anchor;; i += step) {
        Select(i);
        if (i == index)
            break;
    }
}

bool ThumbList::MoveSelection(int target, bool after)
{
    if (target < 0 || target >= Count())
        return false;
    std::shared_ptr<CThumbObj> keep = m_items[target];
    if (keep->GetSelected() != 0)
        return false;
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                      [](const std::shared_ptr<CThumbObj> &item) { return item->GetSelected() != 0; }),
        m_items.end());
    auto at = std::find(m_items.begin(), m_items.end(), keep);
    if (after)
        ++at;
    m_items.insert(at, m_selected.begin(), m_selected.end());
    return true;
}

int ThumbList::SelectNeighbour(bool next)
{
    int position = m_selected.empty() ? 0 : IndexOf(m_selected.back().get());
    ClearSelection();
    if (m_items.empty())
        return -1;
    if (position < 0)
        position = 0;
    int chosen = position;
    if (next && position + 1 < Count())
        chosen = position + 1;
    else if (!next && position > 0)
        chosen = position - 1;
    Select(chosen);
    return chosen;
}

CThumbObj *ThumbList::GetCurrent()
{
    if (!m_selected.empty()) {
        CThumbObj *item = m_selected.front().get();
        m_iterator = IndexOf(item);
        return item;
    }
    if (m_items.empty())
        return nullptr;
    return m_items.front().get();
}

void ThumbList::Append(std::shared_ptr<CThumbObj> item)
{
    m_items.push_back(std::move(item));
}

void ThumbList::AdoptFrom(const ThumbList &other)
{
    m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
    m_selected.insert(m_selected.end(), other.m_selected.begin(), other.m_selected.end());
    auto blank
        = [](const std::shared_ptr<CThumbObj> &item) { return item->GetPictureHeader().biBitCount == 0; };
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(), blank), m_items.end());
    m_selected.erase(std::remove_if(m_selected.begin(), m_selected.end(), blank), m_selected.end());
}

void ThumbList::Replace(int index, std::shared_ptr<CThumbObj> replacement)
{
    if (index < 0 || index >= Count())
        return;
    std::shared_ptr<CThumbObj> old = m_items[index];
    if (old->GetSelected() != 0) {
        replacement->SetSelected(1);
        std::replace(m_selected.begin(), m_selected.end(), old, replacement);
    }
    if (m_anchor == old.get())
        m_anchor = replacement.get();
    m_items[index] = std::move(replacement);
}

bool ThumbList::Remove(const CThumbObj *item)
{
    int index = IndexOf(item);
    if (index < 0)
        return false;
    m_selected.erase(std::remove(m_selected.begin(), m_selected.end(), m_items[index]), m_selected.end());
    if (m_anchor == item)
        m_anchor = nullptr;
    m_items.erase(m_items.begin() + index);
    m_iterator = -1;
    return true;
}

void ThumbList::Clear()
{
    m_selected.clear();
    m_items.clear();
    m_anchor = nullptr;
    m_iterator = -1;
}
