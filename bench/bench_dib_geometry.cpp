// RotateFreeAngle by 30 degrees and MirrorDib (left-right) on a 4000 × 3000 24-bit picture, on
// one thread and on all usable cores.
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

void BM_RotateFreeAngle30(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info) { return RotateFreeAngle(bits, info, 30.0, 255); });
}

void BM_MirrorDib(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info) { return MirrorDib(bits, info, 0); });
}

} // namespace

// Argument: thread cap (0 = all usable cores).
BENCHMARK(BM_RotateFreeAngle30)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MirrorDib)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
