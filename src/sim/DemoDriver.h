#pragma once

#include "link/FtDriver.h"

#include <memory>

// Whether TARVO_MAX_VIRTUAL_PEDAL=1 asks for the virtual pedal.
bool virtualPedalWanted();

// Demo mode: with the virtual pedal wanted, returns a driver that lists the virtual pedal as
// bridge 0 and the real driver's bridges after it (a real pedal, enumerated last, is still the
// one Link opens). Otherwise returns `real` unchanged.
std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real,
                                           bool withVirtualPedal = virtualPedalWanted());

// The same with a virtual pedal of the caller's own (one restored from a saved state, say) in
// front of `real`; without one, `real` unchanged.
std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real,
                                           std::unique_ptr<FtDriver> virtualPedal);
