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
ControlLayout ParseControlLayout(const QStringList& lines);

struct SwitchLine {
    QString name;
    QString offText;
    QString onText;
};
// "Name:OFF:ON" (the on text runs to the end of the line).
SwitchLine ParseSwitchLine(const QString& line);
// A two-state line with "@" anywhere is a momentary button.
inline bool IsButtonLine(const QString& line) {
    return line.contains(u'@');
}
// The name of a switch, button or multi-position line: the text before the first separator.
QString LineName(const QString& line, QChar separator);

struct MultiSwitchLine {
    QString name;
    QStringList items; // one per ";" in the line
};
MultiSwitchLine ParseMultiSwitchLine(const QString& line);

// The sixteen four-digit parameter addresses from characters 7 to 70 of a program's text.
QStringList ReadParameterAddresses(const QString& programText);

// The position a value selects on a switch of `positions` positions: value div (1024 div
// positions), one less when it reaches the count. -1 when there are no positions.
int MultiSwitchPosition(std::int32_t value, std::uint32_t positions);
// The level a multi-position switch sends for a position.
std::int32_t MultiSwitchLevel(int position, std::uint32_t positions);
// A slider's value rounded to the nearest level, halves to the even neighbour.
std::int32_t PotLevel(double sliderValue);
// The SetParameter text: "01", the address as it stands, level x 8192 in eight hex digits.
QString SetParameterText(const QString& address, std::int32_t level);

// Offsets of the state block laid out for N parameters.
struct StateBlockOffsets {
    std::uint32_t n;
    std::uint32_t value(std::uint32_t i) const { return 4 * i; }
    std::uint32_t assignment(std::uint32_t i) const { return 4 * n + i; }
    std::uint32_t bypass() const { return 4 * n + 16; }
    std::uint32_t preset() const { return 4 * n + 17; }
    std::uint32_t readback(std::uint32_t j) const { return 4 * n + 18 + j; }
    std::uint32_t reverse(std::uint32_t i) const { return 4 * n + 22 + i; }
    std::uint32_t mode() const { return 4 * n + 38; }
    std::uint32_t bankOrPreset() const { return 4 * n + 39; }
    std::uint32_t midiChannel() const { return 4 * n + 40; }
    // The apply steps read up to and including the MIDI channel byte.
    std::uint32_t size() const { return 4 * n + 41; }
};

// Big-endian signed 32-bit value of parameter i, divided by 8192 toward zero.
std::int32_t StateBlockParameterValue(const QByteArray& block, std::uint32_t i);
