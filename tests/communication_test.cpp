#include "app/Convert.h"
#include "console/ConsoleLog.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "protocol/EditorState.h"
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
    EditorState state;
    Communication comm{link, services, log, state};

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
        EXPECT_EQ(DecodeDecimalReply(reply), bytes) << reply.toStdString();
}

TEST(DecodeDecimalReplyTest, NonDigitsInAFieldAreAConversionError) {
    // "O" renders as 4F, so an F lands on a digit place.
    EXPECT_THROW(DecodeDecimalReply("1O\r\n"), ConversionError);
    bool appended = true;
    EXPECT_TRUE(DecodeDecimalReply("", &appended).isEmpty());
    EXPECT_FALSE(appended);
}

TEST_F(CommunicationFixture, StateBlockSplitAcrossReadsDecodesAsWhole) {
    driver.queueReply("7\r\n25");
    driver.queueReply("5\r\n0\r\n");
    ASSERT_TRUE(comm.ReadStateBlock());
    EXPECT_EQ(state.receiveArray, QByteArray::fromHex("07FF00"));
    EXPECT_EQ(view.lines.mid(view.lines.size() - 5),
              (QStringList{"num of bytes received: 3", "receive array size: 3", "0: 07", "1: FF", "2: 00"}));
    // The transmit queue is purged before reading and the receive queue after.
    EXPECT_EQ(driver.calls.first(), "Purge(2)");
    EXPECT_EQ(driver.calls.last(), "Purge(1)");
    // 10 ms after each of the three reads (the last one empty).
    EXPECT_EQ(std::count(services.pauses.begin(), services.pauses.end(), 10), 3);
}

TEST_F(CommunicationFixture, AnEmptyDecodeKeepsThePreviousBlock) {
    state.receiveArray = QByteArray::fromHex("0102");
    comm.DecodeStateBlock("");
    EXPECT_EQ(state.receiveArray, QByteArray::fromHex("0102"));
    EXPECT_TRUE(view.lines.contains("receive array size: 2"));
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
    state.bootloaderMode = true;
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

    state.receiveArray = QByteArray::fromHex("AA");
    EXPECT_FALSE(comm.ReadStateBlock());
    EXPECT_EQ(state.receiveArray, QByteArray::fromHex("AA"));
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
