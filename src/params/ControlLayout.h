#pragma once

#include "protocol/EditorState.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// A counts-line digit: "0".."9" and "A".."F" (upper case only) as 0..15; -1 for anything else.
int ParseHexDigit(const QString& digit);

// The controls an effect's layout text declares, cut to what the editor's tables hold.
struct ControlLayout {
    std::uint32_t pots = 0;
    std::uint32_t switches = 0;
    std::uint32_t multiSwitches = 0;
    std::uint32_t readbacks = 0;
    QStringList controlLines;  // one per parameter, in control index order
    QStringList readbackLines; // one per readback
    QStringList log;           // the console lines the parse writes, in order

    std::uint32_t parameters() const { return pots + switches + multiSwitches; }
};

// Parses a layout's lines. A layout that declares more than 16 parameters or 4 readbacks, or
// has fewer lines than it declares, is cut to what fits (pots first, then switches, then
// multi-position switches), and the log says so.
ControlLayout parseLayoutLines(const QStringList& lines);

struct SwitchLine {
    QString name;
    QString offText;
    QString onText;
};
// "Name:OFF:ON" (the on text runs to the end of the line).
SwitchLine parseSwitchLine(const QString& line);
// A two-state line with "@" anywhere is a momentary button.
inline bool isButtonLine(const QString& line) {
    return line.contains(u'@');
}
// The name of a switch, button or multi-position line: the text before the first separator.
QString lineName(const QString& line, QChar separator);

struct MultiSwitchLine {
    QString name;
    QStringList items; // one per ";" in the line, kMaxMultiSwitchPositions at most
};
MultiSwitchLine parseMultiSwitchLine(const QString& line);

// The sixteen four-digit parameter addresses from characters 7 to 70 of a program's text.
QStringList parameterAddressesOf(const QString& programText);

// A selector offers at most this many positions: with more, 1024 div positions would be 0 and
// no position could be told from the next.
inline constexpr std::uint32_t kMaxMultiSwitchPositions = 1024;

// The position a value selects on a switch of `positions` positions: value div (1024 div
// positions), one less when it reaches the count. -1 when there are no positions.
int multiSwitchPosition(std::int32_t value, std::uint32_t positions);
