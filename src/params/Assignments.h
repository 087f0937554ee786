#pragma once

#include <QStringList>
#include <array>
#include <cstdint>

// The pedal's physical controls as the assignment selectors offer them. An item's code is what
// the messages and the state block carry: its index for a parameter or a readback, index + 8 for
// the bypass and preset rows (the codes of the same names in assignItems), 0xFF for "--".
inline const QStringList assignItems = {"KI", "KII", "KIII", "KIV", "KV",  "B1", "B2",
                                        "B3", "FS",  "FL",   "RMT", "EXP", "--"};
inline const QStringList bypassPresetItems = {"FS", "FL", "RMT", "--"};
inline const QStringList readbackItems = {"SX", "DX", "RED", "GREEN", "--"};

inline constexpr int kAssignNoneItem = 12;
inline constexpr int kBypassPresetNoneItem = 3;
inline constexpr int kReadbackNoneItem = 4;
inline constexpr std::uint8_t kNoControl = 0xFF;

// The code of the item selected in a parameter's selector (-1: none selected).
std::uint8_t assignCodeOfItem(int item);
// The code of the item selected in the bypass or preset selector.
std::uint8_t bypassPresetCodeOfItem(int item);
// The code of the item selected in a readback selector.
std::uint8_t readbackCodeOfItem(int item);

// The item that shows a code read back from the pedal; -1 (no entry) for a code outside the list.
int assignItemOfCode(std::uint8_t code);
int bypassPresetItemOfCode(std::uint8_t code);
int readbackItemOfCode(std::uint8_t code);

// AssignControls: the code, the 16 parameters' assignment codes (0xFF from N on), the 4
// readbacks' indicator codes (0xFF from R on), the bypass code and the preset code.
QString assignControlsText(const std::array<std::uint8_t, 16>& assignments,
                           const std::array<std::uint8_t, 4>& readbacks, std::uint8_t bypassCode,
                           std::uint8_t presetCode);
inline constexpr int kAssignControlsPauseMs = 100;

class PedalLine;
// Assign: the AssignControls message sent, then the pedal given its pause to take it.
void assignControls(PedalLine& line, const QString& text);
