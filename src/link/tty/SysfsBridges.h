#pragma once

#include <string>
#include <vector>

// An FTDI bridge that the kernel's serial driver has bound, as sysfs describes it.
struct KernelBridge {
    std::string device;       // its terminal, such as /dev/ttyUSB0
    std::string serial;       // the USB serial number; the terminal's path when the bridge has none
    std::string description;  // the USB product string, as the direct driver reports it
    std::string location;     // "bus-address" of the USB device, the same for both ways to it
    std::string latencyTimer; // the sysfs file of the driver's latency timer; empty when there is none
};

// The FTDI FT-X bridges (vendor 0x0403, product 0x6015) bound to the kernel's serial driver,
// ordered by terminal name. `sysRoot` and `devRoot` are "/sys" and "/dev" except in tests, which
// build a tree of their own.
std::vector<KernelBridge> listKernelBridges(const std::string& sysRoot = "/sys",
                                            const std::string& devRoot = "/dev");
