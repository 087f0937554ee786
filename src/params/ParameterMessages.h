#pragma once

#include <QString>
#include <cstdint>

// The level a multi-position switch of `positions` positions sends for a position:
// position x (1024 div positions), always within 0 to 1023.
std::int32_t multiSwitchLevel(int position, std::uint32_t positions);
// A slider's value rounded to the nearest level, halves to the even neighbour.
std::int32_t potLevel(double sliderValue);
// SetParameter: the code, the address as it stands, level x 8192 in eight hex digits.
QString setParameterText(const QString& address, std::int32_t level);
// Whether a parameter address can go on the wire: four hexadecimal digits. A program that
// could not be read leaves none, and a message without one would carry stale buffer bytes.
bool isParameterAddress(const QString& address);
// SetReverse: the code, 0x01 on or 0xFF off, the parameter's index.
QString setReverseText(bool on, std::uint32_t index);

class PedalLine;
// A parameter change, as a player's move of a control makes it: SetParameter for the address at
// the level, logged as "data sent KIND INDEX: " and the message (beside the log's scrolling for
// the editor's switches and buttons), its seven bytes written, and after a pot the 1 ms the
// pedal is given before the next.
void sendParameterChange(PedalLine& line, const QString& kind, int index, const QString& address,
                         std::int32_t level, bool logDirect);
