#include "image/parallelrows.h"

#include "platform/workpool.h"

#include <algorithm>
#include <atomic>

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
    return std::min(workpool::Capacity(), 8);
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
    workpool::ParallelFor(rows, blocks, [&fn](int block, int first, int last) { fn(first, last, block); });
}
