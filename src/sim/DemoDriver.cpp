#include "sim/DemoDriver.h"

#include "ProductData.h"
#include "link/ForwardingDriver.h"
#include "sim/VirtualDriver.h"

#include <QtGlobal>
#include <cstring>
#include <map>

namespace {

// Puts the virtual pedal in front of the real bridges. Each open gets a handle of our own,
// mapped to the driver that owns the device and its handle there, so the handles of the two
// drivers can never be confused.
class DemoDriver : public ForwardingDriver {
public:
    explicit DemoDriver(std::unique_ptr<FtDriver> real)
        : ForwardingDriver(real.get()),
          virtual_(VirtualPedal::Options{.programFor = ProductData::effectProgram}), real_(std::move(real)) {}

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
        const FtStatus s = ForwardingDriver::close(handle);
        if (s == FT_OK)
            handles_.erase(handle);
        return s;
    }
    void setReceiveNotifier(std::function<void()> notify) override {
        virtual_.setReceiveNotifier(notify);
        if (real_)
            real_->setReceiveNotifier(std::move(notify));
    }
    std::uint64_t takeDroppedBytes() override {
        return virtual_.takeDroppedBytes() + (real_ ? real_->takeDroppedBytes() : 0);
    }

protected:
    Target target(FtHandle handle) override {
        const auto it = handles_.find(handle);
        return it == handles_.end() ? Target{} : it->second;
    }

private:
    VirtualDriver virtual_;
    std::unique_ptr<FtDriver> real_;
    std::uint32_t virtualCount_ = 1;
    std::map<FtHandle, Target> handles_;
    FtHandle nextHandle_ = 1;
};

} // namespace

std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real) {
    if (qEnvironmentVariable("TARVO_MAX_VIRTUAL_PEDAL") != QLatin1String("1"))
        return real;
    return std::make_unique<DemoDriver>(std::move(real));
}
