#pragma once

#include <chrono>
#include <cstdint>

// The character framing of one end of a serial line, in the bridge driver's terms
// (stop bits 0 = one, 2 = two; parity 0 none, 1 odd, 2 even, 3 mark, 4 space).
struct LineFormat {
    std::uint32_t baudRate = 115200;
    std::uint8_t wordLength = 8;
    std::uint8_t stopBits = 0;
    std::uint8_t parity = 0;

    bool operator==(const LineFormat&) const = default;

    // Bits on the wire per character: start, data, parity, stop.
    int bitsPerCharacter() const { return 1 + wordLength + (parity != 0 ? 1 : 0) + (stopBits == 2 ? 2 : 1); }
    std::chrono::nanoseconds characterTime() const {
        return std::chrono::nanoseconds(1'000'000'000LL * bitsPerCharacter() / (baudRate ? baudRate : 1));
    }
};

// The pedal's firmware talks 8N1 at 115200 baud; its microcontroller's bootloader 8E1.
inline constexpr LineFormat kFirmwareLine{115200, 8, 0, 0};
inline constexpr LineFormat kBootloaderLine{115200, 8, 0, 2};

// What a receiver makes of a character sent with a framing it does not expect. We do not
// simulate bit timing: any mismatch garbles every character in the same fixed way (as if the
// receiver had caught the start bit one bit late), so that a test can never pass by the luck of
// a bit pattern whose parity happens to come out right.
inline std::uint8_t garbleMisframed(std::uint8_t byte) {
    return static_cast<std::uint8_t>((byte >> 1) | 0x80);
}

// Whether characters sent with `sender` arrive intact at a receiver set to `receiver`: the same
// framing, and baud rates within the few percent a UART tolerates.
inline bool framingMatches(const LineFormat& sender, const LineFormat& receiver) {
    if (sender.wordLength != receiver.wordLength || sender.stopBits != receiver.stopBits ||
        sender.parity != receiver.parity)
        return false;
    const double a = sender.baudRate, b = receiver.baudRate;
    return a > 0 && b > 0 && (a > b ? a - b : b - a) <= 0.03 * b;
}
