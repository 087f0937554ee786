#include "link/libftdi/LibFtdiDriver.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <future>

LibFtdiDriver::LibFtdiDriver(std::unique_ptr<FtdiPort> port)
    : port_(std::move(port)), io_([this] { ioLoop(); }) {}

LibFtdiDriver::~LibFtdiDriver() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    io_.join();
}

void LibFtdiDriver::ioLoop() {
    std::array<std::uint8_t, 4096> chunk{};
    std::unique_lock lock(mutex_);
    for (;;) {
        while (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
        if (stopping_)
            break;
        if (open_ && !gone_) {
            lock.unlock();
            const int got = port_->read(chunk.data(), static_cast<std::uint32_t>(chunk.size()));
            lock.lock();
            if (got > 0) {
                queue_.push(chunk.data(), static_cast<std::size_t>(got));
                continue;
            }
            if (got < 0) {
                // The bridge was unplugged: every further call fails until it is closed.
                gone_ = true;
                continue;
            }
            // Nothing arrived within the bridge's latency; give calls a moment before reading again.
            wake_.wait_for(lock, std::chrono::milliseconds(1),
                           [this] { return stopping_ || !tasks_.empty(); });
        } else {
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        }
    }
    if (open_)
        port_->close();
}

FtStatus LibFtdiDriver::call(std::function<FtStatus()> task) {
    auto job = std::make_shared<std::packaged_task<FtStatus()>>(std::move(task));
    std::future<FtStatus> result = job->get_future();
    {
        std::lock_guard lock(mutex_);
        tasks_.emplace_back([job] { (*job)(); });
    }
    wake_.notify_all();
    return result.get();
}

FtStatus LibFtdiDriver::checkHandle(FtHandle handle) const {
    if (!open_ || handle != handle_)
        return FT_INVALID_HANDLE;
    // A pulled plug: every call fails as for a bridge that is not there, until it is closed.
    if (gone_)
        return FT_DEVICE_NOT_FOUND;
    return FT_OK;
}

FtStatus LibFtdiDriver::listDeviceCount(std::uint32_t& count) {
    return call([this, &count] {
        std::vector<FtdiPort::Listed> found;
        if (!port_->enumerate(found))
            return FtStatus{FT_IO_ERROR};
        listed_ = std::move(found);
        count = static_cast<std::uint32_t>(listed_.size());
        return FtStatus{FT_OK};
    });
}

FtStatus LibFtdiDriver::listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) {
    return call([this, index, buffer, flags] {
        if (listed_.empty()) {
            std::vector<FtdiPort::Listed> found;
            if (port_->enumerate(found))
                listed_ = std::move(found);
        }
        if (index >= listed_.size())
            return FtStatus{FT_DEVICE_NOT_FOUND};
        const std::string& text =
            (flags & FT_OPEN_BY_DESCRIPTION) ? listed_[index].description : listed_[index].serial;
        const std::size_t n = std::min<std::size_t>(text.size(), kFtListStringSize - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
        return FtStatus{FT_OK};
    });
}

FtStatus LibFtdiDriver::openBySerialNumber(const char* serial, FtHandle& handle) {
    const std::string wanted(serial);
    return call([this, wanted, &handle] {
        if (open_)
            return FtStatus{FT_DEVICE_NOT_OPENED}; // one bridge at a time, as the editor works
        advice_.clear();
        bool notFound = false;
        if (!port_->open(wanted, notFound)) {
            const auto it = std::find_if(listed_.begin(), listed_.end(),
                                         [&](const FtdiPort::Listed& l) { return l.serial == wanted; });
            if (!notFound && (it == listed_.end() || !it->accessible))
                advice_ = udevAdvice();
            return FtStatus{notFound ? FT_DEVICE_NOT_FOUND : FT_DEVICE_NOT_OPENED};
        }
        queue_.clear();
        std::lock_guard lock(mutex_);
        open_ = true;
        gone_ = false;
        handle_ = nextHandle_++;
        handle = handle_;
        return FtStatus{FT_OK};
    });
}

FtStatus LibFtdiDriver::close(FtHandle handle) {
    return call([this, handle] {
        if (!open_ || handle != handle_)
            return FtStatus{FT_INVALID_HANDLE};
        port_->close();
        queue_.clear();
        std::lock_guard lock(mutex_);
        open_ = false;
        gone_ = false;
        return FtStatus{FT_OK};
    });
}

FtStatus LibFtdiDriver::getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) {
    std::lock_guard lock(mutex_);
    if (const FtStatus s = checkHandle(handle))
        return s;
    rxBytes = queue_.size();
    return FT_OK;
}

