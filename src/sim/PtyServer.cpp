#include "sim/PtyServer.h"

#include <QByteArray>
#include <QList>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

// The pseudo-terminal: we serve on the master side, clients open the slave by its path.
struct Terminal {
    int master = -1;
    int slave = -1;
    std::string path;

    Terminal() = default;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    ~Terminal() {
        if (master >= 0)
            close(master);
        if (slave >= 0)
            close(slave);
    }
};

bool openTerminal(Terminal& terminal) {
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0) {
        std::perror("tarvo-max-virtual-pedal: pseudo-terminal");
        return false;
    }
    const char* slavePath = ptsname(terminal.master);
    // We hold the slave side open ourselves: otherwise the master reads fail whenever no client
    // has it open, between one tool's run and the next.
    terminal.slave = slavePath ? open(slavePath, O_RDWR | O_NOCTTY) : -1;
    termios tio{};
    if (terminal.slave < 0 || tcgetattr(terminal.slave, &tio) != 0) {
        std::perror("tarvo-max-virtual-pedal: pseudo-terminal slave");
        return false;
    }
    terminal.path = slavePath;
    cfmakeraw(&tio);
    // Tools that keep the port's own settings (stm32flash with -b 0) time their waits by the
    // terminal's read time-out: give them one of half a second instead of a read that blocks.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 5;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(terminal.slave, TCSANOW, &tio);
    fcntl(terminal.master, F_SETFL, fcntl(terminal.master, F_GETFL) | O_NONBLOCK);
    return true;
}

void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// What the pedal has said and the client has not read yet. A client that never reads must
// not make us hoard without end: past the limit, well above the largest reply (a 16 KiB
// memory dump), a reply is dropped whole, as a cut one would only confuse the client more,
// and what was dropped is reported once the client has caught up.
class HostQueue {
public:
    static constexpr qsizetype kLimit = qsizetype(1) << 20;

    bool isEmpty() const { return bytes_.isEmpty(); }

    void add(const QByteArray& reply) {
        if (reply.size() > kLimit - bytes_.size())
            dropped_ += std::uint64_t(reply.size());
        else
            bytes_ += reply;
    }

    // Writes what the terminal takes now.
    void writeTo(int fd) {
        const ssize_t put = ::write(fd, bytes_.constData(), std::size_t(bytes_.size()));
        if (put > 0)
            bytes_.remove(0, put);
        if (bytes_.isEmpty())
            reportDropped();
    }

    void reportDropped() {
        if (dropped_ == 0)
            return;
        std::fprintf(stderr,
                     "tarvo-max-virtual-pedal: the client did not read; dropped %" PRIu64
                     " bytes the pedal sent\n",
                     dropped_);
        dropped_ = 0;
    }

private:
    QByteArray bytes_;
    std::uint64_t dropped_ = 0;
};

int controlCode(const QByteArray& name) {
    static const char* const names[] = {"KI", "KII", "KIII", "KIV", "KV",  "B1",
                                        "B2", "B3",  "FS",   "FL",  "RMT", "EXP"};
    for (int i = 0; i < 12; ++i)
        if (name.toUpper() == names[i])
            return i;
    return -1;
}

void command(VirtualPedal& pedal, const QByteArray& line, bool& quit) {
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray& verb = words.value(0);
    bool ok1 = false, ok2 = false, ok3 = false;
    if (verb.isEmpty())
        return;
    if (verb == "quit") {
        quit = true;
    } else if (verb == "bank" && words.size() == 2) {
        pedal.selectBank(words[1].toInt(&ok1));
    } else if (verb == "effect") {
        pedal.reportEffect();
    } else if (verb == "move" && words.size() == 3) {
        const int code = controlCode(words[1]);
        const int value = words[2].toInt(&ok1);
        if (code < 0 || !ok1)
            std::fprintf(stderr, "unknown control or value: %s\n", line.constData());
        else if (!pedal.moveControl(VirtualPedal::Control(code), value))
            std::fprintf(stderr, "nothing is assigned to %s\n", words[1].constData());
    } else if (verb == "report" && words.size() == 4) {
        const int code = words[1].toInt(&ok1), index = words[2].toInt(&ok2), value = words[3].toInt(&ok3);
        if (ok1 && ok2 && ok3)
            pedal.sendLiveReport(std::uint8_t(code), std::uint8_t(index), std::uint16_t(value));
    } else if (verb == "power") {
        pedal.powerCycle(words.value(1) == "b2");
    } else {
        std::fprintf(stderr, "unknown command: %s\n", line.constData());
    }
}

