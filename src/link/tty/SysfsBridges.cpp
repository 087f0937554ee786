#include "link/tty/SysfsBridges.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kFtdiVendor = "0403";
constexpr const char* kFtXProduct = "6015";
// From the serial port up to the USB device: the port, its interface, the device.
constexpr int kMaxLevelsUp = 4;

// The first line of a sysfs attribute, or empty when it cannot be read.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The USB device a serial port belongs to: the nearest folder above it with a vendor id.
fs::path usbDeviceOf(const fs::path& port) {
    fs::path at = port;
    for (int level = 0; level <= kMaxLevelsUp && !at.empty(); ++level, at = at.parent_path())
        if (fs::exists(at / "idVendor"))
            return at;
    return {};
}

bool describe(const fs::path& classEntry, const std::string& devRoot, KernelBridge& bridge) {
    std::error_code error;
    const fs::path port = fs::canonical(classEntry / "device", error);
    if (error)
        return false;
    const fs::path usb = usbDeviceOf(port);
    if (usb.empty() || attribute(usb / "idVendor") != kFtdiVendor ||
        attribute(usb / "idProduct") != kFtXProduct)
        return false;
    const std::string name = classEntry.filename().string();
    bridge.device = devRoot + "/" + name;
    bridge.serial = attribute(usb / "serial");
    if (bridge.serial.empty())
        bridge.serial = bridge.device; // still something to open it by
    bridge.description = attribute(usb / "product");
    bridge.location = attribute(usb / "busnum") + "-" + attribute(usb / "devnum");
    if (fs::exists(port / "latency_timer"))
        bridge.latencyTimer = (port / "latency_timer").string();
    return true;
}

} // namespace

std::vector<KernelBridge> listKernelBridges(const std::string& sysRoot, const std::string& devRoot) {
    std::vector<KernelBridge> bridges;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(sysRoot) / "class" / "tty", error)) {
        KernelBridge bridge;
        if (describe(entry.path(), devRoot, bridge))
            bridges.push_back(std::move(bridge));
    }
    // ttyUSB2 before ttyUSB10.
    std::sort(bridges.begin(), bridges.end(), [](const KernelBridge& a, const KernelBridge& b) {
        return a.device.size() != b.device.size() ? a.device.size() < b.device.size() : a.device < b.device;
    });
    return bridges;
}
