#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>

class DeviceMonitor;
class FtDriver;
class Services;

// What the command-line program needs from the machine, so tests can stand in for it.
struct CliRuntime {
    // Pauses, the clock and the seams the core needs.
    Services& services;
    // The machine's bridges. The virtual pedal, when asked for, is put in front of them.
    std::function<std::unique_ptr<FtDriver>()> makeDriver;
    // Whether the user has asked to stop: a command that runs until stopped (watch) ends, and a
    // long exchange (an upload, a flash, erasing) stops at its next safe step.
    std::function<bool()> interrupted;
    // The machine's announcements of bridges plugged in and pulled out (devices --follow); none
    // where it cannot be followed.
    std::function<std::unique_ptr<DeviceMonitor>()> makeMonitor = {};
};

// Exit statuses: 0 done; 1 the pedal or the line failed (none found, no reply, a garbled
// reply); 2 the command line asked for something that cannot be (an unknown command,
// parameter or level).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Stopped by Ctrl+C at a safe step, as a shell reports a program ended by SIGINT.
inline constexpr int kExitInterrupted = 130;

// Runs `tarvo-max ARGS...` (without the program's name). Results go to `out`; on failure
// nothing goes to `out` and one line saying why goes to `err`.
int runCli(const QStringList& args, CliRuntime& runtime, QTextStream& out, QTextStream& err);
