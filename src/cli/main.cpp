// tarvo-max: the editor's work from the command line, for scripts and for machines without a
// desktop.

#include "cli/Cli.h"
#include "cli/TerminalServices.h"
#include "link/system/SystemBridges.h"
#include "sim/DemoDriver.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>

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
    CliRuntime runtime{services,
                       [](bool virtualPedal) { return makeEditorDriver(makeSystemDriver(), virtualPedal); },
                       [] { return interruptRequested != 0; }};
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = runCli(QCoreApplication::arguments().mid(1), runtime, out, err);
    out.flush();
    err.flush();
    return status;
}
