// Entry point of ordavo-bench: Google Benchmark's runner inside a Qt application (a widget one with the windows).
#ifdef ORDAVO_BENCH_WITH_WINDOWS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include "cpu_clock.h"

#include <QEvent>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

double g_paintCpuMs = 0;

#ifdef ORDAVO_BENCH_WITH_WINDOWS
// A widget application that clocks the delivery of paint events: an update request of a window
// paints every widget of it that needs painting, and the paint events sent inside it count once.
class PaintClockedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool painting = event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint;
        if (!painting || depth_ > 0)
            return QApplication::notify(receiver, event);
        ++depth_;
        const double start = ThreadCpuMs();
        const bool handled = QApplication::notify(receiver, event);
        g_paintCpuMs += ThreadCpuMs() - start;
        --depth_;
        return handled;
    }

private:
    int depth_ = 0;
};
#endif

// The window benchmarks need a widget application; without a display they draw offscreen.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv)
{
#ifdef ORDAVO_BENCH_WITH_WINDOWS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<PaintClockedApplication>(argc, argv);
#else
    return std::make_unique<QCoreApplication>(argc, argv);
#endif
}

} // namespace

double PaintCpuMs()
{
    return g_paintCpuMs;
}

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
