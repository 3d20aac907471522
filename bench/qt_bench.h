// main() of the benchmarks that need a QApplication: offscreen unless the caller chose a platform.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>

// Runs the registered benchmarks; beforeQuit lets go of widgets while the application still lives.
inline int RunQtBenchmarks(int argc, char **argv, const std::function<void()> &beforeQuit = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeQuit)
        beforeQuit();
    return 0;
}
