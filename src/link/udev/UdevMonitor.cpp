// The only file that includes libudev's header.
#include "link/udev/UdevMonitor.h"

#include <libudev.h>

#include <map>
#include <optional>
#include <string>

namespace {

constexpr const char* kVendorId = "0403";
constexpr const char* kProductId = "6015";
// The kernel's PRODUCT of a USB device, vendor/product/release in hex without leading zeros: it
// comes with every announcement, a departure's too, when udev's own properties may not.
constexpr const char* kKernelProductPrefix = "403/6015/";

std::string text(const char* value) {
    return value ? std::string(value) : std::string();
}

// What names a bridge. A property from udev's database first (it is there when the device is
// gone too), then the sysfs attribute.
struct Name {
    std::string serial;
    std::string description;
};

bool isBridge(udev_device* usb) {
    const std::string vendor = text(udev_device_get_property_value(usb, "ID_VENDOR_ID"));
    const std::string product = text(udev_device_get_property_value(usb, "ID_MODEL_ID"));
    if (vendor == kVendorId && product == kProductId)
        return true;
    if (text(udev_device_get_property_value(usb, "PRODUCT")).rfind(kKernelProductPrefix, 0) == 0)
        return true;
    return text(udev_device_get_sysattr_value(usb, "idVendor")) == kVendorId &&
           text(udev_device_get_sysattr_value(usb, "idProduct")) == kProductId;
}

Name nameOf(udev_device* device) {
    Name name;
    name.serial = text(udev_device_get_sysattr_value(device, "serial"));
    if (name.serial.empty())
        name.serial = text(udev_device_get_property_value(device, "ID_SERIAL_SHORT"));
    name.description = text(udev_device_get_sysattr_value(device, "product"));
    return name;
}

class UdevMonitor : public DeviceMonitor {
public:
    UdevMonitor() {
        udev_ = udev_new();
        if (!udev_) {
            problem_ = "udev cannot be reached";
            return;
        }
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            problem_ = "udev's announcements of devices cannot be received";
            return;
        }
        // The socket is non-blocking as libudev makes it, so taking changes never waits.
        fd_ = udev_monitor_get_fd(monitor_);
        rememberPresent();
    }
    ~UdevMonitor() override {
        if (monitor_)
            udev_monitor_unref(monitor_);
        if (udev_)
            udev_unref(udev_);
    }
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int descriptor() const override { return fd_; }
    std::string problem() const override { return problem_; }

    std::vector<DeviceChange> takeChanges() override {
        std::vector<DeviceChange> changes;
        if (fd_ < 0)
            return changes;
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            if (std::optional<DeviceChange> change = describe(device))
                changes.push_back(std::move(*change));
            udev_device_unref(device);
        }
        return changes;
    }

private:
    // A bridge's USB device, or the serial port made of one: its name. Nothing for anything else.
    static std::optional<Name> bridgeName(udev_device* device) {
        const std::string subsystem = text(udev_device_get_subsystem(device));
        udev_device* usb = subsystem == "usb"
                               ? device
                               : udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
        if (usb && isBridge(usb))
            return nameOf(usb);
        // A port whose USB device is already gone from sysfs: what udev kept of it.
        if (subsystem == "tty" && text(udev_device_get_property_value(device, "ID_VENDOR_ID")) == kVendorId &&
            text(udev_device_get_property_value(device, "ID_MODEL_ID")) == kProductId)
            return Name{text(udev_device_get_property_value(device, "ID_SERIAL_SHORT")), {}};
        return std::nullopt;
    }

    std::optional<DeviceChange> describe(udev_device* device) {
        const std::string action = text(udev_device_get_action(device));
        const std::string path = text(udev_device_get_syspath(device));
        DeviceChange change;
        change.subsystem = text(udev_device_get_subsystem(device));
        change.node = text(udev_device_get_devnode(device));
        if (action == "add") {
            const std::optional<Name> name = bridgeName(device);
            if (!name)
                return std::nullopt;
            known_[path] = *name;
            change.kind = DeviceChange::Kind::Arrived;
            change.serial = name->serial;
            change.description = name->description;
            return change;
        }
        if (action != "remove")
            return std::nullopt; // bound, unbound, changed: the bridge is where it was
        change.kind = DeviceChange::Kind::Departed;
        // Gone from sysfs: what was learnt when it came, or what the announcement carries.
        if (const auto it = known_.find(path); it != known_.end()) {
            change.serial = it->second.serial;
            change.description = it->second.description;
            known_.erase(it);
            return change;
        }
        const std::optional<Name> name = bridgeName(device);
        if (!name)
            return std::nullopt;
        change.serial = name->serial;
        change.description = name->description;
        return change;
    }

    // The bridges and ports already there, so that their departure is known by its path even when
    // its announcement carries nothing else.
    void rememberPresent() {
        for (const char* subsystem : {"usb", "tty"}) {
            udev_enumerate* enumerate = udev_enumerate_new(udev_);
            if (!enumerate)
                return;
            udev_enumerate_add_match_subsystem(enumerate, subsystem);
            udev_enumerate_scan_devices(enumerate);
            udev_list_entry* entry = nullptr;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
                const char* path = udev_list_entry_get_name(entry);
                udev_device* device = udev_device_new_from_syspath(udev_, path);
                if (!device)
                    continue;
                const bool usbDevice = text(udev_device_get_devtype(device)) == "usb_device";
                if (std::string(subsystem) == "tty" || usbDevice)
                    if (const std::optional<Name> name = bridgeName(device))
                        known_[path] = *name;
                udev_device_unref(device);
            }
            udev_enumerate_unref(enumerate);
        }
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int fd_ = -1;
    std::string problem_;
    std::map<std::string, Name> known_; // by sysfs path
};

} // namespace

std::unique_ptr<DeviceMonitor> makeUdevMonitor() {
    return std::make_unique<UdevMonitor>();
}
