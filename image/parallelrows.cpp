#include "image/parallelrows.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace
{

std::atomic<int> g_threads { 0 };
constexpr std::int64_t kDefaultThreshold = 256 * 1024;
std::atomic<std::int64_t> g_threshold { kDefaultThreshold };

} // namespace

void SetImageThreads(int n)
{
    g_threads.store(n < 0 ? 0 : n);
}

int ImageThreads()
{
    int n = g_threads.load();
    if (n > 0)
        return std::min(n, 8);
    unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : static_cast<int>(std::min(hw, 8u));
}

void SetImageParallelThreshold(std::int64_t pixels)
{
    g_threshold.store(pixels > 0 ? pixels : kDefaultThreshold);
}

int ParallelBlocks(int rows, std::int64_t work)
{
    if (rows <= 1 || work < g_threshold.load())
        return 1;
    return std::max(1, std::min(ImageThreads(), rows));
}

void ParallelRows(int rows, std::int64_t work, const std::function<void(int, int, int)> &fn)
{
    if (rows <= 0)
        return;
    const int blocks = ParallelBlocks(rows, work);
    if (blocks == 1) {
        fn(0, rows, 0);
        return;
    }
    auto bound
        = [rows, blocks](int k) { return static_cast<int>(static_cast<std::int64_t>(rows) * k / blocks); };
    std::thread pool[8];
    for (int k = 1; k < blocks; ++k) {
        try {
            pool[k - 1] = std::thread(fn, bound(k), bound(k + 1), k);
        } catch (const std::system_error &) {
            fn(bound(k), bound(k + 1), k);
        }
    }
    fn(0, bound(1), 0);
    for (std::thread &t : pool)
        if (t.joinable())
            t.join();
}
