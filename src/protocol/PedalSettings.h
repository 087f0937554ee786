#pragma once

#include "base/StartupSettings.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The pedal-wide settings the main window changes directly, and the editor's own mode.

// SetMidiChannel: the code and the channel, 0 for OMNI and 1 to 16.
QString setMidiChannelText(int channel);
// The channel a menu item stands for: "OMNI" is 0, "1" to "16" their number; -1 for anything else.
int midiChannelOfItem(const QString& text);
// SetLive: the code, 0x01 on or 0x00 off, 0x00.
QString setLiveText(bool on);
// StoreSettings: the code and the number of parameters.
QString storeSettingsText(std::uint32_t numOfParameters);
// SetBypass: the code, 0x01 bypassed or 0x00 active.
QString setBypassText(bool bypassed);

// The mode file below the documents folder, and the word it holds for each mode, kept with the
// editor's other settings files.
using StartupSettings::kModeFile;
using StartupSettings::modeWord;

// The question Erase Settings asks, one line of it per entry, joined with CR LF.
QString eraseSettingsQuestion();

inline constexpr int kStoreSettingsPauseMs = 100;

class PedalLine;
// Store Settings On Pedal: the message logged and sent (transmit queue purged first), then the
// pedal given its pause to write its memory. Right after other messages the purge would throw
// away those not yet on the wire: `purgeFirst` false keeps them.
void storeSettings(PedalLine& line, std::uint32_t numOfParameters, bool purgeFirst = true);
