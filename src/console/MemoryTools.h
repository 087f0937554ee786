#pragma once

#include <QString>

class PedalLine;

// The pedal's two settings memories, at bus addresses 0x50 and 0x51.
inline const QString kMemoryA = QStringLiteral("50");
inline const QString kMemoryB = QStringLiteral("51");
inline constexpr int kEraseMemoryPauseMs = 100;
// The memory's 16 KiB take this long to come back; the reply collects in the receive queue and
// the receive poll shows it afterwards.
inline constexpr int kReadMemoryPauseMs = 4000;

// EraseMemory and ReadMemory for the memory at a two-digit bus address.
QString eraseMemoryText(const QString& address);
QString readMemoryText(const QString& address);
// Whether a text names one of the pedal's memories; anything else would go out without its
// address byte.
bool isMemoryAddress(const QString& address);

// Sends EraseMemory (transmit queue purged first) and waits for the pedal to finish.
void EraseEEPROM(PedalLine& line, const QString& address);
// Sends ReadMemory and waits for the dump to arrive; the receive poll takes it from there.
void ReadEEPROM(PedalLine& line, const QString& address);
// A memory read whole, for a backup: ReadMemory sent as ReadEEPROM sends it, and the dump taken as it
// arrives, waited for no longer than ReadEEPROM waits plus the time a dump may take to stop
// arriving. Not ok, with the reason, when it did not come whole or the exchange was asked to stop.
struct MemoryRead {
    bool ok = false;
    QByteArray dump;
    QString problem;
};
MemoryRead readMemory(PedalLine& line, const QString& address);

// Erase Settings: both memories erased and read back, in the pedal's order, each step counted as
// progress. Asked to cancel, it stops between steps: false then, having said which memories were
// erased.
bool eraseSettings(PedalLine& line);
