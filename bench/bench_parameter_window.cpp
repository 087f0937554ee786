#include "Goal.h"
#include "ui/EditorHarness.h"

#include "params/TformFXParameters.h"

#include <QCoreApplication>
#include <QSlider>

namespace {

constexpr double kGoalMs = 20.0;

// The catalogue's widest layout: ten pots, four two-state switches, two selectors and four
// readbacks, sixteen parameters in all.
const QString kEffect = QStringLiteral("Step Sequencer");

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Opening the window builds every row from the effect's layout; closing it throws them away,
// so each show is a full build, as when the user picks another effect.
void BM_BuildSixteenParameterWindow(benchmark::State& state) {
    EditorHarness editor;
    editor.context->state.selectedEffectName = kEffect;
    TformFXParameters& window = *editor.app->windows().formFXParameters;
    {
        GoalTimer timer(state, kGoalMs);
        for (auto _ : state) {
            window.close();
            settle();
            timer.measure([&] { window.show(); });
        }
    }
    if (window.findChildren<QSlider*>().size() != 10 || !editor.services.errors.isEmpty())
        state.SkipWithError("the window was not built with the effect's ten pots");
    window.close();
}
BENCHMARK(BM_BuildSixteenParameterWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

// As above, and the first paint of the new controls, which is when the user sees them.
void BM_BuildAndPaintSixteenParameterWindow(benchmark::State& state) {
    EditorHarness editor;
    editor.context->state.selectedEffectName = kEffect;
    TformFXParameters& window = *editor.app->windows().formFXParameters;
    {
        GoalTimer timer(state, kGoalMs);
        for (auto _ : state) {
            window.close();
            settle();
            timer.measure([&] {
                window.show();
                QCoreApplication::processEvents();
            });
        }
    }
    if (window.findChildren<QSlider*>().size() != 10 || !editor.services.errors.isEmpty())
        state.SkipWithError("the window was not built with the effect's ten pots");
    window.close();
}
BENCHMARK(BM_BuildAndPaintSixteenParameterWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
