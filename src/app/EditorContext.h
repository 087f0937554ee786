#pragma once

#include "catalogue/ResourceStore.h"
#include "console/ConsoleLog.h"
#include "link/D2XXUnit.h"
#include "protocol/Communication.h"
#include "protocol/EditorState.h"

class Services;
class FtDriver;

// Everything the windows share: created once in main (or afresh by each test) and handed to
// every window. Nothing else is global.
struct EditorContext {
    EditorContext(Services& services, FtDriver& driver)
        : services(services), link(driver, services), resources(services, console),
          comm(link, services, console, state) {}
    EditorContext(const EditorContext&) = delete;
    EditorContext& operator=(const EditorContext&) = delete;

    Services& services;
    ConsoleLog console;
    EditorState state;
    UsbLink link;
    ResourceStore resources;
    Communication comm;
};
