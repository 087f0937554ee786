#pragma once

#include "sim/VirtualDriver.h"

#include <QString>
#include <memory>

// The virtual pedal of --virtual keeps its memory between runs, as a real pedal left switched on
// does: what one command uploads or sets, the next finds. It lives in one file below the user's
// state folder; --virtual-reset forgets it.

// $XDG_STATE_HOME/tarvo-max/virtual-pedal (~/.local/state without it, or with a relative one).
QString virtualPedalStatePath();

struct VirtualPedalLoad {
    std::unique_ptr<VirtualDriver> driver; // the pedal as the last run left it, or a fresh one
    QString problem;                       // why there is none: a state file that does not read
};
// A fresh pedal when no state has been kept.
VirtualPedalLoad loadVirtualPedal(const QString& path);
// Keeps the pedal's state for the next run; empty, or why it could not be kept.
QString saveVirtualPedal(const VirtualPedal& pedal, const QString& path);
// Forgets the kept state; empty, or why it could not be forgotten.
QString forgetVirtualPedal(const QString& path);
