#include "protocol/ReadBack.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "link/D2XXUnit.h"
#include "protocol/Commands.h"
#include "protocol/Communication.h"
#include "protocol/EditorContext.h"
#include "protocol/EditorState.h"

StoredEffectReply splitStoredEffectReply(const QString& text) {
    StoredEffectReply reply;
    QString rest = text;
    for (QString& line : reply.lines) {
        const qsizetype cr = rest.indexOf(u'\r');
        if (cr < 0) {
            line = rest;
            rest.clear();
        } else {
            line = rest.left(cr);
            rest = rest.mid(cr + 2);
        }
    }
    const auto both = [&](const char* value) {
        return reply.lines[0] == QLatin1String(value) && reply.lines[1] == QLatin1String(value);
    };
    reply.marked = !both("255") && !both("0");
    return reply;
}

void readStoredEffectNumbers(StoredEffectReply& reply) {
    reply.effectNumber = strToInt(reply.lines[1]);
    reply.effectVersion = strToInt(reply.lines[2]);
    reply.firmwareVersion = strToInt(reply.lines[3]);
}

StoredEffectReply parseStoredEffectReply(const QString& text) {
    StoredEffectReply reply = splitStoredEffectReply(text);
    readStoredEffectNumbers(reply);
    return reply;
}

void applyStoredEffectReply(const StoredEffectReply& reply, EditorState& state, ConsoleLog& log) {
    state.effectNumber = reply.effectNumber;
    state.effectVersion = reply.effectVersion;
    state.firmwareVersion = reply.firmwareVersion;
    log.log(QStringLiteral("effect number DEC: %1").arg(state.effectNumber));
    log.log(QStringLiteral("effect number HEX: ") +
            intToHex(static_cast<std::uint32_t>(state.effectNumber), 8));
    log.log(QStringLiteral("effect version: %1").arg(state.effectVersion));
    log.log(QStringLiteral("firmware version: %1").arg(state.firmwareVersion));
}

void sendGetStoredEffect(UsbLink& link) {
    link.txBuffer[0] = Command::GetStoredEffect;
    link.txBuffer[1] = 0x00;
    link.PurgeDeviceTx();
    link.WriteDevice(2);
}

void sendRequestState(Communication& comm, std::uint32_t numOfParameters) {
    comm.SendHexMessage(commandHex(Command::RequestState) + intToHex(numOfParameters % 256, 2), 2, true);
}

int midiChannelItem(std::uint8_t channel) {
    if (channel == 0 || channel == 255)
        return 0;
    if (channel <= 16)
        return channel;
    return -1;
}

std::optional<StoredEffectReply> askStoredEffect(EditorContext& ctx) {
    sendGetStoredEffect(ctx.link);
    ctx.services.pause(kGetStoredEffectPauseMs);
    const QString text = ctx.comm.ReadTextReply();
    if (text.isEmpty())
        return std::nullopt;
    StoredEffectReply reply = parseStoredEffectReply(text);
    applyStoredEffectReply(reply, ctx.state, ctx.console);
    return reply;
}

bool askState(EditorContext& ctx, std::uint32_t numOfParameters) {
    sendRequestState(ctx.comm, numOfParameters);
    ctx.services.pause(kRequestStatePauseMs);
    return ctx.comm.ReadStateBlock();
}
