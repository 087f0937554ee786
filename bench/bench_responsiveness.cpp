// How well the windows keep answering while the editor talks to the pedal: the editor linked
// through a pseudo-terminal to the virtual pedal program at the speed of a real serial line, and
// a 5 ms timer on the windows' thread. For each exchange, started from its control, the longest
// gap between two ticks of the timer until the exchange's result is shown. One frame (16 ms) is
// the goal: a longer gap is a window that does not follow the pointer.

#include "SerialEditor.h"

#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

constexpr double kGoalMs = 16.0;

// The longest wait of the windows' thread while `start` runs and the worker finishes.
double longestGap(SerialEditor& editor, const std::function<void()>& start) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start();
    last = clock.elapsed();
    start();
    editor.waitForWorker();
    // The gap that runs until the last tick counts too.
    longest = std::max(longest, clock.elapsed() - last);
    return static_cast<double>(longest);
}

void measure(benchmark::State& state, const char* what, const std::function<void(SerialEditor&)>& prepare,
             const std::function<void(SerialEditor&)>& start) {
    SerialEditor editor;
    if (!editor.pedal.serving()) {
        state.SkipWithError("the virtual pedal program did not start");
        return;
    }
    double worst = 0;
    for (auto _ : state) {
        prepare(editor);
        const double gap = longestGap(editor, [&] { start(editor); });
        worst = std::max(worst, gap);
        state.SetIterationTime(gap / 1000.0);
    }
    state.counters["longest_gap_ms"] = worst;
    state.SetLabel(std::string(what) + ": goal at most 16 ms between ticks" +
                   (worst <= kGoalMs ? " (met)" : " (MISSED)"));
}

void unlinked(SerialEditor& editor) {
    if (editor.find<QAction>("menuDisconnect")->isEnabled()) {
        editor.find<QAction>("menuDisconnect")->trigger();
        editor.waitForWorker();
    }
}

void linked(SerialEditor& editor) {
    if (!editor.find<QAction>("menuDisconnect")->isEnabled())
        editor.link();
}

void click(SerialEditor& editor, const char* button) {
    editor.find<QAbstractButton>(button)->click();
}

void BM_Link(benchmark::State& state) {
    measure(state, "Link", unlinked, [](SerialEditor& e) { e.find<QAction>("menuConnect")->trigger(); });
}
void BM_GetFXStoredOnPedal(benchmark::State& state) {
    measure(state, "Get FX Stored on Pedal", linked, [](SerialEditor& e) { click(e, "btnOpenEffect"); });
}
void BM_Request(benchmark::State& state) {
    measure(state, "Request", linked, [](SerialEditor& e) { click(e, "btnRequest"); });
}
void BM_StoreSettings(benchmark::State& state) {
    measure(
        state, "Store Settings On Pedal",
        [](SerialEditor& e) {
            linked(e);
            click(e, "btnRequest");
            e.waitForWorker();
        },
        [](SerialEditor& e) { click(e, "btnStoreSettingsOnPedal"); });
}
void BM_Upload(benchmark::State& state) {
    measure(state, "Upload Selected Effect", linked, [](SerialEditor& e) { click(e, "btnUpload"); });
}
void BM_EraseSettings(benchmark::State& state) {
    measure(state, "Erase Settings", linked,
            [](SerialEditor& e) { e.find<QAction>("menuEraseSettings")->trigger(); });
}

BENCHMARK(BM_Link)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetFXStoredOnPedal)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Request)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreSettings)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Upload)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EraseSettings)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
