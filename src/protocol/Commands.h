#pragma once

#include <QString>
#include <cstdint>

// Every code the editor puts first in a message, and the first bytes by which it knows what the
// pedal sends unasked: each named here once.
namespace Command {
inline constexpr std::uint8_t UploadEffect = 0x00;
inline constexpr std::uint8_t SetParameter = 0x01;
inline constexpr std::uint8_t RequestState = 0x02;
inline constexpr std::uint8_t StoreSettings = 0x03;
inline constexpr std::uint8_t AssignControls = 0x04;
inline constexpr std::uint8_t EnterBootloader = 0x05;
inline constexpr std::uint8_t GetStoredEffect = 0x06;
inline constexpr std::uint8_t SetMidiChannel = 0x07;
inline constexpr std::uint8_t SetReverse = 0x08;
inline constexpr std::uint8_t SetLive = 0x0A;
inline constexpr std::uint8_t EraseMemory = 0x0B;
inline constexpr std::uint8_t ReadMemory = 0x0C;
inline constexpr std::uint8_t SetBypass = 0x0D;
// Upload into Bank I; Bank II and III follow it.
inline constexpr std::uint8_t UploadEffectToBank = 0x0E;
} // namespace Command

namespace Incoming {
inline constexpr std::uint8_t LiveReport = 0xAA;
inline constexpr std::uint8_t MemoryDump = 0xAB;
} // namespace Incoming

// The microcontroller's serial bootloader, reached through the same line.
namespace BootloaderCode {
inline constexpr std::uint8_t Sync = 0x7F;
inline constexpr std::uint8_t Ack = 0x79;
inline constexpr std::uint8_t Nack = 0x1F;
} // namespace BootloaderCode

// A code as the two upper-case hexadecimal digits that start a message's text.
inline QString commandHex(std::uint8_t code) {
    return QStringLiteral("%1").arg(code, 2, 16, QChar(u'0')).toUpper();
}
