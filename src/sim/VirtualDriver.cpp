#include "sim/VirtualDriver.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <thread>

namespace {

// What an FT230X runs at right after it is opened, before the link sets its own line.
constexpr LineFormat kBridgeDefaultLine{9600, 8, 0, 0};

} // namespace

VirtualDriver::VirtualDriver() : VirtualDriver(VirtualPedal::Options{}) {}

VirtualDriver::VirtualDriver(VirtualPedal::Options options)
    : pedal_(std::move(options)), line_(kBridgeDefaultLine), timerContext_(std::make_unique<QObject>()) {
    pedal_.setHostLine(line_);
    pedal_.setOutputListener([this] { collect(inWrite_ ? deliveryTime_ : now()); });
}

VirtualDriver::~VirtualDriver() {
    pedal_.setOutputListener({});
}

FtStatus VirtualDriver::check(FtHandle handle) const {
    if (vanished_)
        return FT_IO_ERROR;
    if (!open_ || handle != handle_)
        return FT_INVALID_HANDLE;
    return FT_OK;
}

FtStatus VirtualDriver::listDeviceCount(std::uint32_t& count) {
    count = vanished_ ? 0 : 1;
    return FT_OK;
}

FtStatus VirtualDriver::listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) {
    if (vanished_ || index != 0)
        return FT_DEVICE_NOT_FOUND;
    const char* text = nullptr;
    if (flags & FT_OPEN_BY_SERIAL_NUMBER)
        text = kSerialNumber;
    else if (flags & FT_OPEN_BY_DESCRIPTION)
        text = kDescription;
    else
        return FT_INVALID_PARAMETER;
    const std::size_t n = std::min<std::size_t>(std::strlen(text), kFtListStringSize - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = 0;
    return FT_OK;
}

FtStatus VirtualDriver::openBySerialNumber(const char* serial, FtHandle& handle) {
    if (vanished_ || serial == nullptr || std::strcmp(serial, kSerialNumber) != 0)
        return FT_DEVICE_NOT_FOUND;
    if (open_)
        return FT_DEVICE_NOT_OPENED; // the bridge is already in use
    open_ = true;
    handle_ = handle = nextHandle_++;
    line_ = kBridgeDefaultLine;
    pedal_.setHostLine(line_);
    rx_.clear();
    return FT_OK;
}

FtStatus VirtualDriver::close(FtHandle handle) {
    if (const FtStatus s = check(handle); s != FT_OK) {
        if (vanished_ && open_ && handle == handle_)
            open_ = false; // the handle is gone with the device, whatever the call says
        return s;
    }
    open_ = false;
    rx_.clear();
    return FT_OK;
}

std::uint32_t VirtualDriver::ready(Clock::time_point t) const {
    if (!lineSpeed_)
        return std::uint32_t(rx_.size());
    const auto end = std::find_if(rx_.begin(), rx_.end(), [&](const Queued& q) { return q.ready > t; });
    return std::uint32_t(end - rx_.begin());
}

FtStatus VirtualDriver::getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) {
    if (const FtStatus s = check(handle); s != FT_OK)
        return s;
    rxBytes = ready(now());
    return FT_OK;
}

FtStatus VirtualDriver::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                             std::uint32_t& got) {
    got = 0;
    if (const FtStatus s = check(handle); s != FT_OK)
        return s;
    // Never waits: the link only ever asks for what the queue holds.
    got = std::min(toRead, ready(now()));
    for (std::uint32_t i = 0; i < got; ++i) {
        buffer[i] = rx_.front().byte;
        rx_.pop_front();
    }
    return FT_OK;
}

