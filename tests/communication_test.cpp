#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <gtest/gtest.h>

namespace {

struct CommunicationFixture : ::testing::Test {
    ScriptedServices services;
    FakeFtDriver driver;
    UsbLink link{driver, services};
    ConsoleLog log;
    RecordingConsoleView view;
    IncomingDecoder incoming{services, log};
    Communication comm{link, services, log, incoming};

    void SetUp() override {
        log.attach(&view);
        driver.bridges = {{"A1", "Pedal"}};
        link.Open_USB_Device_By_Serial_Number("A1");
        driver.calls.clear();
    }
};

TEST_F(CommunicationFixture, SendHexMessageWritesThePairsAsBytes) {
    comm.SendHexMessage("0D01", false);
    EXPECT_EQ(driver.writes.back(), QByteArray::fromHex("0D01"));
    EXPECT_EQ(driver.calls, QStringList{"Write(2)"});

    comm.SendHexMessage("0a0b", 2, true);
    EXPECT_EQ(driver.writes.back(), QByteArray::fromHex("0A0B"));
    EXPECT_EQ(driver.calls.mid(1), (QStringList{"Purge(2)", "Write(2)"}));
}

TEST_F(CommunicationFixture, ConversionStopsAtTheFirstNonHexPairButTheFullCountIsSent) {
    comm.SendHexMessage("01020304050607", false);
    comm.SendHexMessage("AABBzz1122", 5, false);
    EXPECT_EQ(driver.writes.back(), QByteArray::fromHex("AABB030405"));
}

TEST(DecodeDecimalReplyTest, DecodesOneBytePerLine) {
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {"7\r\n255\r\n0\r\n", QByteArray::fromHex("07FF00")},
        {"12\r\n5\r\n", QByteArray::fromHex("0C05")},
        {"1\r\n43\r\n2\r\n5\r\n", QByteArray::fromHex("012B0205")},
        // A number above 255 keeps its low byte.
        {"300\r\n", QByteArray::fromHex("2C")},
        // An empty line repeats the previous value.
        {"9\r\n\r\n", QByteArray::fromHex("0909")},
    };
    for (const auto& [reply, bytes] : cases)
        EXPECT_EQ(decodeDecimalReply(reply), bytes) << reply.toStdString();
}

TEST(DecodeDecimalReplyTest, NonDigitsInAFieldAreAConversionError) {
    // "O" renders as 4F, so an F lands on a digit place.
    EXPECT_THROW(decodeDecimalReply("1O\r\n"), ConversionError);
    bool appended = true;
    EXPECT_TRUE(decodeDecimalReply("", &appended).isEmpty());
    EXPECT_FALSE(appended);
}

TEST_F(CommunicationFixture, StateBlockSplitAcrossReadsDecodesAsWhole) {
    driver.queueReply("7\r\n25");
    driver.queueReply("5\r\n0\r\n");
    ASSERT_TRUE(comm.ReadStateBlock());
    EXPECT_EQ(comm.receiveArray, QByteArray::fromHex("07FF00"));
    EXPECT_EQ(view.lines.mid(view.lines.size() - 5),
              (QStringList{"num of bytes received: 3", "receive array size: 3", "0: 07", "1: FF", "2: 00"}));
    // The transmit queue is purged before reading and the receive queue after.
    EXPECT_EQ(driver.calls.first(), "Purge(2)");
    EXPECT_EQ(driver.calls.last(), "Purge(1)");
    // 10 ms after each of the three reads (the last one empty).
    EXPECT_EQ(std::count(services.pauses.begin(), services.pauses.end(), 10), 3);
}

TEST_F(CommunicationFixture, AReplyFromWhichNothingDecodesIsNoReply) {
    // An old block must not be shown as the pedal's values because this one held none.
    comm.receiveArray = QByteArray::fromHex("0102030405");
    driver.queueReply("xyz");
    EXPECT_FALSE(comm.ReadStateBlock());
    EXPECT_EQ(comm.receiveArray, QByteArray::fromHex("0102030405"));
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages.first().startsWith("The pedal's reply held no values"));
}

