// Runs tarvo-max-virtual-pedal and drives it as a serial tool and a player at the pedal do:
// through its pseudo-terminal and its standard input.

#include "virtual_pedal_process.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr qsizetype kDumpSize = 1 + 16384;

// Reads until the other end has been quiet for a while.
QByteArray readUntilQuiet(int fd) {
    QByteArray got;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        // Long enough that a loaded machine pausing the program is not taken for the end.
        if (poll(&p, 1, 1500) <= 0)
            break;
        char buffer[65536];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    return got;
}

TEST(VirtualPedalServer, AClientThatDoesNotReadCannotMakeItHoardThePedalsReplies) {
    ServedPedal pedal;
    ASSERT_TRUE(pedal.serving()) << pedal.pty;
    const int fd = pedal.openTerminal();
    ASSERT_GE(fd, 0);

    // Two hundred memory dumps asked for in one go, 3.2 MB of replies, none read until all
    // were asked for.
    constexpr int dumps = 200;
    QByteArray asks;
    for (int i = 0; i < dumps; ++i)
        asks += QByteArray::fromHex("0C5000000000");
    ASSERT_EQ(write(fd, asks.constData(), asks.size()), asks.size());
    const QByteArray got = readUntilQuiet(fd);
    EXPECT_GT(got.size(), 0);
    EXPECT_LT(got.size(), dumps * kDumpSize) << "nothing was dropped";
    EXPECT_EQ(got.size() % kDumpSize, 0) << "a reply was cut rather than dropped whole";

    // It serves on once the client reads again.
    ASSERT_EQ(write(fd, "\x06\x00", 2), 2);
    EXPECT_EQ(readUntil(fd, 5s, [](const QByteArray& b) { return b.count('\n') >= 4; }),
              QByteArray("1\r\n1\r\n1\r\n1\r\n"));
    close(fd);

    const QByteArray said = pedal.quit();
    EXPECT_EQ(said.count("dropped"), 1) << said.constData();
    EXPECT_TRUE(said.contains("dropped " + QByteArray::number(dumps * kDumpSize - got.size()) + " bytes"))
        << said.constData();
}

TEST(VirtualPedalServer, ACommandLineThatNeverEndsIsDroppedAndTheNextOneRuns) {
    ServedPedal pedal;
    ASSERT_TRUE(pedal.serving()) << pedal.pty;
    const int fd = pedal.openTerminal();
    ASSERT_GE(fd, 0);

    ASSERT_TRUE(pedal.tell(QByteArray(64 * 1024, 'x')));
    const QByteArray said = pedal.printedUntil([](const QByteArray& b) { return b.contains("too long"); });
    EXPECT_TRUE(said.contains("too long")) << "no word before the line ended";
    EXPECT_LT(said.size(), 1024) << "the line was echoed";

    ASSERT_TRUE(pedal.tell(QByteArray(1000, 'x') + "\neffect\n"));
    EXPECT_EQ(readUntil(fd, 5s, [](const QByteArray& b) { return b.size() >= 2; }), QByteArray("11"));
    close(fd);
    EXPECT_EQ(pedal.quit().count("too long"), 1);
}

const QByteArray kStoredEffectQuestion("\x06\x00", 2);
const QByteArray kStoredEffectReply("1\r\n1\r\n1\r\n1\r\n");

struct Framing {
    int baud;
    Parity parity;

