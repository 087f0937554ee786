#include "firmware/Flasher.h"

#include "base/Convert.h"
#include "base/Services.h"
#include "firmware/Bootloader.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"

namespace {

struct Code {
    std::uint8_t command;
    std::uint8_t complement;
};
constexpr Code kWriteMemory{0x31, 0xCE};
constexpr Code kEraseMemory{0x43, 0xBC};
constexpr Code kGlobalErase{0xFF, 0x00};
constexpr Code kGo{0x21, 0xDE};

// Given to the flash to settle after the version record, before the pedal is told it is done.
constexpr int kSettleBeforeCompleteMs = 10;

// Enough zeros to finish the longest block a bootloader could be waiting for (N, 256 bytes and
// a checksum) with some to spare; past it they are refused two by two as no command.
constexpr int kResyncZeros = 264;
// The bootloader is taken to have finished with the zeros once it has said nothing for this long.
constexpr int kQuietMs = 100;

QByteArray bytesOf(Code code) {
    return QByteArray().append(static_cast<char>(code.command)).append(static_cast<char>(code.complement));
}

QString hex2(std::uint8_t value) {
    return intToHex(value, 2);
}

class RunGuard {
public:
    explicit RunGuard(bool& running) : running_(running) { running_ = true; }
    ~RunGuard() { running_ = false; }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    bool& running_;
};

} // namespace

FirmwareFlasher::FirmwareFlasher(PedalLine& line) : line_(line) {}

void FirmwareFlasher::log(const QString& line) {
    line_.console.log(line);
}

bool FirmwareFlasher::writeBytes(const QByteArray& bytes, const QString& what) {
    std::copy(bytes.begin(), bytes.end(), line_.link.txBuffer.begin());
    const auto count = static_cast<std::uint32_t>(bytes.size());
    if (line_.link.WriteDevice(count) == count)
        return true;
    failure_ = QStringLiteral("the link did not take %1").arg(what);
    outOfStep_ = true;
    return false;
}

bool FirmwareFlasher::acknowledged(const QString& what) {
    const QString reply = line_.comm.ReadTextReply(OnTimeout::Quiet);
    log(QStringLiteral("received: ") + reply);
    if (reply == kAckReply) {
        log(QStringLiteral("ACK"));
        return true;
    }
    if (reply == kNackReply) {
        log(QStringLiteral("NOT ACK"));
        // A refusal puts the bootloader back to waiting for a command.
        failure_ = QStringLiteral("the bootloader refused %1 (NOT ACK)").arg(what);
        return false;
    }
    outOfStep_ = true;
    failure_ = reply.isEmpty() ? QStringLiteral("the bootloader did not answer %1").arg(what)
                               : QStringLiteral("the bootloader answered %1 with %2, which is no "
                                                "acknowledgement")
                                     .arg(what, reply);
    return false;
}

bool FirmwareFlasher::sendWriteAddress(std::uint32_t address) {
    const QString at = intToHex(address, 8);
    log(QStringLiteral("SEND WRITE COMMAND"));
    const QByteArray command = bytesOf(kWriteMemory);
    if (!writeBytes(command.left(1), QStringLiteral("the write command for %1").arg(at)) ||
        !writeBytes(command.mid(1), QStringLiteral("the write command for %1").arg(at)) ||
        !acknowledged(QStringLiteral("the write command for %1").arg(at)))
        return false;
    log(QStringLiteral("SEND ADDRESS + CHECKSUM"));
    const QByteArray bytes = addressWithChecksum(address);
    log(QStringLiteral("Address: ") + at);
    log(QStringLiteral("address checksum: ") + hex2(static_cast<std::uint8_t>(bytes.back())));
    return writeBytes(bytes, QStringLiteral("the address %1").arg(at)) &&
           acknowledged(QStringLiteral("the address %1").arg(at));
}

bool FirmwareFlasher::eraseFlash() {
    log(QStringLiteral("Start Erase Command"));
    return writeBytes(bytesOf(kEraseMemory), QStringLiteral("the erase command")) &&
           acknowledged(QStringLiteral("the erase command")) &&
           writeBytes(bytesOf(kGlobalErase), QStringLiteral("the global erase")) &&
           acknowledged(QStringLiteral("the global erase"));
}

