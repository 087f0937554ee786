// Drives the virtual pedal's bootloader with stm32flash, a widely used STM32 flashing tool that
// owes nothing to our own client, over the pseudo-terminal that tarvo-max-virtual-pedal serves.

#include "virtual_link.h"
#include "virtual_pedal_process.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const char* const kStm32flash = "/usr/bin/stm32flash";

// Runs stm32flash to its end, or kills it after the time-out. Returns its exit code (-1 when
// it had to be killed) and leaves what it printed in `output`.
int runStm32flash(const QString& logPath, std::vector<std::string> args, QByteArray& output) {
    const int log = open(logPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), kStm32flash);
    Child child;
    child.pid = spawn(args, log);
    close(log);
    if (child.pid < 0)
        return -2;
    const auto deadline = Clock::now() + 60s;
    int status = 0;
    int code = -1;
    for (;;) {
        const pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid) {
            child.pid = -1;
            code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (Clock::now() > deadline)
            break;
        std::this_thread::sleep_for(10ms);
    }
    QFile file(logPath);
    if (file.open(QIODevice::ReadOnly))
        output = file.readAll();
    return code;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Starts the virtual pedal in its bootloader and leaves its pseudo-terminal in `pty`, set to the
// bootloader's 8E1. stm32flash checks the settings it makes, and a pseudo-terminal drops the
// parity bit, so it can only keep the port's own (-b 0): they are set first, as a user would with
// stty.
void startInBootloader(Child& pedal, std::string& pty) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pedal.pid = spawn({virtualPedalProgram(), "--bootloader"}, pipeFds[1]);
    close(pipeFds[1]);
    ASSERT_GT(pedal.pid, 0);
    const QByteArray first = readUntil(pipeFds[0], 5s, [](const QByteArray& b) { return b.contains('\n'); });
    close(pipeFds[0]);
    pty = first.left(first.indexOf('\n')).toStdString();
    ASSERT_TRUE(pty.rfind("/dev/", 0) == 0) << "first line: " << first.constData();
    const int setup = open(pty.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(setup, 0);
    ASSERT_TRUE(setFraming(setup, B115200, Parity::Even));
    close(setup);
}

TEST(Stm32flash, IdentifiesErasesWritesVerifiesAndStartsTheVirtualPedal) {
    if (access(kStm32flash, X_OK) != 0)
        GTEST_SKIP() << "stm32flash is not installed";
    ASSERT_FALSE(qgetenv("TARVO_BINARY_DIR").isEmpty());
    const std::string program = virtualPedalProgram();
    ASSERT_EQ(access(program.c_str(), X_OK), 0) << program;

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath("image.bin");
    const QString record = dir.filePath("record.bin");
    ASSERT_TRUE(writeFile(image, makeImage(41252)));
    ASSERT_TRUE(writeFile(record, QByteArray::fromHex("0000000000000009")));

    Child pedal;
    std::string pty;
    ASSERT_NO_FATAL_FAILURE(startInBootloader(pedal, pty));

    QByteArray output;
    // Identify, erase the pages the image needs, write and verify.
    ASSERT_EQ(
        runStm32flash(dir.filePath("write.log"), {"-b", "0", "-w", image.toStdString(), "-v", pty}, output),
        0)
        << output.constData();
    EXPECT_TRUE(output.contains("Device ID    : 0x0410")) << output.constData();
    EXPECT_TRUE(output.contains("Wrote and verified address 0x0800a124")) << output.constData();

    // The version record on the last page, then Go to the image.
    ASSERT_EQ(runStm32flash(
                  dir.filePath("record.log"),
                  {"-b", "0", "-S", "0x0801FC00", "-w", record.toStdString(), "-v", "-g", "0x08000000", pty},
                  output),
              0)
        << output.constData();

    // The pedal's firmware now runs and reports the version from the record.
    const int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    ASSERT_TRUE(setFraming(fd, B115200, Parity::None));
    tcflush(fd, TCIOFLUSH);
    const char ask[] = {0x06, 0x00};
    ASSERT_EQ(write(fd, ask, 2), 2);
    const QByteArray reply = readUntil(fd, 5s, [](const QByteArray& b) { return b.count('\n') >= 4; });
    close(fd);
    EXPECT_EQ(reply, QByteArray("1\r\n1\r\n1\r\n9\r\n"));
}

// tarvo-max firmware read beside stm32flash -r on the same pedal: the same bytes, every one.
TEST(Stm32flash, ReadsTheSameFlashAsTarvoMaxFirmwareRead) {
    if (access(kStm32flash, X_OK) != 0)
        GTEST_SKIP() << "stm32flash is not installed";
    const std::string cli = qgetenv("TARVO_BINARY_DIR").toStdString() + "/bin/tarvo-max";
    ASSERT_EQ(access(cli.c_str(), X_OK), 0) << cli;

    QTemporaryDir dir;
    const QString image = dir.filePath("image.bin");
    ASSERT_TRUE(writeFile(image, makeImage(41252)));
    Child pedal;
    std::string pty;
    ASSERT_NO_FATAL_FAILURE(startInBootloader(pedal, pty));

    // Something of its own in the flash first, so that the two reads have more than erased
    // bytes to agree on.
    QByteArray output;
    ASSERT_EQ(runStm32flash(dir.filePath("write.log"), {"-b", "0", "-w", image.toStdString(), pty}, output),
              0)
        << output.constData();
    const QString theirs = dir.filePath("stm32flash.bin");
    ASSERT_EQ(runStm32flash(dir.filePath("read.log"), {"-b", "0", "-r", theirs.toStdString(), pty}, output),
              0)
        << output.constData();

    const QString ours = dir.filePath("tarvo-max.bin");
    const int log =
        open(dir.filePath("tarvo-max.log").toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    setenv("TARVO_MAX_SERIAL_PORT", pty.c_str(), 1);
    Child reader;
    reader.pid = spawn({cli, "firmware", "read", "-o", ours.toStdString()}, log);
    unsetenv("TARVO_MAX_SERIAL_PORT");
    close(log);
    int status = -1;
    ASSERT_EQ(waitpid(reader.pid, &status, 0), reader.pid);
    reader.pid = -1;
    QFile said(dir.filePath("tarvo-max.log"));
    said.open(QIODevice::ReadOnly);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said.readAll().constData();

    QFile a(theirs);
    QFile b(ours);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray expected = a.readAll();
    EXPECT_EQ(expected.size(), 128 * 1024);
    EXPECT_TRUE(expected.startsWith(makeImage(41252)));
    EXPECT_TRUE(b.readAll() == expected) << "the two reads differ";
}

} // namespace
