#pragma once

#include <QString>

// The console's raw parameter message: the SetParameter code, then the address and the data as
// typed, unchecked (a maintainer's tool).
QString rawSendText(const QString& address, const QString& data);
