#pragma once

#include "link/FtDriver.h"

#include <memory>

// Every way this machine offers to the pedal, as one list: the bridges the direct driver
// (libftdi) can reach, the FTDI bridges the kernel's serial driver has bound, and, when
// TARVO_MAX_SERIAL_PORT names one, that port, listed last so that Link opens it.
std::unique_ptr<FtDriver> makeSystemDriver();
