#include "link/tty/TtyDriver.h"

#include "link/tty/SysfsBridges.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

// How long a write may wait for the port to take the rest of its bytes.
constexpr int kWriteTimeoutMs = 5000;

const std::array<std::pair<std::uint32_t, speed_t>, 16> kBaudRates = {{
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {500000, B500000},
    {921600, B921600},
    {1000000, B1000000},
    {3000000, B3000000},
}};

std::string groupOf(const std::string& device) {
    struct stat info {};
    if (stat(device.c_str(), &info) != 0)
        return {};
    const group* g = getgrgid(info.st_gid);
    return g ? g->gr_name : std::to_string(info.st_gid);
}

void copyListed(const std::string& text, char* buffer) {
    const std::size_t n = std::min<std::size_t>(text.size(), kFtListStringSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
}

} // namespace

std::unique_ptr<TtyDriver> TtyDriver::kernelBridges(const std::string& sysRoot, const std::string& devRoot) {
    return std::make_unique<TtyDriver>(
        [sysRoot, devRoot] {
            std::vector<Port> ports;
            for (const KernelBridge& b : listKernelBridges(sysRoot, devRoot))
                ports.push_back({b.device, b.serial, b.description, b.location, b.latencyTimer});
            return ports;
        },
        "kernel serial");
}

std::unique_ptr<TtyDriver> TtyDriver::namedPort(const std::string& path) {
    return std::make_unique<TtyDriver>(
        [path] {
            return std::vector<Port>{{path, path, "Tarvo Max on " + path, {}, {}}};
        },
        "named port");
}

TtyDriver::TtyDriver(Lister lister, std::string route)
    : lister_(std::move(lister)), route_(std::move(route)) {}

TtyDriver::~TtyDriver() {
    if (fd_ >= 0)
        close(handle_);
}

std::string TtyDriver::permissionAdvice(const std::string& device) {
    std::string group = groupOf(device);
    std::string advice = device + " may not be opened by this user. ";
    if (!group.empty() && group != "root")
        advice += "Join the group " + group + " (sudo usermod -aG " + group +
                  " \"$USER\", then log out and in again), or install ";
    else
        advice += "Install ";
    return advice + "the udev rule shipped in packaging/ (sudo cp packaging/70-tarvo-max.rules "
                    "/etc/udev/rules.d/ && sudo udevadm control --reload-rules && sudo udevadm trigger), "
                    "then unplug the pedal and plug it in again.";
}

// ---- Listing ----

FtStatus TtyDriver::listDeviceCount(std::uint32_t& count) {
    listed_ = lister_();
    count = static_cast<std::uint32_t>(listed_.size());
    return FT_OK;
}

FtStatus TtyDriver::listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) {
    if (listed_.empty())
        listed_ = lister_();
    if (index >= listed_.size())
        return FT_DEVICE_NOT_FOUND;
    copyListed((flags & FT_OPEN_BY_DESCRIPTION) ? listed_[index].description : listed_[index].serial, buffer);
    return FT_OK;
}

BridgeDetails TtyDriver::deviceDetails(std::uint32_t index) {
    if (index >= listed_.size())
        return {route_, {}, false, {}};
    const Port& port = listed_[index];
    const bool accessible = access(port.device.c_str(), R_OK | W_OK) == 0;
    return {route_, port.location, accessible, accessible ? std::string() : permissionAdvice(port.device)};
}

// ---- Open and close ----

bool TtyDriver::findPort(const std::string& serial, Port& port) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const Port& p : listed_)
            if (p.serial == serial) {
                port = p;
                return true;
            }
        listed_ = lister_(); // plugged in since the last listing, perhaps
    }
    return false;
}

FtStatus TtyDriver::openBySerialNumber(const char* serial, FtHandle& handle) {
    advice_.clear();
    if (fd_ >= 0)
        return FT_DEVICE_NOT_OPENED; // one port at a time, as the editor works
    Port port;
    if (serial == nullptr || !findPort(serial, port))
        return FT_DEVICE_NOT_FOUND;
    if (const FtStatus status = openPort(port); status != FT_OK)
        return status;
    gone_ = false;
    queue_.clear();
    handle_ = handle = nextHandle_++;
    setLowLatency(port);
    startReader();
    return FT_OK;
}

