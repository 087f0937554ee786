#pragma once

#include <poll.h>
#include <string>
#include <vector>

// A bridge plugged in or pulled out, as the machine announces it: its USB device coming or
// going, or the serial port the kernel's driver makes of it. The editor lists its bridges again
// for what they are now; the announcement itself says only which bridge moved, so that a
// linked pedal pulled out mid-exchange is let go at once.
struct DeviceChange {
    enum class Kind { Arrived, Departed };
    Kind kind = Kind::Arrived;
    // "usb": the bridge itself came or went, a plug or a pull. "tty": only its serial port did,
    // which also happens while it stays plugged in (the direct driver takes the bridge from the
    // kernel's serial driver when it opens it).
    std::string subsystem;
    std::string node;        // /dev/ttyUSB0, /dev/bus/usb/001/005; empty when not known
    std::string serial;      // the bridge's USB serial number; empty when not known
    std::string description; // the bridge's USB product string; empty when not known
};

// Announces the bridges that come and go, without anyone asking over and over: its descriptor
// becomes readable when there is news, so a socket notifier (or poll) wakes the reader only then.
class DeviceMonitor {
public:
    virtual ~DeviceMonitor() = default;

    // Readable while changes wait to be taken; -1 when the machine cannot be followed, and
    // problem() says why.
    virtual int descriptor() const = 0;
    // The changes that wait, oldest first, without blocking; empty when there are none.
    virtual std::vector<DeviceChange> takeChanges() = 0;
    virtual std::string problem() const { return {}; }
};

// Whether a monitor's descriptor has failed for good (closed, or in error): woken by it, a reader
// would find nothing to take, over and over, so it stops watching.
inline bool monitorFailed(int descriptor) {
    pollfd look{descriptor, POLLIN, 0};
    return descriptor < 0 || (poll(&look, 1, 0) > 0 && (look.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0);
}
