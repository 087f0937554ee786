// Reading the flash back through the bootloader's Read Memory, at the speed of a real serial line
// (tarvo-max-virtual-pedal --bootloader --line-speed: 115200 baud, 8E1, every byte its wire
// time both ways): the read-back that checks a firmware run before Go, against the wire time of
// its own bytes; and tarvo-max firmware read of the whole flash, against the wire time of the
// bytes it exchanged and beside stm32flash -r (Debian's package, if installed) on the same line.

#include "LineCounting.h"
#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "cli/Cli.h"
#include "cli/TerminalServices.h"
#include "firmware/Flasher.h"
#include "link/Bridges.h"
#include "link/system/SystemBridges.h"
#include "protocol/EditorContext.h"
#include "virtual_pedal_process.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/wait.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kGoalRatio = 1.10;
constexpr double kBitsPerByte = 11.0; // 8E1
constexpr double kBaudRate = 115200.0;
const char* const kStm32flash = "/usr/bin/stm32flash";

double stm32flashReadMs = 0; // measured first, for the comparison in tarvo-max's own result

double wireMs(double bytes) {
    return bytes * kBitsPerByte / kBaudRate * 1000.0;
}

std::string goalLabel(double ratio) {
    return std::string("goal: at most 1.10 x the wire time") + (ratio <= kGoalRatio ? " (met)" : " (MISSED)");
}

// The read-back of a firmware run alone: timed and counted from the first Read Memory command
// after the last block written to the end of the version record's, as the run's progress marks
// them (the bar's second half).
void BM_ReadBackBeforeGo(benchmark::State& state) {
    const QByteArray image = ProductData::raw("FIRMWARE_1").value_or(QByteArray());
    const int blocks = static_cast<int>((image.size() + 255) / 256);
    double ratioSum = 0;
    for (auto _ : state) {
        ServedPedal pedal{{"--bootloader", "--line-speed"}};
        if (!pedal.serving()) {
            state.SkipWithError("the virtual pedal program did not start");
            return;
        }
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
        TerminalServices services;
        double bytes = 0;
        CountingDriver driver(makeSystemDriver(), bytes);
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        EditorContext ctx(services, driver);
        ctx.line.services.collectOn(std::this_thread::get_id());
        ctx.link.SetSerialParameters(SerialMode::Normal);
        const QList<BridgeInfo> bridges = listBridges(ctx.link);
        FirmwareFlasher flasher(ctx.line);
        if (bridges.isEmpty() ||
            !openBridge(ctx.link, ctx.console, ctx.line.services, bridges.last().serial) ||
            !flasher.findBootloader()) {
            state.SkipWithError("the pedal program's bootloader was not reached");
            return;
        }
        Clock::time_point start{};
        double bytesAtStart = 0;
        double took = 0;
        double readBytes = 0;
        ctx.line.onProgress = [&](int value, int maximum) {
            if (value == blocks && bytesAtStart == 0) {
                start = Clock::now();
                bytesAtStart = bytes;
            } else if (value == maximum) {
                took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                readBytes = bytes - bytesAtStart;
            }
        };
        const FirmwareFlasher::Result result = flasher.flash(FirmwareImage{"Firmware_1", 1, image}, true);
        if (result.outcome != FirmwareFlasher::Outcome::Flashed || readBytes == 0) {
            state.SkipWithError(("the checked run failed: " + result.message).toStdString().c_str());
            return;
        }
        state.SetIterationTime(took / 1000.0);
        ratioSum += took / wireMs(readBytes);
        state.counters["read_back_bytes"] = readBytes;
        state.counters["wire_ms"] = wireMs(readBytes);
    }
    const double ratio =
        ratioSum / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["ratio"] = ratio;
    state.SetLabel(goalLabel(ratio));
}
BENCHMARK(BM_ReadBackBeforeGo)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Stm32flashReadsTheFlash(benchmark::State& state) {
    if (access(kStm32flash, X_OK) != 0) {
        state.SkipWithError("stm32flash is not installed (Debian: stm32flash)");
        return;
    }
    QTemporaryDir dir;
    const QString output = dir.filePath("flash.bin");
    double totalMs = 0;
    for (auto _ : state) {
        ServedPedal pedal{{"--bootloader", "--line-speed"}};
        // stm32flash keeps the port's own framing (-b 0), as a pseudo-terminal cannot take its own.
        const int setup = open(pedal.pty.c_str(), O_RDWR | O_NOCTTY);
        setFraming(setup, B115200, Parity::Even);
        close(setup);
        const int devNull = open("/dev/null", O_WRONLY);
        const auto start = Clock::now();
        Child reader;
        reader.pid = spawn({kStm32flash, "-b", "0", "-r", output.toStdString(), pedal.pty}, devNull);
        int status = 0;
        waitpid(reader.pid, &status, 0);
        reader.pid = -1;
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        close(devNull);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || QFileInfo(output).size() != 128 * 1024) {
            state.SkipWithError("stm32flash failed");
            break;
        }
        state.SetIterationTime(took / 1000.0);
        totalMs += took;
    }
    stm32flashReadMs =
        totalMs / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.SetLabel("for comparison");
}
BENCHMARK(BM_Stm32flashReadsTheFlash)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FirmwareReadFromTheCommandLine(benchmark::State& state) {
    PauseCounting<TerminalServices> services;
    double bytes = 0;
    CliRuntime runtime{services, [&] { return std::make_unique<CountingDriver>(makeSystemDriver(), bytes); },
                       [] { return false; }};
    QTemporaryDir dir;
    const QString output = dir.filePath("flash.bin");
    double ratioSum = 0;
    double totalMs = 0;
    for (auto _ : state) {
        ServedPedal pedal{{"--bootloader", "--line-speed"}};
        if (!pedal.serving()) {
            state.SkipWithError("the virtual pedal program did not start");
            return;
        }
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
        bytes = 0;
        const TimedCliRun run = timeCli({"firmware", "read", "-o", output}, runtime);
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        if (run.status != kExitOk) {
            state.SkipWithError(("the read failed: " + run.errors).toStdString().c_str());
            break;
        }
        state.SetIterationTime(run.ms / 1000.0);
        ratioSum += run.ms / wireMs(bytes);
        totalMs += run.ms;
        state.counters["bytes_both_ways"] = bytes;
        state.counters["wire_ms"] = wireMs(bytes);
    }
    const double runs = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    const double ratio = ratioSum / runs;
    state.counters["ratio"] = ratio;
    std::string label = goalLabel(ratio);
    if (stm32flashReadMs > 0) {
        state.counters["stm32flash_ms"] = stm32flashReadMs;
        label += totalMs / runs <= stm32flashReadMs ? "; not slower than stm32flash -r"
                                                    : "; SLOWER than stm32flash -r";
    }
    state.SetLabel(label);
}
BENCHMARK(BM_FirmwareReadFromTheCommandLine)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
