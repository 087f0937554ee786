#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class ConsoleLog;
class Services;

// A knob, switch or the expression input moved on the pedal: the control by its assignment code,
// the parameter it drives, and where it went.
struct LiveReport {
    std::uint8_t control = 0;
    std::uint8_t index = 0;
    std::uint16_t value = 0;
};

// What one read of the receive poll holds.
struct IncomingMessage {
    enum class Kind { Nothing, Bank, Effect, UploadComplete, Live, MemoryDump };
    Kind kind = Kind::Nothing;
    // Bank: the bank as reported (0, 1, 2 for Bank I, II, III); Effect: the catalogue index.
    int number = 0;
    LiveReport live;
    // MemoryDump: the 16,384 bytes of pedal memory that follow the code.
    QByteArray dump;
};

inline constexpr int kMemoryDumpBytes = 0x4000;
// The whole text of the report that an uploaded program has been taken.
inline constexpr char kUploadCompleteReply[] = "Upload complete";
// A dump that stops arriving is given up after this long.
inline constexpr int kMemoryDumpTimeoutMs = 3000;
// After a synchronous exchange gave up waiting, a decimal-number reply that the poll reads within
// this long of its first read since is the late reply, not a report.
inline constexpr int kLateReplyWindowMs = 10000;

// The receive poll's decoding: one read in, one decoded message out. A memory dump arrives in
// more than one read; its bytes are gathered here until it is whole, or given up when the rest
// does not come in time. The end-of-upload report may come in pieces too: a read that is only
// its start is kept for the next.
class IncomingDecoder {
public:
    IncomingDecoder(Services& services, ConsoleLog& log);

    // Throws ConversionError when a bank or effect report's number does not read.
    IncomingMessage decode(const QByteArray& read);
    // Bytes that came after a whole memory dump in the same read, waiting to be decoded with
    // the next read (an empty one will do).
    bool hasCarry() const { return !carry_.isEmpty(); }

    // A synchronous exchange has given up waiting for its reply: should it come after all, the
    // poll drops it instead of taking it for a report.
    void expectLateReply();
    // A synchronous exchange has had its reply: nothing late is waited for any more.
    void replyCame();

private:
    bool continuesDump(const QByteArray& read, IncomingMessage& message);
    bool isLateReply(const QByteArray& read);
    bool awaitsRestOfReport(QByteArray& read);

    Services& services_;
    ConsoleLog& log_;
    QByteArray pendingDump_;
    QByteArray carry_;
    QByteArray reportStart_;
    std::int64_t dumpDeadline_ = 0;
    bool lateReplyExpected_ = false;
    std::int64_t lateReplyUntil_ = -1;
};

// The console lines of a memory dump, "i: XX" for each byte.
QStringList memoryDumpLines(const QByteArray& dump);
// Every byte 0xFF.
bool isErasedMemory(const QByteArray& dump);

// Takes every live report out of bytes read as a synchronous reply. A reply is ASCII digits and
// line ends, so a 0xAA there can only start a report the pedal sent as a knob turned; left in,
// its bytes would be decoded as numbers of the reply.
QList<LiveReport> takeLiveReports(QByteArray& bytes);
// Whether a read looks like a decimal-number reply: digits and line ends only, with a line end.
bool isDecimalReply(const QByteArray& bytes);
