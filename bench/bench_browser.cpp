// The thumbnail grid on real folders, through the codec library, in an offscreen window:
//  FirstVisit   a folder of 12-megapixel JPEGs without cache, from SetFolder until the last
//               thumbnail is in and painted (ms_per_picture; ui_busy_max_ms = the longest time
//               the UI thread went without returning to its event loop);
//  SecondVisit  a folder of 1024 pictures whose cache is up to date, until the grid is painted.
//  BrokenFolder 20,000 files named .jpg that are no pictures and 50 pictures, every file read
//               slowed by the argument in ms (a network share): the longest UI-thread stretch and
//               the time to the last thumbnail painted. Its peer, ListingOnUiThread, runs the
//               same listing the way a load once did, on the UI thread (without the delay).
// Folders: TARNIS_BROWSER_JPEGS (default /tmp/bench-corpus/browser200; bench/peer_browser.sh
// fills it) and TARNIS_BROWSER_1024 (default /tmp/bench-corpus/browser1024; made here when empty).
#include "browser/browsermessage.h"
#include "browser/codexacodec.h"
#include "browser/folderlisting.h"
#include "browser/thumbwnd.h"
#include "codec/codexa.h"
#include "platform/dibutil.h"
#include "platform/files.h"
#include "platform/globalmem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace
{

std::string EnvOr(const char *name, const char *fallback)
{
    const char *v = std::getenv(name);
    return v != nullptr && *v != 0 ? v : fallback;
}

int CountPictures(const std::string &folder, const char *ext)
{
    int n = 0;
    for (const auto &e : ListFolder(folder))
        n += (!e.isFolder && e.name.size() > 4 && e.name.compare(e.name.size() - 4, 4, ext) == 0) ? 1 : 0;
    return n;
}

// Processor time the calling thread has used, in nanoseconds (0 where it cannot be read).
long long ThreadCpuNs()
{
#ifdef __linux__
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
#else
    return 0;
#endif
}

// Measures the longest gap between ticks of a 2 ms timer: the UI thread did not get back to its
// event loop for that long, through its own work or while other threads had the processors.
// The processor time the UI thread itself used in the worst gap tells the two apart.
class BusyWatch
{
public:
    BusyWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            qint64 now = m_clock.nsecsElapsed();
            long long cpu = ThreadCpuNs();
            m_maxGap = std::max(m_maxGap, now - m_last);
            m_maxCpu = std::max(m_maxCpu, cpu - m_lastCpu);
            m_last = now;
            m_lastCpu = cpu;
        });
        m_clock.start();
        m_lastCpu = ThreadCpuNs();
        m_timer.start();
    }
    double MaxBusyMs() const { return std::max(0.0, m_maxGap / 1e6 - 2.0); }
    double MaxCpuMs() const { return m_maxCpu / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_maxGap = 0;
    long long m_lastCpu = 0;
    long long m_maxCpu = 0;
};

