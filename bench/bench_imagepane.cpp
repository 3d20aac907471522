// The image pane on a large JPEG, offscreen: opening it up to the end of the first fitted paint,
// and repainting while scrolling at 100 % and 25 %. The picture comes from TARNIS_BENCH_JPEG
// (bench/peer_imagepane.sh makes a 24-megapixel one and times djpeg beside this program).
#include "bench/qt_bench.h"
#include "image/imageobj.h"
#include "imagepane/viewimage.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace
{

// The client size of a wide pane in a maximised window on a full-HD screen; a 24-megapixel
// picture at 25 % (1500 × 1000) still scrolls in it.
constexpr int kClientWidth = 1280;
constexpr int kClientHeight = 800;

QString BenchJpeg()
{
    const char *path = std::getenv("TARNIS_BENCH_JPEG");
    return path ? QString::fromLocal8Bit(path) : QString();
}

std::unique_ptr<CViewImage> MakePane()
{
    auto pane = std::make_unique<CViewImage>();
    pane->resize(kClientWidth, kClientHeight);
    pane->show();
    QCoreApplication::processEvents();
    return pane;
}

// The paint of the whole client area, as the paint event does it, into an image like the
// window's backing store.
void PaintAll(CViewImage &pane, QImage &target)
{
    QPainter painter(&target);
    pane.PaintClient(painter, QRegion(pane.viewport()->rect()));
}

void BM_OpenAndFirstFittedPaint(benchmark::State &state)
{
    const QString path = BenchJpeg();
    if (path.isEmpty()) {
        state.SkipWithError("set TARNIS_BENCH_JPEG to a JPEG file");
        return;
    }
    auto pane = MakePane();
    QImage target(pane->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        pane->Open(path);
        PaintAll(*pane, target);
        benchmark::DoNotOptimize(target.constBits());
    }
    if (!pane->Picture()) {
        state.SkipWithError("the JPEG did not open");
        return;
    }
    state.counters["zoom"] = pane->Zoom();
    state.counters["megapixels"] = pane->Picture()->Width() * double(pane->Picture()->Height()) / 1e6;
}

// The picture object's load alone, for what the pane adds on top of the decode.
void BM_PictureLoadOnly(benchmark::State &state)
{
    const QString path = BenchJpeg();
    if (path.isEmpty()) {
        state.SkipWithError("set TARNIS_BENCH_JPEG to a JPEG file");
        return;
    }
    CImageObj picture;
    for (auto _ : state)
        benchmark::DoNotOptimize(picture.Load(path.toStdString()));
}

// One scroll step of 40 rows with the widget's own repaint (the scrolled pixels move, the new
// strip is painted), and a whole-client paint (a page step or a jump).
void Scrolling(benchmark::State &state, bool whole)
{
    const QString path = BenchJpeg();
    if (path.isEmpty()) {
        state.SkipWithError("set TARNIS_BENCH_JPEG to a JPEG file");
        return;
    }
    auto pane = MakePane();
    pane->Open(path);
    if (!pane->Picture()) {
        state.SkipWithError("the JPEG did not open");
        return;
    }
    const int zoom = static_cast<int>(state.range(0));
    pane->OnImageOperation(kOperationViewZoom, zoom == 100 ? 31790 : 31793);
    QScrollBar *bar = pane->verticalScrollBar();
    if (bar->maximum() < 80) {
        state.SkipWithError("the picture does not scroll at this zoom");
        return;
    }
    QImage target(pane->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    int step = 40;
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() + step < 0)
            step = -step;
        bar->setValue(bar->value() + step);
        if (whole)
            PaintAll(*pane, target);
        else
            pane->viewport()->repaint();
    }
    state.counters["zoom"] = pane->Zoom();
}

void BM_ScrollStepRepaint(benchmark::State &state)
{
    Scrolling(state, false);
}

void BM_ScrolledWholePaint(benchmark::State &state)
{
    Scrolling(state, true);
}

BENCHMARK(BM_OpenAndFirstFittedPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PictureLoadOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScrollStepRepaint)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrolledWholePaint)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks(argc, argv);
}
