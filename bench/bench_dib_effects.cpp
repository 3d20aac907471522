// Distortions on a 4000 × 3000 24-bit picture: DibTwist and DibWaveEffect in both directions, on
// one thread and on all usable cores.
#include "bench/dib_bench.h"

#include <benchmark/benchmark.h>
#include <cstdint>

namespace
{

// Runs effect(bits, info, state.range(0)) with state.range(1) threads.
template <class Effect> void Run(benchmark::State &state, Effect effect)
{
    const int arg = static_cast<int>(state.range(0));
    dibbench::RunOnCopy(state, static_cast<int>(state.range(1)),
        [&effect, arg](HGLOBAL *bits, BITMAPINFO **info) { return effect(bits, info, arg); });
}

void BM_DibTwist(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info, int direction) {
        return DibTwist(bits, info, 30, 3.0, 10, direction);
    });
}

void BM_DibWaveEffect(benchmark::State &state)
{
    Run(state, [](HGLOBAL *bits, BITMAPINFO **info, int direction) {
        return DibWaveEffect(bits, info, 30, 3.0, 10, direction);
    });
}

} // namespace

// Arguments: direction, thread cap (0 = all usable cores).
BENCHMARK(BM_DibTwist)->ArgsProduct({ { 0, 1 }, { 1, 0 } })->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DibWaveEffect)
    ->ArgsProduct({ { 0, 1 }, { 1, 0 } })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
