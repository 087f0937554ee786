#pragma once

#include "link/Bridges.h"

#include <QList>
#include <QString>

class PedalLine;

// The exchanges of discovery and linking, each run as one operation.

// Scan: the attached bridges in the driver's order, their count and what the driver has to say
// about them logged.
QList<BridgeInfo> scanBridges(PedalLine& line);

// Link's first step: the bridge opened with the serial settings, logged; true when it opened.
bool openPedal(PedalLine& line, const QString& serial);

// Unlink: the bridge closed. A close that fails leaves the link as it is, unless the bridge has
// been unplugged: then there is nothing left to close.
enum class Unlinked { Closed, Gone, Kept };
Unlinked unlinkPedal(PedalLine& line);

// After a bridge was plugged in or pulled out: the attached bridges listed again, what the
// driver has to say about them logged, and nothing shown, whatever failed on the way. The caller
// tells what came and went.
QList<BridgeInfo> relistBridges(PedalLine& line);

// Unlink once the linked bridge has been pulled out: closed, or found gone, with nothing shown on
// the way, since the pull has been told already.
Unlinked unlinkUnplugged(PedalLine& line);
