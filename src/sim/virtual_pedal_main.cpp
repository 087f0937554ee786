// tarvo-max-virtual-pedal: serves the virtual pedal on a pseudo-terminal, so that serial tools
// (and people) can talk to it as they would to the pedal's USB serial port.

#include "ProductData.h"
#include "sim/VirtualPedal.h"

#include <QByteArray>
#include <QList>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

const char* const kUsage =
    "Usage: tarvo-max-virtual-pedal [options]\n"
    "Serves the Tarvo Max virtual pedal on a pseudo-terminal. The first line printed is the\n"
    "path of the terminal to open; it serves until it is stopped (Ctrl+C, SIGTERM or 'quit').\n"
    "A pseudo-terminal carries no parity, so the bootloader accepts bytes whatever the parity.\n"
    "\n"
    "Starting state:\n"
    "  --bootloader            start in the microcontroller's bootloader (as if B2 were held at power-up)\n"
    "  --effect N              catalogue index of the stored effect (default 1)\n"
    "  --effect-version N      version of the stored effect (default 1)\n"
    "  --firmware-version N    firmware version in the version record (default 1)\n"
    "  --erased                both settings memories blank: no effect stored\n"
    "  --no-b2                 nobody holds B2: the bootloader entry command is ignored\n"
    "Faults:\n"
    "  --silent                hear everything, answer nothing\n"
    "  --nack N                refuse the N-th bootloader command after sync\n"
    "  --drop-every N          lose every N-th byte the pedal sends\n"
    "  --garble-every N        invert every N-th byte the pedal sends\n"
    "  --cut-replies N         end every reply after N bytes\n"
    "  --vanish-after N        disappear (close the terminal and exit) after receiving N bytes\n"
    "  --help                  show this text\n"
    "\n"
    "Commands on standard input, one per line, play the pedal's controls:\n"
    "  bank N                  switch to bank N (0-2, bank mode) and report it\n"
    "  effect                  report the running effect\n"
    "  move CONTROL VALUE      move KI..KV, B1..B3, FS, FL, RMT or EXP (0-1023, or 0/1 for switches)\n"
    "  report CODE INDEX VALUE send a raw live report\n"
    "  power [b2]              power off and on, optionally holding B2\n"
    "  quit                    stop serving\n";

// Everything the command line sets.
struct Settings {
    VirtualPedal::Options options;
    PedalFaults faults;
    long vanishAfter = 0;
};

bool parseNumber(const char* text, long min, long max, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

// Options without a value. False for one it does not know.
bool applyFlag(const std::string& arg, Settings& settings) {
    if (arg == "--bootloader")
        settings.options.startInBootloader = true;
    else if (arg == "--erased")
        settings.options.erased = true;
    else if (arg == "--no-b2")
        settings.options.holdB2 = false;
    else if (arg == "--silent")
        settings.faults.silent = true;
    else
        return false;
    return true;
}

struct NumberOption {
    const char* name;
    long min;
    long max;
    void (*apply)(Settings&, long);
};

const NumberOption kNumberOptions[] = {
    {"--effect", 0, 255, [](Settings& s, long n) { s.options.effectNumber = int(n); }},
    {"--effect-version", 0, 255, [](Settings& s, long n) { s.options.effectVersion = int(n); }},
    {"--firmware-version", 0, 255, [](Settings& s, long n) { s.options.firmwareVersion = int(n); }},
    {"--nack", 1, 1000000, [](Settings& s, long n) { s.faults.nackBootloaderCommand = int(n); }},
    {"--drop-every", 1, 1000000, [](Settings& s, long n) { s.faults.dropEvery = int(n); }},
    {"--garble-every", 1, 1000000, [](Settings& s, long n) { s.faults.garbleEvery = int(n); }},
    {"--cut-replies", 0, 1000000, [](Settings& s, long n) { s.faults.cutRepliesAfter = int(n); }},
    {"--vanish-after", 1, 1L << 30, [](Settings& s, long n) { s.vanishAfter = n; }},
};

const NumberOption* numberOption(const std::string& arg) {
    for (const NumberOption& option : kNumberOptions)
        if (arg == option.name)
            return &option;
    return nullptr;
}

// Reads the command line into `settings`. Returns the exit code when the program is to stop
// here: after --help, or at an option it cannot take.
std::optional<int> parseArguments(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (applyFlag(arg, settings))
            continue;
        const NumberOption* option = numberOption(arg);
        if (option == nullptr) {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: unknown option %s (see --help)\n", arg.c_str());
            return 2;
        }
        long n = 0;
        if (i + 1 >= argc || !parseNumber(argv[i + 1], option->min, option->max, n)) {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: %s needs a number from %ld to %ld\n", arg.c_str(),
                         option->min, option->max);
            return 2;
        }
        option->apply(settings, n);
        ++i;
    }
    return std::nullopt;
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
    Server(const Settings& settings, const Terminal& terminal)
        : terminal_(terminal), pedal_(settings.options), vanishAfter_(settings.vanishAfter) {
        pedal_.faults() = settings.faults;
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

int main(int argc, char** argv) {
    Settings settings;
    settings.options.programFor = ProductData::effectProgram;
    if (const std::optional<int> exitCode = parseArguments(argc, argv, settings))
        return *exitCode;
    Terminal terminal;
    if (!openTerminal(terminal))
        return 1;
    stopOnSignals();
    Server server(settings, terminal);
    std::printf("%s\n", terminal.path.c_str());
    std::fflush(stdout);
    return server.run();
}
