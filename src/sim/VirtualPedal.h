#pragma once

#include "sim/LineFormat.h"
#include "sim/VirtualBootloader.h"

#include <QByteArray>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

// Misbehaviour on demand, for tests and for trying the editor against a difficult pedal.
struct PedalFaults {
    bool silent = false;        // hears everything, answers nothing
    int nackBootloaderStep = 0; // the n-th bootloader step after sync to be acknowledged is refused (0: off)
    int dropEvery = 0;          // every n-th byte the pedal sends is lost on the way (0: off)
    int garbleEvery = 0;        // every n-th byte the pedal sends arrives inverted (0: off)
    int cutRepliesAfter = -1;   // every reply ends after this many bytes (-1: off)
    std::uint32_t corruptWriteAt = 0; // the bootloader stores the byte written here wrong (0: off)
};

// The pedal as the editor meets it through its USB bridge: the effect firmware with its two
// settings memories, and the microcontroller's factory bootloader that takes over the serial
// line when B2 is held while the bootloader entry command arrives.
//
// Bytes from the host go to receive(); what the pedal sends collects until takeOutput(). The
// output listener is called whenever something has been added, including unasked reports.
//
// Choices of our own where the pedal's firmware is not ours to read:
// - an effect is marked present by 1 in the first byte of settings memory 0x50; a fresh pedal
//   holds the effect and versions its Options name, firmware version 1;
// - the firmware version is the last byte of the 8-byte version record at 0x0801FC00;
// - an upload stores the program (preset mode: memory 0x50; banks: three 5,440-byte slots of
//   memory 0x51, which is why a bank cannot take a larger program), takes its effect number from
//   program byte 126 and its parameter addresses from bytes 3 to 34, reports effect version 1
//   (programs carry none) and starts the effect with every value 0 and nothing assigned;
// - values, assignments, reverse flags, bypass, live and MIDI channel live in RAM and reach memory
//   0x50 only with StoreSettings; they come back from there when the firmware starts;
// - a message left incomplete for a second is dropped, so a garbled length can never make the
//   pedal swallow everything that follows; unknown codes are skipped a byte at a time.
class VirtualPedal {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint32_t kMemorySize = 16384;
    static constexpr std::uint8_t kMemoryA = 0x50;
    static constexpr std::uint8_t kMemoryB = 0x51;
    static constexpr std::uint32_t kVersionRecord = 0x0801FC00;
    static constexpr std::uint32_t kBankSlotSize = 5440;
    static constexpr std::uint32_t kMaxProgramSize = kMemorySize - 0x100;
    static constexpr std::uint32_t kMinProgramSize = 128;

    // Physical controls, by the codes the assignments and live reports use.
    enum Control : std::uint8_t { KI = 0, KII, KIII, KIV, KV, B1, B2, B3, FS, FL, RMT, EXP, None = 0xFF };

    enum class Mode { Firmware, Bootloader, Halted };

    struct Options {
        int effectNumber = 1;
        int effectVersion = 1;
        int firmwareVersion = 1;
        bool erased = false;            // both settings memories blank: no effect stored
        bool startInBootloader = false; // powered up with B2 held
        bool holdB2 = true;             // the player holds B2 when the editor asks for it
        // The program of a catalogue effect, if the caller can supply it: a fresh pedal needs it
        // to know the parameter addresses of the effect it starts with.
        std::function<std::optional<QByteArray>(int effectNumber)> programFor = {};
    };

    VirtualPedal();
    explicit VirtualPedal(Options options);

    // Bytes arriving from the host at `now`.
    void receive(const std::uint8_t* data, std::size_t count, Clock::time_point now = Clock::now());
    QByteArray takeOutput();
    void setOutputListener(std::function<void()> listener) { outputListener_ = std::move(listener); }

    // The framing the host's end of the line uses; nullopt means a line that carries no framing
    // (a test that talks to the model directly), where every byte arrives as sent.
    void setHostLine(std::optional<LineFormat> line) { hostLine_ = line; }
    // The framing the pedal's own serial port expects right now.
    LineFormat pedalLine() const;

    PedalFaults& faults() { return faults_; }
    void setHoldB2(bool held) { options_.holdB2 = held; }

    // Power off and on again; with B2 held the microcontroller starts in its bootloader.
    void powerCycle(bool holdB2);