FtStatus VirtualDriver::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                              std::uint32_t& written) {
    written = 0;
    if (const FtStatus s = check(handle); s != FT_OK)
        return s;
    std::uint32_t deliver = count;
    bool pulled = false;
    if (vanishAfter_ > 0 && written_ + count >= vanishAfter_) {
        deliver = std::uint32_t(vanishAfter_ - written_);
        pulled = true;
    }
    Clock::time_point arrival = now();
    if (lineSpeed_) {
        arrival = std::max(arrival, txFreeAt_) + deliver * line_.characterTime();
        txFreeAt_ = arrival;
    }
    deliveryTime_ = arrival;
    inWrite_ = true;
    pedal_.receive(buffer, deliver, arrival);
    inWrite_ = false;
    written_ += deliver;
    written = deliver;
    if (pulled) {
        vanished_ = true;
        rx_.clear();
        return deliver == count ? FT_OK : FT_IO_ERROR;
    }
    return FT_OK;
}

bool VirtualDriver::waitForReceive(FtHandle handle, int timeoutMs) {
    if (!lineSpeed_ || clock_ || check(handle) != FT_OK)
        return false;
    Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!rx_.empty())
        until = std::min(until, rx_.front().ready);
    std::this_thread::sleep_until(until);
    return true;
}

FtStatus VirtualDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate) {
    if (const FtStatus s = check(handle); s != FT_OK)
        return s;
    if (baudRate < 183 || baudRate > 3000000)
        return FT_INVALID_BAUD_RATE;
    line_.baudRate = baudRate;
    pedal_.setHostLine(line_);
    return FT_OK;
}

FtStatus VirtualDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    if (const FtStatus s = check(handle); s != FT_OK)
        return s;
    if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8) ||
        (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) || parity > 4)
        return FT_INVALID_PARAMETER;
    line_.wordLength = wordLength;
    line_.stopBits = stopBits;
    line_.parity = parity;
    pedal_.setHostLine(line_);
    return FT_OK;
}

FtStatus VirtualDriver::purge(FtHandle handle, std::uint32_t mask) {
    if (const FtStatus s = check(handle); s != FT_OK)
        return s;
    // Only what has reached the bridge can be thrown away; bytes still on the wire arrive later.
    // Nothing waits to be sent: a write reaches the pedal before it returns.
    if (mask & FT_PURGE_RX)
        rx_.erase(rx_.begin(), rx_.begin() + ready(now()));
    return FT_OK;
}

void VirtualDriver::collect(Clock::time_point from) {
    const QByteArray out = pedal_.takeOutput();
    // While the bridge is closed or unplugged the pedal talks to nobody.
    if (out.isEmpty() || !open_ || vanished_)
        return;
    notifyWhenDue(enqueue(out, from));
}

VirtualDriver::Clock::time_point VirtualDriver::enqueue(const QByteArray& bytes, Clock::time_point from) {
    Clock::time_point last = from;
    for (char c : bytes) {
        if (lineSpeed_) {
            last = std::max(from, rxFreeAt_) + line_.characterTime();
            rxFreeAt_ = last;
        }
        rx_.push_back({std::uint8_t(c), last});
    }
    if (rx_.size() > kReceiveQueueLimit) {
        const std::size_t excess = rx_.size() - kReceiveQueueLimit;
        rx_.erase(rx_.begin(), rx_.begin() + std::ptrdiff_t(excess));
        dropped_ += excess;
        unreported_ += excess;
    }
    return last;
}

void VirtualDriver::notifyWhenDue(Clock::time_point due) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now());
    if (lineSpeed_ && wait.count() > 0 && QCoreApplication::instance() != nullptr) {
        // Whoever listens when the bytes are due hears of them: the receiver listening now may
        // be gone by then. The timer's context object dies with the driver, so `this` is safe.
        QTimer::singleShot(wait, timerContext_.get(), [this] { notifyReceiver(); });
        return;
    }
    notifyReceiver();
}

void VirtualDriver::notifyReceiver() {
    // A copy, so that a receiver that unsubscribes from inside its own notice does not destroy
    // the function while it runs.
    if (const std::function<void()> notify = notify_)
        notify();
}
