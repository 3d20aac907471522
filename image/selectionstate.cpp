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

} // namespace

CSelectionState::CSelectionState()
    : stop_(CreateEvent(nullptr, TRUE, FALSE, nullptr))
    , stopped_(CreateEvent(nullptr, TRUE, TRUE, nullptr))
    , lock_(CreateEvent(nullptr, FALSE, TRUE, nullptr))
{
}

CSelectionState::~CSelectionState()
{
    StopWorker();
    CloseHandle(stop_);
    CloseHandle(stopped_);
    CloseHandle(lock_);
}

void CSelectionState::Lock()
{
    WaitForSingleObject(lock_, INFINITE);
}

void CSelectionState::Unlock()
{
    SetEvent(lock_);
}

bool CSelectionState::StartWorker(std::function<void()> onTick)
{
    if (worker_.joinable() || stop_ == nullptr || stopped_ == nullptr || lock_ == nullptr)
        return false;
    ResetEvent(stop_);
    ResetEvent(stopped_);
    try {
        worker_ = std::thread(&CSelectionState::WorkerLoop, this, std::move(onTick));
    } catch (const std::system_error &) {
        SetEvent(stopped_);
        return false;
    }
    return true;
}

void CSelectionState::WorkerLoop(std::function<void()> onTick)
{
    while (WaitForSingleObject(stop_, 75) == WAIT_TIMEOUT) {
        if (Tick() && onTick)
            onTick();
    }
    SetEvent(stopped_);
}

void CSelectionState::StopWorker()
{
    if (!worker_.joinable())
        return;
    SetEvent(lock_);
    SetEvent(stop_);
    WaitForSingleObject(stopped_, INFINITE);
    worker_.join();
}

bool CSelectionState::Tick()
{
    Guard guard(*this);
    const bool shown = !red_.empty() || !green_.empty();
    red_.clear();
    green_.clear();
    if (!outlineEnabled_ || !mask_)
        return shown;
    // The visible part of the picture, and one more pixel around it (inside the picture) so
    // that the border test sees the neighbours of the visible edge pixels.
    const RECT area = Intersect(displayRect_, visibleRect_);
    if (area.right <= area.left || area.bottom <= area.top)
        return shown;
    const RECT window
        = Intersect(RECT { area.left - 1, area.top - 1, area.right + 1, area.bottom + 1 }, displayRect_);
    if (outlineMask_ && (!SameRect(outlineRect_, displayRect_) || !SameRect(outlineWindow_, window)))
        outlineMask_.reset();
    if (!outlineMask_) {
        const RECT placed { displayRect_.left - window.left, displayRect_.top - window.top,
            displayRect_.right - window.left, displayRect_.bottom - window.top };
        auto copy = std::unique_ptr<CMaskObj>(new (std::nothrow) CMaskObj);
        if (!copy || !mask_->ScaledCopy(*copy, window.right - window.left, window.bottom - window.top, placed)
            || !copy->ComputeOutline())
            return shown;
        outlineMask_ = std::move(copy);
        outlineRect_ = displayRect_;
        outlineWindow_ = window;
    }
    try {
        for (const POINT &p : outlineMask_->Outline()) {
            const POINT c { p.x + window.left, p.y + window.top };
            if (c.x < area.left || c.x >= area.right || c.y < area.top || c.y >= area.bottom)
                continue;
            (IsRedDot(c.x, c.y, phase_) ? red_ : green_).push_back(c);
        }
    } catch (const std::bad_alloc &) {
        red_.clear();
        green_.clear();
    }
    phase_ = phase_ - 1 < 0 ? 7 : phase_ - 1;
    return shown || !red_.empty() || !green_.empty();
}

CShapeTracker *CSelectionState::TrackerForMouseDown()
{
    if (tool_ != kShapeRect && tool_ != kShapeEllipse && tool_ != kShapePolygon)
        return nullptr;
    if (!tracker_ || tracker_->Kind() != tool_) {
        tracker_.reset();
        if (tool_ == kShapePolygon)
            tracker_.reset(new (std::nothrow) CPolyTracker);
        else
            tracker_.reset(new (std::nothrow) CSelTracker(tool_));
    }
    Drop();
    return tracker_.get();
}

bool CSelectionState::AddShape(int kind, bool subtract, const RECT &b, const std::vector<POINT> &points,
    int displayWidth, int displayHeight)
{
    Guard guard(*this);
    outlineEnabled_ = false;
    if (!mask_) {
        auto mask = std::unique_ptr<CMaskObj>(new (std::nothrow) CMaskObj);
        if (!mask || !mask->Create(displayWidth, displayHeight, 1))
            return false;
        mask_ = std::move(mask);
    }
    bool ok = false;
    switch (kind) {
    case kShapeRect:
        ok = subtract ? mask_->SubRect(b.left, b.top, b.right, b.bottom)
                      : mask_->AddRect(b.left, b.top, b.right, b.bottom);
        break;
    case kShapeEllipse:
        ok = subtract ? mask_->SubEllipse(b.left, b.top, b.right, b.bottom)
                      : mask_->AddEllipse(b.left, b.top, b.right, b.bottom);
        break;
    case kShapePolygon: {
        const int n = static_cast<int>(points.size());
        ok = subtract ? mask_->SubPolygon(n, points.data()) : mask_->AddPolygon(n, points.data());
        break;
    }
    default:
        break;
    }
    outlineMask_.reset();
    outlineEnabled_ = true;
    return ok;
}

void CSelectionState::DropLocked()
{
    outlineEnabled_ = false;
    mask_.reset();
    outlineMask_.reset();
    red_.clear();
    green_.clear();
}

void CSelectionState::Drop()
{
    Guard guard(*this);
    DropLocked();
}

bool CSelectionState::Reverse(int displayWidth, int displayHeight)
{
    Guard guard(*this);
    outlineEnabled_ = false;
    if (!mask_) {
        auto mask = std::unique_ptr<CMaskObj>(new (std::nothrow) CMaskObj);
        if (!mask || !mask->Create(displayWidth, displayHeight, 1))
            return false;
        mask_ = std::move(mask);
    }
    mask_->Invert();
    outlineMask_.reset();
    outlineEnabled_ = true;
    return true;
}

bool CSelectionState::HasSelection()
{
    Guard guard(*this);
    return mask_ != nullptr;
}

RECT CSelectionState::Bounds()
{
    Guard guard(*this);
    return mask_ ? mask_->GetBounds(1) : RECT { 0, 0, 0, 0 };
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
    if (!mask_)
        return false;
    outlineEnabled_ = false;
    if (!(picture.*edit)(*mask_)) {
        if (dropAlways) {
            DropLocked();
            return false;
        }
        outlineMask_.reset();
        outlineEnabled_ = true;
        return false;
    }
    DropLocked();
    return true;
}

void CSelectionState::SetDisplayRect(const RECT &picture, const RECT &visible)
{
    Guard guard(*this);
    displayRect_ = picture;
    visibleRect_ = visible;
}

bool CSelectionState::Dots(std::vector<POINT> &red, std::vector<POINT> &green)
{
    Guard guard(*this);
    try {
        red = red_;
        green = green_;
    } catch (const std::bad_alloc &) {
        red.clear();
        green.clear();
    }
    return !red.empty() || !green.empty();
}