    // Everything the pedal keeps while it stays powered: its flash, both settings memories, the
    // running effect with its values, assignments and switches, and whether it runs its firmware
    // or its bootloader. A pedal restored from it carries on as the saved one would have, with a
    // bootloader waiting for its sync byte again and nothing half-received. Restoring refuses
    // (and changes nothing) what is not such a state.
    QByteArray saveState() const;
    bool restoreState(const QByteArray& state);

    // The player at the pedal. Each sends what the real pedal sends unasked.
    // Bank switch: the pedal changes to bank 0..2 (in bank mode) and reports it.
    void selectBank(int bank);
    // The effect now running, reported by its catalogue index.
    void reportEffect();
    // A knob, button, footswitch, the remote or the expression input moves: the parameter
    // assigned to it changes and is reported. Returns false when nothing is assigned to it.
    bool moveControl(Control control, int value);
    // A raw live report, whatever is assigned.
    void sendLiveReport(std::uint8_t control, std::uint8_t parameter, std::uint16_t value);

    // State, for tests and the demo.
    Mode mode() const { return mode_; }
    int firmwareVersion() const;
    int effectNumber() const { return effectNumber_; }
    std::int32_t value(int index) const { return values_.at(index); }
    std::uint16_t address(int index) const { return addresses_.at(index); }
    std::uint8_t assignment(int index) const { return assignments_.at(index); }
    std::uint8_t readback(int index) const { return readbacks_.at(index); }
    std::uint8_t reverse(int index) const { return reverse_.at(index); }
    std::uint8_t bypassAssignment() const { return bypassCode_; }
    std::uint8_t presetAssignment() const { return presetCode_; }
    bool bypassed() const { return bypass_; }
    bool live() const { return live_; }
    int midiChannel() const { return midiChannel_; }
    bool bankMode() const { return bankMode_; }
    int bankOrPreset() const { return bankOrPreset_; }
    const QByteArray& program() const { return program_; }
    std::array<std::uint8_t, kMemorySize>& memory(std::uint8_t busAddress);
    VirtualBootloader& bootloader() { return bootloader_; }

private:
    void firmwareByte(std::uint8_t byte);
    void bootloaderByte(std::uint8_t byte);
    std::size_t messageLength() const; // 0: not known yet
    void handleMessage(const QByteArray& m);
    void handleUpload(const QByteArray& m);
    void setParameter(std::uint16_t address, std::int32_t value);
    void setAssignments(const QByteArray& m);
    void setSwitch(const QByteArray& m);
    void askForBootloader(const QByteArray& m);
    QByteArray storedEffectReply() const;
    void dumpMemory(std::uint8_t busAddress);
    // Whether the core can start from the vector table at this address.
    bool bootableAt(std::uint32_t vectorTable) const;
    void startCore(std::uint32_t vectorTable);
    void bootFirmware();
    void startEffect(const QByteArray& program);
    void storeSettings();
    void loadSettings();
    void storeEffectHeader(int number, int version);
    void send(QByteArray reply);
    QByteArray stateBlock(int n) const;
    void seedFactoryFlash(int firmwareVersion);

    Options options_;
    PedalFaults faults_;
    Mode mode_ = Mode::Firmware;
    VirtualBootloader bootloader_;
    std::array<std::uint8_t, kMemorySize> memoryA_{};
    std::array<std::uint8_t, kMemorySize> memoryB_{};
    std::optional<LineFormat> hostLine_;
    std::uint32_t bootloaderBaud_ = 0; // locked by the sync byte

    QByteArray pending_;
    Clock::time_point lastByte_{};
    QByteArray output_;
    std::function<void()> outputListener_;
    std::uint64_t sentBytes_ = 0;

    // The running effect (RAM).
    QByteArray program_;
    int effectNumber_ = 0;
    std::array<std::uint16_t, 16> addresses_{};
    std::array<std::int32_t, 16> values_{};
    std::array<std::uint8_t, 16> assignments_{};
    std::array<std::uint8_t, 4> readbacks_{};
    std::array<std::uint8_t, 16> reverse_{};
    std::uint8_t bypassCode_ = 0xFF;
    std::uint8_t presetCode_ = 0xFF;
    bool bypass_ = false;
    bool live_ = false;
    int midiChannel_ = 0;
    bool bankMode_ = false;
    int bankOrPreset_ = 0;
};
