// Cost of a fresh pixel block: allocation plus first touch of every byte, as an edit does.
#include "platform/globalmem.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr std::size_t kBlock = std::size_t(36) << 20; // a 12-megapixel 24-bit picture

void BM_GlobalAllocTouch(benchmark::State &state)
{
    for (auto _ : state) {
        HGLOBAL h = GlobalAlloc(GPTR, kBlock);
        std::memset(h, 0x5A, kBlock);
        benchmark::DoNotOptimize(h);
        GlobalFree(h);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

// The plain allocator path without huge pages, for comparison.
void BM_MallocTouch(benchmark::State &state)
{
    for (auto _ : state) {
        void *p = std::malloc(kBlock);
        std::memset(p, 0x5A, kBlock);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

} // namespace

BENCHMARK(BM_GlobalAllocTouch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MallocTouch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