TEST_F(CommunicationFixture, LiveReportsInASynchronousReplyAreTakenOutAndPassedOn) {
    QList<LiveReport> passed;
    comm.onLiveReport = [&](const LiveReport& r) { passed << r; };
    // The report's 0x0D would otherwise end a field and shift the whole block by one.
    driver.queueReply(QByteArray::fromHex("AA0000030D") + "5\r\n7\r\n");
    driver.queueReply(QByteArray::fromHex("AA0B020001") + "9\r\n");
    ASSERT_TRUE(comm.ReadStateBlock());
    EXPECT_EQ(comm.receiveArray, QByteArray::fromHex("050709"));
    ASSERT_EQ(passed.size(), 2);
    EXPECT_EQ(passed[0].control, 0);
    EXPECT_EQ(passed[0].index, 0);
    EXPECT_EQ(passed[0].value, 0x030D);
    EXPECT_EQ(passed[1].control, 11);
    EXPECT_EQ(passed[1].index, 2);

    driver.queueReply(QByteArray::fromHex("AA01010200") + "1\r\n43\r\n2\r\n5\r\n");
    EXPECT_EQ(comm.ReadTextReply(), "1\r\n43\r\n2\r\n5\r\n");
    EXPECT_EQ(passed.size(), 3);
}

TEST_F(CommunicationFixture, TextReplyIsReadUntilAnEmptyRead) {
    driver.queueReply("Upload ");
    driver.queueReply("complete");
    EXPECT_EQ(comm.ReadTextReply(), "Upload complete");
    EXPECT_TRUE(view.lines.contains("num of bytes received: 15"));
    EXPECT_EQ(driver.calls.last(), "Purge(1)");
    EXPECT_EQ(std::count(services.pauses.begin(), services.pauses.end(), 100), 3);
}

TEST_F(CommunicationFixture, BootloaderReplyIsItsFirstByteInHex) {
    link.SetSerialParameters(SerialMode::Bootloader);
    driver.queueReply(QByteArray::fromHex("7911"));
    EXPECT_EQ(comm.ReadTextReply(), "79");
    EXPECT_TRUE(std::find(services.pauses.begin(), services.pauses.end(), 100) == services.pauses.end());
}

TEST_F(CommunicationFixture, ASilentPedalTimesOutWithAMessage) {
    EXPECT_EQ(comm.ReadTextReply(), "");
    EXPECT_GE(services.now, kReplyTimeoutMs);
    EXPECT_LT(services.now, kReplyTimeoutMs + 100);
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages.first().startsWith("No reply from the pedal within 5 seconds"));
    // Whatever was on its way is thrown away, and a reply that still comes is not a report.
    EXPECT_EQ(driver.calls.last(), "Purge(1)");
    EXPECT_EQ(incoming.decode("1\r\n11\r\n1\r\n5\r\n").kind, IncomingMessage::Kind::Nothing);
    EXPECT_EQ(view.lines.last(), "late reply dropped: 13 bytes");

    comm.receiveArray = QByteArray::fromHex("AA");
    EXPECT_FALSE(comm.ReadStateBlock());
    EXPECT_EQ(comm.receiveArray, QByteArray::fromHex("AA"));
}

TEST_F(CommunicationFixture, APedalThatKeepsSendingIsCutOffInTime) {
    // A knob turning while the editor reads: every look at the queue finds more.
    services.onPause = [&](int) { driver.queueReply(QByteArray::fromHex("AA00000100")); };
    driver.queueReply("1\r\n");
    comm.ReadTextReply();
    EXPECT_LE(services.now, kReplyReadLimitMs + 200);
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages.first().startsWith("The pedal kept sending for more than 2 seconds"));

    services.messages.clear();
    services.now = 0;
    driver.queueReply("1\r\n");
    comm.ReadStateBlock();
    EXPECT_LE(services.now, kReplyReadLimitMs + 200);
    EXPECT_EQ(services.messages.size(), 1);
}

TEST_F(CommunicationFixture, AFailingQueueQueryEndsTheWaitAtOnce) {
    driver.failOn("queue", FT_IO_ERROR);
    EXPECT_EQ(comm.ReadTextReply(), "");
    EXPECT_EQ(services.now, 0);
    EXPECT_EQ(services.messages, QStringList{"FT_GetQueueStatus - General IO error..."});
}

TEST_F(CommunicationFixture, AReplyArrivingDuringTheWaitIsRead) {
    services.onPause = [&](int) {
        if (services.now == 250)
            driver.queueReply("ok");
    };
    EXPECT_EQ(comm.ReadTextReply(), "ok");
    EXPECT_TRUE(services.messages.isEmpty());
}

} // namespace
