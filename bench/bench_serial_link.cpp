// The editor linked through a pseudo-terminal to the virtual pedal program running at the speed
// of a real serial line: how long Link takes until the stored effect's window is shown, and
// Request until its values are shown, against what they cannot beat: the pauses the editor must
// make plus the wire time of the bytes exchanged.

#include "SerialEditor.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double kGoalRatio = 1.10;
constexpr double kBitsPerByte = 10.0; // 8N1
constexpr double kBaudRate = 115200.0;

struct LinkBench : SerialEditor {
    // Runs `step` after `prepare` and reports its time against its floor.
    void measure(benchmark::State& state, const std::function<void()>& prepare,
                 const std::function<void()>& step) {
        double ratioSum = 0;
        for (auto _ : state) {
            prepare();
            services.pausedMs = 0;
            bytes = 0;
            const auto start = std::chrono::steady_clock::now();
            step();
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            state.SetIterationTime(took.count() / 1000.0);
            const double floorMs = services.pausedMs + bytes * kBitsPerByte / kBaudRate * 1000.0;
            ratioSum += took.count() / floorMs;
            state.counters["floor_ms"] = floorMs;
        }
        const double ratio = ratioSum / static_cast<double>(state.iterations());
        state.counters["ratio"] = ratio;
        state.SetLabel(std::string("goal: at most 1.10 x the pauses and wire time") +
                       (ratio <= kGoalRatio ? " (met)" : " (MISSED)"));
    }
};

void BM_LinkUntilTheStoredEffectIsShown(benchmark::State& state) {
    LinkBench editor;
    if (!editor.pedal.serving()) {
        state.SkipWithError("the virtual pedal program did not start");
        return;
    }
    QAction* unlink = editor.find<QAction>("menuDisconnect");
    editor.measure(
        state,
        [&] {
            unlink->trigger();
            editor.waitForWorker();
        },
        [&] {
            editor.find<QAction>("menuConnect")->trigger();
            editor.waitForWorker();
            if (!editor.find<QWidget>("potBar0"))
                state.SkipWithError("Link did not show the stored effect");
        });
}
BENCHMARK(BM_LinkUntilTheStoredEffectIsShown)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RequestUntilTheValuesAreShown(benchmark::State& state) {
    LinkBench editor;
    editor.link();
    auto* request = editor.find<QAbstractButton>("btnRequest");
    if (!request || !request->isEnabled()) {
        state.SkipWithError("Link did not open the stored effect");
        return;
    }
    editor.measure(
        state, [] {},
        [&] {
            request->click();
            editor.waitForWorker();
            if (!editor.find<QWidget>("potBar0")->isEnabled())
                state.SkipWithError("Request did not show the values");
        });
}
BENCHMARK(BM_RequestUntilTheValuesAreShown)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
