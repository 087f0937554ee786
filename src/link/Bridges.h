#pragma once

#include <QList>
#include <QString>

class ConsoleLog;
class UsbLink;

struct BridgeInfo {
    QString serial;
    QString description;
};

// The attached bridges in the driver's order: the count, then each one's serial number and
// description, as the by-index queries report them.
QList<BridgeInfo> listBridges(UsbLink& link);

// The name a bridge is shown by: its description, or "Tarvo Max" for the bridge chip's
// unprogrammed default description.
QString bridgeDisplayName(const QString& description);

// Opens the bridge with that serial number and applies the current serial settings, logging as
// Link does. True when it was opened.
bool openBridge(UsbLink& link, ConsoleLog& log, const QString& serial);

// Whether the bridge the link opened is still attached. When the driver cannot count its
// bridges it is taken as attached: only a bridge seen to be gone may be let go.
bool linkedBridgeStillListed(UsbLink& link);
