#include "params/ParameterMessages.h"

#include "base/Convert.h"
#include "params/ControlLayout.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"

#include <algorithm>
#include <cmath>

std::int32_t multiSwitchLevel(int position, std::uint32_t positions) {
    positions = std::min(positions, kMaxMultiSwitchPositions);
    if (positions == 0 || position < 0)
        return 0;
    position = std::min(position, static_cast<int>(positions) - 1);
    return position * static_cast<std::int32_t>(1024 / positions);
}

std::int32_t potLevel(double sliderValue) {
    return static_cast<std::int32_t>(std::nearbyint(sliderValue));
}

QString setParameterText(const QString& address, std::int32_t level) {
    return commandHex(Command::SetParameter) + address +
           intToHex(static_cast<std::uint32_t>(level) * 8192u, 8);
}

bool isParameterAddress(const QString& address) {
    return address.size() == 4 && std::all_of(address.begin(), address.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
           });
}

QString setReverseText(bool on, std::uint32_t index) {
    return commandHex(Command::SetReverse) + (on ? QStringLiteral("01") : QStringLiteral("FF")) +
           intToHex(index, 2);
}

void sendParameterChange(PedalLine& line, const QString& kind, int index, const QString& address,
                         std::int32_t level, bool logDirect) {
    const QString text = setParameterText(address, level);
    const QString said = QStringLiteral("data sent ") + kind + QStringLiteral(" %1: ").arg(index) + text;
    if (logDirect)
        line.console.logDirect(said);
    else
        line.console.log(said);
    line.comm.SendHexMessage(text, 7, false);
    if (kind == QLatin1String("pot"))
        line.services.pause(1);
}
