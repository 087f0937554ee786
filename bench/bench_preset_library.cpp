#include "Goal.h"
#include "params/PresetFile.h"
#include "ui/TestEditor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTableView>

namespace {

constexpr double kGoalMs = 100.0;
constexpr int kPresets = 1000;

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A thousand presets of several effects in the editor's preset folder, as a player who keeps
// every sound would have them.
bool fillLibrary(const QString& documents) {
    const QString folder = presetFolderPath(documents);
    if (!QDir().mkpath(folder))
        return false;
    const std::pair<int, std::vector<std::int32_t>> effects[] = {
        {0x0B, {512, 700, 300, 0, 1024, 0, 408}},
        {0x23, {300, 200, 100, 50, 512, 0, 1024}},
        {0x01, {100, 200, 300}},
    };
    for (int i = 0; i < kPresets; ++i) {
        const auto& [effect, levels] = effects[i % 3];
        QFile file(folder + QStringLiteral("/sound %1.txt").arg(i));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(presetFileBytes(composePresetText({effect, 1, levels, {}, {}}))) < 0)
            return false;
    }
    return true;
}

// The library window opened on a folder of a thousand presets: every file read and checked,
// the list filled and sorted. With argument 1 the first paint is included, which is when the
// player sees the list.
void BM_ListAThousandPresets(benchmark::State& state) {
    const bool paint = state.range(0) != 0;
    TestEditor editor;
    if (!fillLibrary(editor.services.documents)) {
        state.SkipWithError("the presets could not be written");
        return;
    }
    QWidget& window = *editor.find("formPresetLibrary");
    auto* table = editor.find<QTableView>("tblPresets");
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
    if (table->model()->rowCount() != kPresets)
        state.SkipWithError("the window did not list every preset");
    window.close();
}
BENCHMARK(BM_ListAThousandPresets)
    ->ArgName("paint")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
