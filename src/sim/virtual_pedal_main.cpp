// tarvo-max-virtual-pedal: serves the virtual pedal on a pseudo-terminal, so that serial tools
// (and people) can talk to it as they would to the pedal's USB serial port.

#include "ProductData.h"
#include "sim/VirtualPedal.h"

#include <QByteArray>
#include <QList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

bool parseNumber(const char* text, long min, long max, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

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

} // namespace

int main(int argc, char** argv) {
    VirtualPedal::Options options;
    options.programFor = ProductData::effectProgram;
    PedalFaults faults;
    long vanishAfter = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long n = 0;
        const auto number = [&](long min, long max) {
            if (i + 1 >= argc || !parseNumber(argv[i + 1], min, max, n)) {
                std::fprintf(stderr, "tarvo-max-virtual-pedal: %s needs a number from %ld to %ld\n",
                             arg.c_str(), min, max);
                std::exit(2);
            }
            ++i;
            return int(n);
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--bootloader") {
            options.startInBootloader = true;
        } else if (arg == "--effect") {
            options.effectNumber = number(0, 255);
        } else if (arg == "--effect-version") {
            options.effectVersion = number(0, 255);
        } else if (arg == "--firmware-version") {
            options.firmwareVersion = number(0, 255);
        } else if (arg == "--erased") {
            options.erased = true;
        } else if (arg == "--no-b2") {
            options.holdB2 = false;
        } else if (arg == "--silent") {
            faults.silent = true;
        } else if (arg == "--nack") {
            faults.nackBootloaderCommand = number(1, 1000000);
        } else if (arg == "--drop-every") {
            faults.dropEvery = number(1, 1000000);
        } else if (arg == "--garble-every") {
            faults.garbleEvery = number(1, 1000000);
        } else if (arg == "--cut-replies") {
            faults.cutRepliesAfter = number(0, 1000000);
        } else if (arg == "--vanish-after") {
            vanishAfter = number(1, 1L << 30);
        } else {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: unknown option %s (see --help)\n", arg.c_str());
            return 2;
        }
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("tarvo-max-virtual-pedal: pseudo-terminal");
        return 1;
    }
    const char* slavePath = ptsname(master);
    // We hold the slave side open ourselves: otherwise the master reads fail whenever no client
    // has it open, between one tool's run and the next.
    const int slave = slavePath ? open(slavePath, O_RDWR | O_NOCTTY) : -1;
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        std::perror("tarvo-max-virtual-pedal: pseudo-terminal slave");
        return 1;
    }
    cfmakeraw(&tio);
    // Tools that keep the port's own settings (stm32flash with -b 0) time their waits by the
    // terminal's read time-out: give them one of half a second instead of a read that blocks.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 5;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    VirtualPedal pedal(options);
    pedal.faults() = faults;
    pedal.setHostLine(std::nullopt);
    QByteArray toHost;
    pedal.setOutputListener([&] { toHost += pedal.takeOutput(); });

    std::printf("%s\n", slavePath);
    std::fflush(stdout);

    bool quit = false;
    bool stdinOpen = true;
    QByteArray stdinLine;
    long received = 0;
    while (!quit && !stopRequested) {
        pollfd fds[2] = {{master, short(POLLIN | (toHost.isEmpty() ? 0 : POLLOUT)), 0}, {0, POLLIN, 0}};
        const int n = poll(fds, stdinOpen ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::perror("tarvo-max-virtual-pedal: poll");
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            std::uint8_t buffer[4096];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                std::size_t take = std::size_t(got);
                if (vanishAfter > 0 && received + got >= vanishAfter)
                    take = std::size_t(vanishAfter - received);
                pedal.receive(buffer, take);
                received += long(take);
                if (vanishAfter > 0 && received >= vanishAfter) {
                    std::fprintf(stderr, "tarvo-max-virtual-pedal: vanished after %ld bytes\n", received);
                    close(master);
                    close(slave);
                    return 0;
                }
            }
        }
        if ((fds[0].revents & POLLOUT) && !toHost.isEmpty()) {
            const ssize_t put = ::write(master, toHost.constData(), std::size_t(toHost.size()));
            if (put > 0)
                toHost.remove(0, put);
        }
        if (stdinOpen && (fds[1].revents & (POLLIN | POLLHUP))) {
            char buffer[512];
            const ssize_t got = ::read(0, buffer, sizeof buffer);
            if (got <= 0) {
                stdinOpen = false; // serving goes on without a player
                continue;
            }
            stdinLine.append(buffer, got);
            qsizetype end;
            while ((end = stdinLine.indexOf('\n')) >= 0) {
                command(pedal, stdinLine.left(end), quit);
                stdinLine.remove(0, end + 1);
            }
        }
    }
    close(master);
    close(slave);
    return 0;
}
