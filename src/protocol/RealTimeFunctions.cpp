#include "protocol/RealTimeFunctions.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "protocol/Commands.h"

#include <algorithm>

namespace {

constexpr int kLiveReportBytes = 5;

LiveReport liveReportAt(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype k) { return static_cast<std::uint8_t>(bytes.at(at + k)); };
    return {byte(1), byte(2), static_cast<std::uint16_t>(byte(3) * 256 + byte(4))};
}

} // namespace

IncomingDecoder::IncomingDecoder(Services& services, ConsoleLog& log) : services_(services), log_(log) {}

void IncomingDecoder::expectLateReply() {
    lateReplyExpected_ = true;
    lateReplyUntil_ = -1;
}

void IncomingDecoder::replyCame() {
    lateReplyExpected_ = false;
}

bool IncomingDecoder::isLateReply(const QByteArray& read) {
    if (!lateReplyExpected_)
        return false;
    // The window opens at the first read after the time-out, not at the time-out itself: the
    // user may take as long as they like over the "No reply" box, and nothing is read meanwhile.
    if (lateReplyUntil_ < 0)
        lateReplyUntil_ = services_.elapsedMs() + kLateReplyWindowMs;
    if (services_.elapsedMs() > lateReplyUntil_ || !isDecimalReply(read)) {
        lateReplyExpected_ = false;
        return false;
    }
    // It may come in several reads: the window stays open for the rest of it.
    log_.log(QStringLiteral("late reply dropped: %1 bytes").arg(read.size()));
    return true;
}

bool IncomingDecoder::continuesDump(const QByteArray& read, IncomingMessage& message) {
    if (pendingDump_.isEmpty())
        return false;
    if (services_.elapsedMs() > dumpDeadline_) {
        // The rest of the dump never came: give it up and read this as a message of its own.
        log_.log(QStringLiteral("memory dump incomplete: %1 of %2 bytes received")
                     .arg(pendingDump_.size())
                     .arg(1 + kMemoryDumpBytes));
        pendingDump_.clear();
        return false;
    }
    // Nothing else is read until the dump is whole or given up.
    pendingDump_ += read;
    if (pendingDump_.size() >= 1 + kMemoryDumpBytes) {
        message.kind = IncomingMessage::Kind::MemoryDump;
        message.dump = pendingDump_.mid(1, kMemoryDumpBytes);
        // Two dumps asked for in a row arrive in one read: the second is a message of its own.
        carry_ = pendingDump_.mid(1 + kMemoryDumpBytes);
        pendingDump_.clear();
    }
    return true;
}

bool IncomingDecoder::awaitsRestOfReport(QByteArray& read) {
    // The end of an upload is reported as a text of its own, which a serial line at the pedal's
    // speed hands over in pieces as often as whole ("U", "pload complet", "e"): its start is
    // kept until the rest has come.
    const QByteArray whole(kUploadCompleteReply);
    if (!reportStart_.isEmpty()) {
        const QByteArray joined = reportStart_ + read;
        reportStart_.clear();
        // What does not go on with the text was not its start: this read stands on its own.
        if (whole.startsWith(joined))
            read = joined;
    }
    if (read.size() >= whole.size() || !whole.startsWith(read))
        return false;
    reportStart_ = read;
    return true;
}

IncomingMessage IncomingDecoder::decode(const QByteArray& justRead) {
    IncomingMessage message;
    QByteArray read = carry_ + justRead;
    carry_.clear();
    if (continuesDump(read, message) || read.isEmpty() || isLateReply(read) || awaitsRestOfReport(read))
        return message;
    const QString text = QString::fromLatin1(read);
    const auto first = static_cast<std::uint8_t>(read.at(0));
    if (text.startsWith(u'0')) {
        message.kind = IncomingMessage::Kind::Bank;
        message.number = strToInt(text.mid(1));
    } else if (text.startsWith(u'1')) {
        message.kind = IncomingMessage::Kind::Effect;
        message.number = hexToInt(text.mid(1)) % 65536;
    } else if (text == QLatin1String(kUploadCompleteReply)) {
        message.kind = IncomingMessage::Kind::UploadComplete;
    } else if (first == Incoming::LiveReport && read.size() >= kLiveReportBytes) {
        message.kind = IncomingMessage::Kind::Live;
        message.live = liveReportAt(read, 0);
    } else if (first == Incoming::MemoryDump) {
        pendingDump_ = read;
        dumpDeadline_ = services_.elapsedMs() + kMemoryDumpTimeoutMs;
        continuesDump({}, message);
    }
    return message;
}

QStringList memoryDumpLines(const QByteArray& dump) {
    QStringList lines;
    lines.reserve(dump.size());
    for (qsizetype i = 0; i < dump.size(); ++i)
        lines << QString::number(i) + QStringLiteral(": ") +
                     intToHex(static_cast<std::uint8_t>(dump.at(i)), 2);
    return lines;
}

bool isErasedMemory(const QByteArray& dump) {
    return std::all_of(dump.begin(), dump.end(), [](char b) { return static_cast<std::uint8_t>(b) == 0xFF; });
}

QList<LiveReport> takeLiveReports(QByteArray& bytes) {
    QList<LiveReport> reports;
    qsizetype at = 0;
    while ((at = bytes.indexOf(static_cast<char>(Incoming::LiveReport), at)) >= 0) {
        if (bytes.size() - at < kLiveReportBytes) {
            // Cut short: it is no number of the reply either.
            bytes.truncate(at);
            break;
        }
        reports << liveReportAt(bytes, at);
        bytes.remove(at, kLiveReportBytes);
    }
    return reports;
}

bool isDecimalReply(const QByteArray& bytes) {
    if (!bytes.contains('\r'))
        return false;
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '\r' || c == '\n'; });
}
