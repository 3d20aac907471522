#include "image/selectionstate.h"

#include "image/imageobj.h"
#include "image/polytracker.h"
#include "image/seltracker.h"
#include "platform/event.h"

#include <new>
#include <system_error>

namespace
{

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
        Tick();
        if (onTick)
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

void CSelectionState::Tick()
{
    Guard guard(*this);
    red_.clear();
    green_.clear();
    if (!outlineEnabled_ || !mask_)
        return;
    const int w = displayRect_.right - displayRect_.left, h = displayRect_.bottom - displayRect_.top;
    if (w <= 0 || h <= 0)
        return;
    if (outlineMask_ && !SameRect(outlineRect_, displayRect_))
        outlineMask_.reset();
    if (!outlineMask_) {
        auto copy = std::unique_ptr<CMaskObj>(new (std::nothrow) CMaskObj);
        if (!copy || !mask_->ScaledCopy(*copy, w, h, RECT { 0, 0, w, h }) || !copy->ComputeOutline())
            return;
        outlineMask_ = std::move(copy);
        outlineRect_ = displayRect_;
    }
    try {
        for (const POINT &p : outlineMask_->Outline()) {
            POINT c { p.x + outlineRect_.left, p.y + outlineRect_.top };
            (IsRedDot(c.x, c.y, phase_) ? red_ : green_).push_back(c);
        }
    } catch (const std::bad_alloc &) {
        red_.clear();
        green_.clear();
    }
    phase_ = phase_ - 1 < 0 ? 7 : phase_ - 1;
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
    Guard guard(*this);
    if (!mask_)
        return false;
    outlineEnabled_ = false;
    if (!picture.DeleteSelection(*mask_)) {
        outlineMask_.reset();
        outlineEnabled_ = true;
        return false;
    }
    DropLocked();
    return true;
}

bool CSelectionState::CropIn(CImageObj &picture)
{
    Guard guard(*this);
    if (!mask_)
        return false;
    outlineEnabled_ = false;
    if (!picture.CropToSelection(*mask_)) {
        outlineMask_.reset();
        outlineEnabled_ = true;
        return false;
    }
    DropLocked();
    return true;
}

void CSelectionState::SetDisplayRect(const RECT &rect)
{
    Guard guard(*this);
    displayRect_ = rect;
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
