#include "link/Bridges.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "link/D2XXUnit.h"

#include <algorithm>

QList<BridgeInfo> listBridges(UsbLink& link) {
    QList<BridgeInfo> bridges;
    link.GetFTDeviceCount();
    for (std::uint32_t i = 0; i < link.deviceCount; ++i) {
        BridgeInfo bridge;
        link.GetFTDeviceSerialNo(i);
        bridge.serial = QString::fromLatin1(link.listedDeviceString);
        link.GetFTDeviceDescription(i);
        bridge.description = QString::fromLatin1(link.listedDeviceString);
        bridge.route = QString::fromStdString(link.driver().deviceDetails(i).route);
        bridges << bridge;
    }
    return bridges;
}

BridgeChanges compareBridges(const QList<BridgeInfo>& before, const QList<BridgeInfo>& after) {
    const auto listed = [](const QList<BridgeInfo>& bridges, const QString& serial) {
        return std::any_of(bridges.begin(), bridges.end(),
                           [&](const BridgeInfo& b) { return b.serial == serial; });
    };
    BridgeChanges changes;
    for (const BridgeInfo& bridge : after)
        if (!listed(before, bridge.serial))
            changes.arrived << bridge;
    for (const BridgeInfo& bridge : before)
        if (!listed(after, bridge.serial))
            changes.departed << bridge;
    return changes;
}

QString bridgeDisplayName(const QString& description) {
    return description == QLatin1String("FT230X Basic UART") ? QStringLiteral("Tarvo Max") : description;
}

void logDriverNotes(UsbLink& link, ConsoleLog& log) {
    for (const std::string& note : link.driver().takeNotes())
        log.log(QString::fromStdString(note));
}

bool openBridge(UsbLink& link, ConsoleLog& log, Services& services, const QString& serial) {
    log.log(QStringLiteral("serial number: ") + serial);
    if (link.Open_USB_Device_By_Serial_Number(serial) != FT_OK) {
        const QString advice = QString::fromStdString(link.driver().openAdvice());
        logDriverNotes(link, log);
        if (!advice.isEmpty()) {
            log.log(advice);
            services.showMessage(advice);
        }
        return false;
    }
    logDriverNotes(link, log);
    link.SetDeviceBaudRate();
    link.SetDeviceDataCharacteristics();
    log.log(QStringLiteral("FT_HANDLE: 0x") + intToHex(link.ftHandle, 8));
    log.logDirect(QStringLiteral("baud rate = %1").arg(link.baudRate));
    return true;
}

bool linkedBridgeStillListed(UsbLink& link) {
    const QByteArray serial(link.openSerialNumber.data());
    if (link.GetFTDeviceCount() != FT_OK)
        return true;
    for (std::uint32_t i = 0; i < link.deviceCount; ++i)
        if (link.GetFTDeviceSerialNo(i) == FT_OK && link.listedDeviceString == serial)
            return true;
    return false;
}
