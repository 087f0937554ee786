#include "console/MemoryTools.h"

#include "base/Services.h"
#include "protocol/Commands.h"
#include "protocol/EditorContext.h"

QString eraseMemoryText(const QString& address) {
    return commandHex(Command::EraseMemory) + address + QStringLiteral("00") + QStringLiteral("0000");
}

QString readMemoryText(const QString& address) {
    return commandHex(Command::ReadMemory) + address + QStringLiteral("0000") + QStringLiteral("0000");
}

bool isMemoryAddress(const QString& address) {
    return address == kMemoryA || address == kMemoryB;
}

void EraseEEPROM(EditorContext& ctx, const QString& address) {
    const QString text = eraseMemoryText(address);
    ctx.console.log(QStringLiteral("erase message: ") + text);
    ctx.comm.SendHexMessage(text, true);
    ctx.services.pause(kEraseMemoryPauseMs);
}

void ReadEEPROM(EditorContext& ctx, const QString& address) {
    const QString text = readMemoryText(address);
    ctx.console.log(text);
    ctx.comm.SendHexMessage(text, false);
    ctx.services.pause(kReadMemoryPauseMs);
}

void eraseSettings(EditorContext& ctx) {
    EraseEEPROM(ctx, kMemoryA);
    ReadEEPROM(ctx, kMemoryA);
    EraseEEPROM(ctx, kMemoryB);
    ReadEEPROM(ctx, kMemoryB);
}
