// ScaleDibAll on a 4000 × 3000 24-bit picture: to a quarter (box in both axes) and to 1.37 times
// (bilinear), on one thread and on all usable cores.
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

void BM_ScaleDibAll(benchmark::State &state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    dib::SetMaxThreads(static_cast<int>(state.range(2)));
    const Source &src = Picture();
    for (auto _ : state) {
        state.PauseTiming();
        HGLOBAL bits = nullptr;
        BITMAPINFO *info = nullptr;
        DuplicateDibData(&bits, &info, src.bits, src.info);
        state.ResumeTiming();
        if (!ScaleDibAll(&bits, &info, w, h, 0))
            state.SkipWithError("ScaleDibAll failed");
        benchmark::DoNotOptimize(bits);
        state.PauseTiming();
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
        state.ResumeTiming();
    }
    dib::SetMaxThreads(0);
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
