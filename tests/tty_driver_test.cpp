#include "link/tty/TtyDriver.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A pseudo-terminal with its far end held open, as the virtual pedal's server holds it.
struct Pty {
    int master = -1;
    int holder = -1;
    std::string path;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = ptsname(master);
        holder = open(path.c_str(), O_RDWR | O_NOCTTY);
    }
    ~Pty() { hangUp(); }
    void hangUp() {
        for (int* fd : {&holder, &master})
            if (*fd >= 0) {
                close(*fd);
                *fd = -1;
            }
    }
    std::string readMaster(std::size_t want) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (got.size() < want && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                char buffer[256];
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0)
                    got.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
};

// Waits, bounded, until the driver's queue holds `count` bytes or a call fails.
FtStatus waitQueued(TtyDriver& driver, FtHandle handle, std::uint32_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    std::uint32_t queued = 0;
    FtStatus status = FT_OK;
    while (std::chrono::steady_clock::now() < deadline) {
        status = driver.getQueueStatus(handle, queued);
        if (status != FT_OK || queued >= count)
            break;
        std::this_thread::sleep_for(1ms);
    }
    return status;
}

TEST(TtyDriver, ANamedPortIsListedByItsPathAndOpenedExclusively) {
    Pty pty;
    auto driver = TtyDriver::namedPort(pty.path);
    std::uint32_t count = 0;
    ASSERT_EQ(driver->listDeviceCount(count), FT_OK);
    ASSERT_EQ(count, 1u);
    char text[64];
    ASSERT_EQ(driver->listDeviceByIndex(0, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_EQ(std::string(text), pty.path);
    ASSERT_EQ(driver->listDeviceByIndex(0, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_EQ(std::string(text), "Tarvo Max on " + pty.path);
    EXPECT_EQ(driver->deviceDetails(0).route, "named port");

    FtHandle handle = 0;
    ASSERT_EQ(driver->openBySerialNumber(pty.path.c_str(), handle), FT_OK);
    auto other = TtyDriver::namedPort(pty.path);
    FtHandle second = 0;
    EXPECT_EQ(other->openBySerialNumber(pty.path.c_str(), second), FT_DEVICE_NOT_OPENED);
    EXPECT_NE(other->openAdvice().find("in use by another program"), std::string::npos);
    auto third = TtyDriver::namedPort("/dev/no-such-port");
    EXPECT_EQ(third->openBySerialNumber("/dev/no-such-port", second), FT_DEVICE_NOT_FOUND);

    // Closed, it can be opened again, by this program or another.
    EXPECT_EQ(driver->close(handle), FT_OK);
    EXPECT_EQ(other->openBySerialNumber(pty.path.c_str(), second), FT_OK);
}

TEST(TtyDriver, GivesTheLinkTheLineItAsksForAndTheBytesBothWays) {
    Pty pty;
    auto driver = TtyDriver::namedPort(pty.path);
    FtHandle handle = 0;
    ASSERT_EQ(driver->openBySerialNumber(pty.path.c_str(), handle), FT_OK);
    std::atomic<int> notified{0};
    driver->setReceiveNotifier([&] { ++notified; });

    ASSERT_EQ(driver->setBaudRate(handle, 115200), FT_OK);
    ASSERT_EQ(driver->setDataCharacteristics(handle, 8, 0, 2), FT_OK);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.holder, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    // Linux keeps no parity bit on a pseudo-terminal; the input check says parity all the same.
    EXPECT_TRUE(tio.c_iflag & INPCK);
    EXPECT_FALSE(tio.c_cflag & PARODD);
    EXPECT_FALSE(tio.c_lflag & ICANON) << "raw mode";
    EXPECT_EQ(driver->setDataCharacteristics(handle, 8, 0, 0), FT_OK);
    ASSERT_EQ(tcgetattr(pty.holder, &tio), 0);
    EXPECT_FALSE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_iflag & INPCK);
    EXPECT_EQ(driver->setBaudRate(handle, 123), FT_INVALID_BAUD_RATE);

    const std::uint8_t question[] = {0x06, 0x00};
    std::uint32_t written = 0;
    ASSERT_EQ(driver->write(handle, question, 2, written), FT_OK);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(pty.readMaster(2), std::string("\x06\x00", 2));

    // Silence is no error; an answer is queued and read at once.
    std::uint32_t queued = 9;
    EXPECT_EQ(driver->getQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 0u);
    ASSERT_EQ(write(pty.master, "1\r\n11\r\n", 7), 7);
    ASSERT_EQ(waitQueued(*driver, handle, 7), FT_OK);
    EXPECT_GT(notified.load(), 0);
    std::uint8_t buffer[16] = {};
    std::uint32_t got = 0;
    ASSERT_EQ(driver->read(handle, buffer, 7, got), FT_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "1\r\n11\r\n");

    ASSERT_EQ(write(pty.master, "stale", 5), 5);
    ASSERT_EQ(waitQueued(*driver, handle, 5), FT_OK);
    ASSERT_EQ(driver->purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    EXPECT_EQ(driver->getQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 0u);
}

TEST(TtyDriver, APulledPlugIsAMissingDeviceNotSilence) {
    Pty pty;
    auto driver = TtyDriver::namedPort(pty.path);
    FtHandle handle = 0;
    ASSERT_EQ(driver->openBySerialNumber(pty.path.c_str(), handle), FT_OK);
    pty.hangUp();
    EXPECT_EQ(waitQueued(*driver, handle, 1), FT_DEVICE_NOT_FOUND);
    std::uint32_t written = 0;
    const std::uint8_t byte = 0x7F;
    EXPECT_EQ(driver->write(handle, &byte, 1, written), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(driver->close(handle), FT_OK);
}

} // namespace
