#pragma once
// The main of a benchmark that draws: an offscreen GUI application around
// the registered benchmarks.
#include <QGuiApplication>
#include <benchmark/benchmark.h>

inline int RunGuiBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
