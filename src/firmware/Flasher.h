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
// acknowledge, before Go, so a half-written image is never started.
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

    Result flash(const QString& item);
    Result flash(const FirmwareImage& image);
    bool running() const { return running_; }

private:
    bool writeBytes(const QByteArray& bytes, const QString& what);
    bool acknowledged(const QString& what);
    bool sendWriteAddress(std::uint32_t address);
    bool eraseFlash();
    bool writeChunks(const std::vector<FirmwareChunk>& chunks);
    bool writeVersionRecord(int version);
    bool sendGo();
    bool bringBackInStep();
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
};
