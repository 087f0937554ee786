#include "sim/DemoDriver.h"

#include "sim/ProgramLibrary.h"
#include "sim/VirtualDriver.h"

#include <QtGlobal>
#include <cstring>
#include <map>

namespace {

// Puts the virtual pedal in front of the real bridges. Each open gets a handle of our own,
// mapped to the driver that owns the device and its handle there, so the handles of the two
// drivers can never be confused.
class DemoDriver : public FtDriver {
public:
    explicit DemoDriver(std::unique_ptr<FtDriver> real)
        : virtual_(VirtualPedal::Options{.programFor = builtInProgram}), real_(std::move(real)) {}

    FtStatus listDeviceCount(std::uint32_t& count) override {
        std::uint32_t virtualCount = 0;
        virtual_.listDeviceCount(virtualCount);
        std::uint32_t realCount = 0;
        // A real driver that cannot list (no USB access, say) must not hide the demo pedal.
        if (!real_ || real_->listDeviceCount(realCount) != FT_OK)
            realCount = 0;
        virtualCount_ = virtualCount;
        count = virtualCount + realCount;
        return FT_OK;
    }
    FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override {
        if (index < virtualCount_)
            return virtual_.listDeviceByIndex(index, buffer, flags);
        if (!real_)
            return FT_DEVICE_NOT_FOUND;
        return real_->listDeviceByIndex(index - virtualCount_, buffer, flags);
    }
    FtStatus openBySerialNumber(const char* serial, FtHandle& handle) override {
        FtDriver* owner = &virtual_;
        if (serial == nullptr || std::strcmp(serial, VirtualDriver::kSerialNumber) != 0) {
            if (!real_)
                return FT_DEVICE_NOT_FOUND;
            owner = real_.get();
        }
        FtHandle inner = 0;
        const FtStatus s = owner->openBySerialNumber(serial, inner);
        if (s != FT_OK)
            return s;
        handle = nextHandle_++;
        handles_[handle] = {owner, inner};
        return FT_OK;
    }
    FtStatus close(FtHandle handle) override {
        const auto it = handles_.find(handle);
        if (it == handles_.end())
            return FT_INVALID_HANDLE;
        const FtStatus s = it->second.driver->close(it->second.handle);
        if (s == FT_OK)
            handles_.erase(it);
        return s;
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
        virtual_.setReceiveNotifier(notify);
        if (real_)
            real_->setReceiveNotifier(std::move(notify));
    }

private:
    struct Route {
        FtDriver* driver;
        FtHandle handle;
    };

    template <typename Call> FtStatus route(FtHandle handle, Call call) {
        const auto it = handles_.find(handle);
        if (it == handles_.end())
            return FT_INVALID_HANDLE;
        return call(*it->second.driver, it->second.handle);
    }

    VirtualDriver virtual_;
    std::unique_ptr<FtDriver> real_;
    std::uint32_t virtualCount_ = 1;
    std::map<FtHandle, Route> handles_;
    FtHandle nextHandle_ = 1;
};

} // namespace

std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real) {
    if (qEnvironmentVariable("TARVO_MAX_VIRTUAL_PEDAL") != QLatin1String("1"))
        return real;
    return std::make_unique<DemoDriver>(std::move(real));
}
