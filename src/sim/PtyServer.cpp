#include "sim/PtyServer.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// On a paced line we hand bytes over in batches at most this far apart, as a USB bridge does
// at the latency timer the editor sets, rather than waking for every byte. No byte goes before
// its time, and the last of a burst goes at its time exactly.
constexpr Clock::duration kBatch = std::chrono::milliseconds(1);

// When to wake for a run of bytes due one by one from `next` to `last`.
Clock::time_point batchWake(Clock::time_point now, Clock::time_point next, Clock::time_point last) {
    return std::max(next, std::min(last, now + kBatch));
}

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

// The stop signals stay blocked except while the server sleeps in ppoll: one that came between
// the server's look at stopRequested and its sleep would otherwise wait for the client's next
// byte to be noticed.
bool stopOnSignals(sigset_t& unblocked) {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    return sigprocmask(SIG_BLOCK, &stops, &unblocked) == 0;
}

struct Rate {
    speed_t code;
    std::uint32_t baud;
};

const Rate kRates[] = {
    {B0, 0},
    {B50, 50},
    {B75, 75},
    {B110, 110},
    {B134, 134},
    {B150, 150},
    {B200, 200},
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B1800, 1800},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B576000, 576000},
    {B921600, 921600},
    {B1000000, 1000000},
    {B1152000, 1152000},
    {B1500000, 1500000},
    {B2000000, 2000000},
    {B2500000, 2500000},
    {B3000000, 3000000},
    {B3500000, 3500000},
    {B4000000, 4000000},
};

// 0 for a hung-up line (B0) and for a speed we cannot name: no receiver is set to either.
std::uint32_t baudOf(speed_t code) {
    for (const Rate& rate : kRates)
        if (rate.code == code)
            return rate.baud;
    return 0;
}

std::uint8_t wordLengthOf(tcflag_t size) {
    switch (size) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

// Linux's pseudo-terminals keep no parity bit: on every change the pty driver clears PARENB
// (and forces CS8). What they do keep is PARODD, CMSPAR and the input flags, and a client that
// sets parity also has it checked on input (INPCK), as stm32flash does: that is our sign.
std::uint8_t parityOf(const termios& tio) {
    if (!(tio.c_cflag & PARENB) && !(tio.c_iflag & INPCK))
        return 0;
    if (tio.c_cflag & CMSPAR)
        return (tio.c_cflag & PARODD) ? 3 : 4;
    return (tio.c_cflag & PARODD) ? 1 : 2;
}

timespec timespecOf(Clock::duration d) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(d - seconds);
    return {time_t(seconds.count()), long(nanoseconds.count())};
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

    // The framing the client has set on its end now.
    LineFormat line() {
        termios tio{};
        if (tcgetattr(slave, &tio) == 0)
            line_ = lineOf(tio);
        return line_;
    }

private:
    LineFormat line_;
};

bool openTerminal(Terminal& terminal) {
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0) {
        std::perror("tarvo-max-virtual-pedal: pseudo-terminal");
        return false;
    }
    const char* slavePath = ptsname(terminal.master);
    // We hold the slave side open ourselves: otherwise the master reads fail whenever no client
    // has it open, between one tool's run and the next. It also keeps what a client set on the
    // terminal for the next one, as a serial port keeps its settings.
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

// Every byte the client writes, as it wrote it, appended to a file: what a test compares with
// what it meant the editor to send.
class Recorder {
public:
    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    ~Recorder() {
        if (fd_ >= 0)
            close(fd_);
    }

    bool open(const std::string& path) {
        path_ = path;
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd_ < 0)
            std::fprintf(stderr, "tarvo-max-virtual-pedal: cannot record to %s: %s\n", path.c_str(),
                         std::strerror(errno));
        return fd_ >= 0;
    }

    void add(const std::uint8_t* data, std::size_t size) {
        while (fd_ >= 0 && size > 0) {
            const ssize_t put = ::write(fd_, data, size);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return fail(put == 0 ? EIO : errno);
            data += put;
            size -= std::size_t(put);
        }
    }

    // A record that stopped short must not pass for a whole one: the exit code says so too.
    bool failed() const { return failed_; }

private:
    void fail(int error) {
        std::fprintf(stderr, "tarvo-max-virtual-pedal: recording to %s failed (%s); no longer recording\n",
                     path_.c_str(), std::strerror(error));
        close(fd_);
        fd_ = -1;
        failed_ = true;
    }

    std::string path_;
    int fd_ = -1;
    bool failed_ = false;
};

// What the client wrote and the pedal has not heard yet, each byte with the time it has come
// down the line (on a paced line, its wire time after the byte before it finished).
class Incoming {
public:
    struct Byte {
        std::uint8_t value;
        Clock::time_point arrival;
    };

