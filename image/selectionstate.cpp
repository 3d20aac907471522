#include "image/selectionstate.h"

#include "image/imageobj.h"
#include "image/polytracker.h"
#include "image/seltracker.h"
#include "platform/event.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace
{

RECT Intersect(const RECT &a, const RECT &b)
{
    return RECT { std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
        std::min(a.bottom, b.bottom) };
}

bool SameRect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A mask with nothing selected over the displayed picture unless there is one; false without
// memory (the mask stays absent).
bool EnsureMask(std::unique_ptr<CMaskObj> &mask, int displayWidth, int displayHeight)
{
    if (mask)
        return true;
    auto made = std::unique_ptr<CMaskObj>(new (std::nothrow) CMaskObj);
    if (!made || !made->Create(displayWidth, displayHeight, 1))
        return false;
    mask = std::move(made);
    return true;
}

} // namespace

CSelectionState::CSelectionState()
    : m_stop(CreateEvent(nullptr, TRUE, FALSE, nullptr))
    , m_stopped(CreateEvent(nullptr, TRUE, TRUE, nullptr))
    , m_lock(CreateEvent(nullptr, FALSE, TRUE, nullptr))
{
}

CSelectionState::~CSelectionState()
{
    StopWorker();
    CloseHandle(m_stop);
    CloseHandle(m_stopped);
    CloseHandle(m_lock);
}

void CSelectionState::Lock()
{
    WaitForSingleObject(m_lock, INFINITE);
}

void CSelectionState::Unlock()
{
    SetEvent(m_lock);
}

bool CSelectionState::StartWorker(std::function<void()> onTick)
{
    if (m_worker.joinable() || m_stop == nullptr || m_stopped == nullptr || m_lock == nullptr)
        return false;
    ResetEvent(m_stop);
    ResetEvent(m_stopped);
    try {
        m_worker = std::thread(&CSelectionState::WorkerLoop, this, std::move(onTick));
    } catch (const std::system_error &) {
        SetEvent(m_stopped);
        return false;
    }
    return true;
}

void CSelectionState::WorkerLoop(std::function<void()> onTick)
{
    while (WaitForSingleObject(m_stop, 75) == WAIT_TIMEOUT) {
        if (Tick() && onTick)
            onTick();
    }
    SetEvent(m_stopped);
}

void CSelectionState::StopWorker()
{
    if (!m_worker.joinable())
        return;
    SetEvent(m_lock);
    SetEvent(m_stop);
    WaitForSingleObject(m_stopped, INFINITE);
    m_worker.join();
}

bool CSelectionState::Tick()
{
    Guard guard(*this);
    const bool shown = !m_red.empty() || !m_green.empty();
    m_red.clear();
    m_green.clear();
    if (!m_outlineEnabled || !m_mask)
        return shown;
    // The visible part of the picture, and one more pixel around it (inside the picture) so
    // that the border test sees the neighbours of the visible edge pixels.
    const RECT area = Intersect(m_displayRect, m_visibleRect);
    if (area.right <= area.left || area.bottom <= area.top)
        return shown;
    const RECT window
        = Intersect(RECT { area.left - 1, area.top - 1, area.right + 1, area.bottom + 1 }, m_displayRect);
    if (m_outlineMask && (!SameRect(m_outlineRect, m_displayRect) || !SameRect(m_outlineWindow, window)))
        m_outlineMask.reset();
    if (!m_outlineMask) {
        const RECT placed { m_displayRect.left - window.left, m_displayRect.top - window.top,
            m_displayRect.right - window.left, m_displayRect.bottom - window.top };
        auto copy = std::unique_ptr<CMaskObj>(new (std::nothrow) CMaskObj);
        if (!copy
            || !m_mask->ScaledCopy(*copy, window.right - window.left, window.bottom - window.top, placed)
            || !copy->ComputeOutline())
            return shown;
        m_outlineMask = std::move(copy);
        m_outlineRect = m_displayRect;
        m_outlineWindow = window;
    }
    try {
        for (const POINT &p : m_outlineMask->Outline()) {
            const POINT c { p.x + window.left, p.y + window.top };
            if (c.x < area.left || c.x >= area.right || c.y < area.top || c.y >= area.bottom)
                continue;
            (IsRedDot(c.x, c.y, m_phase) ? m_red : m_green).push_back(c);
        }
    } catch (const std::bad_alloc &) {
        m_red.clear();
        m_green.clear();
    }
    m_phase = m_phase - 1 < 0 ? 7 : m_phase - 1;
    return shown || !m_red.empty() || !m_green.empty();
}

