#pragma once

#include <QByteArray>
#include <optional>

// The program of a catalogue effect, read from the editor's built-in product data when it is
// linked in: the virtual pedal starts with a real effect, so its parameter addresses are known.
// Nothing when the data or the effect is not there.
std::optional<QByteArray> builtInProgram(int effectNumber);