bool FirmwareFlasher::writeChunks(const std::vector<FirmwareChunk>& chunks, int progressMaximum) {
    line_.console.logLines({QStringLiteral("Start Write Command"), QString()});
    std::uint32_t address = kFlashBase;
    const auto count = static_cast<int>(chunks.size());
    for (int i = 0; i < count; ++i) {
        const QByteArray& bytes = chunks[std::size_t(i)].bytes;
        line_.progress(i, progressMaximum);
        // Between blocks is the one place a run may stop: never between a command and its data.
        if (line_.cancelRequested()) {
            cancelled_ = true;
            failure_ = QStringLiteral("it was cancelled after %1 of %2 blocks").arg(i).arg(count);
            return false;
        }
        if (!sendWriteAddress(address))
            return false;
        const QByteArray block = dataBlock(bytes);
        const QString what = QStringLiteral("the block at %1").arg(intToHex(address, 8));
        log(QStringLiteral("SEND N BYTE + DATA + CHECKSUM"));
        log(QStringLiteral("N_byte: ") + hex2(static_cast<std::uint8_t>(block.front())));
        if (!writeBytes(block.left(1), what))
            return false;
        log(QStringLiteral("chunk size: %1").arg(bytes.size()));
        if (!writeBytes(bytes, what))
            return false;
        log(QStringLiteral("data checksum: ") + hex2(static_cast<std::uint8_t>(block.back())));
        if (!writeBytes(block.right(1), what) || !acknowledged(what))
            return false;
        address += static_cast<std::uint32_t>(bytes.size());
        log(QString());
    }
    return true;
}

bool FirmwareFlasher::writeVersionRecord(int version) {
    if (!sendWriteAddress(kVersionRecordAddress))
        return false;
    // One byte a write, as the record has always been sent.
    const QByteArray block = versionRecordBlock(version);
    for (qsizetype i = 0; i < block.size(); ++i)
        if (!writeBytes(block.mid(i, 1), QStringLiteral("the version record")))
            return false;
    return acknowledged(QStringLiteral("the version record"));
}

bool FirmwareFlasher::sendGo() {
    line_.console.logLines({QString(), QStringLiteral("SEND GO COMMAND")});
    const QByteArray command = bytesOf(kGo);
    if (!writeBytes(command.left(1), QStringLiteral("Go")) ||
        !writeBytes(command.mid(1), QStringLiteral("Go")) || !acknowledged(QStringLiteral("Go")))
        return false;
    const QByteArray bytes = addressWithChecksum(kFlashBase);
    line_.console.logLines(
        {QStringLiteral("SEND ADDRESS + CHECKSUM"), QStringLiteral("Address: ") + intToHex(kFlashBase, 8),
         QStringLiteral("address checksum: ") + hex2(static_cast<std::uint8_t>(bytes.back()))});
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (!writeBytes(bytes.mid(i, 1), QStringLiteral("Go's address")))
            return false;
    return acknowledged(QStringLiteral("Go's address"));
}

QByteArray FirmwareFlasher::drainUntilQuiet(int quietMs, bool firstReply) {
    QByteArray got;
    std::int64_t quietSince = line_.services.elapsedMs();
    // Looks count time as well as the clock, as the reply wait does.
    for (int looks = 0, quietLooks = 0; looks < kReplyReadLimitMs; ++looks) {
        if (line_.link.GetDeviceQueueStatus() != FT_OK)
            break;
        if (line_.link.rxQueueBytes > 0) {
            const std::uint32_t n = line_.link.ReadDevice();
            got.append(reinterpret_cast<const char*>(line_.link.rxBuffer.data()), n);
            if (firstReply && !got.isEmpty())
                break;
            quietSince = line_.services.elapsedMs();
            quietLooks = 0;
            continue;
        }
        if (line_.services.elapsedMs() - quietSince >= quietMs || ++quietLooks >= quietMs)
            break;
        if (!line_.link.WaitForReceive(1))
            line_.services.pause(1);
    }
    return got;
}

bool FirmwareFlasher::bringBackInStep() {
    log(QStringLiteral("bringing the bootloader back in step after the last run"));
    line_.link.PurgeDeviceRx();
    if (!writeBytes(QByteArray(kResyncZeros, '\0'), QStringLiteral("the bytes that bring it back in step")))
        return false;
    drainUntilQuiet(kQuietMs);
    line_.link.PurgeDeviceRx();
    // An odd number of zeros may have been left half a command: one more zero completes it and
    // is refused. Without a refusal there was no half, and a second zero makes the pair.
    if (!writeBytes(QByteArray(1, '\0'), QStringLiteral("the bytes that bring it back in step")))
        return false;
    if (!drainUntilQuiet(kQuietMs, true).startsWith(static_cast<char>(0x1F))) {
        if (!writeBytes(QByteArray(1, '\0'), QStringLiteral("the bytes that bring it back in step")))
            return false;
        const QString reply = line_.comm.ReadTextReply(OnTimeout::Quiet);
        log(QStringLiteral("received: ") + reply);
        if (reply != kNackReply) {
            failure_ = reply.isEmpty()
                           ? QStringLiteral("the bootloader did not answer")
                           : QStringLiteral("the bootloader answered %1 where it should refuse").arg(reply);
            return false;
        }
    }
    log(QStringLiteral("the bootloader is back in step"));
    outOfStep_ = false;
    return true;
}

