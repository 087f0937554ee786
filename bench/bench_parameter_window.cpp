#include "Goal.h"
#include "ui/TestEditor.h"

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
// so each show is a full build, as when the user picks another effect. With argument 1 the
// first paint of the new controls is included, which is when the user sees them.
void BM_BuildSixteenParameterWindow(benchmark::State& state) {
    const bool paint = state.range(0) != 0;
    TestEditor editor;
    editor.context->state.selectedEffectName = kEffect;
    QWidget& window = *editor.find("formFXParameters");
    {
        GoalTimer timer(state, kGoalMs);
        for (auto _ : state) {
            window.close();
            settle();
            timer.measure([&] {
                window.show();
                if (paint)
                    QCoreApplication::processEvents();
            });
        }
    }
    if (window.findChildren<QSlider*>().size() != 10 || !editor.services.errors.isEmpty())
        state.SkipWithError("the window was not built with the effect's ten pots");
    window.close();
}
BENCHMARK(BM_BuildSixteenParameterWindow)
    ->ArgName("paint")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
