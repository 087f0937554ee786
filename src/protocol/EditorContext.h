#pragma once

#include "base/ConsoleLog.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "protocol/EditorState.h"
#include "protocol/RealTimeFunctions.h"

class Services;
class FtDriver;

// What the editor shares about the pedal and the line to it: created once in main (or afresh by
// each test, or by the command-line program) and handed to whatever works with the pedal.
// Nothing else is global. The built-in resources are not kept here: they are read afresh on
// every use, by whoever needs them.
struct EditorContext {
    EditorContext(Services& services, FtDriver& driver)
        : services(services), link(driver, services), incoming(services, console),
          comm(link, services, console, state, incoming) {}
    EditorContext(const EditorContext&) = delete;
    EditorContext& operator=(const EditorContext&) = delete;

    Services& services;
    ConsoleLog console;
    EditorState state;
    UsbLink link;
    IncomingDecoder incoming;
    Communication comm;
};
