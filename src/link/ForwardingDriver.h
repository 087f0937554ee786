#pragma once

#include "link/FtDriver.h"

#include <utility>

// Passes every call on to another driver. A subclass overrides only what it adds: a recorder
// keeps the writes, the demo driver lists the virtual pedal beside the real bridges and sends
// each handle to the driver that opened it.
class ForwardingDriver : public FtDriver {
public:
    explicit ForwardingDriver(FtDriver* inner = nullptr) : inner_(inner) {}

    FtStatus listDeviceCount(std::uint32_t& count) override { return inner_->listDeviceCount(count); }
    FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override {
        return inner_->listDeviceByIndex(index, buffer, flags);
    }
    FtStatus openBySerialNumber(const char* serial, FtHandle& handle) override {
        return inner_->openBySerialNumber(serial, handle);
    }
    FtStatus close(FtHandle handle) override {
        return route(handle, [&](FtDriver& d, FtHandle h) { return d.close(h); });
    }
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) override {
        return route(handle, [&](FtDriver& d, FtHandle h) { return d.getQueueStatus(h, rxBytes); });
    }
    FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& got) override {
        got = 0;
        return route(handle, [&](FtDriver& d, FtHandle h) { return d.read(h, buffer, toRead, got); });
    }
    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& written) override {
        written = 0;
        return route(handle, [&](FtDriver& d, FtHandle h) { return d.write(h, buffer, count, written); });
    }
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) override {
        return route(handle, [&](FtDriver& d, FtHandle h) { return d.setBaudRate(h, baudRate); });
    }
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override {
        return route(handle, [&](FtDriver& d, FtHandle h) {
            return d.setDataCharacteristics(h, wordLength, stopBits, parity);
        });
    }
    FtStatus purge(FtHandle handle, std::uint32_t mask) override {
        return route(handle, [&](FtDriver& d, FtHandle h) { return d.purge(h, mask); });
    }
    void setReceiveNotifier(std::function<void()> notify) override {
        inner_->setReceiveNotifier(std::move(notify));
    }
    bool waitForReceive(FtHandle handle, int timeoutMs) override {
        const Target t = target(handle);
        return t.driver != nullptr && t.driver->waitForReceive(t.handle, timeoutMs);
    }
    std::uint64_t takeDroppedBytes() override { return inner_->takeDroppedBytes(); }
    BridgeDetails deviceDetails(std::uint32_t index) override { return inner_->deviceDetails(index); }
    std::string openAdvice() override { return inner_->openAdvice(); }
    std::vector<std::string> takeNotes() override { return inner_->takeNotes(); }

protected:
    struct Target {
        FtDriver* driver = nullptr; // nullptr: no driver holds this handle
        FtHandle handle = 0;
    };
    // Where a call on `handle` goes: by default the inner driver, with the handle unchanged.
    virtual Target target(FtHandle handle) { return {inner_, handle}; }

    template <typename Call> FtStatus route(FtHandle handle, Call call) {
        const Target t = target(handle);
        return t.driver ? call(*t.driver, t.handle) : FtStatus{FT_INVALID_HANDLE};
    }

    FtDriver* inner_;
};
