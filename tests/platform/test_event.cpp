#include "platform/event.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(Event, AutoResetReleasesOneWaitThenResets)
{
    HANDLE e = CreateEvent(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT); // taken like a lock
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 10), WAIT_OBJECT_0);
    CloseHandle(e);
}

TEST(Event, ManualResetStaysSetUntilReset)
{
    HANDLE e = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    ResetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
}

TEST(Event, StopAndStoppedHandshakeAcrossThreads)
{
    HANDLE stop = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    HANDLE stopped = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    HANDLE lock = CreateEvent(nullptr, FALSE, TRUE, nullptr);
    std::atomic<int> ticks { 0 };
    std::thread worker([&] {
        while (WaitForSingleObject(stop, 1) == WAIT_TIMEOUT) {
            WaitForSingleObject(lock, INFINITE);
            ++ticks;
            SetEvent(lock);
        }
        SetEvent(stopped);
    });
    while (ticks < 3)
        Sleep(1);
    SetEvent(stop);
    EXPECT_EQ(WaitForSingleObject(stopped, 5000), WAIT_OBJECT_0);
    worker.join();
    for (HANDLE h : { stop, stopped, lock })
        CloseHandle(h);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
}
