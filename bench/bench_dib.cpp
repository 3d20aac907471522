// ScaleDibAll on a 4000 × 3000 24-bit picture: to a quarter (box in both axes) and to 1.37 times
// (bilinear), on one thread and on all usable cores.
#include "bench/dib_bench.h"

#include <benchmark/benchmark.h>
#include <cstdint>

namespace
{

void BM_ScaleDibAll(benchmark::State &state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    dibbench::RunOnCopy(state, static_cast<int>(state.range(2)),
        [w, h](HGLOBAL *bits, BITMAPINFO **info) { return ScaleDibAll(bits, info, w, h, 0); });
}

} // namespace

// Arguments: target width, target height, thread cap (0 = all usable cores).
BENCHMARK(BM_ScaleDibAll)
    ->Args({ 1000, 750, 1 })
    ->Args({ 1000, 750, 0 })
    ->Args({ 5480, 4110, 1 })
    ->Args({ 5480, 4110, 0 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
