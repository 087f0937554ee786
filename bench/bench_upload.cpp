// The largest program (Shimmer Reverb, 9,472 bytes) uploaded through a pseudo-terminal to the
// virtual pedal program running at the speed of a real serial line, against what no upload can
// beat: the bytes' wire time both ways plus the pause the pedal must be given after the bypass.
// Timed from tarvo-max's command until it prints the pedal's "Upload complete", and from the
// editor's Upload Selected Effect until its status reads "Upload complete".

#include "SerialEditor.h"
#include "cli/Cli.h"
#include "cli/TerminalServices.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr double kGoalRatio = 1.02;
constexpr double kBitsPerByte = 10.0; // 8N1
constexpr double kBaudRate = 115200.0;
constexpr int kShimmerReverbBytes = 9472;

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
struct UploadEditor : SerialEditor {
    UploadEditor() {
        link();
        choose("lstCategory", "Other");
        choose("lstEffects", "Shimmer Reverb");
    }
};

void BM_UploadTheLargestProgramFromTheEditor(benchmark::State& state) {
    UploadEditor editor;
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
        const bool complete = editor.waitForWorker() &&
                              editor.find<QLabel>("lblStatus")->text() == QStringLiteral("Upload complete");
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