CShapeTracker *CSelectionState::TrackerForMouseDown()
{
    if (m_tool != kShapeRect && m_tool != kShapeEllipse && m_tool != kShapePolygon)
        return nullptr;
    if (!m_tracker || m_tracker->Kind() != m_tool) {
        m_tracker.reset();
        if (m_tool == kShapePolygon)
            m_tracker.reset(new (std::nothrow) CPolyTracker);
        else
            m_tracker.reset(new (std::nothrow) CSelTracker(m_tool));
    }
    Drop();
    return m_tracker.get();
}

bool CSelectionState::AddShape(int kind, bool subtract, const RECT &b, const std::vector<POINT> &points,
    int displayWidth, int displayHeight)
{
    Guard guard(*this);
    m_outlineEnabled = false;
    if (!EnsureMask(m_mask, displayWidth, displayHeight))
        return false;
    bool ok = false;
    switch (kind) {
    case kShapeRect:
        ok = subtract ? m_mask->SubRect(b.left, b.top, b.right, b.bottom)
                      : m_mask->AddRect(b.left, b.top, b.right, b.bottom);
        break;
    case kShapeEllipse:
        ok = subtract ? m_mask->SubEllipse(b.left, b.top, b.right, b.bottom)
                      : m_mask->AddEllipse(b.left, b.top, b.right, b.bottom);
        break;
    case kShapePolygon: {
        const int n = static_cast<int>(points.size());
        ok = subtract ? m_mask->SubPolygon(n, points.data()) : m_mask->AddPolygon(n, points.data());
        break;
    }
    default:
        break;
    }
    m_outlineMask.reset();
    m_outlineEnabled = true;
    return ok;
}

void CSelectionState::DropLocked()
{
    m_outlineEnabled = false;
    m_mask.reset();
    m_outlineMask.reset();
    m_red.clear();
    m_green.clear();
}

void CSelectionState::Drop()
{
    Guard guard(*this);
    DropLocked();
}

bool CSelectionState::Reverse(int displayWidth, int displayHeight)
{
    Guard guard(*this);
    m_outlineEnabled = false;
    if (!EnsureMask(m_mask, displayWidth, displayHeight))
        return false;
    m_mask->Invert();
    m_outlineMask.reset();
    m_outlineEnabled = true;
    return true;
}

bool CSelectionState::HasSelection()
{
    Guard guard(*this);
    return m_mask != nullptr;
}

RECT CSelectionState::Bounds()
{
    Guard guard(*this);
    return m_mask ? m_mask->GetBounds(1) : RECT { 0, 0, 0, 0 };
}

bool CSelectionState::DeleteIn(CImageObj &picture)
{
    return EditThroughMask(picture, &CImageObj::DeleteSelection, true);
}

bool CSelectionState::CropIn(CImageObj &picture)
{
    return EditThroughMask(picture, &CImageObj::CropToSelection, false);
}

bool CSelectionState::EditThroughMask(
    CImageObj &picture, bool (CImageObj::*edit)(CMaskObj &), bool dropAlways)
{
    Guard guard(*this);
    if (!m_mask)
        return false;
    m_outlineEnabled = false;
    if (!(picture.*edit)(*m_mask)) {
        if (dropAlways) {
            DropLocked();
            return false;
        }
        m_outlineMask.reset();
        m_outlineEnabled = true;
        return false;
    }
    DropLocked();
    return true;
}

void CSelectionState::SetDisplayRect(const RECT &picture, const RECT &visible)
{
    Guard guard(*this);
    m_displayRect = picture;
    m_visibleRect = visible;
}

bool CSelectionState::Dots(std::vector<POINT> &red, std::vector<POINT> &green)
{
    Guard guard(*this);
    try {
        red = m_red;
        green = m_green;
    } catch (const std::bad_alloc &) {
        red.clear();
        green.clear();
    }
    return !red.empty() || !green.empty();
}
