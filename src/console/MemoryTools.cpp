#include "console/MemoryTools.h"

#include "base/Convert.h"
#include "base/Services.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"

#include <iterator>

QString eraseMemoryText(const QString& address) {
    return commandHex(Command::EraseMemory) + address + QStringLiteral("00") + QStringLiteral("0000");
}

QString readMemoryText(const QString& address) {
    return commandHex(Command::ReadMemory) + address + QStringLiteral("0000") + QStringLiteral("0000");
}

bool isMemoryAddress(const QString& address) {
    return address == kMemoryA || address == kMemoryB;
}

void EraseEEPROM(PedalLine& line, const QString& address) {
    const QString text = eraseMemoryText(address);
    line.console.log(QStringLiteral("erase message: ") + text);
    line.comm.SendHexMessage(text, true);
    line.services.pause(kEraseMemoryPauseMs);
}

void ReadEEPROM(PedalLine& line, const QString& address) {
    const QString text = readMemoryText(address);
    line.console.log(text);
    line.comm.SendHexMessage(text, false);
    line.pause(kReadMemoryPauseMs);
}

MemoryRead readMemory(PedalLine& line, const QString& address) {
    const QString text = readMemoryText(address);
    line.console.log(text);
    line.comm.SendHexMessage(text, false);
    const int limitMs = kReadMemoryPauseMs + kMemoryDumpTimeoutMs;
    const std::int64_t deadline = line.services.elapsedMs() + limitMs;
    qint64 received = 0;
    // Each look waits up to a millisecond, so the looks count time as well, whatever the clock.
    for (int looks = 0;; ++looks) {
        if (line.cancelRequested())
            return {false, {}, QStringLiteral("The read of memory %1 was cancelled.").arg(address)};
        if (line.link.GetDeviceQueueStatus() != FT_OK)
            return {false, {}, QStringLiteral("The pedal went away while memory %1 was read.").arg(address)};
        if (line.link.rxQueueBytes == 0 && !line.incoming.hasCarry()) {
            if (line.services.elapsedMs() > deadline || looks > limitMs)
                return {false,
                        {},
                        received == 0 ? QStringLiteral("Memory %1 did not come from the pedal.").arg(address)
                                      : QStringLiteral("Memory %1 came short: %2 of %3 bytes.")
                                            .arg(address)
                                            .arg(received)
                                            .arg(1 + kMemoryDumpBytes)};
            if (!line.link.WaitForReceive(1))
                line.services.pause(1);
            continue;
        }
        const std::uint32_t n = line.link.ReadDevice();
        received += n;
        try {
            const IncomingMessage message =
                line.incoming.decode(QByteArray(reinterpret_cast<const char*>(line.link.rxBuffer.data()), n));
            if (message.kind == IncomingMessage::Kind::MemoryDump)
                return {true, message.dump, {}};
            // A knob turned meanwhile, a bank changed: not the dump, but not lost either.
            if (message.kind != IncomingMessage::Kind::Nothing)
                line.passOn(message);
        } catch (const ConversionError&) {
            // A report that does not read is not the dump being waited for.
        }
    }
}

bool eraseSettings(PedalLine& line) {
    struct Step {
        void (*run)(PedalLine&, const QString&);
        const QString& address;
    };
    const Step steps[] = {
        {EraseEEPROM, kMemoryA}, {ReadEEPROM, kMemoryA}, {EraseEEPROM, kMemoryB}, {ReadEEPROM, kMemoryB}};
    const int count = static_cast<int>(std::size(steps));
    for (int i = 0; i < count; ++i) {
        line.progress(i, count);
        if (line.cancelRequested()) {
            line.services.showMessage(
                i == 0  ? QStringLiteral("Erase Settings was cancelled; nothing was erased.")
                : i < 3 ? QStringLiteral("Erase Settings was cancelled: the first memory "
                                         "(50) is erased, the second (51) is not.")
                        : QStringLiteral("Erase Settings was cancelled: both memories are "
                                         "erased; the second was not read back."));
            return false;
        }
        steps[i].run(line, steps[i].address);
    }
    line.progress(count, count);
    return true;
}
