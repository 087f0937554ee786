#pragma once

#include "link/FtDriver.h"
#include "link/ReceiveQueue.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The kernel's serial ports as a bridge driver: the FTDI bridges the kernel's serial driver has
// bound (/dev/ttyUSB*), or one port named by its path, such as a pseudo-terminal. It gives the
// link what the direct driver gives: listing by index, exclusive open by serial number, the line
// settings, queue status and reads that never block, whole writes, purges, and the status of a
// missing device once the plug is pulled. A reader thread drains the port into a receive queue,
// as the direct driver's does, so the editor can wake on data.
class TtyDriver : public FtDriver {
public:
    struct Port {
        std::string device;
        std::string serial;
        std::string description;
        std::string location;
        std::string latencyTimer; // sysfs file, empty for a port that has none
    };
    using Lister = std::function<std::vector<Port>()>;

    // Every FT-X bridge the kernel has bound, found in sysfs below `sysRoot`.
    static std::unique_ptr<TtyDriver> kernelBridges(const std::string& sysRoot = "/sys",
                                                    const std::string& devRoot = "/dev");
    // One port by its path, listed with the path as its serial number and "Tarvo Max on PATH" as
    // its description.
    static std::unique_ptr<TtyDriver> namedPort(const std::string& path);

    TtyDriver(Lister lister, std::string route);
    ~TtyDriver() override;
    TtyDriver(const TtyDriver&) = delete;
    TtyDriver& operator=(const TtyDriver&) = delete;

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
    std::uint64_t takeDroppedBytes() override;
    BridgeDetails deviceDetails(std::uint32_t index) override;
    std::string openAdvice() override;
    std::vector<std::string> takeNotes() override;

    // What to tell a user who may not open `device`.
    static std::string permissionAdvice(const std::string& device);

private:
    FtStatus check(FtHandle handle);
    // The status of a call that failed with errno set: a hung-up port is a missing device.
    FtStatus failed(FtStatus otherwise);
    bool findPort(const std::string& serial, Port& port);
    FtStatus openPort(const Port& port);
    bool configureRaw();
    void setLowLatency(const Port& port);
    void startReader();
    void stopReader();
    void readLoop();
    bool readAvailable();

    Lister lister_;
    std::string route_;
    std::vector<Port> listed_;
    std::string advice_;
    std::vector<std::string> notes_;
    bool parityNoted_ = false;

    int fd_ = -1;
    FtHandle handle_ = 0;
    FtHandle nextHandle_ = 1;
    std::atomic<bool> gone_{false};
    int wakePipe_[2] = {-1, -1};
    std::thread reader_;
    // Held while the reader moves bytes from the port to the queue, so a purge cannot let bytes
    // read before it land in the queue after it.
    std::mutex readMutex_;
    ReceiveQueue queue_;
};
