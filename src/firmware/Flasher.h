#pragma once

#include "firmware/FirmwareImage.h"

#include <QString>
#include <functional>

class PedalLine;

inline const QString kFirmwareUpgradeComplete =
    QStringLiteral("Firmware Upgrade Complete, device will now restart");

// Writes a firmware image through the microcontroller's serial bootloader, which the link must
// already be talking to: one global erase, 256-byte blocks from the start of flash, the version
// record, Go, and normal mode again. Every step is logged, and every reply is waited for (within
// the reply time-out) and checked: the run stops at the first step the bootloader does not
// acknowledge, before Go, so a half-written image is never started. Asked to, it reads the flash
// back before Go and stops there too at the first byte that differs from what it wrote.
//
// It also reads: what the bootloader says of itself, and the flash as it is.
class FirmwareFlasher {
public:
    enum class Outcome {
        Flashed,    // written and started; the link is in normal mode again
        NotStarted, // written, but Go was not acknowledged; normal mode again all the same
        NotWritten, // stopped before Go: still in the bootloader, and a new run may start
        Cancelled,  // stopped between blocks when asked: still in the bootloader, as NotWritten
        Refused,    // nothing sent: the image will not do
        Busy,       // a run is already going
    };
    struct Result {
        Outcome outcome = Outcome::Refused;
        QString message; // shown to the user already; empty for Flashed and Busy
    };

    // Runs over `line`, reporting through it the block about to be written of how many there
    // are, and stopping between blocks when it is asked to cancel.
    explicit FirmwareFlasher(PedalLine& line);

    // For a pedal found already in its bootloader, which an earlier run may have synchronised
    // and even left part-way through a step: the synchronisation byte, and the bootloader
    // brought back in step when it is not acknowledged or refused at once. Logged as the
    // handshake is; false, with the reason in lastFailure(), when it cannot be reached.
    bool findBootloader();
    QString lastFailure() const { return failure_; }

    // With `verify`, the blocks and the version record are read back after the last is written
    // and compared with what was sent; the progress then counts both passes.
    Result flash(const QString& item, bool verify = false);
    Result flash(const FirmwareImage& image, bool verify = false);
    bool running() const { return running_; }

    // What Get and Get ID answer: the bootloader's version, the commands it carries out, and the
    // chip's product ID. `failure` says why when `ok` is false.
    struct Identity {
        bool ok = false;
        std::uint8_t version = 0;
        QByteArray commands;
        std::uint16_t productId = 0;
        QString failure;
    };
    Identity identify();

    // `size` bytes of flash from `address`, read 256 bytes a command, reporting each block as
    // progress and stopping between blocks when asked to cancel. Whatever came before a failure
    // is kept in `bytes`; `failure` says why it stopped short.
    struct FlashRead {
        QByteArray bytes;
        bool complete = false;
        bool cancelled = false;
        QString failure;
    };
    FlashRead readFlash(std::uint32_t address, std::uint32_t size);

private:
    bool writeBytes(const QByteArray& bytes, const QString& what);
    bool acknowledged(const QString& what);
    bool sendWriteAddress(std::uint32_t address);
    bool eraseFlash();
    // Progress runs from 0 to `progressMaximum` over both passes when the flash is read back.
    bool writeChunks(const std::vector<FirmwareChunk>& chunks, int progressMaximum);
    bool writeVersionRecord(int version);
    bool sendGo();
    bool bringBackInStep();
    // The blocks and the record read back and compared with what was written; the first
    // address that differs is the failure.
    bool verifyWritten(const std::vector<FirmwareChunk>& chunks, int version, int progressMaximum);
    // One Read Memory command: `count` (1 to 256) bytes from `address` into `into`.
    bool readBlock(std::uint32_t address, int count, QByteArray& into);
    // A command byte and its complement, in one write, acknowledged.
    bool sendCommand(std::uint8_t code, const QString& what);
    // Exactly `count` bytes of the bootloader's answer, each within the reply time-out; fewer
    // when it falls silent, and then it is out of step. Bytes that came with them are kept for
    // the next call.
    QByteArray receive(int count);
    // Whether the bootloader sent more than its answer; then it is out of step.
    bool saidTooMuch(const QString& what);
    // The acknowledgement that starts an answer read with receive(), the failure said otherwise.
    bool answerAcknowledged(const QString& what);
    // Get or Get ID: the command, then its counted answer between two acknowledgements.
    bool countedAnswer(std::uint8_t code, const QString& what, QByteArray& answer);
    // What arrives until the line has been quiet for quietMs (or, with firstReply, the first
    // bytes that arrive within it).
    QByteArray drainUntilQuiet(int quietMs, bool firstReply = false);
    void log(const QString& line);
    // Logs the message and shows it.
    Result told(Outcome outcome, const QString& message);
    Result stopBeforeGo();

    PedalLine& line_;
    bool running_ = false;
    bool cancelled_ = false;
    // A step whose reply did not come, or came garbled, may have left the bootloader part-way
    // through taking a block; the next run brings it back in step first.
    bool outOfStep_ = false;
    QString failure_;
    // What receive() read past the bytes it was asked for.
    QByteArray readAhead_;
};
