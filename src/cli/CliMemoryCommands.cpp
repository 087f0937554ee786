// The pedal's two settings memories: dumped, erased, and both erased as Erase Settings does.
// Each dump is read back through the receive decoding, as the editor's receive poll reads it.

#include "cli/CliSession.h"

#include "base/Convert.h"
#include "console/MemoryTools.h"

namespace {

// "50", "51", and the same with 0x in front; empty for anything else.
QString memoryAddressOf(const QString& typed) {
    QString address = typed.trimmed().toUpper();
    if (address.startsWith(QLatin1String("0X")))
        address.remove(0, 2);
    return isMemoryAddress(address) ? address : QString();
}

void printHexDump(QTextStream& out, const QByteArray& dump) {
    for (qsizetype at = 0; at < dump.size(); at += 16) {
        out << intToHex(static_cast<std::uint32_t>(at), 4) << ':';
        for (qsizetype k = at; k < std::min<qsizetype>(at + 16, dump.size()); ++k)
            out << ' ' << intToHex(static_cast<std::uint8_t>(dump.at(k)), 2);
        out << '\n';
    }
    out.flush();
}

// Why the dumps asked for did not all come, in numbers that are true: bytes may all have come and
// still not read as a dump (a line that garbles its first byte, say).
QString dumpsMissing(int asked, int read, qint64 received, qint64 expected) {
    if (received == 0)
        return asked == 1 ? QStringLiteral("no memory dump came from the pedal")
                          : QStringLiteral("no memory dump came from the pedal (%1 asked for)").arg(asked);
    if (received < expected)
        return QStringLiteral("the memory dump stopped short: %1 of %2 bytes came")
            .arg(received)
            .arg(expected);
    const QString whole =
        asked == 1 ? QStringLiteral("but they did not read as a memory dump")
                   : QStringLiteral("but only %1 of the %2 memory dumps read as one").arg(read).arg(asked);
    return QStringLiteral("%1 bytes came from the pedal, as many as asked for, %2; the line may be "
                          "garbling bytes")
        .arg(received)
        .arg(whole);
}

qsizetype bytesNotErased(const QByteArray& dump) {
    return std::count_if(dump.begin(), dump.end(),
                         [](char b) { return static_cast<std::uint8_t>(b) != 0xFF; });
}

} // namespace

int CliSession::eraseSettings(const CommandLine& line) {
    if (!line.yes)
        return fail(
            QStringLiteral("erase-settings deletes the effect, presets and assignments stored on the "
                           "pedal: add --yes to erase (tarvo-max erase-settings --help shows what the "
                           "editor asks)"),
            kExitUsage);
    // No question first: erasing is what a pedal that no longer answers may need.
    if (!link())
        return status_;
    services_.messages.clear();
    ::eraseSettings(ctx_.line);
    if (!services_.messages.isEmpty())
        return fail(QStringLiteral("the messages did not reach the pedal: ") + lastMessage());
    QList<QByteArray> dumps;
    if (!collectDumps(2, dumps))
        return status_;
    return reportErased({kMemoryA, kMemoryB}, dumps);
}

int CliSession::memory(const CommandLine& line) {
    const QString action = line.operands.at(0).toLower();
    const QString address = memoryAddressOf(line.operands.at(1));
    if (action != QLatin1String("dump") && action != QLatin1String("erase"))
        return fail(QStringLiteral("memory takes dump or erase, not %1").arg(line.operands.at(0)),
                    kExitUsage);
    if (address.isEmpty())
        return fail(QStringLiteral("%1 is no memory of the pedal: give 50 or 51").arg(line.operands.at(1)),
                    kExitUsage);
    if (action == QLatin1String("dump"))
        return dumpMemory(address, line.output);
    if (line.given.contains(QLatin1String("-o")))
        return fail(QStringLiteral("-o FILE is for memory dump (see tarvo-max memory --help)"), kExitUsage);
    if (!line.yes)
        return fail(
            QStringLiteral("memory erase deletes what memory %1 holds: add --yes to erase").arg(address),
            kExitUsage);
    return eraseMemory(address);
}

int CliSession::dumpMemory(const QString& address, const QString& output) {
    if (!output.isEmpty() && !openOutput(output))
        return status_;
    if (!link())
        return status_;
    services_.messages.clear();
    ReadEEPROM(ctx_.line, address);
    if (!services_.messages.isEmpty())
        return fail(QStringLiteral("the message did not reach the pedal: ") + lastMessage());
    QList<QByteArray> dumps;
    if (!collectDumps(1, dumps))
        return status_;
    const QByteArray& dump = dumps.first();
    if (output.isEmpty()) {
        printHexDump(out_, dump);
        return kExitOk;
    }
    if (!writeOutput(dump))
        return status_;
    // On standard output the dump is the result, and nothing may follow it there.
    if (!outputOnStandardOutput())
        out_ << "memory " << address << ": " << dump.size() << " bytes written to " << output << Qt::endl;
    return kExitOk;
}

int CliSession::eraseMemory(const QString& address) {
    if (!link())
        return status_;
    services_.messages.clear();
    EraseEEPROM(ctx_.line, address);
    // Read back, so that what is reported is what the memory now holds.
    ReadEEPROM(ctx_.line, address);
    if (!services_.messages.isEmpty())
        return fail(QStringLiteral("the messages did not reach the pedal: ") + lastMessage());
    QList<QByteArray> dumps;
    if (!collectDumps(1, dumps))
        return status_;
    return reportErased({address}, dumps);
}

int CliSession::reportErased(const QStringList& addresses, const QList<QByteArray>& dumps) {
    // Everything is known before anything is printed: a failure leaves nothing on standard output.
    for (qsizetype i = 0; i < addresses.size(); ++i)
        if (const qsizetype left = bytesNotErased(dumps.at(i)))
            return fail(QStringLiteral("memory %1 was not erased: %2 of its %3 bytes are not FF")
                            .arg(addresses.at(i))
                            .arg(left)
                            .arg(dumps.at(i).size()));
    for (const QString& address : addresses)
        out_ << "memory " << address << ": erased\n";
    out_.flush();
    return kExitOk;
}

bool CliSession::collectDumps(int count, QList<QByteArray>& dumps) {
    const std::int64_t deadline = services_.elapsedMs() + kMemoryDumpTimeoutMs;
    const qint64 expected = count * qint64(1 + kMemoryDumpBytes);
    qint64 received = 0;
    while (dumps.size() < count) {
        services_.messages.clear();
        if (ctx_.link.GetDeviceQueueStatus() != FT_OK)
            return stepFailed(QStringLiteral("the pedal is gone: ") + lastMessage());
        if (ctx_.link.rxQueueBytes == 0 && !ctx_.incoming.hasCarry()) {
            if (services_.elapsedMs() > deadline)
                return stepFailed(dumpsMissing(count, static_cast<int>(dumps.size()), received, expected));
            services_.pause(1);
            continue;
        }
        const std::uint32_t n = ctx_.link.ReadDevice();
        received += n;
        try {
            const IncomingMessage message =
                ctx_.incoming.decode(QByteArray(reinterpret_cast<const char*>(ctx_.link.rxBuffer.data()), n));
            if (message.kind == IncomingMessage::Kind::MemoryDump)
                dumps << message.dump;
        } catch (const ConversionError&) {
            // A report that does not read is not the dump being waited for.
        }
    }
    return true;
}
