#pragma once

#include "base/ConsoleLog.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "protocol/EditorState.h"
#include "protocol/PedalLine.h"
#include "protocol/PedalWorker.h"
#include "protocol/RealTimeFunctions.h"

#include <memory>

class Services;
class FtDriver;

// What the editor shares about the pedal and the line to it: created once in main (or afresh by
// each test, or by the command-line program) and handed to whatever works with the pedal.
// Nothing else is global. The built-in resources are not kept here: they are read afresh on
// every use, by whoever needs them.
struct EditorContext {
    EditorContext(Services& services, FtDriver& driver)
        : services(services), line(driver, services, console), link(line.link), incoming(line.incoming),
          comm(line.comm) {}
    EditorContext(const EditorContext&) = delete;
    EditorContext& operator=(const EditorContext&) = delete;

    // The windows' worker, made when first asked for: the command line runs its exchanges on its
    // own thread and never starts one.
    PedalWorker& worker() {
        if (!worker_)
            worker_ = std::make_unique<PedalWorker>(line);
        return *worker_;
    }

    // Stops the worker (its running exchange at its next safe step) and lets it go.
    void stopWorker() { worker_.reset(); }

    Services& services;
    ConsoleLog console;
    EditorState state;
    PedalLine line;
    // The line's parts by their old names, for the command line and the core's own tests.
    UsbLink& link;
    IncomingDecoder& incoming;
    Communication& comm;

private:
    std::unique_ptr<PedalWorker> worker_;
};
