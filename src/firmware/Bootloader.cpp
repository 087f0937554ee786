#include "firmware/Bootloader.h"

#include "base/Services.h"

#include "link/Bridges.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"
#include "protocol/PedalSettings.h"

namespace {

// The firmware's command to start its bootloader: the code and the bytes 00 to 06.
const QString kEnterBootloaderText = QStringLiteral("0500010203040506");
// The firmware needs this long to hand over to the bootloader before the handshake.
constexpr int kBootloaderStartMs = 100;

} // namespace

QString syncBootloader(PedalLine& line) {
    line.link.SetSerialParameters(SerialMode::Bootloader);
    line.link.SetDeviceDataCharacteristics();
    line.link.txBuffer[0] = BootloaderCode::Sync;
    line.link.WriteDevice(1);
    // The caller says what failed; the generic "no reply" box would only come on top of it.
    const QString received = line.comm.ReadTextReply(OnTimeout::Quiet);
    line.console.logDirect(QStringLiteral("received Byte: ") + received);
    return received;
}

void bypassBeforeBootloader(PedalLine& line) {
    // A failing driver call in the bootloader's exchange shows only as a wrong or empty reply.
    line.link.reportDriverErrors = false;
    line.comm.SendHexMessage(setBypassText(true), false);
}

bool enterBootloader(PedalLine& line) {
    line.comm.SendHexMessage(kEnterBootloaderText, false);
    line.services.pause(kBootloaderStartMs);
    const bool acknowledged = syncBootloader(line) == kAckReply;
    line.services.showMessage(acknowledged ? kBootloaderEntered : kBootloaderEntryFailed);
    return acknowledged;
}

ArmedLink linkArmed(PedalLine& line, const QString& serial) {
    line.link.reportDriverErrors = false;
    ArmedLink link;
    link.opened = openBridge(line.link, line.console, line.services, serial);
    // The handshake is tried even on a bridge that did not open, as it always has been: its
    // failure is what tells the user the bootloader was not reached.
    link.acknowledged = syncBootloader(line) == kAckReply;
    line.services.showMessage(link.acknowledged ? kArmedBootloaderEntered : kBootloaderEntryFailed);
    return link;
}

void leaveBootloaderMode(PedalLine& line, bool linkOpen) {
    line.link.SetSerialParameters(SerialMode::Normal);
    if (linkOpen)
        line.link.SetDeviceDataCharacteristics();
}
