#pragma once

// Shared by the tests that run tarvo-max-virtual-pedal (or a tool against it) as a separate
// process: start it, read what it prints, and always stop it, whatever the test does.

#include <QByteArray>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

// A child process that is always stopped and reaped.
struct Child {
    pid_t pid = -1;
    ~Child() { stop(); }
    void stop() {
        using namespace std::chrono_literals;
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid = -1;
    }
};

// Starts a program with its standard output and error on `outputFd` and its standard input
// from `inputFd` (nothing when -1). Returns -1 when it cannot be started.
inline pid_t spawn(const std::vector<std::string>& args, int outputFd, int inputFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Reads from `fd` until `enough` says so, the other end closes or the time-out passes.
inline QByteArray readUntil(int fd, std::chrono::milliseconds timeout,
                            const std::function<bool(const QByteArray&)>& enough) {
    QByteArray got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!enough(got)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left.count())) <= 0)
            continue;
        char buffer[65536];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    return got;
}

// Path of the pedal program in the build tree.
inline std::string virtualPedalProgram() {
    return qgetenv("TARVO_BINARY_DIR").toStdString() + "/bin/tarvo-max-virtual-pedal";
}

enum class Parity { None, Even };

// Sets the framing a client talks with on a terminal it has open, leaving its other settings.
// Linux's pseudo-terminals drop the parity bit, so parity is also asked for as stm32flash asks
// for it, by checking it on input (INPCK): that is what the virtual pedal reads parity from.
inline bool setFraming(int fd, speed_t speed, Parity parity) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tio.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    tio.c_cflag |= CS8;
    tio.c_iflag &= ~tcflag_t(INPCK);
    if (parity == Parity::Even) {
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
    }
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// The program, serving, with a pipe to its standard input and one from its output.
struct ServedPedal {
    Child child;
    int input = -1;
    int output = -1;
    std::string pty;
    QByteArray printed; // what it printed after the terminal's path

    explicit ServedPedal(std::vector<std::string> args = {}) {
        std::signal(SIGPIPE, SIG_IGN); // a pedal that has stopped must fail a test, not end it
        int in[2], out[2];
        if (pipe(in) != 0)
            return;
        if (pipe(out) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        args.insert(args.begin(), virtualPedalProgram());
        child.pid = spawn(args, out[1], in[0]);
        close(in[0]);
        close(out[1]);
        input = in[1];
        output = out[0];
        using namespace std::chrono_literals;
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

    // Opens the terminal as a serial tool does, for raw bytes at the firmware's 115200 8N1.
    int openTerminal() const {
        const int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        if (fd >= 0 && tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
            setFraming(fd, B115200, Parity::None);
        }
        return fd;
    }
    bool tell(const QByteArray& line) const {
        return write(input, line.constData(), line.size()) == line.size();
    }
    // Everything printed until `enough`, or until the program ends.
    QByteArray printedUntil(const std::function<bool(const QByteArray&)>& enough) {
        using namespace std::chrono_literals;
        printed += readUntil(output, 5s, [&](const QByteArray& b) { return enough(printed + b); });
        return printed;
    }
    QByteArray quit() {
        tell("quit\n");
        return printedUntil([](const QByteArray&) { return false; });
    }
};
