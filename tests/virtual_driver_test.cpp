#include "sim/DemoDriver.h"
#include "support/FakeFtDriver.h"
#include "virtual_link.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace std::chrono_literals;

QByteArray listed(FtDriver& driver, std::uint32_t index, std::uint32_t flags) {
    char buffer[kFtListStringSize] = {};
    if (driver.listDeviceByIndex(index, buffer, FT_LIST_BY_INDEX | flags) != FT_OK)
        return "<failed>";
    return QByteArray(buffer);
}

TEST(VirtualDriver, BehavesAsOneBridgeWithTheDriversStatusCodes) {
    VirtualDriver driver;
    std::uint32_t count = 0;
    EXPECT_EQ(driver.listDeviceCount(count), FT_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(listed(driver, 0, FT_OPEN_BY_SERIAL_NUMBER), QByteArray(VirtualDriver::kSerialNumber));
    EXPECT_EQ(listed(driver, 0, FT_OPEN_BY_DESCRIPTION), QByteArray("Tarvo Max Virtual Pedal"));
    EXPECT_EQ(listed(driver, 1, FT_OPEN_BY_SERIAL_NUMBER), QByteArray("<failed>"));

    FtHandle handle = 0, other = 0;
    EXPECT_EQ(driver.openBySerialNumber("FT123456", other), FT_DEVICE_NOT_FOUND);
    ASSERT_EQ(driver.openBySerialNumber(VirtualDriver::kSerialNumber, handle), FT_OK);
    EXPECT_EQ(driver.openBySerialNumber(VirtualDriver::kSerialNumber, other), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(driver.setBaudRate(handle, 115200), FT_OK);
    EXPECT_EQ(driver.setBaudRate(handle, 0), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(driver.setDataCharacteristics(handle, 9, 0, 0), FT_INVALID_PARAMETER);
    EXPECT_EQ(driver.setDataCharacteristics(handle, 8, 0, 0), FT_OK);

    // Purging the receive queue throws away what the pedal said.
    driver.pedal().reportEffect();
    std::uint32_t queued = 0;
    EXPECT_EQ(driver.getQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 2u);
    EXPECT_EQ(driver.purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    driver.getQueueStatus(handle, queued);
    EXPECT_EQ(queued, 0u);

    // A closed handle is refused; a fresh open starts again at the bridge's own line settings.
    EXPECT_EQ(driver.close(handle), FT_OK);
    EXPECT_EQ(driver.getQueueStatus(handle, queued), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.close(handle), FT_INVALID_HANDLE);
    ASSERT_EQ(driver.openBySerialNumber(VirtualDriver::kSerialNumber, other), FT_OK);
    EXPECT_NE(other, handle);
    std::uint32_t written = 0;
    const std::uint8_t ask[] = {0x06, 0x00};
    driver.write(other, ask, 2, written);
    driver.getQueueStatus(other, queued);
    EXPECT_EQ(queued, 0u) << "9600 baud until the link sets 115200";
}

TEST(VirtualDriver, APulledPlugFailsEveryCallFromMidWriteOn) {
    PedalLink link(VirtualPedal::Options{.effectNumber = 7});
    link.driver.vanishAfterWrittenBytes(100);
    std::uint32_t written = 0;
    const QByteArray program = makeProgram(1216, 0x2B, {0x0010});
    EXPECT_EQ(link.driver.write(link.handle, reinterpret_cast<const std::uint8_t*>(program.constData()),
                                std::uint32_t(program.size()), written),
              FT_IO_ERROR);
    EXPECT_EQ(written, 100u);
    EXPECT_EQ(link.pedal().effectNumber(), 7) << "half a program is not stored";

    std::uint32_t n = 0;
    std::uint8_t byte = 0;
    EXPECT_EQ(link.driver.getQueueStatus(link.handle, n), FT_IO_ERROR);
    EXPECT_EQ(link.driver.read(link.handle, &byte, 1, n), FT_IO_ERROR);
    EXPECT_EQ(link.driver.write(link.handle, &byte, 1, n), FT_IO_ERROR);
    EXPECT_EQ(link.driver.setBaudRate(link.handle, 115200), FT_IO_ERROR);
    EXPECT_EQ(link.driver.setDataCharacteristics(link.handle, 8, 0, 0), FT_IO_ERROR);
    EXPECT_EQ(link.driver.purge(link.handle, FT_PURGE_RX), FT_IO_ERROR);
    EXPECT_EQ(link.driver.close(link.handle), FT_IO_ERROR);
    EXPECT_EQ(link.driver.listDeviceCount(n), FT_OK);
    EXPECT_EQ(n, 0u);
    FtHandle handle = 0;
    EXPECT_EQ(link.driver.openBySerialNumber(VirtualDriver::kSerialNumber, handle), FT_DEVICE_NOT_FOUND);
}

TEST(VirtualDriver, LineSpeedModelGivesEveryByteItsWireTime) {
    VirtualDriver::Clock::time_point t{};
    PedalLink link;
    link.driver.setClock([&] { return t; });
    link.driver.setLineSpeedModel(true);
    std::uint32_t queued = 0;
    const auto queuedAt = [&](std::chrono::nanoseconds when) {
        t = VirtualDriver::Clock::time_point{} + when;
        link.driver.getQueueStatus(link.handle, queued);
        return queued;
    };
    // 8N1 at 115200: ten bits, 86,805 ns a character. Two out, twelve back.
    link.write(QByteArray::fromHex("0600"));
    const std::chrono::nanoseconds character = LineFormat{115200, 8, 0, 0}.characterTime();
    EXPECT_EQ(queuedAt(2 * character), 0u);
    EXPECT_EQ(queuedAt(3 * character), 1u);
    EXPECT_EQ(queuedAt(8 * character + 1ns), 6u);
    EXPECT_EQ(queuedAt(14 * character), 12u);

    // Even parity and two stop bits make each character twelve bits long.
    EXPECT_EQ((LineFormat{115200, 8, 2, 2}.bitsPerCharacter()), 12);
}

TEST(VirtualDriver, NotifiesWhenBytesJoinTheQueue) {
    PedalLink link;
    int notified = 0;
    link.driver.setReceiveNotifier([&] { ++notified; });
    link.write(QByteArray::fromHex("0600"));
    EXPECT_EQ(notified, 1);
    link.pedal().reportEffect();
    EXPECT_EQ(notified, 2);
    link.write(QByteArray::fromHex("0709")); // no answer, no call
    EXPECT_EQ(notified, 2);
}

TEST(VirtualDriver, AnUnreadReceiveQueueKeepsOnlyTheFreshestBytes) {
    PedalLink link;
    const QByteArray dump = QByteArray::fromHex("0C5000000000");
    const std::uint64_t dumpSize = 1 + VirtualPedal::kMemorySize;
    const std::uint64_t dumps = VirtualDriver::kReceiveQueueLimit / dumpSize + 4;
    for (std::uint64_t i = 0; i < dumps; ++i)
        link.write(dump);
    link.pedal().reportEffect();

    const std::uint64_t sent = dumps * dumpSize + 2;
    const QByteArray queued = link.readAll();
    EXPECT_EQ(std::uint64_t(queued.size()), VirtualDriver::kReceiveQueueLimit);
    EXPECT_EQ(link.driver.droppedBytes(), sent - VirtualDriver::kReceiveQueueLimit);
    EXPECT_TRUE(queued.endsWith(QByteArray(16, char(0xFF)) + "11")) << "the newest bytes were dropped";
}

TEST(VirtualDriver, ABytesLateNoticeGoesToWhoeverListensWhenItArrives) {
    int argc = 1;
    char name[] = "virtual_driver_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    VirtualDriver::Clock::time_point t{};
    PedalLink link;
    link.driver.setClock([&] { return t; });
    link.driver.setLineSpeedModel(true); // the answer is due on the wire 14 characters later
    const auto runEventsForAWhile = [] {
        bool done = false;
        QTimer::singleShot(50, [&] { done = true; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };

    // The receiver goes away before the answer is on the wire, as the editor's receive poll
    // does when it is destroyed: nobody may be called.
    int left = 0;
    link.driver.setReceiveNotifier([&] { ++left; });
    link.write(QByteArray::fromHex("0600"));
    link.driver.setReceiveNotifier({});
    runEventsForAWhile();
    EXPECT_EQ(left, 0);

    // A receiver that takes over in the meantime hears of the bytes; the one it replaced does not.
    int replaced = 0, current = 0;
    link.driver.setReceiveNotifier([&] { ++replaced; });
    link.write(QByteArray::fromHex("0600"));
    link.driver.setReceiveNotifier([&] { ++current; });
    runEventsForAWhile();
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(current, 1);
}

struct DemoEnvironment {
    explicit DemoEnvironment(const char* value) {
        if (value)
            setenv("TARVO_MAX_VIRTUAL_PEDAL", value, 1);
        else
            unsetenv("TARVO_MAX_VIRTUAL_PEDAL");
    }
    ~DemoEnvironment() { unsetenv("TARVO_MAX_VIRTUAL_PEDAL"); }
};

TEST(DemoDriver, OnlyTheVariableSetToOneBringsTheVirtualPedal) {
    for (const char* value : {static_cast<const char*>(nullptr), "0", "yes", ""}) {
        DemoEnvironment env(value);
        auto real = std::make_unique<FakeFtDriver>();
        FtDriver* raw = real.get();
        EXPECT_EQ(makeEditorDriver(std::move(real)).get(), raw) << (value ? value : "(unset)");
    }
}

TEST(DemoDriver, ListsTheVirtualPedalFirstAndKeepsTheHandlesApart) {
    DemoEnvironment env("1");
    auto real = std::make_unique<FakeFtDriver>();
    FakeFtDriver& fake = *real;
    fake.bridges = {{"FT0001", "FT230X Basic UART"}};
    fake.nextHandle = 1; // the same numbers the demo driver would hand out
    std::unique_ptr<FtDriver> driver = makeEditorDriver(std::move(real));

    std::uint32_t count = 0;
    ASSERT_EQ(driver->listDeviceCount(count), FT_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(listed(*driver, 0, FT_OPEN_BY_DESCRIPTION), QByteArray("Tarvo Max Virtual Pedal"));
    EXPECT_EQ(listed(*driver, 1, FT_OPEN_BY_SERIAL_NUMBER), QByteArray("FT0001"));

    FtHandle pedal = 0, bridge = 0;
    ASSERT_EQ(driver->openBySerialNumber(VirtualDriver::kSerialNumber, pedal), FT_OK);
    ASSERT_EQ(driver->openBySerialNumber("FT0001", bridge), FT_OK);
    EXPECT_NE(pedal, bridge);

    std::uint32_t written = 0, queued = 0;
    const std::uint8_t ask[] = {0x06, 0x00};
    driver->setBaudRate(pedal, 115200);
    driver->setDataCharacteristics(pedal, 8, 0, 0);
    driver->write(pedal, ask, 2, written);
    EXPECT_TRUE(fake.writes.empty()) << "the pedal's bytes went to the real bridge";
    driver->getQueueStatus(pedal, queued);
    EXPECT_GT(queued, 0u);
    driver->write(bridge, ask, 2, written);
    ASSERT_EQ(fake.writes.size(), 1u);

    EXPECT_EQ(driver->close(bridge), FT_OK);
    EXPECT_EQ(driver->write(bridge, ask, 2, written), FT_INVALID_HANDLE);
    EXPECT_EQ(driver->getQueueStatus(pedal, queued), FT_OK) << "closing one leaves the other open";

    // A real driver that cannot list does not hide the demo pedal.
    fake.failOn("count", FT_OTHER_ERROR);
    ASSERT_EQ(driver->listDeviceCount(count), FT_OK);
    EXPECT_EQ(count, 1u);
}

} // namespace
