#include "protocol/Connection.h"

#include "base/ConsoleLog.h"
#include "protocol/PedalLine.h"

QList<BridgeInfo> scanBridges(PedalLine& line) {
    const QList<BridgeInfo> bridges = listBridges(line.link);
    line.console.log(QStringLiteral("FT device count: %1").arg(line.link.deviceCount));
    logDriverNotes(line.link, line.console);
    return bridges;
}

bool openPedal(PedalLine& line, const QString& serial) {
    return openBridge(line.link, line.console, line.services, serial);
}

Unlinked unlinkPedal(PedalLine& line) {
    if (line.link.CloseDevice() == FT_OK)
        return Unlinked::Closed;
    if (linkedBridgeStillListed(line.link))
        return Unlinked::Kept;
    line.console.log(QStringLiteral("the linked bridge is no longer attached; unlinked"));
    return Unlinked::Gone;
}

namespace {

// Runs `work` with the driver's failures kept from the user, and drops what it would have shown.
template <typename Work> auto quietly(PedalLine& line, Work work) {
    const bool reporting = line.link.reportDriverErrors;
    line.link.reportDriverErrors = false;
    auto result = work();
    line.link.reportDriverErrors = reporting;
    line.services.takeMessages();
    return result;
}

} // namespace

QList<BridgeInfo> relistBridges(PedalLine& line) {
    return quietly(line, [&] {
        const QList<BridgeInfo> bridges = listBridges(line.link);
        logDriverNotes(line.link, line.console);
        return bridges;
    });
}

Unlinked unlinkUnplugged(PedalLine& line) {
    return quietly(line, [&] { return unlinkPedal(line); });
}
