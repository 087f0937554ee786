#include "sim/DemoDriver.h"

#include "ProductData.h"
#include "link/BridgeList.h"
#include "sim/VirtualDriver.h"

#include <QtGlobal>

std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real) {
    if (qEnvironmentVariable("TARVO_MAX_VIRTUAL_PEDAL") != QLatin1String("1"))
        return real;
    auto list = std::make_unique<BridgeList>();
    list->add(
        std::make_unique<VirtualDriver>(VirtualPedal::Options{.programFor = ProductData::effectProgram}));
    if (real)
        list->add(std::move(real));
    return list;
}
