#pragma once

// The serving half of tarvo-max-virtual-pedal: the pedal model on a pseudo-terminal.

#include "sim/VirtualPedal.h"

// How the program serves, beyond the pedal's own state.
struct ServeSettings {
    long vanishAfter = 0; // close the terminal after this many bytes (0: never)
};

// Serves the pedal until it is stopped (a signal, 'quit' on standard input, or --vanish-after).
// The first line it prints is the terminal's path. Returns the program's exit code.
int serve(const ServeSettings& settings, VirtualPedal::Options options, const PedalFaults& faults);
