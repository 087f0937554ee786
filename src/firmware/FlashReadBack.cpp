// The bootloader client's reading half: what the bootloader says of itself (Get, Get ID), and the
// flash read back through Read Memory, for checking a run before Go or for keeping what a pedal
// holds.

#include "firmware/Flasher.h"

#include "base/Convert.h"
#include "firmware/Bootloader.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::uint8_t kGet = 0x00;
constexpr std::uint8_t kGetId = 0x02;
constexpr std::uint8_t kReadMemory = 0x11;
// Read Memory takes at most this many bytes a command.
constexpr int kReadBlockBytes = 256;

QString address8(std::uint32_t address) {
    return intToHex(address, 8);
}

QString hex2(std::uint8_t value) {
    return intToHex(value, 2);
}

} // namespace

QByteArray FirmwareFlasher::receive(int count) {
    QByteArray got = std::exchange(readAhead_, {});
    while (got.size() < count) {
        // Bounded by the reply time-out, which it logs when it passes.
        if (!line_.comm.waitForReply(OnTimeout::Quiet))
            break;
        const std::uint32_t n = line_.link.ReadDevice();
        got.append(reinterpret_cast<const char*>(line_.link.rxBuffer.data()), n);
    }
    if (got.size() > count) {
        readAhead_ = got.mid(count);
        got.truncate(count);
    }
    // A silence in the middle of an answer leaves the two sides disagreeing where a command
    // begins.
    if (got.size() < count)
        outOfStep_ = true;
    return got;
}

bool FirmwareFlasher::saidTooMuch(const QString& what) {
    if (readAhead_.isEmpty())
        return false;
    // The bootloader says nothing unasked: more than the answer means it took something else
    // for a command.
    failure_ = QStringLiteral("the bootloader sent more than %1 asked for").arg(what);
    readAhead_.clear();
    outOfStep_ = true;
    return true;
}

bool FirmwareFlasher::sendCommand(std::uint8_t code, const QString& what) {
    readAhead_.clear();
    const QByteArray bytes =
        QByteArray().append(static_cast<char>(code)).append(static_cast<char>(code ^ 0xFF));
    return writeBytes(bytes, what) && acknowledged(what);
}

bool FirmwareFlasher::answerAcknowledged(const QString& what) {
    const QByteArray ack = receive(1);
    if (ack == QByteArray(1, static_cast<char>(BootloaderCode::Ack)))
        return true;
    log(QStringLiteral("received: ") + toHex(ack));
    if (ack.isEmpty()) {
        failure_ = QStringLiteral("the bootloader did not answer %1").arg(what);
    } else if (ack.at(0) == static_cast<char>(BootloaderCode::Nack)) {
        log(QStringLiteral("NOT ACK"));
        failure_ = QStringLiteral("the bootloader refused %1 (NOT ACK)").arg(what);
    } else {
        outOfStep_ = true;
        failure_ = QStringLiteral("the bootloader answered %1 with %2, which is no acknowledgement")
                       .arg(what, toHex(ack));
    }
    return false;
}

bool FirmwareFlasher::countedAnswer(std::uint8_t code, const QString& what, QByteArray& answer) {
    log(QStringLiteral("SEND ") + what.toUpper());
    readAhead_.clear();
    const QByteArray command =
        QByteArray().append(static_cast<char>(code)).append(static_cast<char>(code ^ 0xFF));
    if (!writeBytes(command, what) || !answerAcknowledged(what))
        return false;
    // N, the bytes that follow less one; then those bytes and a closing acknowledgement.
    const QByteArray n = receive(1);
    const int count = n.isEmpty() ? 0 : static_cast<std::uint8_t>(n.at(0)) + 1;
    const QByteArray rest = n.isEmpty() ? QByteArray() : receive(count + 1);
    log(QStringLiteral("received: 79") + toHex(n + rest));
    if (rest.size() != count + 1 || rest.back() != static_cast<char>(BootloaderCode::Ack)) {
        outOfStep_ = true;
        failure_ = QStringLiteral("the bootloader's answer to %1 did not end as it should").arg(what);
        return false;
    }
    if (saidTooMuch(what))
        return false;
    answer = rest.left(count);
    return true;
}

FirmwareFlasher::Identity FirmwareFlasher::identify() {
    Identity identity;
    line_.link.PurgeDeviceRx();
    QByteArray get;
    QByteArray id;
    if ((outOfStep_ && !bringBackInStep()) || !countedAnswer(kGet, QStringLiteral("Get"), get) ||
        !countedAnswer(kGetId, QStringLiteral("Get ID"), id)) {
        identity.failure = failure_;
        return identity;
    }
    if (get.isEmpty() || id.size() != 2) {
        identity.failure =
            get.isEmpty() ? QStringLiteral("the bootloader's answer to Get held no version")
                          : QStringLiteral("the bootloader gave a chip ID of %1 bytes, not 2").arg(id.size());
        return identity;
    }
    identity.ok = true;
    identity.version = static_cast<std::uint8_t>(get.at(0));
    identity.commands = get.mid(1);
    identity.productId = static_cast<std::uint16_t>((static_cast<std::uint8_t>(id.at(0)) << 8) |
                                                    static_cast<std::uint8_t>(id.at(1)));
    return identity;
}

