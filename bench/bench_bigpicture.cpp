// The image pane on a 100-megapixel picture (12000 × 8400, 24 bits), offscreen, in a 1280 × 800
// and a 3840 × 2160 client: repaints after a zoom step between the whole-picture zoom and one step in, and
// while scrolling zoomed out, each timed on its own (median and maximum in the counters). "reduced" runs
// paint as the pane does (from the reduced copies once a worker has built them; the benchmark
// waits for the workers between steps, untimed, as a user's pause would); "direct" runs turn the
// copies off, which is how every paint went before them and how the first paint of a new zoom
// still goes. The picture is the file TARNIS_BENCH_BIG names, made there (a JPEG of smooth
// colour fields and fine texture) when missing.
#include "bench/qt_bench.h"
#include "image/imageobj.h"
#include "imagepane/displayform.h"
#include "imagepane/viewimage.h"
#include "platform/dibutil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

// Pane sizes (the client, less a scroll bar where one shows): a wide pane in a maximised window on a full-HD
// screen, and the picture alone on a 4K screen (full screen).
constexpr QSize kClients[] = { QSize(1280, 800), QSize(3840, 2160) };
constexpr int kBigWidth = 12000;
constexpr int kBigHeight = 8400;

QString BigPicture()
{
    const char *path = std::getenv("TARNIS_BENCH_BIG");
    return path ? QString::fromLocal8Bit(path) : QString();
}

bool MakeBigPicture(const QString &path)
{
    DibInfoBlock info;
    DibInitHeader(info, kBigWidth, kBigHeight, 24);
    const std::size_t stride = static_cast<std::size_t>(DibStride(kBigWidth, 24));
    std::vector<std::uint8_t> bits(stride * kBigHeight);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kBigHeight; ++y) {
        std::uint8_t *row = bits.data() + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < kBigWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 28) - 8;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(x * 255 / kBigWidth + grain, 0, 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(y * 255 / kBigHeight + grain, 0, 255));
            row[3 * x + 2]
                = static_cast<std::uint8_t>(std::clamp(((x / 300 + y / 300) % 2) * 120 + 60 + grain, 0, 255));
        }
    }
    CImageObj picture;
    return picture.CopyFrom(bits.data(), &info) && picture.Save(path.toStdString());
}

// One pane, kept over the benchmarks; the picture opened again when the mode changes.
struct Shown {
    std::unique_ptr<CViewImage> pane;
    bool reduced = true;
};

Shown &Instance()
{
    static Shown shown;
    return shown;
}

Shown &Pane(bool reduced, int client)
{
    Shown &shown = Instance();
    const QSize size = kClients[client];
    if (shown.pane && shown.pane->size() != size) {
        shown.pane->resize(size);
        QCoreApplication::processEvents();
    }
    if (shown.pane && shown.reduced == reduced)
        return shown;
    // Read by the form when it takes the picture.
    CDisplayForm::SetReducedThreshold(reduced ? 0 : (std::int64_t(1) << 50));
    if (!shown.pane) {
        shown.pane = std::make_unique<CViewImage>();
        CImagePaneDialogs dialogs;
        dialogs.message
            = [](QWidget *, const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
        shown.pane->SetDialogs(dialogs);
        shown.pane->resize(size);
        shown.pane->show();
        QCoreApplication::processEvents();
    }
    if (!BigPicture().isEmpty() && !QFile::exists(BigPicture())) {
        QDir().mkpath(QFileInfo(BigPicture()).absolutePath());
        MakeBigPicture(BigPicture());
    }
    shown.pane->Open(BigPicture());
    shown.reduced = reduced;
    return shown;
}

using Clock = std::chrono::steady_clock;

// Median and maximum of the timed steps, in ms, as counters.
void Report(benchmark::State &state, std::vector<double> &ms, const CViewImage &pane)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["max_ms"] = ms.back();
    state.counters["zoom"] = pane.Zoom();
    state.counters["copies_mb"] = double(pane.DisplayForm().ReducedBytes()) / (1 << 20);
    state.counters["picture_mb"] = double(pane.Picture()->MemoryBytes()) / (1 << 20);
}

