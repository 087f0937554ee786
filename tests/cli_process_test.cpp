// The tarvo-max program itself, run as a user runs it, against the virtual pedal program on a
// pseudo-terminal named by TARVO_MAX_SERIAL_PORT.

#include "ProductData.h"
#include "virtual_pedal_process.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::string cliProgram() {
    return qgetenv("TARVO_BINARY_DIR").toStdString() + "/bin/tarvo-max";
}

struct Finished {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// A running tarvo-max with its output and errors kept apart.
struct RunningCli {
    Child child;
    int out = -1;
    int err = -1;

    // With `output`, standard output is that file (/dev/full, say) rather than a pipe to the test.
    explicit RunningCli(const std::vector<std::string>& args, const char* output = nullptr) {
        int o[2], e[2];
        if (pipe(o) != 0 || pipe(e) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (output)
            posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY, 0);
        else
            posix_spawn_file_actions_adddup2(&actions, o[1], 1);
        posix_spawn_file_actions_adddup2(&actions, e[1], 2);
        std::vector<std::string> all{cliProgram()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            child.pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(o[1]);
        close(e[1]);
        out = o[0];
        err = e[0];
    }
    ~RunningCli() {
        close(out);
        close(err);
    }
    // Waits for it to end (bounded), gathering all it printed.
    Finished finish() {
        Finished f;
        f.out = readUntil(out, 15s, [](const QByteArray&) { return false; });
        f.err = readUntil(err, 1s, [](const QByteArray&) { return false; });
        int status = 0;
        if (child.pid > 0 && waitpid(child.pid, &status, 0) == child.pid) {
            f.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            child.pid = -1;
        }
        return f;
    }
};

struct CliProcess : ::testing::Test {
    QTemporaryDir dir;
    std::string record = (dir.path() + QStringLiteral("/received")).toStdString();
    std::unique_ptr<ServedPedal> pedal;

