#include "protocol/ReadBack.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "link/D2XXUnit.h"
#include "protocol/Commands.h"
#include "protocol/Communication.h"
#include "protocol/EditorState.h"
#include "protocol/PedalLine.h"
#include "protocol/StateBlock.h"

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

QString askStoredEffectText(PedalLine& line) {
    sendGetStoredEffect(line.link);
    line.services.pause(kGetStoredEffectPauseMs);
    return line.comm.ReadTextReply();
}

StateRead requestState(PedalLine& line, std::uint32_t numOfParameters) {
    sendRequestState(line.comm, numOfParameters);
    line.services.pause(kRequestStatePauseMs);
    if (!line.comm.ReadStateBlock())
        return {};
    const StateBlockOffsets offsets{numOfParameters};
    const QByteArray& block = line.comm.receiveArray;
    if (static_cast<std::uint32_t>(block.size()) < offsets.size()) {
        // Applying a short block would read past its end; whatever shows the pedal's values
        // stays as it was.
        line.services.showMessage(QStringLiteral("The pedal's reply was incomplete (%1 of %2 bytes); "
                                                 "the settings were not updated. Press Request to try again.")
                                      .arg(block.size())
                                      .arg(offsets.size()));
        return {};
    }
    return {true, block};
}