bool FirmwareFlasher::findBootloader() {
    line_.link.SetSerialParameters(SerialMode::Bootloader);
    line_.link.SetDeviceDataCharacteristics();
    line_.link.PurgeDeviceRx();
    if (!writeBytes(QByteArray(1, static_cast<char>(BootloaderCode::Sync)),
                    QStringLiteral("the synchronisation byte")))
        return false;
    const QByteArray reply = drainUntilQuiet(kQuietMs, true);
    line_.link.PurgeDeviceRx();
    line_.console.logDirect(QStringLiteral("received Byte: ") +
                            QString::fromLatin1(reply.left(1).toHex().toUpper()));
    // A fresh bootloader acknowledges; one already synchronised and holding half a command
    // refuses the pair the byte completes. Either way it now waits for a command.
    if (reply.startsWith(static_cast<char>(BootloaderCode::Ack)) ||
        reply.startsWith(static_cast<char>(BootloaderCode::Nack))) {
        outOfStep_ = false;
        return true;
    }
    // Silence may be a bootloader left part-way through a block by an earlier run, taking the
    // byte as data. More synchronisation bytes finish any block and then make it refuse them in
    // pairs; to a pedal running its effects they mean nothing. Zeros, which would bring the
    // bootloader back in step faster, start an upload there: they go only to a bootloader that
    // has shown itself.
    if (reply.isEmpty()) {
        if (!writeBytes(QByteArray(kResyncZeros, static_cast<char>(BootloaderCode::Sync)),
                        QStringLiteral("the synchronisation bytes")))
            return false;
        const QByteArray answer = drainUntilQuiet(kQuietMs);
        line_.link.PurgeDeviceRx();
        if (answer.contains(static_cast<char>(BootloaderCode::Ack)) ||
            answer.contains(static_cast<char>(BootloaderCode::Nack))) {
            outOfStep_ = true;
            return bringBackInStep();
        }
    }
    failure_ = reply.isEmpty() ? QStringLiteral("no bootloader answered the synchronisation byte")
                               : QStringLiteral("what answered the synchronisation byte (%1) is not the "
                                                "bootloader")
                                     .arg(QString::fromLatin1(reply.left(8).toHex(' ').toUpper()));
    return false;
}

FirmwareFlasher::Result FirmwareFlasher::told(Outcome outcome, const QString& message) {
    log(message);
    line_.services.showMessage(message);
    return {outcome, message};
}

FirmwareFlasher::Result FirmwareFlasher::stopBeforeGo() {
    return told(cancelled_ ? Outcome::Cancelled : Outcome::NotWritten,
                QStringLiteral("The firmware was not written: %1. The pedal is still in "
                               "its bootloader, and the upgrade can be started again.")
                    .arg(failure_));
}

FirmwareFlasher::Result FirmwareFlasher::flash(const QString& item, bool verify) {
    if (running_)
        return {Outcome::Busy, {}};
    const FirmwareLoad load = loadBuiltInFirmware(item);
    if (!load.image) {
        line_.services.showMessage(load.problem);
        return {Outcome::Refused, load.problem};
    }
    return flash(*load.image, verify);
}

FirmwareFlasher::Result FirmwareFlasher::flash(const FirmwareImage& image, bool verify) {
    if (running_)
        return {Outcome::Busy, {}};
    if (const QString problem = firmwareImageProblem(image.name, image.bytes.size(), image.version);
        !problem.isEmpty()) {
        line_.services.showMessage(problem);
        return {Outcome::Refused, problem};
    }
    const RunGuard guard(running_);
    log(QStringLiteral("Firmware num of bytes: %1").arg(image.bytes.size()));
    const ChunkedImage chunked = splitIntoChunks(image.bytes);
    line_.console.logLines(chunked.log);

    cancelled_ = false;
    if (outOfStep_ && !bringBackInStep())
        return stopBeforeGo();
    if (line_.cancelRequested())
        return told(Outcome::Cancelled,
                    QStringLiteral("The firmware upgrade was cancelled before anything was "
                                   "erased. The pedal is still in its bootloader."));
    // A reply the bootloader sent late to an earlier step must not be read as this run's.
    line_.link.PurgeDeviceRx();
    const int blocks = static_cast<int>(chunked.chunks.size());
    const int progressMaximum = verify ? 2 * blocks : blocks;
    if (!eraseFlash() || !writeChunks(chunked.chunks, progressMaximum) || !writeVersionRecord(image.version))
        return stopBeforeGo();
    if (verify && !verifyWritten(chunked.chunks, image.version, progressMaximum))
        return stopBeforeGo();
    // Every block and the record are in: the bar reaches its end before the result is told.
    line_.progress(progressMaximum, progressMaximum);

    line_.services.pause(kSettleBeforeCompleteMs);
    line_.services.showMessage(kFirmwareUpgradeComplete);
    const bool started = sendGo();
    leaveBootloaderMode(line_, true);
    outOfStep_ = false;
    if (started)
        return {Outcome::Flashed, {}};
    return told(Outcome::NotStarted, QStringLiteral("The firmware is written, but %1, so it may not have "
                                                    "started. Switch the pedal off and on again to start it.")
                                         .arg(failure_));
}