// Runs the event loop until the grid's load has finished, then lets the last paint happen.
void WaitForLoad(CThumbWnd &grid)
{
    if (grid.IsLoadRunning()) {
        QEventLoop loop;
        QObject::connect(&grid, &CThumbWnd::loadFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    grid.viewport()->repaint();
}

// One first visit of folder: its cache removed, then a shown 1100 × 700 grid of 100 × 100 boxes
// over codec, timed from SetFolder until the load has finished and been painted, with the UI
// thread watched meanwhile.
struct FirstVisit {
    double seconds;
    double busyMs; // the longest stretch the UI thread was busy
    double cpuMs; // the thread's own work in that stretch
    int threads; // the grid's workers
    int items;
};

FirstVisit TimeFirstVisit(const ThumbCodec &codec, const std::string &folder)
{
    std::error_code ec;
    fs::remove(fs::path(folder) / "brwseimg.tnv", ec);
    CThumbWnd grid(codec);
    grid.resize(1100, 700);
    grid.SetBoxSize(100, 100);
    grid.show();
    QCoreApplication::processEvents();
    BusyWatch watch;
    QElapsedTimer clock;
    clock.start();
    grid.SetFolder(folder, 1);
    WaitForLoad(grid);
    return FirstVisit { clock.nsecsElapsed() / 1e9, watch.MaxBusyMs(), watch.MaxCpuMs(),
        grid.Builder().ThreadCount(), grid.Items().Count() };
}

void BM_FirstVisit(benchmark::State &state)
{
    std::string folder = EnvOr("TARNIS_BROWSER_JPEGS", "/tmp/bench-corpus/browser200");
    int pictures = CountPictures(folder, ".jpg");
    if (pictures == 0) {
        state.SkipWithError(("no JPEGs in " + folder + " (bench/peer_browser.sh prepares them)").c_str());
        return;
    }
    double busy = 0;
    double busyCpu = 0;
    double seconds = 0;
    int gridThreads = 0;
    for (auto _ : state) {
        const FirstVisit visit = TimeFirstVisit(CodexaThumbCodec(), folder);
        state.SetIterationTime(visit.seconds);
        seconds += visit.seconds;
        busy = std::max(busy, visit.busyMs);
        busyCpu = std::max(busyCpu, visit.cpuMs);
        gridThreads = visit.threads;
        if (visit.items != pictures)
            state.SkipWithError("not every picture got its thumbnail");
    }
    state.counters["pictures"] = pictures;
    state.counters["ms_per_picture"] = seconds * 1e3 / static_cast<double>(state.iterations()) / pictures;
    state.counters["ui_busy_max_ms"] = busy;
    state.counters["ui_cpu_max_ms"] = busyCpu;
    state.counters["threads"] = gridThreads;
}

// Writes count 24-bit JPEGs of width × height into folder, named by pattern (a printf format
// taking the index); fill(bits, size, i) makes picture i's pixels.
template <class Fill>
bool WriteJpegs(const std::string &folder, const char *pattern, int count, int width, int height, Fill fill)
{
    DibInfoBlock info {};
    DibInitHeader(info, width, height, 24);
    const std::size_t size = DibImageSizeOf(info.bmiHeader);
    auto *bits = static_cast<std::uint8_t *>(GlobalAlloc(GPTR, size));
    bool ok = bits != nullptr;
    for (int i = 0; ok && i < count; ++i) {
        fill(bits, size, i);
        char name[40];
        std::snprintf(name, sizeof name, pattern, i);
        ok = CodexaSave((folder + name).c_str(), &info, bits, "jpg", nullptr) != 0;
    }
    GlobalFree(bits);
    return ok;
}

// 1024 JPEGs of 640 × 480 (the cache holds the same 100 × 100 thumbnails whatever the sources).
bool Make1024(const std::string &folder)
{
    fs::create_directories(folder);
    if (CountPictures(folder, ".jpg") >= 1024)
        return true;
    std::mt19937 rng(7);
    return WriteJpegs(
        folder, "/pic%04d.jpg", 1024, 640, 480, [&](std::uint8_t *bits, std::size_t size, int i) {
            for (std::size_t k = 0; k < size; ++k)
                bits[k] = static_cast<std::uint8_t>((k / 3 % 640 + k / 1920 + i * 13 + (rng() & 15)) & 0xFF);
        });
}

void BM_SecondVisit(benchmark::State &state)
{
    std::string folder = EnvOr("TARNIS_BROWSER_1024", "/tmp/bench-corpus/browser1024");
    if (!Make1024(folder)) {
        state.SkipWithError(("cannot write pictures into " + folder).c_str());
        return;
    }
    fs::path empty = fs::temp_directory_path() / "tarnis_bench_empty";
    fs::create_directories(empty);
    CThumbWnd grid(CodexaThumbCodec());
    grid.resize(1100, 700);
    grid.SetBoxSize(100, 100);
    grid.show();
    grid.SetFolder(folder, 1); // makes or refreshes the cache
    WaitForLoad(grid);
    for (auto _ : state) {
        grid.SetFolder(empty.string(), 1);
        WaitForLoad(grid);
        QElapsedTimer clock;
        clock.start();
        grid.SetFolder(folder, 1);
        WaitForLoad(grid);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        if (grid.Items().Count() != 1024)
            state.SkipWithError("the grid does not hold 1024 pictures");
    }
}

// 20,000 broken .jpg files and 50 small pictures (p0000.jpg ...).
bool MakeBrokenFolder(const std::string &folder)
{
    fs::create_directories(folder);
    if (CountPictures(folder, ".jpg") >= 20050)
        return true;
    for (int i = 0; i < 20000; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "/broken%05d.jpg", i);
        std::FILE *f = std::fopen((folder + name).c_str(), "wb");
        if (f == nullptr)
            return false;
        std::fputs("not a picture", f);
        std::fclose(f);
    }
    return WriteJpegs(folder, "/p%04d.jpg", 50, 320, 240, [](std::uint8_t *bits, std::size_t size, int i) {
        for (std::size_t k = 0; k < size; ++k)
            bits[k] = static_cast<std::uint8_t>((k * 7 + i * 31) & 0xFF);
    });
}

void BM_BrokenFolder(benchmark::State &state)
{
    std::string folder = EnvOr("TARNIS_BROWSER_BROKEN", "/tmp/bench-corpus/broken20000");
    if (!MakeBrokenFolder(folder)) {
        state.SkipWithError(("cannot write into " + folder).c_str());
        return;
    }
    DelayedThumbCodec codec(CodexaThumbCodec(), std::chrono::milliseconds(state.range(0)));
    double busy = 0;
    double busyCpu = 0;
    for (auto _ : state) {
        const FirstVisit visit = TimeFirstVisit(codec, folder);
        state.SetIterationTime(visit.seconds);
        busy = std::max(busy, visit.busyMs);
        busyCpu = std::max(busyCpu, visit.cpuMs);
        if (visit.items != 50)
            state.SkipWithError("the grid does not hold the 50 pictures");
    }
    state.counters["ui_busy_max_ms"] = busy;
    state.counters["ui_cpu_max_ms"] = busyCpu;
}

void BM_ListingOnUiThread(benchmark::State &state)
{
    std::string folder = EnvOr("TARNIS_BROWSER_BROKEN", "/tmp/bench-corpus/broken20000");
    if (!MakeBrokenFolder(folder)) {
        state.SkipWithError(("cannot write into " + folder).c_str());
        return;
    }
    for (auto _ : state) {
        CThumbWnd grid(CodexaThumbCodec());
        grid.SetFolder(folder, 0);
        QElapsedTimer clock;
        clock.start();
        grid.SetFolder(folder, 1);
        grid.EnumerateFolder(); // one stretch: the UI thread does not return meanwhile
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        state.counters["ui_busy_max_ms"] = clock.nsecsElapsed() / 1e6;
        grid.SetFolder(folder, 0);
        WaitForLoad(grid);
    }
}

BENCHMARK(BM_FirstVisit)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SecondVisit)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenFolder)->Arg(0)->Arg(5)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingOnUiThread)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A folder of 1024 pictures reports its limit; no one is there to close the box.
    SetBrowserMessageHook([](QWidget *, const QString &text, const QString &, MessageIcon) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
