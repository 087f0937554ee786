#pragma once

#include <QByteArray>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

// The factory USART bootloader of the pedal's microcontroller, as ST publishes it in application
// note AN3155, for a 128 KiB device with 1 KiB pages (product ID 0x410). It answers byte by byte:
// every byte from the host goes to receive(), which appends the bootloader's answer to `out`.
class VirtualBootloader {
public:
    static constexpr std::uint32_t kFlashBase = 0x08000000;
    static constexpr std::uint32_t kFlashSize = 128 * 1024;
    static constexpr std::uint32_t kPageSize = 1024;
    static constexpr std::uint32_t kRamBase = 0x20000000;
    static constexpr std::uint32_t kRamSize = 20 * 1024;
    static constexpr std::uint16_t kProductId = 0x410;
    static constexpr std::uint8_t kVersion = 0x22;
    static constexpr std::uint8_t kAck = 0x79;
    static constexpr std::uint8_t kNack = 0x1F;
    static constexpr std::uint8_t kSync = 0x7F;

    static constexpr std::uint8_t kGet = 0x00;
    static constexpr std::uint8_t kGetVersion = 0x01;
    static constexpr std::uint8_t kGetId = 0x02;
    static constexpr std::uint8_t kReadMemory = 0x11;
    static constexpr std::uint8_t kGo = 0x21;
    static constexpr std::uint8_t kWriteMemory = 0x31;
    static constexpr std::uint8_t kErase = 0x43;

    VirtualBootloader();

    // A system reset: the bootloader waits for the synchronisation byte again. Flash is kept.
    void reset();
    // One byte from the host. Returns the address of a Go that was accepted; the caller then
    // decides what the core does there.
    std::optional<std::uint32_t> receive(std::uint8_t byte, QByteArray& out);

    bool synced() const { return phase_ != Phase::WaitSync; }
    std::vector<std::uint8_t>& flash() { return flash_; }
    const std::vector<std::uint8_t>& flash() const { return flash_; }
    // Reads a little-endian word of flash; addresses outside flash read as erased.
    std::uint32_t flashWord(std::uint32_t address) const;
    // Whether the flash holds these bytes from that address on.
    bool flashHolds(std::uint32_t address, const QByteArray& bytes) const;

    // Fault on demand: the n-th step after synchronisation that would be acknowledged (counted
    // from 1: a command, an address, a block of data, an erase list) is answered with NACK and not
    // carried out. 0 turns it off.
    void setNackStep(int n) { nackStep_ = n; }
    // Fault on demand: a byte written to this flash address is stored with its lowest bit
    // flipped, though the block is acknowledged, as a weak flash cell would keep it. 0 turns it off.
    void setCorruptWrite(std::uint32_t address) { corruptWrite_ = address; }

    static bool inFlash(std::uint32_t address, std::uint32_t length = 1);
    static bool inRam(std::uint32_t address, std::uint32_t length = 1);

private:
    enum class Phase {
        WaitSync,
        Command,
        ReadAddress,
        ReadCount,
        WriteAddress,
        WriteData,
        EraseList,
        GoAddress,
    };

    // A phase has all its bytes: check them, carry it out and answer.
    std::optional<std::uint32_t> complete(QByteArray& out);
    void completeCommand(QByteArray& out);
    void completeReadAddress(QByteArray& out);
    void completeReadCount(QByteArray& out);
    void completeWriteAddress(QByteArray& out);
    void completeWriteData(QByteArray& out);
    void completeEraseList(QByteArray& out);
    std::optional<std::uint32_t> completeGoAddress(QByteArray& out);

    bool addressOk(std::uint32_t& address) const;
    void command(std::uint8_t code, QByteArray& out);
    void answerGet(QByteArray& out);
    // ACK, the bytes, ACK: a command answered in full.
    void answer(QByteArray& out, std::initializer_list<std::uint8_t> bytes);
    // ACK, then wait for the next part of the command.
    void acceptAndExpect(Phase next, QByteArray& out);
    // Counts a step about to be acknowledged; true when the fault on demand refuses it instead.
    bool refusedOnDemand(QByteArray& out);
    // NACK, and back to waiting for a command.
    void refuse(QByteArray& out);
    void toCommand() {
        phase_ = Phase::Command;
        buffer_.clear();
    }

    std::vector<std::uint8_t> flash_;
    Phase phase_ = Phase::WaitSync;
    std::vector<std::uint8_t> buffer_;
    std::uint32_t address_ = 0;
    int stepCount_ = 0;
    int nackStep_ = 0;
    std::uint32_t corruptWrite_ = 0;
};
