// The control layout parser and the parameter addresses: any layout text, however malformed,
// and any program text.
#include "ProductData.h"
#include "params/ControlLayout.h"
#include "params/ParameterMessages.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ControlLayout layout = parseLayoutLines(ProductData::splitLines(bytes));
    const std::uint32_t twoState = layout.pots + layout.switches;
    for (qsizetype i = 0; i < layout.controlLines.size(); ++i) {
        const QString& line = layout.controlLines.at(i);
        if (static_cast<std::uint32_t>(i) < layout.pots)
            continue;
        if (static_cast<std::uint32_t>(i) < twoState) {
            if (isButtonLine(line))
                lineName(line, u':');
            else
                parseSwitchLine(line);
            continue;
        }
        const MultiSwitchLine multi = parseMultiSwitchLine(line);
        const auto positions = static_cast<std::uint32_t>(multi.items.size());
        for (std::int32_t value : {-1, 0, 1, 511, 1023, 1024, 65535}) {
            const int position = multiSwitchPosition(value, positions);
            const std::int32_t level = multiSwitchLevel(position, positions);
            if (level < 0 || level > 1023)
                __builtin_trap(); // a level outside the editor's scale
        }
    }
    const QStringList addresses = parameterAddressesOf(QString::fromLatin1(bytes));
    for (const QString& address : addresses)
        if (isParameterAddress(address))
            setParameterText(address, 512);
    return 0;
}
