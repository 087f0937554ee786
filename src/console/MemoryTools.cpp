#include "console/MemoryTools.h"

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
