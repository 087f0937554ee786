#pragma once

#include <QString>

struct EditorContext;

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
QString syncBootloader(EditorContext& ctx);

enum class BootloaderEntry { Declined, Entered, Failed };

// From a pedal running its effects: bypass, the question (answered Yes with B2 held), the
// command that makes the firmware start its bootloader, then the handshake at even parity. The
// outcome is shown to the user here; Declined has already put the editor back in normal mode.
BootloaderEntry enterBootloader(EditorContext& ctx);

// The handshake of a link made while armed, the pedal already in its bootloader; shows the
// outcome. True when the bootloader acknowledged.
bool handshakeArmedLink(EditorContext& ctx);

// Normal mode again: bootloaderMode cleared and, on an open link, no parity, so the pedal's
// effect firmware understands the editor once more.
void leaveBootloaderMode(EditorContext& ctx, bool linkOpen);