FtStatus LibFtdiDriver::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                             std::uint32_t& got) {
    got = 0;
    {
        std::lock_guard lock(mutex_);
        if (const FtStatus s = checkHandle(handle))
            return s;
    }
    // The link asks only for what is queued, so this returns at once and never waits.
    got = queue_.pop(buffer, toRead);
    return FT_OK;
}

FtStatus LibFtdiDriver::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                              std::uint32_t& written) {
    written = 0;
    return call([this, handle, buffer, count, &written] {
        if (const FtStatus s = checkHandle(handle))
            return s;
        const int n = port_->write(buffer, count);
        if (n < 0)
            return FtStatus{FT_IO_ERROR};
        written = static_cast<std::uint32_t>(n);
        return FtStatus{FT_OK};
    });
}

FtStatus LibFtdiDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate) {
    return call([this, handle, baudRate] {
        if (const FtStatus s = checkHandle(handle))
            return s;
        return port_->setBaudRate(baudRate) ? FtStatus{FT_OK} : FtStatus{FT_INVALID_BAUD_RATE};
    });
}

FtStatus LibFtdiDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    return call([this, handle, wordLength, stopBits, parity] {
        if (const FtStatus s = checkHandle(handle))
            return s;
        const bool valid = (wordLength == FT_BITS_7 || wordLength == FT_BITS_8) &&
                           (stopBits == FT_STOP_BITS_1 || stopBits == FT_STOP_BITS_2) && parity <= 4;
        if (!valid)
            return FtStatus{FT_INVALID_PARAMETER};
        return port_->setLineProperties(wordLength, stopBits, parity) ? FtStatus{FT_OK}
                                                                      : FtStatus{FT_IO_ERROR};
    });
}

FtStatus LibFtdiDriver::purge(FtHandle handle, std::uint32_t mask) {
    return call([this, handle, mask] {
        if (const FtStatus s = checkHandle(handle))
            return s;
        if ((mask & ~(FT_PURGE_RX | FT_PURGE_TX)) != 0)
            return FtStatus{FT_INVALID_PARAMETER};
        bool ok = true;
        if (mask & FT_PURGE_RX) {
            ok = port_->purgeRx() && ok;
            queue_.clear();
        }
        if (mask & FT_PURGE_TX)
            ok = port_->purgeTx() && ok;
        return ok ? FtStatus{FT_OK} : FtStatus{FT_IO_ERROR};
    });
}

bool LibFtdiDriver::waitForReceive(FtHandle handle, int timeoutMs) {
    {
        std::lock_guard lock(mutex_);
        if (checkHandle(handle) != FT_OK)
            return false;
    }
    queue_.waitForBytes(std::chrono::milliseconds(timeoutMs));
    return true;
}

void LibFtdiDriver::setReceiveNotifier(std::function<void()> notify) {
    queue_.setNotifier(std::move(notify));
}

// The listing and the advice are written by calls the caller waited for, so reading them here
// races with nothing.
BridgeDetails LibFtdiDriver::deviceDetails(std::uint32_t index) {
    if (index >= listed_.size())
        return {"direct", {}, false, {}};
    const FtdiPort::Listed& bridge = listed_[index];
    return {"direct", bridge.location, bridge.accessible, bridge.accessible ? std::string() : udevAdvice()};
}

std::string LibFtdiDriver::openAdvice() {
    return advice_;
}

std::string LibFtdiDriver::udevAdvice() {
    return "This user may not open the pedal's USB bridge directly. Install the udev rule shipped in "
           "packaging/ (sudo cp packaging/70-tarvo-max.rules /etc/udev/rules.d/ && sudo udevadm control "
           "--reload-rules && sudo udevadm trigger), then unplug the pedal and plug it in again.";
}
