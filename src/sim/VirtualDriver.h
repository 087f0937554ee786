#pragma once

#include "link/FtDriver.h"
#include "sim/VirtualPedal.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

// The virtual pedal behind a bridge driver: one bridge with its own serial number, which the
// link opens, configures, writes to and reads from as it would a real FT230X.
//
// Writes reach the pedal at once and its answers join the receive queue at once, unless the
// line-speed model is on: then every byte takes its wire time at the configured baud rate and
// framing, in both directions, measured on the driver's clock.
class VirtualDriver : public FtDriver {
public:
    using Clock = VirtualPedal::Clock;

    static constexpr const char* kSerialNumber = "TMVP0001";
    static constexpr const char* kDescription = "Tarvo Max Virtual Pedal";

    // What the receive queue holds at most. A real bridge driver keeps draining the chip into a
    // queue of its own and, when the application does not read, gives up the oldest bytes; so do
    // we, well above anything the editor leaves unread on purpose (a 16 KiB memory dump).
    static constexpr std::size_t kReceiveQueueLimit = std::size_t(1) << 20;

    VirtualDriver();
    explicit VirtualDriver(VirtualPedal::Options options);
    ~VirtualDriver() override;

    VirtualPedal& pedal() { return pedal_; }

    void setLineSpeedModel(bool on) { lineSpeed_ = on; }
    void setClock(std::function<Clock::time_point()> clock) { clock_ = std::move(clock); }

    // The plug is pulled: now, or once the host has written `bytes` bytes in all (the write
    // that crosses the mark delivers only the bytes before it).
    void vanish() { vanished_ = true; }
    void vanishAfterWrittenBytes(std::uint64_t bytes) { vanishAfter_ = bytes; }
    bool vanished() const { return vanished_; }
    // The plug goes back in: the bridge is listed and opens again; what was open before is not.
    void plugBackIn() {
        vanished_ = false;
        vanishAfter_ = 0;
        open_ = false;
    }

    // Bytes the pedal sent that were dropped because the receive queue was full.
    std::uint64_t droppedBytes() const { return dropped_; }
    std::uint64_t takeDroppedBytes() override { return std::exchange(unreported_, 0); }
    BridgeDetails deviceDetails(std::uint32_t) override { return {"virtual", {}, true, {}}; }

    FtStatus listDeviceCount(std::uint32_t& count) override;
    FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override;
    FtStatus openBySerialNumber(const char* serial, FtHandle& handle) override;
    FtStatus close(FtHandle handle) override;
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) override;
    FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& got) override;
    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& written) override;
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) override;
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus purge(FtHandle handle, std::uint32_t mask) override;
    void setReceiveNotifier(std::function<void()> notify) override { notify_ = std::move(notify); }
    // Waits in real time only under the line-speed model on the real clock: otherwise answers are
    // there at once or never, and a test's clock is not to be slept on.
    bool waitForReceive(FtHandle handle, int timeoutMs) override;

private:
    struct Queued {
        std::uint8_t byte;
        Clock::time_point ready;
    };

    FtStatus check(FtHandle handle) const;
    void collect(Clock::time_point from);
    // Queues the pedal's bytes, dropping the oldest beyond the limit; returns when the last is due.
    Clock::time_point enqueue(const QByteArray& bytes, Clock::time_point from);
    void notifyWhenDue(Clock::time_point due);
    void notifyReceiver();
    std::uint32_t ready(Clock::time_point now) const;
    Clock::time_point now() const { return clock_ ? clock_() : Clock::now(); }

    VirtualPedal pedal_;
    LineFormat line_;
    bool open_ = false;
    FtHandle handle_ = 0;
    FtHandle nextHandle_ = 0x7E570001;
    bool vanished_ = false;
    std::uint64_t vanishAfter_ = 0;
    std::uint64_t written_ = 0;
    bool lineSpeed_ = false;
    std::function<Clock::time_point()> clock_;
    std::function<void()> notify_;
    std::deque<Queued> rx_;
    std::uint64_t dropped_ = 0;
    std::uint64_t unreported_ = 0; // dropped since the editor last asked
    Clock::time_point txFreeAt_{};
    Clock::time_point rxFreeAt_{};
    Clock::time_point deliveryTime_{}; // when the bytes the pedal is answering reached it
    bool inWrite_ = false;
    std::unique_ptr<QObject> timerContext_;
};
