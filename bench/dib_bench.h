// Shared by the bitmap library's benchmarks: one 4000 × 3000 24-bit picture (smooth with noise)
// and a loop that times a function on a fresh copy of it each round.
#pragma once

#include "dib/dib.h"
#include "dib/dibcore.h"

#include <benchmark/benchmark.h>
#include <cstdint>

namespace dibbench
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

inline const Source &Picture()
{
    static const Source source;
    return source;
}

// Times op(&bits, &info) on a fresh copy of the picture each round (the copy is not timed), with
// at most `threads` threads (0: all usable cores).
template <class Op> void RunOnCopy(benchmark::State &state, int threads, Op op)
{
    dib::SetMaxThreads(threads);
    const Source &src = Picture();
    for (auto _ : state) {
        state.PauseTiming();
        HGLOBAL bits = nullptr;
        BITMAPINFO *info = nullptr;
        DuplicateDibData(&bits, &info, src.bits, src.info);
        state.ResumeTiming();
        if (!op(&bits, &info))
            state.SkipWithError("the function failed");
        benchmark::DoNotOptimize(bits);
        state.PauseTiming();
        GlobalFree(bits);
        ::operator delete(static_cast<void *>(info));
        state.ResumeTiming();
    }
    dib::SetMaxThreads(0);
}

} // namespace dibbench
