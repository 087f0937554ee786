// Runs tarvo-max-virtual-pedal and drives it as a serial tool and a player at the pedal do:
// through its pseudo-terminal and its standard input.

#include "virtual_pedal_process.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <csignal>
#include <termios.h>

namespace {

using namespace std::chrono_literals;

constexpr qsizetype kDumpSize = 1 + 16384;

// The program, serving, with a pipe to its standard input and one from its output.
struct ServedPedal {
    Child child;
    int input = -1;
    int output = -1;
    std::string pty;
    QByteArray printed; // what it printed after the terminal's path

    ServedPedal() {
        std::signal(SIGPIPE, SIG_IGN); // a pedal that has stopped must fail a test, not end it
        int in[2], out[2];
        if (pipe(in) != 0)
            return;
        if (pipe(out) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        child.pid = spawn({virtualPedalProgram()}, out[1], in[0]);
        close(in[0]);
        close(out[1]);
        input = in[1];
        output = out[0];
        const QByteArray first = readUntil(output, 5s, [](const QByteArray& b) { return b.contains('\n'); });
        pty = first.left(first.indexOf('\n')).toStdString();
        printed = first.mid(first.indexOf('\n') + 1);
    }
    ~ServedPedal() {
        if (input >= 0)
            close(input);
        if (output >= 0)
            close(output);
    }
    bool serving() const { return child.pid > 0 && pty.rfind("/dev/", 0) == 0; }

    // Opens the terminal as a serial tool does, for raw bytes.
    int openTerminal() const {
        const int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        if (fd >= 0 && tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
        return fd;
    }
    bool tell(const QByteArray& line) const {
        return write(input, line.constData(), line.size()) == line.size();
    }
    // Everything printed until `enough`, or until the program ends.
    QByteArray printedUntil(const std::function<bool(const QByteArray&)>& enough) {
        printed += readUntil(output, 5s, [&](const QByteArray& b) { return enough(printed + b); });
        return printed;
    }
    QByteArray quit() {
        tell("quit\n");
        return printedUntil([](const QByteArray&) { return false; });
    }
};

// Reads until the other end has been quiet for a while.
QByteArray readUntilQuiet(int fd) {
    QByteArray got;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 300) <= 0)
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

} // namespace
