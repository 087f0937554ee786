#pragma once

#include "link/FtDriver.h"
#include "link/ReceiveQueue.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The libusb-facing operations on one FT230X, kept as thin as possible. Only the driver's I/O
// thread calls them.
class FtdiPort {
public:
    struct Listed {
        std::string serial;
        std::string description;
        std::string location;   // "bus-address" on the USB
        bool accessible = true; // its strings could be read, so this user may open it
    };
    virtual ~FtdiPort() = default;
    virtual bool enumerate(std::vector<Listed>& bridges) = 0;
    // Opens by serial number; false when no such bridge could be opened.
    virtual bool open(const std::string& serial, bool& notFound) = 0;
    virtual void close() = 0;
    virtual bool setBaudRate(std::uint32_t baudRate) = 0;
    virtual bool setLineProperties(std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual bool purgeRx() = 0;
    virtual bool purgeTx() = 0;
    // Bytes written, or a negative number on failure.
    virtual int write(const std::uint8_t* data, std::uint32_t count) = 0;
    // Bytes read (0 when nothing arrived within the bridge's latency), negative when the
    // bridge is gone.
    virtual int read(std::uint8_t* buffer, std::uint32_t max) = 0;
};

std::unique_ptr<FtdiPort> makeLibFtdiPort();

// The real bridge driver. One I/O thread owns the port: it keeps reading the USB pipe into the
// receive queue (the FT230X itself holds only 512 bytes, so something must drain it while the
// pedal talks unasked) and carries out the calls handed to it, one at a time.
class LibFtdiDriver : public FtDriver {
public:
    explicit LibFtdiDriver(std::unique_ptr<FtdiPort> port = makeLibFtdiPort());
    ~LibFtdiDriver() override;
    LibFtdiDriver(const LibFtdiDriver&) = delete;
    LibFtdiDriver& operator=(const LibFtdiDriver&) = delete;

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
    void setReceiveNotifier(std::function<void()> notify) override;
    bool waitForReceive(FtHandle handle, int timeoutMs) override;
    std::uint64_t takeDroppedBytes() override { return queue_.takeDropped(); }
    BridgeDetails deviceDetails(std::uint32_t index) override;
    std::string openAdvice() override;

    // What to tell a user who may not open a bridge directly.
    static std::string udevAdvice();

private:
    // Runs `task` on the I/O thread and waits for its status.
    FtStatus call(std::function<FtStatus()> task);
    // Status of a call on `handle` before it reaches the port.
    FtStatus checkHandle(FtHandle handle) const;
    void ioLoop();

    std::unique_ptr<FtdiPort> port_;
    ReceiveQueue queue_;
    std::vector<FtdiPort::Listed> listed_;
    std::string advice_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    bool open_ = false;
    bool gone_ = false;
    FtHandle handle_ = 0;
    FtHandle nextHandle_ = 1;
    std::thread io_;
};
