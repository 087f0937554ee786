// The editor linked through a pseudo-terminal to the virtual pedal program running at the speed
// of a real serial line: how long Link takes until the stored effect's window is shown, and
// Request until its values are shown, against what they cannot beat: the pauses the editor must
// make plus the wire time of the bytes exchanged.

#include "LineCounting.h"
#include "app/EditorApp.h"
#include "app/QtServices.h"
#include "app/TformMain.h"
#include "link/system/SystemBridges.h"
#include "protocol/EditorContext.h"
#include "virtual_pedal_process.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

constexpr double kGoalRatio = 1.10;
constexpr double kBitsPerByte = 10.0; // 8N1
constexpr double kBaudRate = 115200.0;

struct SerialEditor {
    ServedPedal pedal{{"--line-speed", "--effect", "11"}};
    std::unique_ptr<FtDriver> system;
    double bytes = 0;
    std::unique_ptr<CountingDriver> wire;
    PauseCounting<QtServices> services;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<EditorApp> app;

    SerialEditor() {
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
        system = makeSystemDriver();
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        wire = std::make_unique<CountingDriver>(*system, bytes);
        context = std::make_unique<EditorContext>(services, *wire);
        app = std::make_unique<EditorApp>(*context);
        app->main().show();
    }
    template <typename T> T* find(const char* name) {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* found = window->findChild<T*>(QString::fromLatin1(name)))
                return found;
        return nullptr;
    }
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
    SerialEditor editor;
    if (!editor.pedal.serving()) {
        state.SkipWithError("the virtual pedal program did not start");
        return;
    }
    QAction* unlink = editor.find<QAction>("menuDisconnect");
    editor.measure(
        state, [&] { unlink->trigger(); },
        [&] {
            editor.find<QAction>("menuConnect")->trigger();
            if (!editor.find<QWidget>("potBar0"))
                state.SkipWithError("Link did not show the stored effect");
        });
}
BENCHMARK(BM_LinkUntilTheStoredEffectIsShown)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RequestUntilTheValuesAreShown(benchmark::State& state) {
    SerialEditor editor;
    editor.find<QAction>("menuConnect")->trigger();
    auto* request = editor.find<QAbstractButton>("btnRequest");
    if (!request || !request->isEnabled()) {
        state.SkipWithError("Link did not open the stored effect");
        return;
    }
    editor.measure(
        state, [] {},
        [&] {
            request->click();
            if (!editor.find<QWidget>("potBar0")->isEnabled())
                state.SkipWithError("Request did not show the values");
        });
}
BENCHMARK(BM_RequestUntilTheValuesAreShown)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