bool FirmwareFlasher::readBlock(std::uint32_t address, int count, QByteArray& into) {
    const QString at = address8(address);
    log(QStringLiteral("SEND READ COMMAND"));
    if (!sendCommand(kReadMemory, QStringLiteral("the read command for %1").arg(at)))
        return false;
    log(QStringLiteral("SEND ADDRESS + CHECKSUM"));
    const QByteArray bytes = addressWithChecksum(address);
    log(QStringLiteral("Address: ") + at);
    log(QStringLiteral("address checksum: ") + hex2(static_cast<std::uint8_t>(bytes.back())));
    if (!writeBytes(bytes, QStringLiteral("the read address %1").arg(at)) ||
        !acknowledged(QStringLiteral("the read address %1").arg(at)))
        return false;
    // The count less one and its complement; the bootloader acknowledges them and sends the bytes
    // straight after.
    const auto n = static_cast<std::uint8_t>(count - 1);
    const QString what = QStringLiteral("the read of %1 bytes at %2").arg(count).arg(at);
    if (!writeBytes(QByteArray().append(static_cast<char>(n)).append(static_cast<char>(n ^ 0xFF)), what) ||
        !answerAcknowledged(what))
        return false;
    const QByteArray data = receive(count);
    if (data.size() != count) {
        failure_ = QStringLiteral("the bootloader sent %1 of the %2 bytes at %3")
                       .arg(data.size())
                       .arg(count)
                       .arg(at);
        return false;
    }
    if (saidTooMuch(what))
        return false;
    log(QStringLiteral("read %1 bytes").arg(count));
    into.append(data);
    return true;
}

bool FirmwareFlasher::verifyWritten(const std::vector<FirmwareChunk>& chunks, int version,
                                    int progressMaximum) {
    log(QStringLiteral("Start Read Back"));
    const auto count = static_cast<int>(chunks.size());
    std::uint32_t address = kFlashBase;
    const auto differs = [this](std::uint32_t start, const QByteArray& written, const QByteArray& read) {
        for (qsizetype i = 0; i < written.size(); ++i)
            if (written.at(i) != read.at(i)) {
                failure_ = QStringLiteral("the flash read back at %1 holds %2 where %3 was written")
                               .arg(address8(start + static_cast<std::uint32_t>(i)),
                                    hex2(static_cast<std::uint8_t>(read.at(i))),
                                    hex2(static_cast<std::uint8_t>(written.at(i))));
                log(failure_);
                return true;
            }
        return false;
    };
    for (int i = 0; i < count; ++i) {
        line_.progress(count + i, progressMaximum);
        // Between blocks, as when writing: never inside a command.
        if (line_.cancelRequested()) {
            cancelled_ = true;
            failure_ = QStringLiteral("it was cancelled while the flash was read back, after %1 of %2 blocks")
                           .arg(i)
                           .arg(count);
            return false;
        }
        const QByteArray& written = chunks[std::size_t(i)].bytes;
        QByteArray read;
        if (!readBlock(address, static_cast<int>(written.size()), read) || differs(address, written, read))
            return false;
        address += static_cast<std::uint32_t>(written.size());
    }
    // The record's eight bytes, as the Write Memory block carried them.
    const QByteArray record = versionRecordBlock(version).mid(1, 8);
    QByteArray read;
    if (!readBlock(kVersionRecordAddress, static_cast<int>(record.size()), read) ||
        differs(kVersionRecordAddress, record, read))
        return false;
    log(QStringLiteral("the flash holds what was written"));
    return true;
}

FirmwareFlasher::FlashRead FirmwareFlasher::readFlash(std::uint32_t address, std::uint32_t size) {
    FlashRead result;
    if (running_) {
        result.failure = QStringLiteral("a firmware run is going");
        return result;
    }
    running_ = true;
    const struct Done {
        bool& running;
        ~Done() { running = false; }
    } done{running_};
    const int blocks = static_cast<int>((size + kReadBlockBytes - 1) / kReadBlockBytes);
    line_.link.PurgeDeviceRx();
    if (outOfStep_ && !bringBackInStep()) {
        result.failure = failure_;
        return result;
    }
    result.bytes.reserve(static_cast<qsizetype>(size));
    for (int i = 0; i < blocks; ++i) {
        line_.progress(i, blocks);
        if (line_.cancelRequested()) {
            result.cancelled = true;
            result.failure = QStringLiteral("it was cancelled after %1 of %2 blocks").arg(i).arg(blocks);
            return result;
        }
        const std::uint32_t offset = static_cast<std::uint32_t>(i) * kReadBlockBytes;
        const int count = static_cast<int>(std::min<std::uint32_t>(kReadBlockBytes, size - offset));
        if (!readBlock(address + offset, count, result.bytes)) {
            result.failure = failure_;
            return result;
        }
    }
    line_.progress(blocks, blocks);
    result.complete = true;
    return result;
}
