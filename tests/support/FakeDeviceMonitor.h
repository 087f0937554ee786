#pragma once

#include "link/DeviceMonitor.h"

#include <deque>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <unistd.h>

// A device monitor a test plays: each announce() is one piece of news, taken whole by the next
// takeChanges(). Its descriptor is a real pipe that is readable while news waits, so a reader
// wakes on it exactly as on the machine's own monitor.
class FakeDeviceMonitor : public DeviceMonitor {
public:
    FakeDeviceMonitor() {
        if (pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
            pipe_[0] = pipe_[1] = -1;
    }
    ~FakeDeviceMonitor() override {
        for (const int fd : pipe_)
            if (fd >= 0)
                close(fd);
    }
    FakeDeviceMonitor(const FakeDeviceMonitor&) = delete;
    FakeDeviceMonitor& operator=(const FakeDeviceMonitor&) = delete;

    // `happen` runs when the news is taken, before it is handed over: the bridge that moved
    // appears in or leaves the driver's list then, as a real one has by the time udev tells.
    void announce(std::vector<DeviceChange> changes, std::function<void()> happen = {}) {
        {
            std::lock_guard lock(mutex_);
            news_.push_back({std::move(changes), std::move(happen)});
        }
        const char byte = 1;
        (void)!write(pipe_[1], &byte, 1);
    }
    void announce(DeviceChange change, std::function<void()> happen = {}) {
        announce(std::vector<DeviceChange>{std::move(change)}, std::move(happen));
    }

    // The monitor breaks down: its descriptor hangs up, and no news ever comes again.
    void breakDown() {
        if (pipe_[1] >= 0)
            close(pipe_[1]);
        pipe_[1] = -1;
    }

    int descriptor() const override { return pipe_[0]; }
    std::vector<DeviceChange> takeChanges() override {
        News news;
        {
            std::lock_guard lock(mutex_);
            if (news_.empty())
                return {};
            news = std::move(news_.front());
            news_.pop_front();
        }
        char byte = 0;
        (void)!read(pipe_[0], &byte, 1);
        ++taken;
        if (news.happen)
            news.happen();
        return news.changes;
    }

    int taken = 0; // how many pieces of news were taken

private:
    struct News {
        std::vector<DeviceChange> changes;
        std::function<void()> happen;
    };
    int pipe_[2] = {-1, -1};
    std::mutex mutex_;
    std::deque<News> news_;
};

// A bridge's USB device plugged in or pulled out, as udev names it.
inline DeviceChange usbChange(DeviceChange::Kind kind, std::string serial, std::string description = {}) {
    return {kind, "usb", "/dev/bus/usb/001/007", std::move(serial), std::move(description)};
}