FtStatus TtyDriver::openPort(const Port& port) {
    fd_ = ::open(port.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            advice_ = permissionAdvice(port.device);
        else if (error == EBUSY)
            advice_ = port.device + " is in use by another program; close it and Link again.";
        return error == ENOENT || error == ENXIO || error == ENODEV ? FT_DEVICE_NOT_FOUND
                                                                    : FT_DEVICE_NOT_OPENED;
    }
    // Exclusive: another program cannot open the port while the editor has it.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0 || ioctl(fd_, TIOCEXCL) != 0 || !configureRaw()) {
        advice_ = port.device + " is in use by another program; close it and Link again.";
        ::close(fd_);
        fd_ = -1;
        return FT_DEVICE_NOT_OPENED;
    }
    return FT_OK;
}

bool TtyDriver::configureRaw() {
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~CRTSCTS;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    // What the bridge runs at right after it is opened, until the link sets its own line.
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
}

void TtyDriver::setLowLatency(const Port& port) {
    // One-byte replies then come back in about a millisecond instead of up to sixteen.
    if (!port.latencyTimer.empty()) {
        std::ofstream timer(port.latencyTimer);
        if (timer << "1" << std::flush)
            return;
    }
    serial_struct serial{};
    if (ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        if (ioctl(fd_, TIOCSSERIAL, &serial) == 0)
            return;
    }
    if (!port.latencyTimer.empty())
        notes_.push_back(
            "could not set the latency timer of " + port.device +
            " to 1 ms; replies may take up to 16 ms longer (the udev rule in packaging/ sets it)");
}

FtStatus TtyDriver::close(FtHandle handle) {
    if (fd_ < 0 || handle != handle_)
        return FT_INVALID_HANDLE;
    stopReader();
    // The terminal may stay open elsewhere (a pseudo-terminal's server holds it), and it would
    // keep refusing everyone, this editor's next Link included.
    ioctl(fd_, TIOCNXCL);
    flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    queue_.clear();
    gone_ = false;
    return FT_OK;
}

std::string TtyDriver::openAdvice() {
    return advice_;
}

std::vector<std::string> TtyDriver::takeNotes() {
    return std::exchange(notes_, {});
}

// ---- The reader ----

void TtyDriver::startReader() {
    if (pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakePipe_[0] = wakePipe_[1] = -1;
        notes_.push_back("could not start the reader of the port; received bytes are read when asked for");
        return;
    }
    reader_ = std::thread([this] { readLoop(); });
}

void TtyDriver::stopReader() {
    if (reader_.joinable()) {
        const char stop = 1;
        (void)!::write(wakePipe_[1], &stop, 1);
        reader_.join();
    }
    for (int& end : wakePipe_) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void TtyDriver::readLoop() {
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            gone_ = true;
            return;
        }
        if (fds[1].revents != 0)
            return;
        // A pulled plug (or the other end of a pseudo-terminal closing) hangs the port up;
        // silence raises nothing at all.
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 || !readAvailable()) {
            gone_ = true;
            return;
        }
    }
}

bool TtyDriver::readAvailable() {
    std::array<std::uint8_t, 4096> chunk{};
    std::lock_guard lock(readMutex_);
    const ssize_t got = ::read(fd_, chunk.data(), chunk.size());
    if (got > 0) {
        queue_.push(chunk.data(), static_cast<std::size_t>(got));
        return true;
    }
    return got < 0 && (errno == EAGAIN || errno == EINTR);
}

// ---- Calls on an open port ----

FtStatus TtyDriver::check(FtHandle handle) {
    if (fd_ < 0 || handle != handle_)
        return FT_INVALID_HANDLE;
    if (gone_)
        return FT_DEVICE_NOT_FOUND;
    // The reader thread may not have woken for a hang-up yet; whoever meets it first says so.
    pollfd p{fd_, 0, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLNVAL)) != 0) {
        gone_ = true;
        return FT_DEVICE_NOT_FOUND;
    }
    return FT_OK;
}

FtStatus TtyDriver::failed(FtStatus otherwise) {
    // A port that has been hung up (a pulled plug, the other end of a pseudo-terminal closed)
    // fails every call with EIO or ENODEV: that is a missing device, not a fault of the call.
    if (errno == EIO || errno == ENODEV || errno == ENXIO) {
        gone_ = true;
        return FT_DEVICE_NOT_FOUND;
    }
    return otherwise;
}

