#include "link/system/SystemBridges.h"

#include "link/BridgeList.h"
#include "link/libftdi/LibFtdiDriver.h"
#include "link/tty/TtyDriver.h"

#include <QString>
#include <QtGlobal>

std::unique_ptr<FtDriver> makeSystemDriver() {
    auto list = std::make_unique<BridgeList>();
    list->add(std::make_unique<LibFtdiDriver>());
    list->add(TtyDriver::kernelBridges());
    const QString named = qEnvironmentVariable("TARVO_MAX_SERIAL_PORT");
    if (!named.isEmpty())
        list->add(TtyDriver::namedPort(named.toStdString()));
    return list;
}