    void serve(std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--effect", "11", "--record", record});
        pedal = std::make_unique<ServedPedal>(args);
        ASSERT_TRUE(pedal->serving());
        setenv("TARVO_MAX_SERIAL_PORT", pedal->pty.c_str(), 1);
        unsetenv("TARVO_MAX_VIRTUAL_PEDAL");
    }
    void TearDown() override { unsetenv("TARVO_MAX_SERIAL_PORT"); }
    QByteArray received() {
        QFile file(QString::fromStdString(record));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toHex().toUpper() : QByteArray();
    }
};

TEST_F(CliProcess, StateThroughANamedPortSendsTheEditorsBytes) {
    serve();
    const Finished f = RunningCli({"state"}).finish();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_TRUE(f.out.startsWith("effect: 11 Digital Delay\n")) << f.out.toStdString();
    EXPECT_TRUE(f.out.contains("\nTime: 0\n"));
    EXPECT_TRUE(f.err.isEmpty()) << f.err.toStdString();
    EXPECT_EQ(received(), "0600"
                          "0207");
}

TEST_F(CliProcess, WatchFollowsThePedalUntilInterrupted) {
    serve();
    RunningCli watch({"watch"});
    // Until watch is linked and past the stored-effect question a report is not yet its to
    // print; the knob is turned again until one is, however long linking takes here.
    QByteArray line;
    for (int turn = 0; turn < 20 && !line.contains('\n'); ++turn) {
        ASSERT_TRUE(pedal->tell("report 1 1 700\n"));
        line += readUntil(watch.out, 500ms, [](const QByteArray& b) { return b.contains('\n'); });
    }
    EXPECT_EQ(line.left(line.indexOf('\n') + 1), "live KII Feedback 700\n");
    kill(watch.child.pid, SIGINT);
    const Finished f = watch.finish();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
}

TEST_F(CliProcess, UploadSendsTheBypassAndTheProgramAndWaitsForTheAnswer) {
    serve();
    const Finished f = RunningCli({"upload", "digital", "delay"}).finish();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_EQ(f.out, "Upload complete: Digital Delay (4992 bytes) in preset mode\n");
    EXPECT_TRUE(f.err.isEmpty()) << f.err.toStdString();
    const QByteArray program = ProductData::effectProgram(11).value_or(QByteArray()).toHex().toUpper();
    ASSERT_EQ(program.size(), 2 * 4992);
    EXPECT_EQ(received(), "0D01" + program);
}

// On a line with the wire's own pace, the last settings sent are still on their way when the
// settings are stored: none of them may be lost to the store's purge of the transmit queue.
TEST_F(CliProcess, ARestoreOnASerialLinePutsBackEverySettingItSends) {
    serve({"--line-speed"});
    const std::string backup = (dir.path() + QStringLiteral("/pedal.json")).toStdString();
    for (const std::vector<std::string>& step : {std::vector<std::string>{"assign", "Time", "KII", "--yes"},
                                                 {"reverse", "Time", "on"},
                                                 {"midi", "9"},
                                                 {"backup", backup},
                                                 {"reverse", "Time", "off"},
                                                 {"midi", "1"}}) {
        const Finished f = RunningCli(step).finish();
        ASSERT_EQ(f.status, 0) << step.front() << ": " << f.err.toStdString();
    }
    const Finished f = RunningCli({"restore", backup, "--yes"}).finish();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_TRUE(f.out.endsWith("; the read-back matches the backup\n")) << f.out.toStdString();
    const Finished state = RunningCli({"state"}).finish();
    EXPECT_TRUE(state.out.contains("\nassigned: Time KII (reversed)\n")) << state.out.toStdString();
    EXPECT_TRUE(state.out.contains("\nMIDI channel: 9\n")) << state.out.toStdString();
}

TEST_F(CliProcess, ASilentPedalIsOneLineAndAFailingStatus) {
    serve({"--silent"});
    const Finished f = RunningCli({"info"}).finish();
    EXPECT_EQ(f.status, 1);
    EXPECT_TRUE(f.out.isEmpty());
    EXPECT_TRUE(f.err.startsWith("tarvo-max: No reply from the pedal within 5 seconds"))
        << f.err.toStdString();
    EXPECT_EQ(f.err.count('\n'), 1);
}

TEST_F(CliProcess, AResultThatCannotBeWrittenIsAFailingStatus) {
    const Finished f = RunningCli({"coeff", "A4", "0.707", "6"}, "/dev/full").finish();
    EXPECT_EQ(f.status, 1);
    EXPECT_EQ(f.err, "tarvo-max: cannot write to standard output: No space left on device\n");
}

TEST_F(CliProcess, FlashVerifyOverACorruptedWriteStopsBeforeGo) {
    serve({"--bootloader", "--corrupt-write", "0x08004321"});
    Finished f = RunningCli({"flash", "--bootloader", "--verify"}).finish();
    EXPECT_EQ(f.status, 1);
    EXPECT_TRUE(f.out.isEmpty()) << f.out.toStdString();
    // After the progress lines, the one that says why.
    const QByteArray why = f.err.mid(f.err.lastIndexOf("tarvo-max: "));
    EXPECT_TRUE(
        why.startsWith("tarvo-max: The firmware was not written: the flash read back at 08004321 holds "))
        << f.err.toStdString();
    EXPECT_EQ(why.count('\n'), 1);
    // Not started: the bootloader still answers, and tells what it is.
    f = RunningCli({"bootloader", "info"}).finish();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_EQ(f.out, "bootloader version: 2.2\n"
                     "commands: Get (00), Get Version (01), Get ID (02), Read Memory (11), Go (21), "
                     "Write Memory (31), Erase (43)\n"
                     "chip ID: 0410\n");
}

// The virtual pedal of --virtual, with its memory kept in a state folder of the test's own.
struct VirtualPedalProcess : CliProcess {
    void SetUp() override { setenv("XDG_STATE_HOME", state.path().toUtf8().constData(), 1); }
    void TearDown() override {
        unsetenv("XDG_STATE_HOME");
        CliProcess::TearDown();
    }
    QTemporaryDir state;
};

TEST_F(VirtualPedalProcess, WhatOneRunUploadsTheNextSets) {
    Finished f = RunningCli({"--virtual", "upload", "Digital Delay"}).finish();
    ASSERT_EQ(f.status, 0) << f.err.toStdString();
    f = RunningCli({"--virtual", "set", "Feedback", "700"}).finish();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_EQ(f.out, "Feedback: 700\n");
    EXPECT_TRUE(f.err.isEmpty()) << f.err.toStdString();
}

TEST_F(VirtualPedalProcess, StandardOutputByNameCarriesTheBytesAlone) {
    for (const char* name : {"-", "/dev/stdout"}) {
        const Finished f = RunningCli({"--virtual", "memory", "dump", "50", "-o", name}).finish();
        EXPECT_EQ(f.status, 0) << f.err.toStdString();
        EXPECT_EQ(f.out.size(), 16384) << name << ": " << f.out.right(80).toStdString();
        EXPECT_TRUE(f.err.isEmpty()) << f.err.toStdString();
    }
}

TEST_F(VirtualPedalProcess, AFifoIsWrittenInPlaceWithNothingElseSaid) {
    const QByteArray fifo = dir.filePath("dump").toUtf8();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    QByteArray read;
    std::thread reader([&] {
        const int fd = open(fifo.constData(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            read.append(buffer, n);
        close(fd);
    });
    const Finished f = RunningCli({"--virtual", "memory", "dump", "50", "-o", fifo.toStdString()}).finish();
    // A program that never opened its end must not leave the reader waiting for ever.
    if (const int unblock = open(fifo.constData(), O_WRONLY | O_NONBLOCK); unblock >= 0)
        close(unblock);
    reader.join();
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_EQ(read.size(), 16384);
    EXPECT_TRUE(f.err.isEmpty()) << "no warnings: " << f.err.toStdString();
    struct stat status {};
    EXPECT_TRUE(stat(fifo.constData(), &status) == 0 && S_ISFIFO(status.st_mode));
}

} // namespace
