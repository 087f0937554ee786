// The largest program (Shimmer Reverb, 9,472 bytes) uploaded through a pseudo-terminal to the
// virtual pedal program running at the speed of a real serial line, against what no upload can
// beat: the bytes' wire time both ways plus the pause the pedal must be given after the bypass.
// Timed from tarvo-max's command until it prints the pedal's "Upload complete", and from the
// editor's Upload Selected Effect until its status reads "Upload complete".

#include "LineCounting.h"
#include "app/EditorApp.h"
#include "app/QtServices.h"
#include "app/TformMain.h"
#include "cli/Cli.h"
#include "cli/TerminalServices.h"
#include "link/system/SystemBridges.h"
#include "virtual_pedal_process.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QString>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr double kGoalRatio = 1.02;
constexpr double kBitsPerByte = 10.0; // 8N1
constexpr double kBaudRate = 115200.0;
constexpr int kShimmerReverbBytes = 9472;

// The desktop as the product has it, answering Yes and counting the pauses.
class YesServices : public PauseCounting<QtServices> {
public:
    bool confirm(const QString&) override { return true; }
};

void labelRatio(benchmark::State& state, double ratioSum) {
    const double ratio =
        ratioSum / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["ratio"] = ratio;
    state.counters["program_bytes"] = kShimmerReverbBytes;
    state.SetLabel(std::string("goal: at most 1.02 x the pauses and wire time") +
                   (ratio <= kGoalRatio ? " (met)" : " (MISSED)"));
}

double floorMs(double pausedMs, double bytes) {
    return pausedMs + bytes * kBitsPerByte / kBaudRate * 1000.0;
}

void BM_UploadTheLargestProgramFromTheCommandLine(benchmark::State& state) {
    ServedPedal pedal{{"--line-speed", "--effect", "11"}};
    if (!pedal.serving()) {
        state.SkipWithError("the virtual pedal program did not start");
        return;
    }
    qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
    PauseCounting<TerminalServices> services;
    double bytes = 0;
    CliRuntime runtime{services, [&] { return std::make_unique<CountingDriver>(makeSystemDriver(), bytes); },
                       [] { return false; }};
    double ratioSum = 0;
    for (auto _ : state) {
        services.pausedMs = 0;
        bytes = 0;
        const TimedCliRun run = timeCli({"upload", "Shimmer Reverb"}, runtime);
        if (run.status != kExitOk || !run.printed.startsWith(QStringLiteral("Upload complete"))) {
            state.SkipWithError(("the upload failed: " + run.errors).toStdString().c_str());
            break;
        }
        state.SetIterationTime(run.ms / 1000.0);
        ratioSum += run.ms / floorMs(services.pausedMs, bytes);
        state.counters["floor_ms"] = floorMs(services.pausedMs, bytes);
        state.counters["bytes"] = bytes;
    }
    qunsetenv("TARVO_MAX_SERIAL_PORT");
    labelRatio(state, ratioSum);
}
BENCHMARK(BM_UploadTheLargestProgramFromTheCommandLine)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The editor linked to the pedal program, with Shimmer Reverb chosen in the effect list.
struct SerialEditor {
    ServedPedal pedal{{"--line-speed", "--effect", "11"}};
    YesServices services;
    double bytes = 0;
    std::unique_ptr<CountingDriver> wire;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<EditorApp> app;

    SerialEditor() {
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
        wire = std::make_unique<CountingDriver>(makeSystemDriver(), bytes);
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        context = std::make_unique<EditorContext>(services, *wire);
        app = std::make_unique<EditorApp>(*context);
        app->main().show();
        find<QAction>("menuConnect")->trigger();
        choose("lstCategory", "Other");
        choose("lstEffects", "Shimmer Reverb");
    }
    template <typename T> T* find(const char* name) {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* found = window->findChild<T*>(QString::fromLatin1(name)))
                return found;
        return nullptr;
    }
    // A click on a row, as the player makes it.
    void choose(const char* list, const char* row) {
        auto* widget = find<QListWidget>(list);
        const QList<QListWidgetItem*> items = widget->findItems(QString::fromLatin1(row), Qt::MatchExactly);
        if (items.isEmpty())
            return;
        widget->setCurrentItem(items.first());
        emit widget->itemClicked(items.first());
    }
    // Lets the receive poll run until the status says so, or for 10 s at most; the poll's own
    // fallback timer wakes the wait at least every 50 ms.
    bool waitForStatus(const QString& text) {
        auto* status = find<QLabel>("lblStatus");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (status->text() != text && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return status->text() == text;
    }
};

void BM_UploadTheLargestProgramFromTheEditor(benchmark::State& state) {
    SerialEditor editor;
    auto* upload = editor.find<QAbstractButton>("btnUpload");
    if (!editor.pedal.serving() || !upload || !upload->isEnabled()) {
        state.SkipWithError("the editor did not link to the pedal program");
        return;
    }
    double ratioSum = 0;
    for (auto _ : state) {
        editor.services.pausedMs = 0;
        editor.bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        upload->click();
        const bool complete = editor.waitForStatus(QStringLiteral("Upload complete"));
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (!complete) {
            state.SkipWithError("the status never read \"Upload complete\"");
            break;
        }
        state.SetIterationTime(took.count() / 1000.0);
        ratioSum += took.count() / floorMs(editor.services.pausedMs, editor.bytes);
        state.counters["floor_ms"] = floorMs(editor.services.pausedMs, editor.bytes);
        state.counters["bytes"] = editor.bytes;
    }
    labelRatio(state, ratioSum);
}
BENCHMARK(BM_UploadTheLargestProgramFromTheEditor)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
