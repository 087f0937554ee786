#include "sim/DemoDriver.h"

#include "ProductData.h"
#include "link/BridgeList.h"
#include "sim/VirtualDriver.h"

#include <QtGlobal>

bool virtualPedalWanted() {
    return qEnvironmentVariable("TARVO_MAX_VIRTUAL_PEDAL") == QLatin1String("1");
}

std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real, bool withVirtualPedal) {
    if (!withVirtualPedal)
        return real;
    return makeEditorDriver(std::move(real), std::make_unique<VirtualDriver>(VirtualPedal::Options{
                                                 .programFor = ProductData::effectProgram}));
}

std::unique_ptr<FtDriver> makeEditorDriver(std::unique_ptr<FtDriver> real,
                                           std::unique_ptr<FtDriver> virtualPedal) {
    if (!virtualPedal)
        return real;
    auto list = std::make_unique<BridgeList>();
    list->add(std::move(virtualPedal));
    if (real)
        list->add(std::move(real));
    return list;
}
