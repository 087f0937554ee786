#pragma once

// What the line benchmarks measure against: the pauses the protocol asks for and the bytes that
// cross the line, counted around the product's own services and driver.

#include "cli/Cli.h"
#include "link/ForwardingDriver.h"

#include <QByteArray>
#include <QString>
#include <QTextStream>
#include <chrono>
#include <memory>

// Services that add up the pauses the protocol asks for. The 1 ms naps between looks at an
// empty queue are the program's own waiting for bytes on the wire, not pauses of the protocol,
// so they are not counted.
template <typename Base> class PauseCounting : public Base {
public:
    void pause(int milliseconds) override {
        if (milliseconds > 1)
            pausedMs += milliseconds;
        Base::pause(milliseconds);
    }
    double pausedMs = 0;
};

// Counts the bytes that cross the line either way into `bytes`; owns the driver it wraps when
// given one to own.
class CountingDriver : public ForwardingDriver {
public:
    CountingDriver(FtDriver& inner, double& bytes) : ForwardingDriver(&inner), bytes_(bytes) {}
    CountingDriver(std::unique_ptr<FtDriver> owned, double& bytes)
        : ForwardingDriver(owned.get()), owned_(std::move(owned)), bytes_(bytes) {}
    FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& got) override {
        const FtStatus status = ForwardingDriver::read(handle, buffer, toRead, got);
        bytes_ += got;
        return status;
    }
    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& written) override {
        const FtStatus status = ForwardingDriver::write(handle, buffer, count, written);
        bytes_ += written;
        return status;
    }

private:
    std::unique_ptr<FtDriver> owned_;
    double& bytes_;
};

// Where the build put the pedal program, for a run by hand as well as from CTest; set before
// any benchmark starts one.
inline const bool kPedalProgramFound = [] {
    if (qEnvironmentVariableIsEmpty("TARVO_BINARY_DIR"))
        qputenv("TARVO_BINARY_DIR", TARVO_BINARY_DIR);
    return true;
}();

// One run of a tarvo-max command in-process, timed from the command to its end.
struct TimedCliRun {
    int status = -1;
    double ms = 0;
    QString printed;
    QString errors;
};
inline TimedCliRun timeCli(const QStringList& args, CliRuntime& runtime) {
    TimedCliRun run;
    QTextStream out(&run.printed);
    QTextStream err(&run.errors);
    const auto start = std::chrono::steady_clock::now();
    run.status = runCli(args, runtime, out, err);
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return run;
}