bool Ready(benchmark::State &state, Shown &shown)
{
    if (BigPicture().isEmpty()) {
        state.SkipWithError("set TARNIS_BENCH_BIG to a big picture file");
        return false;
    }
    if (!shown.pane->Picture()) {
        state.SkipWithError("the picture did not open");
        return false;
    }
    return true;
}

// Whole-picture zoom, one step in, back, ...: each step's zoom command and repaint timed.
// Argument: the client.
void ZoomSteps(benchmark::State &state, bool reduced)
{
    Shown &shown = Pane(reduced, static_cast<int>(state.range(0)));
    if (!Ready(state, shown))
        return;
    CViewImage &pane = *shown.pane;
    pane.FitWhole();
    // The first paint at this zoom (direct), and how long the workers take to have its copies.
    const auto first = Clock::now();
    pane.viewport()->repaint();
    const auto painted = Clock::now();
    pane.DisplayForm().WaitForCopies();
    state.counters["first_paint_ms"] = std::chrono::duration<double, std::milli>(painted - first).count();
    state.counters["copies_ready_ms"]
        = std::chrono::duration<double, std::milli>(Clock::now() - first).count();
    const int fit = pane.Zoom();
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        pane.OnImageOperation(pane.Zoom() == fit ? CViewImage::OpZoomIn : CViewImage::OpZoomOut, 0);
        pane.viewport()->repaint();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        state.PauseTiming();
        pane.DisplayForm().WaitForCopies();
        state.ResumeTiming();
    }
    Report(state, ms, pane);
}

// Scroll steps of 40 rows (fewer where the picture scrolls less) at a zoom (argument 0; 0: the
// whole-picture zoom) in a client (argument 1), the widget's own repaint (moved pixels, new strip) or the
// whole client painted.
void Scrolling(benchmark::State &state, bool reduced, bool whole)
{
    Shown &shown = Pane(reduced, static_cast<int>(state.range(1)));
    if (!Ready(state, shown))
        return;
    CViewImage &pane = *shown.pane;
    const int zoom = static_cast<int>(state.range(0));
    if (zoom == 0)
        pane.FitWhole();
    else
        pane.ZoomAbout(zoom, pane.viewport()->rect().center());
    QScrollBar *bar = pane.verticalScrollBar();
    if (bar->maximum() < 8) {
        state.SkipWithError("the picture does not scroll at this zoom");
        return;
    }
    QImage target(pane.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    pane.viewport()->repaint();
    pane.DisplayForm().WaitForCopies();
    std::vector<double> ms;
    int step = std::min(40, bar->maximum() / 4);
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() + step < 0)
            step = -step;
        const auto start = Clock::now();
        bar->setValue(bar->value() + step);
        if (whole) {
            QPainter painter(&target);
            pane.PaintClient(painter, QRegion(pane.viewport()->rect()));
        } else {
            pane.viewport()->repaint();
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    Report(state, ms, pane);
}

void BM_BigZoomStep_Reduced(benchmark::State &state)
{
    ZoomSteps(state, true);
}
void BM_BigScrollStep_Reduced(benchmark::State &state)
{
    Scrolling(state, true, false);
}
void BM_BigScrollWhole_Reduced(benchmark::State &state)
{
    Scrolling(state, true, true);
}
void BM_BigZoomStep_Direct(benchmark::State &state)
{
    ZoomSteps(state, false);
}
void BM_BigScrollStep_Direct(benchmark::State &state)
{
    Scrolling(state, false, false);
}
void BM_BigScrollWhole_Direct(benchmark::State &state)
{
    Scrolling(state, false, true);
}

void ScrollArgs(benchmark::internal::Benchmark *b)
{
    b->Args({ 0, 0 })->Args({ 20, 0 })->Args({ 25, 0 })->Args({ 30, 1 })->Args({ 40, 1 });
}

BENCHMARK(BM_BigZoomStep_Reduced)->Arg(0)->Arg(1)->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigScrollStep_Reduced)->Apply(ScrollArgs)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigScrollWhole_Reduced)->Apply(ScrollArgs)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigZoomStep_Direct)->Arg(0)->Arg(1)->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigScrollStep_Direct)->Apply(ScrollArgs)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigScrollWhole_Direct)->Apply(ScrollArgs)->Iterations(60)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks(argc, argv, [] { Instance().pane.reset(); });
}
