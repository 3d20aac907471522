// Filters on a 4000 × 3000 24-bit picture: the 3 × 3 smoothing kernel of DoSpecialFilter, the
// luminance median of DibReduceNoiseImage and DibMosaic, on one thread and on all usable cores.
#include "dib/dib.h"
#include "dib/dibcore.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <functional>

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

// Times `filter` on a fresh copy of the picture each round (the copy is not timed).
void Run(benchmark::State &state, const std::function<int(HGLOBAL *, BITMAPINFO **)> &filter)
{
    dib::SetMaxThreads(static_cast<int>(state.range(0)));
    const Source &src = Picture();
    for (auto _ : state) {
        state.PauseTiming();
        HGLOBAL bits = nullptr;
        BITMAPINFO *info = nullptr;
        DuplicateDibData(&bits, &info, src.bits, src.info);
        state.ResumeTiming();
        if (!filter(&bits, &info))
            state.SkipWithError("filter failed");
        benchmark::DoNotOptimize(bits);
        state.PauseTiming();
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
        state.ResumeTiming();
    }
    dib::SetMaxThreads(0);
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
