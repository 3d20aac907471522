// Row bands on the process's worker pool (included by dibcore.h).
#pragma once

#include "platform/workpool.h"

#include <utility>

namespace dib
{

// fn(band, first, last) over `bands` contiguous parts of [0, count).
template <class F> void ParallelBands(int count, int bands, F &&fn)
{
    workpool::ParallelFor(count, bands, std::forward<F>(fn));
}

} // namespace dib
