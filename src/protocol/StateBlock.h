#pragma once

#include <QByteArray>
#include <cstdint>

// Offsets of the state block, the pedal's answer to RequestState, laid out for N parameters.
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

// Big-endian signed 32-bit value of parameter i, divided by 8192 toward zero; 0 when the block
// is too short to hold it.
inline std::int32_t stateBlockParameterValue(const QByteArray& block, std::uint32_t i) {
    const auto at = static_cast<qsizetype>(4 * i);
    if (at + 4 > block.size())
        return 0;
    const auto byte = [&](qsizetype k) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(block.at(at + k)));
    };
    const auto raw = static_cast<std::int32_t>((byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3));
    return raw / 8192;
}

// The byte at `offset`, or `missing` when the block is too short.
inline std::uint8_t stateBlockByte(const QByteArray& block, std::uint32_t offset,
                                   std::uint8_t missing = 0xFF) {
    return offset < static_cast<std::uint32_t>(block.size()) ? static_cast<std::uint8_t>(block.at(offset))
                                                             : missing;
}