    // Beyond this the client's bytes stay in the terminal, so that a client writing faster than
    // the line carries is held back by its own writes, as by a serial port's full buffer.
    static constexpr std::size_t kLimit = 4096;

    std::size_t room() const { return kLimit - bytes_.size(); }

    void add(const std::uint8_t* data, std::size_t size, Clock::time_point now,
             Clock::duration characterTime) {
        for (std::size_t i = 0; i < size; ++i) {
            freeAt_ = std::max(now, freeAt_) + characterTime;
            bytes_.push_back({data[i], freeAt_});
        }
    }

    bool hasArrived(Clock::time_point now) const { return !bytes_.empty() && bytes_.front().arrival <= now; }

    std::optional<Byte> takeArrived(Clock::time_point now) {
        if (!hasArrived(now))
            return std::nullopt;
        const Byte byte = bytes_.front();
        bytes_.pop_front();
        return byte;
    }

    std::optional<Clock::time_point> nextWake(Clock::time_point now) const {
        if (bytes_.empty())
            return std::nullopt;
        return batchWake(now, bytes_.front().arrival, bytes_.back().arrival);
    }

private:
    std::deque<Byte> bytes_;
    Clock::time_point freeAt_{};
};

// What the pedal has said and the client has not been given yet. Each reply waits for its
// start (the pedal's turnaround); on a paced line each byte also waits for the one before it
// to finish, so a client reads none sooner than the line would have brought it.
//
// A client that never reads must not make us hoard without end: past the limit, well above the
// largest reply (a 16 KiB memory dump), a reply is dropped whole, as a cut one would only
// confuse the client more, and what was dropped is reported once the client has caught up.
class Outgoing {
public:
    static constexpr qsizetype kLimit = qsizetype(1) << 20;

    void add(const QByteArray& reply, Clock::time_point start) {
        if (reply.isEmpty())
            return;
        if (reply.size() > kLimit - held_) {
            dropped_ += std::uint64_t(reply.size());
            return;
        }
        replies_.push_back({reply, 0, start});
        held_ += reply.size();
    }

    // Writes what is due by `now` and the terminal takes. Returns when the next byte falls
    // due; nothing when none waits or the terminal is full (blocked()).
    std::optional<Clock::time_point> writeDue(int fd, Clock::time_point now, Clock::duration characterTime) {
        blocked_ = false;
        while (!replies_.empty()) {
            Reply& reply = replies_.front();
            const Clock::time_point from = std::max(reply.start, lineFreeAt_);
            const qsizetype left = reply.bytes.size() - reply.sent;
            const qsizetype due = dueCount(from, now, characterTime, left);
            if (due == 0)
                return batchWake(now, from + characterTime, from + left * characterTime);
            const ssize_t put = ::write(fd, reply.bytes.constData() + reply.sent, std::size_t(due));
            const qsizetype written = put > 0 ? qsizetype(put) : 0;
            reply.sent += written;
            held_ -= written;
            lineFreeAt_ = from + written * characterTime;
            if (written < due) {
                blocked_ = true;
                return std::nullopt;
            }
            if (reply.sent == reply.bytes.size())
                replies_.pop_front();
        }
        reportDropped();
        return std::nullopt;
    }

    bool blocked() const { return blocked_; }

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
    struct Reply {
        QByteArray bytes;
        qsizetype sent;
        Clock::time_point start;
    };

    // How many of `left` bytes, the first able to start at `from`, have finished by `now`.
    static qsizetype dueCount(Clock::time_point from, Clock::time_point now, Clock::duration characterTime,
                              qsizetype left) {
        if (now < from)
            return 0;
        if (characterTime == Clock::duration::zero())
            return left;
        return qsizetype(std::min<Clock::rep>(left, (now - from) / characterTime));
    }

    std::deque<Reply> replies_;
    qsizetype held_ = 0;
    Clock::time_point lineFreeAt_{};
    bool blocked_ = false;
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
           Terminal& terminal, Recorder& recorder, const sigset_t& unblocked)
        : terminal_(terminal), recorder_(recorder), unblocked_(unblocked), pedal_(std::move(options)),
          lineSpeed_(settings.lineSpeed), turnaround_(settings.turnaround),
          vanishAfter_(settings.vanishAfter) {
        pedal_.faults() = faults;
        // A reply is timed from the message that caused it, not from when we got round to it.
        pedal_.setOutputListener([this] { outgoing_.add(pedal_.takeOutput(), causeTime_ + turnaround_); });
    }

    // The exit code.
    int run() {
        while (!quit_ && !stopRequested) {
            const Clock::time_point now = Clock::now();
            if (!deliverArrived(now))
                break; // vanished
            std::optional<Clock::time_point> wake = incoming_.nextWake(now);
            const std::optional<Clock::time_point> due =
                outgoing_.writeDue(terminal_.master, now, characterTime(terminal_.line()));
            if (due && (!wake || *due < *wake))
                wake = due;
            if (!wait(now, wake))
                return 1;
        }
        outgoing_.reportDropped();
        return recorder_.failed() ? 1 : 0;
    }

