#include "link/libftdi/LibFtdiDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// Stands in for the USB side: what the bridge would hand the I/O thread, and what it was told.
struct FakePort : FtdiPort {
    struct Shared {
        std::mutex mutex;
        std::string incoming;
        std::string written;
        std::vector<std::string> lineSettings;
        bool unplugged = false;
        int rxPurges = 0;
    };
    explicit FakePort(Shared& s) : s(s) {}

    bool enumerate(std::vector<Listed>& bridges) override {
        bridges = {{"FTA1", "FT230X Basic UART", "1-4", true}, {"FTB2", "Tarvo Max", "1-5", true}};
        return true;
    }
    bool open(const std::string& serial, bool& notFound) override {
        notFound = serial != "FTA1" && serial != "FTB2";
        return !notFound;
    }
    void close() override {}
    bool setBaudRate(std::uint32_t baud) override {
        std::lock_guard lock(s.mutex);
        s.lineSettings.push_back("baud " + std::to_string(baud));
        return true;
    }
    bool setLineProperties(std::uint8_t w, std::uint8_t st, std::uint8_t p) override {
        std::lock_guard lock(s.mutex);
        s.lineSettings.push_back("line " + std::to_string(w) + std::to_string(st) + std::to_string(p));
        return true;
    }
    bool purgeRx() override {
        std::lock_guard lock(s.mutex);
        ++s.rxPurges;
        return true;
    }
    bool purgeTx() override { return true; }
    int write(const std::uint8_t* data, std::uint32_t count) override {
        std::lock_guard lock(s.mutex);
        s.written.append(reinterpret_cast<const char*>(data), count);
        return static_cast<int>(count);
    }
    int read(std::uint8_t* buffer, std::uint32_t max) override {
        std::lock_guard lock(s.mutex);
        if (s.unplugged)
            return -4;
        // Like a USB packet: at most 62 payload bytes per transfer.
        const std::size_t n = std::min<std::size_t>({s.incoming.size(), max, 62});
        std::memcpy(buffer, s.incoming.data(), n);
        s.incoming.erase(0, n);
        return static_cast<int>(n);
    }
    Shared& s;
};

struct LibFtdiDriverFixture : ::testing::Test {
    FakePort::Shared port;
    LibFtdiDriver driver{std::make_unique<FakePort>(port)};
    FtHandle handle = 0;

    void SetUp() override { ASSERT_EQ(driver.openBySerialNumber("FTB2", handle), FT_OK); }

    void arrive(const std::string& bytes) {
        std::lock_guard lock(port.mutex);
        port.incoming += bytes;
    }
    // Waits (bounded) until the I/O thread has queued `count` bytes.
    std::uint32_t queuedAtLeast(std::uint32_t count) {
        std::uint32_t queued = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (driver.getQueueStatus(handle, queued) != FT_OK || queued >= count)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return queued;
    }
};

