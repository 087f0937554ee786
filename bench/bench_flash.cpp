// The built-in firmware (41,252 bytes) flashed through a pseudo-terminal into the virtual pedal
// program's bootloader running at the speed of a real serial line (115200 baud, 8E1), against
// the wire time of the bytes that cross the line both ways; and, for comparison, stm32flash
// (Debian's package, if installed) writing the same image into the same bootloader without
// verifying, as a maintainer would by hand.

#include "LineCounting.h"
#include "ProductData.h"
#include "cli/Cli.h"
#include "cli/TerminalServices.h"
#include "link/system/SystemBridges.h"
#include "virtual_pedal_process.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/wait.h>

namespace {

constexpr double kGoalRatio = 1.10;
constexpr double kBitsPerByte = 11.0; // 8E1
constexpr double kBaudRate = 115200.0;
const char* const kStm32flash = "/usr/bin/stm32flash";

double stm32flashMeanMs = 0; // measured first, for the comparison in the editor's own result

// What the client wrote, as the pedal program recorded it.
double recordedBytes(const QString& path) {
    return static_cast<double>(QFileInfo(path).size());
}

double wireMs(double bytes) {
    return bytes * kBitsPerByte / kBaudRate * 1000.0;
}

void BM_Stm32flashWritesTheImage(benchmark::State& state) {
    if (access(kStm32flash, X_OK) != 0) {
        state.SkipWithError("stm32flash is not installed (Debian: stm32flash)");
        return;
    }
    QTemporaryDir dir;
    const QString image = dir.filePath("firmware.bin");
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(ProductData::raw("FIRMWARE_1").value_or(QByteArray())) <= 0) {
        state.SkipWithError("cannot write the image");
        return;
    }
    file.close();
    double totalMs = 0;
    double ratioSum = 0;
    const QString record = dir.filePath("sent.bin");
    for (auto _ : state) {
        QFile::remove(record);
        ServedPedal pedal{{"--bootloader", "--line-speed", "--record", record.toStdString()}};
        // stm32flash keeps the port's own framing (-b 0), as a pseudo-terminal cannot take its own.
        const int setup = open(pedal.pty.c_str(), O_RDWR | O_NOCTTY);
        setFraming(setup, B115200, Parity::Even);
        close(setup);
        const int devNull = open("/dev/null", O_WRONLY);
        const auto start = std::chrono::steady_clock::now();
        Child flasher;
        flasher.pid = spawn(
            {kStm32flash, "-b", "0", "-w", image.toStdString(), "-g", "0x08000000", pedal.pty}, devNull);
        int status = 0;
        waitpid(flasher.pid, &status, 0);
        flasher.pid = -1;
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        close(devNull);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("stm32flash failed");
            break;
        }
        state.SetIterationTime(took.count() / 1000.0);
        totalMs += took.count();
        ratioSum += took.count() / wireMs(recordedBytes(record));
        state.counters["sent_bytes"] = recordedBytes(record);
        state.counters["wire_ms"] = wireMs(recordedBytes(record));
    }
    const double runs = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    stm32flashMeanMs = totalMs / runs;
    state.counters["ratio"] = ratioSum / runs;
    state.SetLabel("for comparison: time over the wire time of the bytes it sent");
}
BENCHMARK(BM_Stm32flashWritesTheImage)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FlashTheBuiltInFirmwareFromTheCommandLine(benchmark::State& state) {
    PauseCounting<TerminalServices> services;
    double bytes = 0;
    CliRuntime runtime{services, [&] { return std::make_unique<CountingDriver>(makeSystemDriver(), bytes); },
                       [] { return false; }};
    double ratioSum = 0;
    double totalMs = 0;
    QTemporaryDir dir;
    const QString record = dir.filePath("sent.bin");
    for (auto _ : state) {
        QFile::remove(record);
        ServedPedal pedal{{"--bootloader", "--line-speed", "--record", record.toStdString()}};
        if (!pedal.serving()) {
            state.SkipWithError("the virtual pedal program did not start");
            return;
        }
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
        services.pausedMs = 0;
        bytes = 0;
        const TimedCliRun run = timeCli({"flash", "--bootloader"}, runtime);
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        if (run.status != kExitOk) {
            state.SkipWithError(("the flash failed: " + run.errors).toStdString().c_str());
            break;
        }
        state.SetIterationTime(run.ms / 1000.0);
        // The limit counts the bytes sent; the replies' wire time and the pause before Go are
        // shown beside it.
        const double sent = recordedBytes(record);
        ratioSum += run.ms / wireMs(sent);
        totalMs += run.ms;
        state.counters["sent_bytes"] = sent;
        state.counters["wire_ms"] = wireMs(sent);
        state.counters["both_ways_wire_ms"] = wireMs(bytes);
        state.counters["paused_ms"] = services.pausedMs;
    }
    const double runs = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    const double ratio = ratioSum / runs;
    state.counters["ratio"] = ratio;
    if (stm32flashMeanMs > 0)
        state.counters["stm32flash_ms"] = stm32flashMeanMs;
    std::string label =
        std::string("goal: at most 1.10 x the wire time") + (ratio <= kGoalRatio ? " (met)" : " (MISSED)");
    if (stm32flashMeanMs > 0)
        label +=
            totalMs / runs <= stm32flashMeanMs ? "; not slower than stm32flash" : "; SLOWER than stm32flash";
    state.SetLabel(label);
}
BENCHMARK(BM_FlashTheBuiltInFirmwareFromTheCommandLine)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
