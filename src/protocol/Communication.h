#pragma once

#include "protocol/RealTimeFunctions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class UsbLink;
class Services;
class ConsoleLog;

// How long a synchronous exchange waits for the first byte of a reply before giving up. The
// pedal answers within a few milliseconds and the bootloader's slowest step (a global erase)
// within about a second, so this leaves ample room without letting a silent pedal wedge the editor.
inline constexpr int kReplyTimeoutMs = 5000;
// How long a reply may keep arriving once it has begun. The longest reply, a state block of 16
// parameters, takes under 50 ms on the wire; a pedal that keeps sending (a knob turning while
// the editor reads) would otherwise keep the editor in its read for ever.
inline constexpr int kReplyReadLimitMs = 2000;

// Hex rendering of bytes, two upper-case digits per byte, as the messages are written.
QString toHex(const QByteArray& bytes);

// Values of a decimal-number reply (one byte per line). Throws ConversionError when a field's
// digit places hold something other than decimal digits. `appended` tells whether any value
// was found at all, since an empty reply leaves the previous block in place.
QByteArray decodeDecimalReply(const QByteArray& bytes, bool* appended = nullptr);

// Whether a reply that does not come is told to the user in a message box of its own, or only
// logged because the caller says what failed in its own words.
enum class OnTimeout { Tell, Quiet };

// Message framing and the synchronous readers.
class Communication {
public:
    Communication(UsbLink& link, Services& services, ConsoleLog& log, IncomingDecoder& incoming);

    // Converts the hex text into txBuffer (pairs up to the first that is not two hex digits),
    // optionally purges the transmit queue, and writes `count` bytes in one write. Returns how
    // many pairs were converted.
    std::uint32_t SendHexMessage(const QString& text, std::uint32_t count, bool purgeFirst);
    std::uint32_t SendHexMessage(const QString& text, bool purgeFirst) {
        return SendHexMessage(text, static_cast<std::uint32_t>(text.size() / 2), purgeFirst);
    }
    // The conversion alone: pairs into txBuffer up to the first that is not two hex digits.
    std::uint32_t convertHex(const QString& text, std::uint32_t count);

    // Reads a reply synchronously: UTF-8 text in normal mode; in bootloader mode the first byte
    // received as two hex digits. Empty when the driver fails or nothing arrives in time.
    QString ReadTextReply(OnTimeout onTimeout = OnTimeout::Tell);
    // Reads a decimal-number reply into receiveArray. Returns false, leaving receiveArray
    // untouched, when no reply could be read or nothing in it decodes.
    bool ReadStateBlock();
    // Decodes into receiveArray and logs the result; false when no value decodes.
    bool DecodeStateBlock(const QByteArray& bytes);

    // The last state block read: a byte per decimal value of the reply.
    QByteArray receiveArray;

    // Live reports the pedal sent in the middle of a synchronous reply are handed here, in the
    // order they came, so a knob turned during an exchange still moves on screen.
    std::function<void(const LiveReport&)> onLiveReport;

    // Waits for the first byte of a reply, bounded by kReplyTimeoutMs (the user is told when it
    // passes). False when the queue query fails or on time-out.
    bool waitForReply(OnTimeout onTimeout = OnTimeout::Tell);

private:
    // Reads until a read returns nothing, pausing after each read; bounded by kReplyReadLimitMs.
    QByteArray readReply(int pauseMs);
    void passOnLiveReports(QByteArray& bytes);

    UsbLink& link_;
    Services& services_;
    ConsoleLog& log_;
    IncomingDecoder& incoming_;
};
