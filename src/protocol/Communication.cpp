#include "protocol/Communication.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "link/D2XXUnit.h"

#include <QStringList>
#include <algorithm>

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

QString toHex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray decodeDecimalReply(const QByteArray& bytes, bool* appended) {
    // Walks the hex rendering, where ASCII digits show as "30".."39": in a well-formed reply a
    // "D" or "A" can only come from a CR (0D) or LF (0A), so they mark the ends of the fields.
    const QString h = toHex(bytes);
    QByteArray values;
    qsizetype b = 0;
    int v = 0;
    bool any = false;
    for (qsizetype j = 0; j < h.size(); ++j) {
        const QChar c = h.at(j);
        if (j == 0 && c == u'A') {
            b = 1;
        } else if (c == u'A') {
            b = j + 1;
        } else if (c == u'D') {
            QString field = b <= j - 1 ? h.mid(b, j - b) : QString();
            field.chop(1);
            if (field.size() == 2 || field.size() == 4 || field.size() == 6) {
                QString digits;
                for (qsizetype k = 1; k < field.size(); k += 2)
                    digits += field.at(k);
                v = strToInt(digits);
            }
            values.append(static_cast<char>(static_cast<unsigned>(v) % 256));
            any = true;
            if (j + 1 < h.size() && h.at(j + 1) == u'A')
                ++j;
            b = j + 1;
        }
    }
    if (appended)
        *appended = any;
    return values;
}

Communication::Communication(UsbLink& link, Services& services, ConsoleLog& log, IncomingDecoder& incoming)
    : link_(link), services_(services), log_(log), incoming_(incoming) {}

std::uint32_t Communication::convertHex(const QString& text, std::uint32_t count) {
    const std::uint32_t pairs = std::min<std::uint32_t>(count, kUsbBufferSize);
    for (std::uint32_t i = 0; i < pairs; ++i) {
        const qsizetype at = static_cast<qsizetype>(i) * 2;
        if (at + 1 >= text.size())
            return i;
        const int hi = hexDigit(text.at(at));
        const int lo = hexDigit(text.at(at + 1));
        if (hi < 0 || lo < 0)
            return i;
        link_.txBuffer[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return pairs;
}

std::uint32_t Communication::SendHexMessage(const QString& text, std::uint32_t count, bool purgeFirst) {
    const std::uint32_t converted = convertHex(text, count);
    if (purgeFirst)
        link_.PurgeDeviceTx();
    link_.WriteDevice(count);
    return converted;
}

bool Communication::waitForReply(OnTimeout onTimeout) {
    const std::int64_t deadline = services_.elapsedMs() + kReplyTimeoutMs;
    // Each look waits up to a millisecond, so the looks count time as well: a driver that waits
    // on its own may do so while the clock of a test stands still.
    for (int looks = 0;; ++looks) {
        if (const FtStatus status = link_.GetDeviceQueueStatus(); status != FT_OK) {
            // With driver errors shown the user has just been told; otherwise this is the only
            // word of why no reply will come (a pedal unplugged the moment it was linked).
            if (!link_.reportDriverErrors && onTimeout == OnTimeout::Tell)
                services_.showMessage(QStringLiteral("The pedal cannot be read (FT_GetQueueStatus%1). Check "
                                                     "that it is connected and switched on.")
                                          .arg(ftStatusText(status)));
            return false;
        }
        if (link_.rxQueueBytes > 0) {
            incoming_.replyCame();
            return true;
        }
        if (services_.elapsedMs() >= deadline || looks >= kReplyTimeoutMs) {
            const QString text =
                QStringLiteral("No reply from the pedal within %1 seconds").arg(kReplyTimeoutMs / 1000);
            log_.log(text);
            // Should the reply still come, it must not be read as the answer to the next
            // question, nor by the receive poll as a report.
            link_.PurgeDeviceRx();
            incoming_.expectLateReply();
            if (onTimeout == OnTimeout::Tell)
                services_.showMessage(text + QStringLiteral(". Check that it is connected and switched on."));
            return false;
        }
        // Wait for the reply itself where the driver can, else sleep a little between looks, so a
        // silent pedal does not keep a core busy.
        if (!link_.WaitForReceive(1))
            services_.pause(1);
    }
}

QByteArray Communication::readReply(int pauseMs) {
    QByteArray collected;
    const std::int64_t limit = services_.elapsedMs() + kReplyReadLimitMs;
    for (;;) {
        const std::uint32_t got = link_.ReadDevice();
        if (pauseMs > 0)
            services_.pause(pauseMs);
        if (got == 0)
            break;
        collected.append(reinterpret_cast<const char*>(link_.rxBuffer.data()), got);
        if (services_.elapsedMs() > limit) {
            const QString text =
                QStringLiteral("The pedal kept sending for more than %1 seconds; its reply was "
                               "cut off there")
                    .arg(kReplyReadLimitMs / 1000);
            log_.log(text);
            services_.showMessage(text + QStringLiteral(". Try again while the pedal's controls are still."));
            break;
        }
    }
    return collected;
}

void Communication::passOnLiveReports(QByteArray& bytes) {
    for (const LiveReport& report : takeLiveReports(bytes)) {
        log_.log(QStringLiteral("live report taken out of the reply: control %1, parameter %2, value %3")
                     .arg(report.control)
                     .arg(report.index)
                     .arg(report.value));
        if (onLiveReport)
            onLiveReport(report);
    }
}

QString Communication::ReadTextReply(OnTimeout onTimeout) {
    if (!waitForReply(onTimeout))
        return {};
    const bool bootloader = link_.mode() == SerialMode::Bootloader;
    QByteArray bytes = readReply(bootloader ? 0 : 100);
    log_.log(QStringLiteral("num of bytes received: %1").arg(bytes.size()));
    link_.PurgeDeviceRx();
    if (bootloader)
        return toHex(bytes.left(1));
    passOnLiveReports(bytes);
    // Decoded whole, so a character split across two reads stays whole.
    return QString::fromUtf8(bytes);
}

bool Communication::ReadStateBlock() {
    if (!waitForReply())
        return false;
    link_.PurgeDeviceTx();
    QByteArray collected = readReply(link_.mode() == SerialMode::Bootloader ? 0 : 10);
    // Purge even when the reply does not decode, so its remains cannot confuse the next exchange.
    struct PurgeAtEnd {
        UsbLink& link;
        ~PurgeAtEnd() { link.PurgeDeviceRx(); }
    } purgeAtEnd{link_};
    passOnLiveReports(collected);
    if (DecodeStateBlock(collected))
        return true;
    // An old block kept in receiveArray must not be shown as the pedal's values.
    services_.showMessage(QStringLiteral("The pedal's reply held no values; the settings were not updated. "
                                         "Press Request to try again."));
    return false;
}

bool Communication::DecodeStateBlock(const QByteArray& bytes) {
    bool appended = false;
    const QByteArray values = decodeDecimalReply(bytes, &appended);
    if (appended)
        receiveArray = values;
    QStringList lines;
    lines.reserve(receiveArray.size() + 2);
    lines << QStringLiteral("num of bytes received: %1").arg(values.size());
    lines << QStringLiteral("receive array size: %1").arg(receiveArray.size());
    for (qsizetype i = 0; i < receiveArray.size(); ++i)
        lines << QString::number(i) + QStringLiteral(": ") +
                     intToHex(static_cast<std::uint8_t>(receiveArray.at(i)), 2);
    log_.logLines(lines);
    return appended;
}
