// Stepping through a folder of large JPEGs in the image pane, offscreen, as the main frame does it:
// open the next picture and ask for its neighbours to be decoded ahead. Measures the time from the
// step to the final picture painted when a step comes every 300 ms, the time to the first and to
// the final paint of a picture not decoded ahead, and the process's peak memory while stepping.
// The folder comes from TARNIS_BENCH_STEP_DIR (bench/peer_stepping.sh makes twenty 24-megapixel
// JPEGs and times djpeg on the same files).
#include "bench/qt_bench.h"
#include "image/decodeahead.h"
#include "image/imageobj.h"
#include "imagepane/viewimage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kClientWidth = 1280;
constexpr int kClientHeight = 800;
constexpr int kStepMs = 300;

QStringList BenchFolder()
{
    const char *dir = std::getenv("TARNIS_BENCH_STEP_DIR");
    if (!dir)
        return {};
    QDir folder(QString::fromLocal8Bit(dir));
    QStringList files;
    for (const QString &name : folder.entryList({ QStringLiteral("*.jpg") }, QDir::Files, QDir::Name))
        files << folder.filePath(name);
    return files;
}

std::unique_ptr<CViewImage> MakePane(bool background)
{
    auto pane = std::make_unique<CViewImage>();
    pane->SetBackgroundDecoding(background);
    pane->resize(kClientWidth, kClientHeight);
    pane->show();
    QCoreApplication::processEvents();
    return pane;
}

double Ms(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Times of one step: to the first paint of the new picture (reduced or full) and to the final one.
struct Step {
    double firstMs = 0;
    double finalMs = 0;
};

// Opens path as a step does and runs the event loop until the full picture is painted.
Step OpenAndPaint(CViewImage &pane, const QStringList &files, int index, bool ahead, bool forward)
{
    Step step;
    QElapsedTimer clock;
    clock.start();
    pane.Open(files[index]);
    if (ahead) {
        const int next = forward ? index + 1 : index - 1, previous = forward ? index - 1 : index + 1;
        pane.DecodeAhead({ next >= 0 && next < files.size() ? files[next] : QString(),
            previous >= 0 && previous < files.size() ? files[previous] : QString() });
    }
    bool first = false;
    for (;;) {
        if (!pane.Opening() || (!first && pane.ShowsReduced())) {
            pane.viewport()->repaint();
            const double ms = Ms(clock);
            if (!first) {
                step.firstMs = ms;
                first = true;
            }
            if (!pane.Opening()) {
                step.finalMs = ms;
                return step;
            }
        }
        // Sleeps until the worker's delivery (a posted event) wakes the loop.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Runs the event loop until ms have passed since clock started.
void IdleUntil(const QElapsedTimer &clock, int ms)
{
    const qint64 left = ms - clock.elapsed();
    if (left <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(left), &loop, &QEventLoop::quit);
    loop.exec();
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(rank, values.size() - 1)];
}

// The resident-set high-water mark starts again from the present size.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMemoryMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// Forward through the folder and back, a step every 300 ms, the neighbours decoded ahead.
void BM_StepEvery300ms(benchmark::State &state)
{
    const QStringList files = BenchFolder();
    if (files.size() < 3) {
        state.SkipWithError("set TARNIS_BENCH_STEP_DIR to a folder of JPEG files");
        return;
    }
    for (auto _ : state) {
        auto pane = MakePane(true);
        ResetPeakMemory();
        std::vector<double> finals;
        std::vector<int> order;
        for (int i = 0; i < files.size(); ++i)
            order.push_back(i);
        for (int i = static_cast<int>(files.size()) - 2; i >= 0; --i)
            order.push_back(i);
        for (std::size_t k = 0; k < order.size(); ++k) {
            QElapsedTimer clock;
            clock.start();
            const bool forward = k < static_cast<std::size_t>(files.size());
            const Step step = OpenAndPaint(*pane, files, order[k], true, forward);
            if (k == 0) // the first picture was not decoded ahead; its neighbours get their time
                clock.restart();
            else
                finals.push_back(step.finalMs);
            if (std::getenv("TARNIS_BENCH_VERBOSE"))
                std::fprintf(stderr, "step %zu: picture %d, final %.1f ms\n", k, order[k], step.finalMs);
            IdleUntil(clock, kStepMs);
        }
        state.counters["steps"] = static_cast<double>(finals.size());
        state.counters["final_p50_ms"] = Percentile(finals, 0.50);
        state.counters["final_p95_ms"] = Percentile(finals, 0.95);
        state.counters["final_max_ms"] = Percentile(finals, 1.0);
        state.counters["peak_rss_mb"] = PeakMemoryMb();
        state.counters["cache_mb"] = static_cast<double>(pane->DecodeCache()->Bytes()) / (1024.0 * 1024.0);
    }
}

// Every picture opened with nothing decoded ahead: the reduced copy first, then the full picture;
// and the plain synchronous open of the same files.
void BM_NotDecodedAhead(benchmark::State &state)
{
    const QStringList files = BenchFolder();
    if (files.size() < 2) {
        state.SkipWithError("set TARNIS_BENCH_STEP_DIR to a folder of JPEG files");
        return;
    }
    for (auto _ : state) {
        auto pane = MakePane(true);
        auto plain = MakePane(false);
        std::vector<double> firsts, finals, plains;
        for (int i = 0; i < files.size(); ++i) {
            pane->ForgetDecoded();
            pane->DecodeCache()->WaitIdle(60000);
            const Step step = OpenAndPaint(*pane, files, i, false, true);
            firsts.push_back(step.firstMs);
            finals.push_back(step.finalMs);
            QElapsedTimer clock;
            clock.start();
            plain->Open(files[i]);
            plain->viewport()->repaint();
            plains.push_back(Ms(clock));
        }
        state.counters["first_p50_ms"] = Percentile(firsts, 0.50);
        state.counters["final_p50_ms"] = Percentile(finals, 0.50);
        state.counters["plain_p50_ms"] = Percentile(plains, 0.50);
    }
}

BENCHMARK(BM_StepEvery300ms)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NotDecodedAhead)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks(argc, argv);
}
