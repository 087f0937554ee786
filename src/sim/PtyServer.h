#pragma once

// The serving half of tarvo-max-virtual-pedal: the pedal model on a pseudo-terminal, hearing
// the client at the framing the client set on its end and, on request, as slowly as a serial
// line at that framing would carry the bytes.

#include "sim/LineFormat.h"
#include "sim/VirtualPedal.h"

#include <chrono>
#include <string>
#include <termios.h>

// How the line between the client and the pedal behaves, beyond the pedal's own state.
struct ServeSettings {
    bool lineSpeed = false;                  // every byte takes its wire time, both ways
    std::chrono::milliseconds turnaround{0}; // the least time from a message to its reply
    std::string recordPath;                  // every byte the client writes is appended here
    long vanishAfter = 0;                    // close the terminal after this many bytes (0: never)
};

// The framing a terminal's settings describe, as the client on it sends and expects bytes.
LineFormat lineOf(const termios& tio);

// Serves the pedal until it is stopped (a signal, 'quit' on standard input, or --vanish-after).
// The first line it prints is the terminal's path. Returns the program's exit code.
int serve(const ServeSettings& settings, VirtualPedal::Options options, const PedalFaults& faults);
