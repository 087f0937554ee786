#include "firmware/Bootloader.h"

#include "protocol/Commands.h"
#include "protocol/EditorContext.h"

QString syncBootloader(EditorContext& ctx) {
    ctx.link.SetSerialParameters(SerialMode::Bootloader);
    ctx.link.SetDeviceDataCharacteristics();
    ctx.link.txBuffer[0] = BootloaderCode::Sync;
    ctx.link.WriteDevice(1);
    const QString received = ctx.comm.ReadTextReply();
    ctx.console.logDirect(QStringLiteral("received Byte: ") + received);
    return received;
}
