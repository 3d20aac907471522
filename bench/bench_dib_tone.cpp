// Tone functions on a 4000 × 3000 24-bit picture: Dib2Gray (in place and to 8 bits),
// DibEqualizeImage, and DibColorBlend called once per pixel over two such pictures; on one thread
// and on all usable cores.
#include "dib/dib.h"
#include "dib/dibcore.h"
#include "platform/cpus.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace
{

constexpr int kWidth = 4000, kHeight = 3000;

struct Source {
    HGLOBAL bits = nullptr;
    BITMAPINFO *info = nullptr;
    explicit Source(std::uint32_t seed)
    {
        CreateDib(kWidth, kHeight, 24, &bits, &info, 0);
        auto *p = static_cast<std::uint8_t *>(bits);
        std::uint32_t v = seed;
        for (std::size_t i = 0, n = GlobalSize(bits); i < n; ++i) {
            v = v * 1103515245u + 12345u;
            p[i] = static_cast<std::uint8_t>((i / 3 % kWidth) / 24 + (v >> 26)); // smooth plus noise
        }
    }
};

const Source &Picture(int which = 0)
{
    static const Source a(12345), b(777);
    return which ? b : a;
}

// The picture is copied before every call (untimed): the functions change or replace it.
template <class Call> void RunOnCopy(benchmark::State &state, Call call)
{
    dib::SetMaxThreads(static_cast<int>(state.range(0)));
    const Source &src = Picture();
    HGLOBAL bits = nullptr;
    BITMAPINFO *info = nullptr;
    for (auto _ : state) {
        state.PauseTiming();
        DuplicateDibData(&bits, &info, src.bits, src.info);
        state.ResumeTiming();
        call(&bits, &info);
        benchmark::DoNotOptimize(bits);
    }
    GlobalFree(bits);
    ::operator delete(static_cast<void *>(info));
    dib::SetMaxThreads(0);
}

void BM_Dib2Gray(benchmark::State &state)
{
    const int to8 = static_cast<int>(state.range(1));
    RunOnCopy(state, [&](HGLOBAL *bits, BITMAPINFO **info) { Dib2Gray(bits, info, to8); });
}

void BM_DibEqualizeImage(benchmark::State &state)
{
    RunOnCopy(state, [](HGLOBAL *bits, BITMAPINFO **info) {
        if (DibEqualizeImage(bits, info) != 1)
            std::abort();
    });
}

// One call per pixel pair, rows split over the threads as a caller would split them.
void BM_DibColorBlend(benchmark::State &state)
{
    int threads = static_cast<int>(state.range(0));
    if (threads == 0)
        threads = UsableCpuCount();
    const int mode = static_cast<int>(state.range(1));
    const auto *a = static_cast<const BYTE *>(Picture(0).bits);
    const auto *b = static_cast<const BYTE *>(Picture(1).bits);
    const std::size_t stride = static_cast<std::size_t>(DibStride(kWidth, 24));
    std::vector<BYTE> out(stride * kHeight);
    auto rows = [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const BYTE *pa = a + std::size_t(y) * stride, *pb = b + std::size_t(y) * stride;
            BYTE *po = out.data() + std::size_t(y) * stride;
            for (int x = 0; x < kWidth; ++x, pa += 3, pb += 3, po += 3) {
                const DWORD base = pa[0] | pa[1] << 8 | pa[2] << 16;
                const DWORD blend = pb[0] | pb[1] << 8 | pb[2] << 16;
                DibColorBlend(base, blend, po, mode);
            }
        }
    };
    for (auto _ : state) {
        dib::ParallelBands(kHeight, threads, rows);
        benchmark::DoNotOptimize(out.data());
    }
}

} // namespace

// Arguments: thread cap (0 = all usable cores), then the function's own.
BENCHMARK(BM_Dib2Gray)
    ->Args({ 1, 0 })
    ->Args({ 0, 0 })
    ->Args({ 1, 1 })
    ->Args({ 0, 1 })
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DibEqualizeImage)
    ->Arg(1)
    ->Arg(0)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DibColorBlend)
    ->Args({ 1, 6 })
    ->Args({ 0, 6 })
    ->Args({ 1, 2 })
    ->Args({ 0, 2 })
    ->Args({ 1, 0 })
    ->Args({ 1, 10 })
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