private:
    // A line at a speed we cannot name carries nothing the pedal understands; pacing it as well
    // would only stall the client.
    Clock::duration characterTime(const LineFormat& line) const {
        if (!lineSpeed_ || line.baudRate == 0)
            return Clock::duration::zero();
        return std::chrono::duration_cast<Clock::duration>(line.characterTime());
    }

    // Sleeps until the terminal or standard input has something for us, or until `wake`.
    bool wait(Clock::time_point now, std::optional<Clock::time_point> wake) {
        const short events = short((incoming_.room() > 0 ? POLLIN : 0) | (outgoing_.blocked() ? POLLOUT : 0));
        pollfd fds[2] = {{terminal_.master, events, 0}, {0, POLLIN, 0}};
        const timespec timeout =
            timespecOf(wake ? std::max(*wake - now, Clock::duration::zero()) : Clock::duration{});
        if (ppoll(fds, stdinOpen_ ? 2 : 1, wake ? &timeout : nullptr, &unblocked_) < 0) {
            if (errno == EINTR)
                return true;
            std::perror("tarvo-max-virtual-pedal: poll");
            return false;
        }
        if (fds[0].revents & (POLLERR | POLLNVAL)) {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: the pseudo-terminal failed\n");
            return false;
        }
        if (fds[0].revents & POLLIN)
            readFromHost();
        if (stdinOpen_ && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            readCommands();
        return true;
    }

    // Takes what the client wrote, timed by the framing it wrote it with.
    void readFromHost() {
        std::uint8_t buffer[Incoming::kLimit];
        const ssize_t got = ::read(terminal_.master, buffer, std::min(sizeof buffer, incoming_.room()));
        if (got <= 0)
            return;
        recorder_.add(buffer, std::size_t(got));
        incoming_.add(buffer, std::size_t(got), Clock::now(), characterTime(terminal_.line()));
    }

    // Passes the bytes that have come down the line to the pedal. False once the pedal has
    // vanished on purpose.
    bool deliverArrived(Clock::time_point now) {
        if (!incoming_.hasArrived(now))
            return true;
        pedal_.setHostLine(terminal_.line());
        while (const std::optional<Incoming::Byte> byte = incoming_.takeArrived(now)) {
            causeTime_ = byte->arrival;
            pedal_.receive(&byte->value, 1, byte->arrival);
            if (vanishAfter_ > 0 && ++received_ >= vanishAfter_) {
                std::fprintf(stderr, "tarvo-max-virtual-pedal: vanished after %ld bytes\n", received_);
                return false;
            }
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
        commands_.add(buffer, got, [this](const QByteArray& line) {
            // What the pedal sends unasked also goes out at the framing the client listens with.
            pedal_.setHostLine(terminal_.line());
            causeTime_ = Clock::now();
            command(pedal_, line, quit_);
        });
    }

    Terminal& terminal_;
    Recorder& recorder_;
    const sigset_t unblocked_;
    VirtualPedal pedal_;
    Incoming incoming_;
    Outgoing outgoing_;
    CommandLines commands_;
    const bool lineSpeed_;
    const Clock::duration turnaround_;
    const long vanishAfter_;
    long received_ = 0;
    Clock::time_point causeTime_{};
    bool quit_ = false;
    bool stdinOpen_ = true;
};

} // namespace

LineFormat lineOf(const termios& tio) {
    LineFormat line;
    line.baudRate = baudOf(cfgetospeed(&tio));
    line.wordLength = wordLengthOf(tio.c_cflag & CSIZE);
    line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
    line.parity = parityOf(tio);
    return line;
}

int serve(const ServeSettings& settings, VirtualPedal::Options options, const PedalFaults& faults) {
    Recorder recorder;
    if (!settings.recordPath.empty() && !recorder.open(settings.recordPath))
        return 1;
    Terminal terminal;
    if (!openTerminal(terminal))
        return 1;
    sigset_t unblocked;
    if (!stopOnSignals(unblocked)) {
        std::perror("tarvo-max-virtual-pedal: signals");
        return 1;
    }
    Server server(settings, std::move(options), faults, terminal, recorder, unblocked);
    std::printf("%s\n", terminal.path.c_str());
    std::fflush(stdout);
    return server.run();
}
