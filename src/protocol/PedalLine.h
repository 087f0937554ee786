#pragma once

#include "base/CollectingServices.h"
#include "base/ConsoleLog.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "protocol/RealTimeFunctions.h"

#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>

class FtDriver;

// Everything an exchange with the pedal works with: the link and its framing, the decoder of
// what the pedal sends unasked, the log, and the services through which what the core would
// show is kept for whoever started the exchange. Exchanges are plain functions over a line; the
// editor runs them one at a time on its worker's thread, the command line in its own.
class PedalLine {
public:
    PedalLine(FtDriver& driver, Services& desktop, ConsoleLog& console)
        : services(desktop), console(console), link(driver, services), incoming(services, console),
          comm(link, services, console, incoming) {}
    PedalLine(const PedalLine&) = delete;
    PedalLine& operator=(const PedalLine&) = delete;

    CollectingServices services;
    ConsoleLog& console;
    UsbLink link;
    IncomingDecoder incoming;
    Communication comm;

    // Asks whatever exchange is running, and any started before this call, to stop at its next
    // safe step. Callable from any thread, a signal handler included.
    void requestCancel() { cancelBefore_.store(nextExchange_.load() + 1); }
    // Whether the running exchange has been asked to stop; checked at the safe steps.
    bool cancelRequested() const { return running_ < cancelBefore_.load() || (interrupted && interrupted()); }
    // A further way to be asked to stop, for a program whose user presses Ctrl+C.
    std::function<bool()> interrupted;
    // The runner numbers each exchange as it begins it.
    void beginExchange() { running_ = ++nextExchange_; }

    // What the pedal said unasked while an exchange waited for something else (a bank or effect
    // report during an upload): handed on rather than lost.
    std::function<void(const IncomingMessage&)> onIncoming;
    void passOn(const IncomingMessage& message) {
        if (onIncoming)
            onIncoming(message);
    }

    // A long fixed pause the pedal needs, ended early when the exchange is asked to cancel.
    void pause(int milliseconds) {
        services.pauseUnless(milliseconds, [this] { return cancelRequested(); });
    }

    // How far a long exchange has come (value of maximum), for a progress bar.
    std::function<void(int value, int maximum)> onProgress;
    void progress(int value, int maximum) {
        if (onProgress)
            onProgress(value, maximum);
    }

private:
    std::atomic<std::uint64_t> nextExchange_{0};
    std::atomic<std::uint64_t> cancelBefore_{0};
    std::uint64_t running_ = 0;
};
