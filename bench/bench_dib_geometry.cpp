// RotateFreeAngle by 30 degrees and MirrorDib (left-right) on a 4000 × 3000 24-bit picture, on
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

// Times `op` on a fresh copy of the picture each iteration (the copy is not timed).
template <class Op> void Run(benchmark::State &state, Op op)
{
    dib::SetMaxThreads(static_cast<int>(state.range(0)));
    const Source &src = Picture();
    for (auto _ : state) {
        state.PauseTiming();
        HGLOBAL bits = nullptr;
        BITMAPINFO *info = nullptr;
        DuplicateDibData(&bits, &info, src.bits, src.info);
        state.ResumeTiming();
        if (!op(&bits, &info))
            state.SkipWithError("failed");
        benchmark::DoNotOptimize(bits);
        state.PauseTiming();
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
        state.ResumeTiming();
    }
    dib::SetMaxThreads(0);
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
