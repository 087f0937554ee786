#include "params/ControlLayout.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>

int ParseHexDigit(const QString& digit) {
    if (digit.size() != 1)
        return -1;
    const char16_t c = digit.at(0).unicode();
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

std::uint32_t countAt(const QString& countsLine, int at, ControlLayout& layout) {
    const int value = ParseHexDigit(countsLine.mid(at, 1));
    if (value < 0) {
        layout.log
            << QStringLiteral("invalid count '%1' in the layout, taken as 0").arg(countsLine.mid(at, 1));
        return 0;
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace

ControlLayout parseLayoutLines(const QStringList& lines) {
    ControlLayout layout;
    const QString counts = lines.value(0);
    std::uint32_t pots = countAt(counts, 0, layout);
    layout.log << QStringLiteral("num of pots: %1").arg(pots);
    std::uint32_t switches = countAt(counts, 1, layout);
    layout.log << QStringLiteral("num of switches: %1").arg(switches);
    std::uint32_t multi = countAt(counts, 2, layout);
    layout.log << QStringLiteral("num of multi switch: %1").arg(multi);
    std::uint32_t readbacks = 0;
    if (counts.size() == 4) {
        readbacks = countAt(counts, 3, layout);
        layout.log << QStringLiteral("num of readbacks: %1").arg(readbacks);
    }

    // Cut to the first parameters in control index order, so that every index still names
    // the same parameter on the pedal; a missing line ends the list where it is missing.
    const std::uint32_t declared = pots + switches + multi;
    const std::uint32_t declaredReadbacks = readbacks;
    const auto linesAfterCounts = static_cast<std::uint32_t>(std::max<qsizetype>(lines.size() - 1, 0));
    const std::uint32_t n = std::min<std::uint32_t>({declared, kMaxParameters, linesAfterCounts});
    pots = std::min(pots, n);
    switches = std::min(switches, n - pots);
    multi = n - pots - switches;
    // Readback lines follow all the declared parameter lines.
    const std::uint32_t firstReadback = 1 + declared;
    const auto readbackLinesThere = static_cast<std::uint32_t>(
        std::max<qsizetype>(lines.size() - static_cast<qsizetype>(firstReadback), 0));
    readbacks = std::min<std::uint32_t>({readbacks, kMaxReadbacks, readbackLinesThere});
    if (n < declared || readbacks < declaredReadbacks)
        layout.log << QStringLiteral(
                          "layout declares %1 parameters and %2 readbacks; only %3 and %4 fit and are shown")
                          .arg(declared)
                          .arg(declaredReadbacks)
                          .arg(n)
                          .arg(readbacks);
    for (std::uint32_t i = 0; i < n; ++i) {
        layout.controlLines << lines.at(static_cast<qsizetype>(1 + i));
        layout.log << layout.controlLines.last();
    }
    for (std::uint32_t j = 0; j < readbacks; ++j) {
        layout.readbackLines << lines.at(static_cast<qsizetype>(firstReadback + j));
        layout.log << layout.readbackLines.last();
    }
    layout.pots = pots;
    layout.switches = switches;
    layout.multiSwitches = multi;
    layout.readbacks = readbacks;
    return layout;
}

QString lineName(const QString& line, QChar separator) {
    const qsizetype at = line.indexOf(separator);
    return at < 0 ? line : line.left(at);
}

SwitchLine parseSwitchLine(const QString& line) {
    SwitchLine parsed;
    const qsizetype first = line.indexOf(u':');
    parsed.name = first < 0 ? line : line.left(first);
    const QString rest = first < 0 ? line : line.mid(first + 1);
    const qsizetype second = rest.indexOf(u':');
    parsed.offText = second < 0 ? rest : rest.left(second);
    parsed.onText = second < 0 ? rest : rest.mid(second + 1);
    return parsed;
}

MultiSwitchLine parseMultiSwitchLine(const QString& line) {
    MultiSwitchLine parsed;
    parsed.name = lineName(line, u';');
    const qsizetype positions = line.count(u';');
    const qsizetype first = line.indexOf(u';');
    QString rest = first < 0 ? QString() : line.mid(first + 1);
    for (qsizetype k = 0; k < std::min<qsizetype>(positions, kMaxMultiSwitchPositions); ++k) {
        const qsizetype next = rest.indexOf(u';');
        if (next < 0) {
            parsed.items << rest;
            rest.clear();
        } else {
            parsed.items << rest.left(next);
            rest = rest.mid(next + 1);
        }
    }
    return parsed;
}

QStringList parameterAddressesOf(const QString& programText) {
    QStringList addresses;
    for (int i = 0; i < kMaxParameters; ++i)
        addresses << programText.mid(6 + 4 * i, 4);
    return addresses;
}

int multiSwitchPosition(std::int32_t value, std::uint32_t positions) {
    positions = std::min(positions, kMaxMultiSwitchPositions);
    if (positions == 0)
        return -1;
    const auto step = static_cast<std::int32_t>(1024 / positions);
    int position = value / step;
    if (position >= static_cast<int>(positions))
        position = static_cast<int>(positions) - 1;
    return position;
}
