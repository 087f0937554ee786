#include "Goal.h"
#include "ui/TestEditor.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>

namespace {

constexpr double kGoalMs = 100.0;
constexpr int kDumpBytes = 0x4000;

// A dump as the pedal sends it: the 0xAB marker, then the memory. The bytes vary so the dump
// is never taken for an erased memory (which would add a message box to the measurement).
QByteArray memoryDump() {
    QByteArray dump(1 + kDumpBytes, '\0');
    dump[0] = static_cast<char>(0xAB);
    for (int i = 0; i < kDumpBytes; ++i)
        dump[1 + i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return dump;
}

// An editor linked to a fake bridge, its debug console open and empty.
struct LinkedEditor {
    LinkedEditor() : editor({{"FT1A2B3C", "FT230X Basic UART"}}) {
        editor.driver().queueReply("255\r\n255\r\n0\r\n1\r\n");
        editor.trigger("menuConnect");
        editor.find("formPrint")->show();
        editor.settle();
    }
    void clearConsole() { editor.click("btnClear"); }

    TestEditor editor;
};

bool lastLineIsLastAddress(TestEditor& editor) {
    const QStringList lines = editor.logLines();
    return !lines.isEmpty() && lines.last().startsWith(QStringLiteral("%1: ").arg(kDumpBytes - 1));
}

// The whole dump arrives at once and the receive poll wakes for it: one read, one dispatch.
// With argument 1 the console is also repainted, which is when the user sees the dump.
void BM_DumpInOneRead(benchmark::State& state) {
    const bool paint = state.range(0) != 0;
    LinkedEditor linked;
    const QByteArray dump = memoryDump();
    {
        GoalTimer timer(state, kGoalMs);
        for (auto _ : state) {
            linked.clearConsole();
            timer.measure([&] {
                linked.editor.driver().queueReply(dump);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                if (paint)
                    QCoreApplication::processEvents();
            });
        }
    }
    if (!lastLineIsLastAddress(linked.editor))
        state.SkipWithError("the dump did not reach the console");
}
BENCHMARK(BM_DumpInOneRead)->ArgName("paint")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The dump trickling in as the bridge's 512-byte receive buffer fills: the poll wakes and
// dispatches once per piece until it is whole, so gathering it must not grow worse than
// linearly.
void BM_DumpIn512ByteReads(benchmark::State& state) {
    LinkedEditor linked;
    const QByteArray dump = memoryDump();
    constexpr int kChunk = 512;
    const int reads = static_cast<int>((dump.size() + kChunk - 1) / kChunk);
    {
        GoalTimer timer(state, kGoalMs);
        for (auto _ : state) {
            linked.clearConsole();
            timer.measure([&] {
                for (int i = 0; i < reads; ++i) {
                    linked.editor.driver().queueReply(dump.mid(i * kChunk, kChunk));
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                }
            });
        }
    }
    if (!lastLineIsLastAddress(linked.editor))
        state.SkipWithError("the dump did not reach the console");
}
BENCHMARK(BM_DumpIn512ByteReads)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
