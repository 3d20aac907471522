#include "platform/event.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(Event, AutoResetReleasesOneWaitAndManualResetStaysSet)
{
    HANDLE autoReset = CreateEvent(nullptr, FALSE, TRUE, nullptr);
    HANDLE manual = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(
            WaitForSingleObject(autoReset, 0), i == 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT); // taken like a lock
        EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    }
    SetEvent(autoReset);
    EXPECT_EQ(WaitForSingleObject(autoReset, 10), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    CloseHandle(autoReset);
    CloseHandle(manual);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
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
    EXPECT_EQ(WaitForSingleObject(stopped, 0), WAIT_TIMEOUT);
    SetEvent(stop);
    EXPECT_EQ(WaitForSingleObject(stopped, 5000), WAIT_OBJECT_0);
    worker.join();
    for (HANDLE h : { stop, stopped, lock })
        CloseHandle(h);
}
