#include "ui/TestEditor.h"

#include "app/ReceivePoll.h"

#include <QAction>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>

namespace {

constexpr double kGoalPercent = 1.0;
constexpr int kIdleMs = 10'000;

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A linked editor left alone: the pedal says nothing, so whatever CPU the process uses is the
// cost of waiting for it (the receive poll and the editor's own timers).
void BM_IdleLinkedEditor(benchmark::State& state) {
    TestEditor editor(WithVirtualPedal{});
    editor.trigger("menuConnect");
    if (!editor.find<ReceivePoll>("Timer_USB_read")->isActive()) {
        state.SkipWithError("the editor did not link to the virtual pedal");
        return;
    }

    double share = 0.0;
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        QEventLoop loop;
        QTimer::singleShot(kIdleMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
        const double cpu = processCpuSeconds() - cpuBefore;
        state.SetIterationTime(wall.count());
        share = 100.0 * cpu / wall.count();
    }
    state.counters["cpu_percent"] = share;
    state.counters["goal_percent"] = kGoalPercent;
    state.SetLabel(std::string("goal: at most 1 % of one core") +
                   (share <= kGoalPercent ? " (met)" : " (MISSED)"));
}
BENCHMARK(BM_IdleLinkedEditor)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
