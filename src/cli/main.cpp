// tarvo-max: the editor's work from the command line, for scripts and for machines without a
// desktop.

#include "cli/Cli.h"
#include "cli/TerminalServices.h"
#include "link/system/SystemBridges.h"
#include "link/udev/UdevMonitor.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

void onInterrupt(int) {
    interruptRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    TerminalServices services;
    CliRuntime runtime{services, [] { return makeSystemDriver(); }, [] { return interruptRequested != 0; },
                       [] { return makeUdevMonitor(); }};
    // Straight to the descriptor, so a write that fails (a full disk, /dev/full) is seen and
    // becomes the command's failure rather than passing for success.
    QFile standardOutput;
    standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                        QFileDevice::DontCloseHandle);
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    const int status = runCli(QCoreApplication::arguments().mid(1), runtime, out, err);
    out.flush();
    err.flush();
    return status;
}
