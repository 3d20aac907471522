// Filters on a 4000 × 3000 24-bit picture: the 3 × 3 smoothing kernel of DoSpecialFilter, the
// luminance median of DibReduceNoiseImage and DibMosaic, on one thread and on all usable cores.
#include "bench/dib_bench.h"

#include <benchmark/benchmark.h>
#include <cstdint>

namespace
{

// Runs the function with state.range(0) threads.
template <class Op> void Run(benchmark::State &state, Op op)
{
    dibbench::RunOnCopy(state, static_cast<int>(state.range(0)), op);
}

void BM_SpecialFilterKernel3x3(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info) { return DoSpecialFilter(bits, info, 1, 0); });
}

void BM_ReduceNoiseMedian(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info) { return DibReduceNoiseImage(bits, info); });
}

void BM_Mosaic16(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info) { return DibMosaic(bits, info, 16, 16); });
}

} // namespace

// Argument: thread cap (1, or 0 = all usable cores).
BENCHMARK(BM_SpecialFilterKernel3x3)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReduceNoiseMedian)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mosaic16)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
