// A whole pedal restored from a backup through a pseudo-terminal to the virtual pedal program
// running at the speed of a real serial line, against what no restore can beat: the wire time of
// the bytes it exchanges, both ways, plus the fixed pauses the pedal's messages ask for. Timed
// from tarvo-max's restore command (linking included) until it prints that the read-back matches.

#include "LineCounting.h"
#include "cli/TerminalServices.h"
#include "link/system/SystemBridges.h"
#include "virtual_pedal_process.h"

#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr double kGoalRatio = 1.05;
constexpr double kBitsPerByte = 10.0; // 8N1
constexpr double kBaudRate = 115200.0;

double floorMs(double pausedMs, double bytes) {
    return pausedMs + bytes * kBitsPerByte / kBaudRate * 1000.0;
}

// The largest program with its knobs moved and a control assigned, then backed up: what is
// restored.
bool backUp(CliRuntime& runtime, const QString& file, QString& why) {
    const QList<QStringList> steps = {{"upload", "Shimmer Reverb"},
                                      {"set", "Decay", "700"},
                                      {"set", "Mix", "300"},
                                      {"assign", "Decay", "KI", "--yes"},
                                      {"reverse", "Decay", "on"},
                                      {"midi", "7"},
                                      {"backup", file}};
    for (const QStringList& step : steps) {
        const TimedCliRun run = timeCli(step, runtime);
        if (run.status != kExitOk) {
            why = step.join(u' ') + QStringLiteral(": ") + run.errors;
            return false;
        }
    }
    return true;
}

void BM_RestoreAWholePedalFromTheCommandLine(benchmark::State& state) {
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
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("pedal.json"));
    QString why;
    if (!backUp(runtime, file, why)) {
        state.SkipWithError(("the backup failed: " + why).toStdString().c_str());
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        return;
    }
    double ratioSum = 0;
    for (auto _ : state) {
        services.pausedMs = 0;
        bytes = 0;
        const TimedCliRun run = timeCli({"restore", file, "--yes"}, runtime);
        if (run.status != kExitOk ||
            !run.printed.contains(QStringLiteral("the read-back matches the backup"))) {
            state.SkipWithError(("the restore failed: " + run.errors).toStdString().c_str());
            break;
        }
        state.SetIterationTime(run.ms / 1000.0);
        ratioSum += run.ms / floorMs(services.pausedMs, bytes);
        state.counters["floor_ms"] = floorMs(services.pausedMs, bytes);
        state.counters["paused_ms"] = services.pausedMs;
        state.counters["bytes"] = bytes;
    }
    qunsetenv("TARVO_MAX_SERIAL_PORT");
    const double ratio =
        ratioSum / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["ratio"] = ratio;
    state.SetLabel(std::string("goal: at most 1.05 x the pauses and wire time") +
                   (ratio <= kGoalRatio ? " (met)" : " (MISSED)"));
}
BENCHMARK(BM_RestoreAWholePedalFromTheCommandLine)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