// Standard input, cut into command lines. A line longer than any command is refused as soon
// as it is too long, and the rest of it is skipped, so that a stream with no newline in it
// cannot make us keep it all.
class CommandLines {
public:
    static constexpr qsizetype kLongest = 4096;

    template <typename Run> void add(const char* data, qsizetype size, Run&& run) {
        for (qsizetype i = 0; i < size; ++i) {
            if (data[i] == '\n') {
                if (!skipping_)
                    run(line_);
                line_.clear();
                skipping_ = false;
            } else if (!skipping_ && line_.size() == kLongest) {
                std::fprintf(stderr, "tarvo-max-virtual-pedal: command line too long, ignored\n");
                line_.clear();
                skipping_ = true;
            } else if (!skipping_) {
                line_.append(data[i]);
            }
        }
    }

private:
    QByteArray line_;
    bool skipping_ = false;
};

// Serves the pedal on the terminal until told to stop.
class Server {
public:
    Server(const ServeSettings& settings, VirtualPedal::Options options, const PedalFaults& faults,
           const Terminal& terminal)
        : terminal_(terminal), pedal_(std::move(options)), vanishAfter_(settings.vanishAfter) {
        pedal_.faults() = faults;
        pedal_.setHostLine(std::nullopt);
        pedal_.setOutputListener([this] { toHost_.add(pedal_.takeOutput()); });
    }

    // The exit code.
    int run() {
        while (!quit_ && !stopRequested) {
            pollfd fds[2] = {{terminal_.master, short(POLLIN | (toHost_.isEmpty() ? 0 : POLLOUT)), 0},
                             {0, POLLIN, 0}};
            if (poll(fds, stdinOpen_ ? 2 : 1, -1) < 0) {
                if (errno == EINTR)
                    continue;
                std::perror("tarvo-max-virtual-pedal: poll");
                return 1;
            }
            if ((fds[0].revents & POLLIN) && !readFromHost())
                break; // vanished
            if ((fds[0].revents & POLLOUT) && !toHost_.isEmpty())
                toHost_.writeTo(terminal_.master);
            if (stdinOpen_ && (fds[1].revents & (POLLIN | POLLHUP)))
                readCommands();
        }
        toHost_.reportDropped();
        return 0;
    }

private:
    // Passes what the client wrote to the pedal. False once the pedal has vanished on purpose.
    bool readFromHost() {
        std::uint8_t buffer[4096];
        const ssize_t got = ::read(terminal_.master, buffer, sizeof buffer);
        if (got <= 0)
            return true;
        std::size_t take = std::size_t(got);
        if (vanishAfter_ > 0 && received_ + got >= vanishAfter_)
            take = std::size_t(vanishAfter_ - received_);
        pedal_.receive(buffer, take);
        received_ += long(take);
        if (vanishAfter_ > 0 && received_ >= vanishAfter_) {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: vanished after %ld bytes\n", received_);
            return false;
        }
        return true;
    }

    void readCommands() {
        char buffer[512];
        const ssize_t got = ::read(0, buffer, sizeof buffer);
        if (got <= 0) {
            stdinOpen_ = false; // serving goes on without a player
            return;
        }
        commands_.add(buffer, got, [this](const QByteArray& line) { command(pedal_, line, quit_); });
    }

    const Terminal& terminal_;
    VirtualPedal pedal_;
    HostQueue toHost_;
    CommandLines commands_;
    const long vanishAfter_;
    long received_ = 0;
    bool quit_ = false;
    bool stdinOpen_ = true;
};

} // namespace

int serve(const ServeSettings& settings, VirtualPedal::Options options, const PedalFaults& faults) {
    Terminal terminal;
    if (!openTerminal(terminal))
        return 1;
    stopOnSignals();
    Server server(settings, std::move(options), faults, terminal);
    std::printf("%s\n", terminal.path.c_str());
    std::fflush(stdout);
    return server.run();
}
