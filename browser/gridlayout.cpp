#include "browser/gridlayout.h"

#include <algorithm>
#include <cmath>

namespace
{

int RoundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

bool Intersects(const RECT &a, const RECT &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom && a.left < a.right
        && a.top < a.bottom;
}

} // namespace

int ScrollInfo::MaxPosition() const
{
    int top = maximum - std::max(page - 1, 0);
    return std::max(top, minimum);
}

bool ScrollInfo::SetPosition(long long p)
{
    long long clamped = std::clamp<long long>(p, minimum, MaxPosition());
    bool changed = clamped != position;
    position = static_cast<int>(clamped);
    return changed;
}

bool GridLayout::Recalc(int clientWidth, int clientHeight, SIZE cellSize, int itemCount, long long limit)
{
    if (clientWidth <= 0 || clientHeight <= 0)
        return false;
    m_cellSize = cellSize;
    int pitchX = cellSize.cx + kGap;
    int pitch = Pitch();
    m_columns = std::max(pitchX > 0 ? clientWidth / pitchX : 1, 1);
    m_rows = (itemCount + m_columns - 1) / m_columns;
    m_visibleRows = pitch > 0 ? clientHeight / pitch : 0;

    long long range = 0;
    if (m_rows > m_visibleRows)
        range = static_cast<long long>(m_rows - m_visibleRows + 1) * pitch;
    long long position = range == 0 ? 0 : m_scroll.position;
    if (range > limit) {
        m_scale = static_cast<float>(static_cast<double>(limit) / static_cast<double>(range));
        m_scroll.page = RoundHalfUp(pitch * static_cast<double>(m_scale));
        m_scroll.maximum = RoundHalfUp(static_cast<double>(range) * m_scale);
        position = RoundHalfUp(static_cast<double>(position) * m_scale);
    } else {
        m_scale = 1.0f;
        m_scroll.page = pitch;
        m_scroll.maximum = static_cast<int>(range);
    }
    m_scroll.minimum = 0;
    m_scroll.position = static_cast<int>(std::clamp<long long>(position, 0, m_scroll.maximum));
    m_scroll.SetPosition(m_scroll.position);
    return true;
}

RECT GridLayout::CellRect(int index) const
{
    int columns = std::max(m_columns, 1);
    int row = (index + columns - 1) / columns;
    int column = index % columns;
    if (column == 0)
        column = columns;
    int left = (m_cellSize.cx + kGap) * (column - 1) + kGap;
    int top = (m_cellSize.cy + kGap) * (row - 1) + kGap;
    return RECT { left, top, left + m_cellSize.cx, top + m_cellSize.cy };
}

int GridLayout::ScrollOffset() const
{
    return RoundHalfUp(m_scroll.position / static_cast<double>(m_scale));
}

int GridLayout::ToScrollUnits(double pixels) const
{
    return RoundHalfUp(pixels * m_scale);
}

bool GridLayout::VScroll(ScrollCode code, int trackPosition)
{
    long long p = m_scroll.position;
    int page = m_scroll.page;
    switch (code) {
    case ScrollCode::LineUp:
    case ScrollCode::PageUp:
        p -= page;
        break;
    case ScrollCode::LineDown:
    case ScrollCode::PageDown:
        p += page;
        break;
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack:
        p = trackPosition;
        break;
    case ScrollCode::Top:
        p = std::min(m_scroll.minimum, m_scroll.maximum - page);
        break;
    case ScrollCode::Bottom:
        p = m_scroll.maximum;
        break;
    case ScrollCode::EndScroll:
        return false;
    }
    if (code != ScrollCode::Top)
        p = std::clamp<long long>(
            p, m_scroll.minimum, m_scroll.minimum + std::max(m_scroll.maximum - page, 0));
    if (p == m_scroll.position)
        return false;
    return m_scroll.SetPosition(p);
}

bool GridLayout::EnsureItemVisible(const RECT &rect)
{
    if (ScrollOffset() == rect.top)
        return false;
    return m_scroll.SetPosition(ToScrollUnits(rect.top - kGap));
}

bool GridLayout::FollowLoad(const RECT &itemCell, int clientHeight)
{
    if (clientHeight > (itemCell.bottom - itemCell.top) + kGap) {
        int shift = RoundHalfUp((m_scroll.position + m_scroll.page) / static_cast<double>(m_scale));
        if (itemCell.bottom > clientHeight + shift)
            return m_scroll.SetPosition(ToScrollUnits(shift));
        return false;
    }
    if (itemCell.top == 0)
        return false;
    return m_scroll.SetPosition(ToScrollUnits(itemCell.top - kGap));
}

bool GridLayout::ScrollIntoView(const RECT &rect, int clientHeight)
{
    int offset = ScrollOffset();
    if (rect.top - kGap < offset || rect.bottom - rect.top + 2 * kGap > clientHeight)
        return m_scroll.SetPosition(ToScrollUnits(rect.top - kGap));
    if (rect.bottom + kGap > offset + clientHeight)
        return m_scroll.SetPosition(ToScrollUnits(rect.bottom + kGap - clientHeight));
    return false;
}

void GridLayout::VisitItems(int itemCount, const std::function<RECT(int)> &cellOf, int clientWidth,
    int clientHeight, const std::function<void(int)> &draw) const
{
    VisitItems(itemCount, cellOf, RECT { 0, 0, clientWidth, clientHeight }, draw);
}

void GridLayout::VisitItems(int itemCount, const std::function<RECT(int)> &cellOf, const RECT &client,
    const std::function<void(int)> &draw) const
{
    int y = ScrollOffset();
    long long limit = static_cast<long long>(m_visibleRows + 2) * m_columns;
    long long counter = 0;
    for (int i = 0; i < itemCount; ++i) {
        RECT cell = cellOf(i);
        cell.top -= y;
        cell.bottom -= y;
        if (Intersects(cell, client)) {
            draw(i);
            ++counter;
        } else if (counter > 0) {
            ++counter;
        }
        if (counter > limit)
            break;
    }
}
