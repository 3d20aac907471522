#include "platform/event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{

struct EventObject {
    std::mutex mutex;
    std::condition_variable cv;
    bool manual = false;
    bool signaled = false;
};

EventObject *Cast(HANDLE h)
{
    return static_cast<EventObject *>(h);
}

} // namespace

HANDLE CreateEvent(void *, BOOL manualReset, BOOL initialState, const char *)
{
    auto *e = new (std::nothrow) EventObject;
    if (e == nullptr)
        return nullptr;
    e->manual = manualReset != FALSE;
    e->signaled = initialState != FALSE;
    return e;
}

BOOL SetEvent(HANDLE h)
{
    EventObject *e = Cast(h);
    if (e == nullptr)
        return FALSE;
    {
        std::lock_guard lock(e->mutex);
        e->signaled = true;
    }
    if (e->manual)
        e->cv.notify_all();
    else
        e->cv.notify_one();
    return TRUE;
}

BOOL ResetEvent(HANDLE h)
{
    EventObject *e = Cast(h);
    if (e == nullptr)
        return FALSE;
    std::lock_guard lock(e->mutex);
    e->signaled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds)
{
    EventObject *e = Cast(h);
    if (e == nullptr)
        return WAIT_FAILED;
    std::unique_lock lock(e->mutex);
    auto ready = [e] { return e->signaled; };
    if (milliseconds == INFINITE)
        e->cv.wait(lock, ready);
    else if (!e->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
        return WAIT_TIMEOUT;
    if (!e->manual)
        e->signaled = false;
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE h)
{
    if (h == nullptr)
        return FALSE;
    delete Cast(h);
    return TRUE;
}

void Sleep(DWORD milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
