// Splits the rows of a pixel loop over the machine's cores. Each block of rows is independent,
// so the result does not depend on the number of threads.
#pragma once

#include <cstdint>
#include <functional>

// Threads the edits may use: 0 = one per core (at most 8), else exactly n (1 = no extra thread).
void SetImageThreads(int n);
int ImageThreads();

// Pictures below this many pixels of work run on the calling thread alone (tests lower it to
// exercise the split on small pictures; 0 restores the default).
void SetImageParallelThreshold(std::int64_t pixels);

// Number of blocks ParallelRows will use for this loop (for per-block scratch buffers, which
// must be allocated before the loop starts).
int ParallelBlocks(int rows, std::int64_t work);

// Runs fn(first, last, block) over contiguous blocks covering [0, rows); the calling thread takes
// block 0. `work` is the number of pixels the whole loop touches. If a thread cannot be started
// its block runs on the calling thread.
void ParallelRows(int rows, std::int64_t work, const std::function<void(int first, int last, int block)> &fn);

inline void ParallelRows(int rows, std::int64_t work, const std::function<void(int first, int last)> &fn)
{
    ParallelRows(rows, work, [&fn](int first, int last, int) { fn(first, last); });
}
