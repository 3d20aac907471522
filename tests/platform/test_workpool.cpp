#include "platform/dibutil.h"
#include "platform/workpool.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// A hang is a failure, not a stuck test run.
struct Alarm {
    Alarm() { ::alarm(60); }
    ~Alarm() { ::alarm(0); }
};

// Runs ParallelFor and checks that the bands tile [0, count) in order, each index once.
void ExpectTiled(int count, int bands)
{
    std::vector<std::atomic<int>> hits(static_cast<std::size_t>(count));
    std::vector<std::pair<int, int>> seen(static_cast<std::size_t>(std::max(bands, 1)), { -1, -1 });
    workpool::ParallelFor(count, bands, [&](int band, int first, int last) {
        seen[static_cast<std::size_t>(band)] = { first, last };
        for (int i = first; i < last; ++i)
            hits[static_cast<std::size_t>(i)].fetch_add(1);
    });
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(hits[static_cast<std::size_t>(i)].load(), 1) << count << " in " << bands << ", index " << i;
    const int used = std::min(bands, count);
    for (int b = 1; b < used; ++b)
        EXPECT_EQ(seen[static_cast<std::size_t>(b)].first, seen[static_cast<std::size_t>(b - 1)].second);
}

} // namespace

TEST(WorkPool, BandsTileTheRangeForAnySplit)
{
    Alarm alarm;
    for (int count : { 0, 1, 2, 7, 100, 1001 })
        for (int bands : { 0, 1, 2, 3, 8, 64, 5000 })
            ExpectTiled(count, bands);
}

TEST(WorkPool, NestedCallsAndManyCallersComplete)
{
    Alarm alarm;
    // Bands that split again, from several threads at once: the callers' own help keeps every
    // level moving even when all workers are busy.
    std::vector<std::thread> callers;
    std::atomic<long long> total { 0 };
    for (int t = 0; t < 6; ++t)
        callers.emplace_back([&] {
            workpool::ParallelFor(16, 16, [&](int, int first, int last) {
                for (int i = first; i < last; ++i)
                    workpool::ParallelFor(100, 4, [&](int, int a, int b) { total.fetch_add(b - a); });
            });
        });
    for (auto &c : callers)
        c.join();
    EXPECT_EQ(total.load(), 6LL * 16 * 100);
}

TEST(WorkPool, AnExceptionReachesTheCallerAfterEveryBand)
{
    Alarm alarm;
    std::atomic<int> ran { 0 };
    EXPECT_THROW(workpool::ParallelFor(8, 8,
                     [&](int band, int, int) {
                         ran.fetch_add(1);
                         if (band == 3)
                             throw std::runtime_error("band 3");
                     }),
        std::runtime_error);
    EXPECT_EQ(ran.load(), 8);
    ExpectTiled(50, 4); // the pool still works
}

TEST(WorkPool, AForkedChildSplitsWorkWithoutTheParentsWorkers)
{
    Alarm alarm;
    ExpectTiled(64, 8); // the parent's workers exist
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20);
        std::atomic<int> sum { 0 };
        workpool::ParallelFor(1000, 8, [&](int, int a, int b) { sum.fetch_add(b - a); });
        ::_exit(sum.load() == 1000 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(DibPixels, ShapeAndIndicesOfEveryDepth)
{
    BITMAPINFOHEADER h {};
    h.biWidth = 13;
    h.biHeight = 3;
    DibShape s;
    for (int bits : { 1, 4, 8, 16, 24, 32 }) {
        h.biBitCount = static_cast<WORD>(bits);
        ASSERT_TRUE(DibShapeOf(h, s)) << bits;
        EXPECT_EQ(s.stride, static_cast<std::size_t>(DibStride(13, bits)));
        EXPECT_EQ(s.size, s.stride * 3);
    }
    for (int bits : { 0, 2, 7, 48 }) {
        h.biBitCount = static_cast<WORD>(bits);
        EXPECT_FALSE(DibShapeOf(h, s)) << bits;
    }
    h.biBitCount = 8;
    for (auto [w, ht] : { std::pair { 0, 3 }, { 3, 0 }, { -1, 3 }, { 3, -3 }, { 65536, 65536 } }) {
        h.biWidth = w;
        h.biHeight = ht;
        EXPECT_FALSE(DibShapeOf(h, s)) << w << " x " << ht;
    }

    // Writing every index of a row and reading it back, leftmost pixel in the high bits.
    for (int bits : { 1, 4, 8 }) {
        std::uint8_t row[16] = {};
        const int levels = 1 << bits;
        for (int x = 0; x < 13; ++x)
            DibSetIndex(row, x, bits, (x * 5 + 1) % levels);
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(DibIndexAt(row, x, bits), (x * 5 + 1) % levels) << bits << " bits, x " << x;
        DibSetIndex(row, 2, bits, 0); // clearing leaves the neighbours alone
        EXPECT_EQ(DibIndexAt(row, 1, bits), 6 % levels);
        EXPECT_EQ(DibIndexAt(row, 3, bits), 16 % levels);
    }
    std::uint8_t one[1] = { 0x80 };
    std::uint8_t four[1] = { 0xA5 };
    EXPECT_EQ(DibGetPixel1(one, 0), 1);
    EXPECT_EQ(DibGetPixel1(one, 1), 0);
    EXPECT_EQ(DibGetPixel4(four, 0), 0xA);
    EXPECT_EQ(DibGetPixel4(four, 1), 0x5);
}

TEST(WorkPool, BackgroundJobsAllRunAndMayWaitOnBands)
{
    Alarm alarm;
    std::mutex mutex;
    std::condition_variable cv;
    int done = 0;
    std::atomic<long long> total { 0 };
    constexpr int kJobs = 40;
    workpool::Post([] { throw std::runtime_error("a failing job"); }); // must not end its worker
    for (int j = 0; j < kJobs; ++j)
        workpool::Post([&] {
            // A background job may split its own work over the row bands.
            workpool::ParallelFor(64, 4, [&](int, int a, int b) { total.fetch_add(b - a); });
            std::lock_guard<std::mutex> lock(mutex);
            if (++done == kJobs)
                cv.notify_all();
        });
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return done == kJobs; });
    EXPECT_EQ(total.load(), kJobs * 64LL);
}
