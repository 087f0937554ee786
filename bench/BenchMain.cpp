#include "LocalWebHost.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// Widgets need one application object for the whole program, created before any benchmark
// builds a window. Offscreen unless told otherwise, so the benchmarks run without a display.
int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Every editor a benchmark starts, in this process or as a program of its own, asks this
    // server for the newest version rather than the maker's web site.
    LocalWebHost web("1.0");
    qputenv("TARVO_MAX_WEB_HOST", web.host());
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