TEST_F(LibFtdiDriverFixture, ListsBridgesByIndex) {
    std::uint32_t count = 0;
    ASSERT_EQ(driver.listDeviceCount(count), FT_OK);
    EXPECT_EQ(count, 2u);
    char text[64];
    ASSERT_EQ(driver.listDeviceByIndex(1, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_STREQ(text, "FTB2");
    ASSERT_EQ(driver.listDeviceByIndex(0, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_STREQ(text, "FT230X Basic UART");
    EXPECT_EQ(driver.listDeviceByIndex(2, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
              FT_DEVICE_NOT_FOUND);
}

TEST_F(LibFtdiDriverFixture, ReceivedBytesQueueUpAndAreReadInOrder) {
    std::atomic<int> notified{0};
    driver.setReceiveNotifier([&] { ++notified; });
    const std::string reply = std::string(200, 'a') + "tail";
    arrive(reply);
    ASSERT_EQ(queuedAtLeast(204), 204u);
    EXPECT_GT(notified.load(), 0);

    std::uint8_t buffer[300] = {};
    std::uint32_t got = 0;
    ASSERT_EQ(driver.read(handle, buffer, 150, got), FT_OK);
    EXPECT_EQ(got, 150u);
    ASSERT_EQ(driver.read(handle, buffer, 150, got), FT_OK);
    EXPECT_EQ(got, 54u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 50, 4), "tail");
}

TEST(ReceiveQueue, KeepsTheNewestBytesWhenNobodyReads) {
    ReceiveQueue queue;
    std::vector<std::uint8_t> bytes(ReceiveQueue::kLimit + 100);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    queue.push(bytes.data(), bytes.size());
    EXPECT_EQ(queue.size(), ReceiveQueue::kLimit);
    EXPECT_EQ(queue.takeDropped(), 100u);
    EXPECT_EQ(queue.takeDropped(), 0u);
    std::uint8_t first = 0;
    queue.pop(&first, 1);
    EXPECT_EQ(first, static_cast<std::uint8_t>(100));
}

TEST(ReceiveQueue, ReplacingTheNotifierWaitsForACallInProgress) {
    // The receive poll unsubscribes in its destructor while the I/O thread may be notifying it.
    ReceiveQueue queue;
    std::atomic<bool> entered{false}, inside{false};
    std::atomic<int> calls{0};
    queue.setNotifier([&] {
        entered = true;
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        inside = false;
        ++calls;
    });
    const std::uint8_t byte = 1;
    std::thread io([&] { queue.push(&byte, 1); });
    while (!entered)
        std::this_thread::yield();
    queue.setNotifier({});
    EXPECT_FALSE(inside.load()) << "the old notifier still ran after it was replaced";
    io.join();
    queue.push(&byte, 1);
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(LibFtdiDriverFixture, PurgeRxEmptiesTheQueue) {
    arrive("stale");
    ASSERT_EQ(queuedAtLeast(5), 5u);
    ASSERT_EQ(driver.purge(handle, FT_PURGE_RX), FT_OK);
    std::uint32_t queued = 99;
    ASSERT_EQ(driver.getQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 0u);
    EXPECT_EQ(port.rxPurges, 1);
}

TEST_F(LibFtdiDriverFixture, WritesAndLineSettingsReachThePort) {
    const std::uint8_t message[] = {0x06, 0x00};
    std::uint32_t written = 0;
    ASSERT_EQ(driver.write(handle, message, 2, written), FT_OK);
    EXPECT_EQ(written, 2u);
    ASSERT_EQ(driver.setBaudRate(handle, 115200), FT_OK);
    ASSERT_EQ(driver.setDataCharacteristics(handle, 8, 0, 2), FT_OK);
    EXPECT_EQ(driver.setDataCharacteristics(handle, 5, 0, 0), FT_INVALID_PARAMETER);
    std::lock_guard lock(port.mutex);
    EXPECT_EQ(port.written, std::string("\x06\x00", 2));
    EXPECT_EQ(port.lineSettings, (std::vector<std::string>{"baud 115200", "line 802"}));
}

TEST_F(LibFtdiDriverFixture, HandlesAreCheckedAndOnlyOneBridgeIsOpen) {
    std::uint32_t queued = 0;
    EXPECT_EQ(driver.getQueueStatus(handle + 1, queued), FT_INVALID_HANDLE);
    FtHandle second = 0;
    EXPECT_NE(driver.openBySerialNumber("FTA1", second), FT_OK);
    ASSERT_EQ(driver.close(handle), FT_OK);
    EXPECT_EQ(driver.getQueueStatus(handle, queued), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.openBySerialNumber("NOPE", second), FT_DEVICE_NOT_FOUND);
    ASSERT_EQ(driver.openBySerialNumber("FTA1", second), FT_OK);
    EXPECT_NE(second, handle);
}

TEST_F(LibFtdiDriverFixture, AnUnpluggedBridgeFailsEveryCallUntilClosed) {
    {
        std::lock_guard lock(port.mutex);
        port.unplugged = true;
    }
    std::uint32_t queued = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (driver.getQueueStatus(handle, queued) == FT_OK && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(driver.getQueueStatus(handle, queued), FT_DEVICE_NOT_FOUND);
    std::uint32_t written = 0;
    const std::uint8_t byte = 0x7F;
    EXPECT_EQ(driver.write(handle, &byte, 1, written), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(driver.close(handle), FT_OK);
}

} // namespace