    std::chrono::nanoseconds characterTime() const {
        return std::chrono::nanoseconds(1'000'000'000LL * (parity == Parity::Even ? 11 : 10) / baud);
    }
};

bool setFraming(int fd, Framing framing) {
    const speed_t speed = framing.baud == 1200 ? B1200 : framing.baud == 57600 ? B57600 : B115200;
    return setFraming(fd, speed, framing.parity);
}

// A client asks at a framing the pedal does not talk, then at the one it does.
struct FramingCase {
    const char* name;
    std::vector<std::string> args;
    Framing wrong;
    Framing right;
    QByteArray question;
    QByteArray answer;
};

void PrintTo(const FramingCase& c, std::ostream* os) {
    *os << c.name;
}

class VirtualPedalServerFraming : public testing::TestWithParam<FramingCase> {};

TEST_P(VirtualPedalServerFraming, HearsTheClientOnlyAtThePedalsOwnFraming) {
    const FramingCase& c = GetParam();
    ServedPedal pedal(c.args);
    ASSERT_TRUE(pedal.serving()) << pedal.pty;
    const int fd = pedal.openTerminal();
    ASSERT_GE(fd, 0);

    ASSERT_TRUE(setFraming(fd, c.wrong));
    ASSERT_EQ(write(fd, c.question.constData(), c.question.size()), c.question.size());
    EXPECT_EQ(readUntil(fd, 300ms, [](const QByteArray& b) { return !b.isEmpty(); }), QByteArray())
        << "answered a client at the wrong framing";

    ASSERT_TRUE(setFraming(fd, c.right));
    ASSERT_EQ(write(fd, c.question.constData(), c.question.size()), c.question.size());
    EXPECT_EQ(readUntil(fd, 5s, [&](const QByteArray& b) { return b.size() >= c.answer.size(); }), c.answer);
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(, VirtualPedalServerFraming,
                         testing::Values(FramingCase{"FirmwareAskedWithEvenParity",
                                                     {},
                                                     {115200, Parity::Even},
                                                     {115200, Parity::None},
                                                     kStoredEffectQuestion,
                                                     kStoredEffectReply},
                                         FramingCase{"FirmwareAskedAtHalfItsSpeed",
                                                     {},
                                                     {57600, Parity::None},
                                                     {115200, Parity::None},
                                                     kStoredEffectQuestion,
                                                     kStoredEffectReply},
                                         FramingCase{"BootloaderSyncedWithoutParity",
                                                     {"--bootloader"},
                                                     {115200, Parity::None},
                                                     {115200, Parity::Even},
                                                     "\x7F",
                                                     "\x79"}),
                         [](const testing::TestParamInfo<FramingCase>& info) {
                             return std::string(info.param.name);
                         });

// What the file holds once it holds `size` bytes, or when the time-out passes.
QByteArray fileOnceItHolds(const QString& path, qsizetype size) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    QByteArray bytes;
    while (bytes.size() < size && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    return bytes;
}

TEST(VirtualPedalServer, RecordsEveryByteTheClientWritesAsWrittenAndNothingElse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("sent.bin");
    QByteArray expected = "an earlier session\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(expected), expected.size());
    }
    ServedPedal pedal({"--record", path.toStdString()});
    ASSERT_TRUE(pedal.serving()) << pedal.pty;
    const int fd = pedal.openTerminal();
    ASSERT_GE(fd, 0);

    // The pedal's answer goes the other way and stays out of the record.
    ASSERT_EQ(write(fd, kStoredEffectQuestion.constData(), 2), 2);
    EXPECT_EQ(readUntil(fd, 5s, [](const QByteArray& b) { return b.size() >= kStoredEffectReply.size(); }),
              kStoredEffectReply);
    expected += kStoredEffectQuestion;

    // Every byte value, at a framing the pedal cannot read: recorded as written, not as heard.
    ASSERT_TRUE(setFraming(fd, Framing{57600, Parity::Even}));
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte += char(i);
    ASSERT_EQ(write(fd, everyByte.constData(), everyByte.size()), everyByte.size());
    expected += everyByte;
    EXPECT_EQ(fileOnceItHolds(path, expected.size()), expected);
    close(fd);
}

TEST(VirtualPedalServer, ARecordItCannotWriteStopsItBeforeItServes) {
    ServedPedal pedal({"--record", "/nonexistent/sent.bin"});
    EXPECT_FALSE(pedal.serving());
    EXPECT_NE(pedal.pty.find("cannot record to /nonexistent/sent.bin"), std::string::npos) << pedal.pty;
}

// A question on the line (or a command on standard input) and the reply it gets.
struct TimingCase {
    const char* name;
    std::vector<std::string> args;
    Framing line;
    bool paced;
    std::chrono::milliseconds turnaround;
    QByteArray question;
    QByteArray command;
    QByteArray answer;
};

void PrintTo(const TimingCase& c, std::ostream* os) {
    *os << c.name;
}

class VirtualPedalServerTiming : public testing::TestWithParam<TimingCase> {};

// Only a lower bound: a slow machine may take as long as it likes.
TEST_P(VirtualPedalServerTiming, NoByteOfTheReplyArrivesBeforeTheLineAndTheTurnaroundAllow) {
    const TimingCase& c = GetParam();
    ServedPedal pedal(c.args);
    ASSERT_TRUE(pedal.serving()) << pedal.pty;
    const int fd = pedal.openTerminal();
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(setFraming(fd, c.line));
    const std::chrono::nanoseconds characterTime = c.paced ? c.line.characterTime() : 0ns;

    const auto asked = std::chrono::steady_clock::now();
    if (!c.command.isEmpty())
        ASSERT_TRUE(pedal.tell(c.command));
    else
        ASSERT_EQ(write(fd, c.question.constData(), c.question.size()), c.question.size());
    QByteArray got;
    while (got.size() < c.answer.size()) {
        const QByteArray more = readUntil(fd, 5s, [](const QByteArray& b) { return !b.isEmpty(); });
        const auto elapsed = std::chrono::steady_clock::now() - asked;
        if (more.isEmpty())
            break;
        got += more;
        // The last byte so far came after the whole question and every byte before it.
        EXPECT_GE(elapsed, c.turnaround + (c.question.size() + got.size()) * characterTime)
            << got.size() << " bytes of the reply";
    }
    EXPECT_EQ(got, c.answer);
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(, VirtualPedalServerTiming,
                         testing::Values(TimingCase{"Paced",
                                                    {"--line-speed"},
                                                    {115200, Parity::None},
                                                    true,
                                                    0ms,
                                                    kStoredEffectQuestion,
                                                    {},
                                                    kStoredEffectReply},
                                         TimingCase{"Turnaround",
                                                    {"--turnaround", "150"},
                                                    {115200, Parity::None},
                                                    false,
                                                    150ms,
                                                    kStoredEffectQuestion,
                                                    {},
                                                    kStoredEffectReply},
                                         TimingCase{"PacedWithTurnaround",
                                                    {"--line-speed", "--turnaround", "100"},
                                                    {115200, Parity::None},
                                                    true,
                                                    100ms,
                                                    kStoredEffectQuestion,
                                                    {},
                                                    kStoredEffectReply},
                                         TimingCase{"ACommandsReport",
                                                    {"--line-speed", "--turnaround", "100"},
                                                    {115200, Parity::None},
                                                    true,
                                                    100ms,
                                                    {},
                                                    "effect\n",
                                                    "11"},
                                         TimingCase{"PacedBootloaderAt1200WithParity",
                                                    {"--bootloader", "--line-speed"},
                                                    {1200, Parity::Even},
                                                    true,
                                                    0ms,
                                                    "\x7F",
                                                    {},
                                                    "\x79"}),
                         [](const testing::TestParamInfo<TimingCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
