// Distortions on a 4000 × 3000 24-bit picture: DibTwist and DibWaveEffect in both directions, on
// one thread and on all usable cores.
#include "dib/dib.h"
#include "dib/dibcore.h"

#include <benchmark/benchmark.h>
#include <cstdint>

namespace
{

struct Source {
    HGLOBAL bits = nullptr;
    BITMAPINFO *info = nullptr;
    Source()
    {
        CreateDib(4000, 3000, 24, &bits, &info, 0);
        auto *p = static_cast<std::uint8_t *>(bits);
        std::uint32_t v = 12345;
        for (std::size_t i = 0, n = GlobalSize(bits); i < n; ++i) {
            v = v * 1103515245u + 12345u;
            p[i] = static_cast<std::uint8_t>((i / 3 % 4000) / 16 + (v >> 27)); // smooth plus noise
        }
    }
};

const Source &Picture()
{
    static const Source source;
    return source;
}

// Runs `effect` on a fresh copy of the picture each iteration (the copy is not timed).
template <class Effect> void Run(benchmark::State &state, Effect effect)
{
    dib::SetMaxThreads(static_cast<int>(state.range(1)));
    const Source &src = Picture();
    for (auto _ : state) {
        state.PauseTiming();
        HGLOBAL bits = nullptr;
        BITMAPINFO *info = nullptr;
        DuplicateDibData(&bits, &info, src.bits, src.info);
        state.ResumeTiming();
        if (!effect(&bits, &info, static_cast<int>(state.range(0))))
            state.SkipWithError("effect failed");
        benchmark::DoNotOptimize(bits);
        state.PauseTiming();
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
        state.ResumeTiming();
    }
    dib::SetMaxThreads(0);
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
