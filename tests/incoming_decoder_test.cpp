#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "protocol/RealTimeFunctions.h"
#include "support/ScriptedServices.h"

#include <gtest/gtest.h>

namespace {

using Kind = IncomingMessage::Kind;

struct Decoder : ::testing::Test {
    Decoder() { log.attach(&view); }
    ScriptedServices services;
    ConsoleLog log;
    RecordingConsoleView view;
    IncomingDecoder decoder{services, log};
};

TEST_F(Decoder, EachReadIsOneMessage) {
    struct Case {
        QByteArray read;
        Kind kind;
        int number;
    };
    const Case cases[] = {
        {"01", Kind::Bank, 1},
        {"03", Kind::Bank, 3}, // ticks nothing, but it is still a bank report
        {"12B", Kind::Effect, 0x2B},
        {"10", Kind::Effect, 0},
        {"Upload complete", Kind::UploadComplete, 0},
        {"Upload complete\r\n", Kind::Nothing, 0},
        {"", Kind::Nothing, 0},
        {QByteArray::fromHex("AA0102"), Kind::Nothing, 0}, // a report cut short
    };
    for (const Case& c : cases) {
        const IncomingMessage m = decoder.decode(c.read);
        EXPECT_EQ(m.kind, c.kind) << c.read.toStdString();
        EXPECT_EQ(m.number, c.number) << c.read.toStdString();
    }
}

TEST_F(Decoder, OnlyTheFirstOfTwoLiveReportsReadTogetherIsTaken) {
    const IncomingMessage m = decoder.decode(QByteArray::fromHex("AA0B0303FF"
                                                                 "AA00010000"));
    ASSERT_EQ(m.kind, Kind::Live);
    EXPECT_EQ(m.live.control, 11);
    EXPECT_EQ(m.live.index, 3);
    EXPECT_EQ(m.live.value, 1023);
}

TEST_F(Decoder, ReportsWhoseNumberDoesNotReadAreConversionErrors) {
    const std::pair<QByteArray, QString> cases[] = {
        {"0x", "'x' is not a valid integer value"},
        {"1ZZ", "'$ZZ' is not a valid integer value"},
    };
    for (const auto& [read, text] : cases) {
        try {
            decoder.decode(read);
            ADD_FAILURE() << read.toStdString();
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.text(), text);
        }
    }
}

TEST_F(Decoder, AMemoryDumpIsGatheredAcrossReads) {
    QByteArray dump(1 + kMemoryDumpBytes, char(0xFF));
    dump[0] = char(0xAB);
    EXPECT_EQ(decoder.decode(dump.left(5000)).kind, Kind::Nothing);
    // Its middle may begin with anything, a "0" or 0xAA included: it is still the dump.
    QByteArray middle = dump.mid(5000, 9000);
    middle[0] = '0';
    EXPECT_EQ(decoder.decode(middle).kind, Kind::Nothing);
    const IncomingMessage m = decoder.decode(dump.mid(14000));
    ASSERT_EQ(m.kind, Kind::MemoryDump);
    EXPECT_EQ(m.dump.size(), kMemoryDumpBytes);
    EXPECT_FALSE(isErasedMemory(m.dump));
    EXPECT_TRUE(isErasedMemory(dump.mid(1)));

    // Whole in one read, too.
    EXPECT_EQ(decoder.decode(dump).kind, Kind::MemoryDump);
}

TEST_F(Decoder, AnAbandonedDumpIsDroppedAfterItsTimeOut) {
    QByteArray start(100, char(0x00));
    start[0] = char(0xAB);
    decoder.decode(start);
    services.now += kMemoryDumpTimeoutMs + 1;
    const IncomingMessage m = decoder.decode("01");
    EXPECT_EQ(m.kind, Kind::Bank);
    EXPECT_EQ(view.lines.last(), "memory dump incomplete: 100 of 16385 bytes received");
}

TEST_F(Decoder, ALateReplyIsDroppedOnlyWhenOneIsOwedAndInTime) {
    // Not owed: a decimal reply read by the poll is taken for what it starts with.
    EXPECT_THROW(decoder.decode("0\r\n1\r\n5\r\n"), ConversionError);

    decoder.expectLateReply();
    EXPECT_EQ(decoder.decode("0\r\n1\r\n5\r\n").kind, Kind::Nothing);
    EXPECT_EQ(decoder.decode("7\r\n").kind, Kind::Nothing) << "the rest of it";
    EXPECT_EQ(decoder.decode("01").kind, Kind::Bank) << "a report ends the wait for it";
    EXPECT_THROW(decoder.decode("0\r\n1\r\n5\r\n"), ConversionError);

    // The player took a minute over the "No reply" box, and the poll read nothing meanwhile: the
    // first read since is the late reply all the same, and its window starts there.
    decoder.expectLateReply();
    services.now += 60000;
    EXPECT_EQ(decoder.decode("1\r\n5\r\n2\r\n1\r\n").kind, Kind::Nothing);
    services.now += kLateReplyWindowMs + 1;
    EXPECT_THROW(decoder.decode("0\r\n1\r\n5\r\n"), ConversionError) << "too long after it to be its rest";

    // An exchange that had its reply owes none.
    decoder.expectLateReply();
    decoder.replyCame();
    EXPECT_THROW(decoder.decode("0\r\n1\r\n5\r\n"), ConversionError);
}

TEST(MemoryDumpLines, NumberEveryByteInDecimalWithItsValueInHex) {
    const QStringList lines = memoryDumpLines(QByteArray::fromHex("00FF0A"));
    EXPECT_EQ(lines, (QStringList{"0: 00", "1: FF", "2: 0A"}));
}

TEST(TakeLiveReports, LeavesTheDecimalTextWhole) {
    QByteArray bytes = QByteArray::fromHex("AA0102030D") + "12\r\n" + QByteArray::fromHex("AA00");
    const QList<LiveReport> reports = takeLiveReports(bytes);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value, 0x030D);
    EXPECT_EQ(bytes, "12\r\n") << "a report cut short at the end is no number either";
}

} // namespace
