#pragma once

#include <QList>
#include <QString>

class ConsoleLog;
class Services;
class UsbLink;

struct BridgeInfo {
    QString serial;
    QString description;
    QString route; // how it is reached: direct, kernel serial, named port, virtual
};

// The attached bridges in the driver's order: the count, then each one's serial number and
// description, as the by-index queries report them.
QList<BridgeInfo> listBridges(UsbLink& link);

// The bridges that came and went between two listings, known by their serial numbers, each in
// its listing's order.
struct BridgeChanges {
    QList<BridgeInfo> arrived;
    QList<BridgeInfo> departed;
};
BridgeChanges compareBridges(const QList<BridgeInfo>& before, const QList<BridgeInfo>& after);

// The name a bridge is shown by: its description, or "Tarvo Max" for the bridge chip's
// unprogrammed default description.
QString bridgeDisplayName(const QString& description);

// Opens the bridge with that serial number and applies the current serial settings, logging as
// Link does. True when it was opened. When the driver knows what the user can do about a failed
// open (a group to join, a rule to install), the user is told, whether or not driver errors are
// being reported: without it the failure says nothing useful.
bool openBridge(UsbLink& link, ConsoleLog& log, Services& services, const QString& serial);

// Puts in the log what the driver has to say (settings it could not make, bridges this user
// may not open).
void logDriverNotes(UsbLink& link, ConsoleLog& log);

// Whether the bridge the link opened is still attached. When the driver cannot count its
// bridges it is taken as attached: only a bridge seen to be gone may be let go.
bool linkedBridgeStillListed(UsbLink& link);
