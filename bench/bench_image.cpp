// The image core's edits on a 12-megapixel 24-bit picture (4000 × 3000). The argument is the
// number of threads the edit may use. peer_image.py builds the same picture for its peers.
#include "image/displayimage.h"
#include "image/imageobj.h"
#include "image/mirror.h"
#include "image/parallelrows.h"
#include "image/resize.h"
#include "image/rotate.h"
#include "image/tone.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace
{

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth ramps with some texture; peer_image.py computes the same bytes with numpy.
CImageObj &Picture()
{
    static CImageObj picture;
    if (picture.IsEmpty()) {
        DibInfoBlock info;
        DibInitHeader(info, kWidth, kHeight, 24);
        const std::size_t stride = static_cast<std::size_t>(DibStride(kWidth, 24));
        std::vector<std::uint8_t> bits(stride * kHeight);
        for (int y = 0; y < kHeight; ++y) // stored rows: y counts from the bottom
            for (int x = 0; x < kWidth; ++x) {
                std::uint8_t *p = &bits[std::size_t(y) * stride + 3 * std::size_t(x)];
                p[0] = static_cast<std::uint8_t>((x * 7 + y * 3) % 256);
                p[1] = static_cast<std::uint8_t>((x * y) % 251);
                p[2] = static_cast<std::uint8_t>((x + 2 * y) / 28 % 256);
            }
        picture.CopyFrom(bits.data(), &info);
    }
    return picture;
}

template <class F> void Run(benchmark::State &state, F edit)
{
    CImageObj &p = Picture();
    SetImageThreads(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DibResult out;
        if (!edit(*p.Info(), p.Bits(), out))
            state.SkipWithError("edit failed");
        benchmark::DoNotOptimize(out.bits);
    }
    SetImageThreads(0);
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}

void BM_QuarterTurn(benchmark::State &state)
{
    Run(state,
        [](const DibInfoBlock &i, const void *b, DibResult &o) { return RotateDib(i, b, 1024, 0, o); });
}

void BM_FreeTurn30(benchmark::State &state)
{
    int s = 0, c = 0;
    RotationFor(30.0, s, c);
    Run(state,
        [s, c](const DibInfoBlock &i, const void *b, DibResult &o) { return RotateDib(i, b, s, c, o); });
}

void BM_ResizeQuarter(benchmark::State &state)
{
    Run(state,
        [](const DibInfoBlock &i, const void *b, DibResult &o) { return ResizeDib(i, b, 1000, 750, o); });
}

void BM_ResizeEnlarge137(benchmark::State &state)
{
    Run(state,
        [](const DibInfoBlock &i, const void *b, DibResult &o) { return ResizeDib(i, b, 5480, 4110, o); });
}

void BM_Grey(benchmark::State &state)
{
    Run(state, [](const DibInfoBlock &i, const void *b, DibResult &o) { return GreyDib(i, b, o); });
}

void BM_BlackWhite(benchmark::State &state)
{
    Run(state,
        [](const DibInfoBlock &i, const void *b, DibResult &o) { return BlackWhiteDib(i, b, 128, o); });
}

void BM_Mirror(benchmark::State &state)
{
    Run(state, [](const DibInfoBlock &i, const void *b, DibResult &o) { return MirrorFlipDib(i, b, 0, o); });
}

// In place, as the command does; alternating steps keep the picture from saturating.
void BM_Brightness(benchmark::State &state)
{
    CImageObj &p = Picture();
    SetImageThreads(static_cast<int>(state.range(0)));
    int step = 5;
    for (auto _ : state) {
        ColorTablesDib(*p.Info(), p.Bits(), step, step, step);
        step = -step;
    }
    SetImageThreads(0);
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}

// The display form made after an edit that changed the picture's size (a new buffer each time).
void BM_DisplayImage(benchmark::State &state)
{
    CImageObj &p = Picture();
    SetImageThreads(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QImage image = MakeDisplayImage(p.Info(), p.Bits());
        benchmark::DoNotOptimize(image.constBits());
    }
    SetImageThreads(0);
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}

} // namespace

#define IMAGE_BENCH(name) BENCHMARK(name)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond)
IMAGE_BENCH(BM_QuarterTurn);
IMAGE_BENCH(BM_FreeTurn30);
IMAGE_BENCH(BM_ResizeQuarter);
IMAGE_BENCH(BM_ResizeEnlarge137);
IMAGE_BENCH(BM_Grey);
IMAGE_BENCH(BM_BlackWhite);
IMAGE_BENCH(BM_Brightness);
IMAGE_BENCH(BM_Mirror);
IMAGE_BENCH(BM_DisplayImage);
BENCHMARK_MAIN();
