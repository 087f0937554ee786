// The synchronous read-back: the stored-effect reply and the state block, read through the link
// from a bridge that hands them over in pieces of any size, then taken apart as the windows do.
#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "protocol/EditorState.h"
#include "protocol/ReadBack.h"
#include "protocol/StateBlock.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <cstddef>
#include <cstdint>

namespace {

void queueInPieces(FakeFtDriver& driver, const QByteArray& bytes, int piece) {
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        driver.queueReply(bytes.mid(at, piece));
}

void takeApartBlock(const EditorState& state, std::uint32_t n) {
    const StateBlockOffsets offsets{n};
    const QByteArray& block = state.receiveArray;
    for (std::uint32_t i = 0; i < n; ++i) {
        stateBlockParameterValue(block, i);
        stateBlockByte(block, offsets.assignment(i));
        stateBlockByte(block, offsets.reverse(i));
    }
    for (std::uint32_t j = 0; j < 4; ++j)
        stateBlockByte(block, offsets.readback(j));
    stateBlockByte(block, offsets.bypass());
    stateBlockByte(block, offsets.preset());
    stateBlockByte(block, offsets.mode());
    stateBlockByte(block, offsets.bankOrPreset());
    midiChannelItem(stateBlockByte(block, offsets.midiChannel()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    ScriptedServices services;
    FakeFtDriver driver;
    driver.bridges = {{"A1", "Pedal"}};
    UsbLink link(driver, services);
    link.Open_USB_Device_By_Serial_Number(QStringLiteral("A1"));
    ConsoleLog log;
    EditorState state;
    IncomingDecoder incoming(services, log);
    Communication comm(link, services, log, incoming);
    comm.onLiveReport = [](const LiveReport&) {};

    state.bootloaderMode = (data[0] & 1) != 0;
    link.SetSerialParameters(state.bootloaderMode ? SerialMode::Bootloader : SerialMode::Normal);
    const int piece = std::max(1, int(data[1]));
    const std::uint32_t n = data[2] % 32; // a preset file can claim more parameters than the 16 slots
    const QByteArray reply(reinterpret_cast<const char*>(data + 3), static_cast<qsizetype>(size - 3));

    queueInPieces(driver, reply, piece);
    const QString text = comm.ReadTextReply();
    try {
        StoredEffectReply stored = splitStoredEffectReply(text);
        readStoredEffectNumbers(stored);
        applyStoredEffectReply(stored, state, log);
        stored.stored();
    } catch (const ConversionError&) {
    }

    driver.replies.clear();
    queueInPieces(driver, reply, piece);
    try {
        if (comm.ReadStateBlock()) {
            state.receiveArray = comm.receiveArray;
            takeApartBlock(state, n);
        }
    } catch (const ConversionError&) {
    }
    return 0;
}
