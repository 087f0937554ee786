#include "Goal.h"
#include "ProductData.h"
#include "ui/TestEditor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSlider>
#include <algorithm>

namespace {

constexpr double kGoalMs = 2.0;

// The catalogue's widest layout: ten pots, four two-state switches, two selectors and four
// readbacks, sixteen parameters in all.
const QString kEffect = QStringLiteral("Step Sequencer");

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Opening the window builds every row from the effect's layout; closing it throws them away,
// so each show is a full build, as when the user picks another effect. With paint 1 the first
// paint of the new controls is included, which is when the user sees them; the editor's timers,
// which make the next window's controls ahead once this one is on screen, run after it. Each look
// is timed: the looks are style sheets, and a sheet costs every control it styles.
void BM_BuildSixteenParameterWindow(benchmark::State& state) {
    const bool paint = state.range(0) != 0;
    const int look = static_cast<int>(state.range(1));
    TestEditor editor;
    qApp->setStyleSheet(
        QString::fromUtf8(ProductData::raw(QStringLiteral("STYLE_%1").arg(look)).value_or("")));
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
                    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
            });
        }
    }
    const QList<QSlider*> sliders = window.findChildren<QSlider*>();
    if (std::count_if(sliders.begin(), sliders.end(), [](QSlider* s) { return s->isVisible(); }) != 10 ||
        !editor.services.errors.isEmpty())
        state.SkipWithError("the window was not built with the effect's ten pots");
    window.close();
}
BENCHMARK(BM_BuildSixteenParameterWindow)
    ->ArgNames({"paint", "look"})
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
