#include "firmware/Bootloader.h"

#include "base/Services.h"

#include "protocol/Commands.h"
#include "protocol/EditorContext.h"
#include "protocol/PedalSettings.h"

namespace {

// The firmware's command to start its bootloader: the code and the bytes 00 to 06.
const QString kEnterBootloaderText = QStringLiteral("0500010203040506");
// The firmware needs this long to hand over to the bootloader before the handshake.
constexpr int kBootloaderStartMs = 100;

} // namespace

QString syncBootloader(EditorContext& ctx) {
    ctx.link.SetSerialParameters(SerialMode::Bootloader);
    ctx.link.SetDeviceDataCharacteristics();
    ctx.link.txBuffer[0] = BootloaderCode::Sync;
    ctx.link.WriteDevice(1);
    // The caller says what failed; the generic "no reply" box would only come on top of it.
    const QString received = ctx.comm.ReadTextReply(OnTimeout::Quiet);
    ctx.console.logDirect(QStringLiteral("received Byte: ") + received);
    return received;
}

BootloaderEntry enterBootloader(EditorContext& ctx) {
    ctx.comm.SendHexMessage(setBypassText(true), false);
    if (!ctx.services.confirm(kEnterBootloaderQuestion)) {
        leaveBootloaderMode(ctx, true);
        return BootloaderEntry::Declined;
    }
    ctx.comm.SendHexMessage(kEnterBootloaderText, false);
    ctx.services.pause(kBootloaderStartMs);
    ctx.state.bootloaderMode = true;
    if (syncBootloader(ctx) != kAckReply) {
        ctx.services.showMessage(kBootloaderEntryFailed);
        return BootloaderEntry::Failed;
    }
    ctx.services.showMessage(kBootloaderEntered);
    return BootloaderEntry::Entered;
}

bool handshakeArmedLink(EditorContext& ctx) {
    const bool acknowledged = syncBootloader(ctx) == kAckReply;
    ctx.services.showMessage(acknowledged ? kArmedBootloaderEntered : kBootloaderEntryFailed);
    return acknowledged;
}

void leaveBootloaderMode(EditorContext& ctx, bool linkOpen) {
    ctx.state.bootloaderMode = false;
    ctx.link.SetSerialParameters(SerialMode::Normal);
    if (linkOpen)
        ctx.link.SetDeviceDataCharacteristics();
}
