#pragma once

#include "link/DeviceMonitor.h"

#include <memory>

// The machine's own device monitor: udev's announcements of the FTDI FT-X bridges (vendor
// 0x0403, product 0x6015) and of the serial ports the kernel makes of them, as they are plugged
// in and pulled out. Where udev cannot be reached (a container without its daemon, say) the
// monitor has no descriptor and says why.
std::unique_ptr<DeviceMonitor> makeUdevMonitor();
