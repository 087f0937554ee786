#pragma once

#include <QString>

class PedalLine;

// The texts of the way into the microcontroller's serial bootloader, as the user sees them.
inline const QString kEnterBootloaderQuestion = QStringLiteral(
    "To enter Firmware Upgrade Mode keep B2(SAVE) button on the pedal pressed while clicking YES.");
inline const QString kBootloaderEntered =
    QStringLiteral("Connection to bootloader succeeded. Release B2(SAVE) button and go to Upgrade Firmware "
                   "menu and click Start Firmware Upgrade.");
inline const QString kArmedBootloaderEntered =
    QStringLiteral("Connection to bootloader succeeded, ready for firmware upgrade");
inline const QString kBootloaderEntryFailed = QStringLiteral("Connection to bootloader failed");

// The bootloader's acknowledgement as ReadTextReply gives it in bootloader mode.
inline const QString kAckReply = QStringLiteral("79");
inline const QString kNackReply = QStringLiteral("1F");

// Switches the line to the bootloader's even parity and sends it the synchronisation byte.
// Returns the first byte of its answer as two hex digits ("79" is its acknowledge), empty when
// nothing came within the reply time-out; logs it as Link does.
QString syncBootloader(PedalLine& line);

// Upgrade Mode from a pedal running its effects, in two operations around the question the user
// answers with B2 held: first the bypass; then, after Yes, the command that makes the firmware
// start its bootloader and the handshake at even parity. True when the bootloader acknowledged;
// the outcome has been said either way. After a failure the line stays at the bootloader's
// framing, and leaving Upgrade Mode is the way back.
void bypassBeforeBootloader(PedalLine& line);
bool enterBootloader(PedalLine& line);

// Link while Upgrade Mode is armed, the pedal already in its bootloader: the bridge opened, then
// the handshake; the outcome has been said.
struct ArmedLink {
    bool opened = false;
    bool acknowledged = false;
};
ArmedLink linkArmed(PedalLine& line, const QString& serial);

// Normal mode again: no parity, and on an open link the bridge told so, so the pedal's effect
// firmware understands the editor once more.
void leaveBootloaderMode(PedalLine& line, bool linkOpen);
