#include "console/RawSend.h"

#include "protocol/Commands.h"

QString rawSendText(const QString& address, const QString& data) {
    return commandHex(Command::SetParameter) + address + data;
}