FtStatus TtyDriver::getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) {
    if (const FtStatus s = check(handle))
        return s;
    rxBytes = queue_.size();
    return FT_OK;
}

FtStatus TtyDriver::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& got) {
    got = 0;
    if (const FtStatus s = check(handle))
        return s;
    got = queue_.pop(buffer, toRead);
    return FT_OK;
}

FtStatus TtyDriver::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t& written) {
    written = 0;
    if (const FtStatus s = check(handle))
        return s;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    while (written < count) {
        const ssize_t n = ::write(fd_, buffer + written, count - written);
        if (n > 0) {
            written += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return failed(FT_IO_ERROR);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLOUT, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
            (p.revents & (POLLHUP | POLLERR)) != 0)
            return FT_FAILED_TO_WRITE_DEVICE;
    }
    return FT_OK;
}

FtStatus TtyDriver::setBaudRate(FtHandle handle, std::uint32_t baudRate) {
    if (const FtStatus s = check(handle))
        return s;
    const auto it = std::find_if(kBaudRates.begin(), kBaudRates.end(),
                                 [&](const auto& r) { return r.first == baudRate; });
    termios tio{};
    if (it == kBaudRates.end())
        return FT_INVALID_BAUD_RATE;
    if (tcgetattr(fd_, &tio) != 0)
        return failed(FT_IO_ERROR);
    cfsetispeed(&tio, it->second);
    cfsetospeed(&tio, it->second);
    return tcsetattr(fd_, TCSANOW, &tio) == 0 ? FT_OK : failed(FT_IO_ERROR);
}

FtStatus TtyDriver::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                           std::uint8_t parity) {
    if (const FtStatus s = check(handle))
        return s;
    if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8) ||
        (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) || parity > 4)
        return FT_INVALID_PARAMETER;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return failed(FT_IO_ERROR);
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    tio.c_cflag |= wordLength == FT_BITS_7 ? CS7 : CS8;
    if (stopBits == FT_STOP_BITS_2)
        tio.c_cflag |= CSTOPB;
    // Parity is checked on input as well as sent: a pseudo-terminal keeps only that flag, so
    // it is how the program at its other end learns that the line runs with parity.
    tio.c_iflag &= ~INPCK;
    if (parity != FT_PARITY_NONE) {
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
    }
    if (parity == FT_PARITY_ODD || parity == 3) // mark is odd parity held high
        tio.c_cflag |= PARODD;
    if (parity == 3 || parity == 4)
        tio.c_cflag |= CMSPAR;
    if (tcsetattr(fd_, TCSANOW, &tio) == 0)
        return FT_OK;
    // Linux refuses a parity bit on a pseudo-terminal, which carries none; the bytes pass as
    // they are all the same, so take the rest of the line.
    tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    if (parity == FT_PARITY_NONE || tcsetattr(fd_, TCSANOW, &tio) != 0)
        return failed(FT_IO_ERROR);
    if (!parityNoted_)
        notes_.push_back("the port keeps no parity bit (a pseudo-terminal carries none); it checks parity on "
                         "input instead");
    parityNoted_ = true;
    return FT_OK;
}

FtStatus TtyDriver::purge(FtHandle handle, std::uint32_t mask) {
    if (const FtStatus s = check(handle))
        return s;
    if ((mask & ~(FT_PURGE_RX | FT_PURGE_TX)) != 0)
        return FT_INVALID_PARAMETER;
    if (mask & FT_PURGE_RX) {
        std::lock_guard lock(readMutex_);
        queue_.clear();
        if (tcflush(fd_, TCIFLUSH) != 0)
            return failed(FT_IO_ERROR);
    }
    if ((mask & FT_PURGE_TX) && tcflush(fd_, TCOFLUSH) != 0)
        return failed(FT_IO_ERROR);
    return FT_OK;
}

bool TtyDriver::waitForReceive(FtHandle handle, int timeoutMs) {
    if (check(handle) != FT_OK)
        return false;
    queue_.waitForBytes(std::chrono::milliseconds(timeoutMs));
    return true;
}

void TtyDriver::setReceiveNotifier(std::function<void()> notify) {
    queue_.setNotifier(std::move(notify));
}

std::uint64_t TtyDriver::takeDroppedBytes() {
    return queue_.takeDropped();
}
