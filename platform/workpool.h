// The process's one pool of worker threads. The row bands of the edits, the bitmap library and the
// batch conversions run on its workers, and background jobs (thumbnails, pictures decoded ahead) on
// its background workers, so however many parts of the program work at once, the busy threads stay
// near the number of cores instead of each part starting threads of its own.
#pragma once

#include <functional>

namespace workpool
{

// Threads the pool keeps busy at most, the caller included: the usable cores (at least 1).
int Capacity();

// Runs fn(band, first, last) over `bands` contiguous parts of [0, count) and returns when every
// part has run. The calling thread runs band 0 and then every band no worker has started yet, so
// a call from inside a band, from a busy pool or where no thread can be started still completes.
// An exception from fn is rethrown here once every band has finished.
void ParallelFor(int count, int bands, const std::function<void(int band, int first, int last)> &fn);

// Queues a job for the background workers: one per usable core, started on first use, at a
// priority below normal threads so the user interface and the row bands run first. Jobs start in
// the order posted; a job that must stop early checks its own flag.
void Post(std::function<void()> job);

// Post for a job the user waits for (the picture about to be shown): it goes ahead of every job
// still queued; jobs already running are not interrupted.
void PostFirst(std::function<void()> job);

// A job the user is watching for (the first paint of a picture): run at normal priority by the
// workers that run the row bands (Capacity() - 1 of them), after the bands already queued; on
// the background lane, first, where there is no such worker.
void PostNow(std::function<void()> job);

} // namespace workpool
