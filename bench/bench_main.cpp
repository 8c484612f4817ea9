// Entry point of ordavo-bench: Google Benchmark's runner inside a Qt application (a widget one with the windows).
#ifdef ORDAVO_BENCH_WITH_WINDOWS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The window benchmarks need a widget application; without a display they draw offscreen.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv)
{
#ifdef ORDAVO_BENCH_WITH_WINDOWS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
#else
    return std::make_unique<QCoreApplication>(argc, argv);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    // Qt parts of the benchmarks (locale, events, widgets) need an application.
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
