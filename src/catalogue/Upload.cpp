#include "catalogue/Upload.h"

#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "catalogue/Browser.h"
#include "catalogue/ResourceStore.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"
#include "protocol/PedalSettings.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

bool isHexText(const QString& text) {
    return text.size() % 2 == 0 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
           });
}

UploadProgram storedProgram(const QString& name) {
    if (name.isEmpty())
        return {{}, QStringLiteral("Choose the effect to upload first.")};
    const std::optional<QByteArray> text = ProductData::raw(ResourceStore::format_resource_name(name));
    if (!text)
        return {
            {},
            QStringLiteral("The program of %1 is not in this editor's data; nothing was sent.").arg(name)};
    const QStringList lines = ProductData::splitLines(*text);
    return {lines.value(0), {}};
}

} // namespace

UploadProgram uploadProgram(const QString& selectedEffectName, bool impulseResponseCategory,
                            const QString& irProgramText, bool bankMode, int bank) {
    UploadProgram program;
    if (impulseResponseCategory) {
        // A zero-byte write shown as "Uploading..." would report a failure as success.
        if (irProgramText.isEmpty())
            return {{},
                    QStringLiteral("Load an impulse response first: choose File, Load IR and a WAV file, "
                                   "then upload again.")};
        program.text = irProgramText;
    } else {
        program = storedProgram(selectedEffectName);
        if (!program.problem.isEmpty())
            return program;
    }
    if (program.text.size() < 6 || !isHexText(program.text))
        return {{},
                QStringLiteral("The program to upload is damaged (it is not whole hexadecimal text); "
                               "nothing was sent.")};
    if (!bankMode)
        return program;
    if (bank < 0 || bank > 2)
        return {{}, QStringLiteral("Choose the bank to upload into first: Bank I, II or III.")};
    if (program.text.size() / 2 > kBankProgramLimit)
        return {{},
                QStringLiteral("This program is %1 bytes long, more than a bank holds (%2 bytes); nothing "
                               "was sent.")
                    .arg(program.text.size() / 2)
                    .arg(kBankProgramLimit)};
    program.text =
        commandHex(static_cast<std::uint8_t>(Command::UploadEffectToBank + bank)) + program.text.mid(2);
    return program;
}

bool writeUpload(PedalLine& line, const QString& selectedEffectName, bool impulseResponseCategory,
                 const UploadProgram& program) {
    if (impulseResponseCategory) {
        line.console.log(QStringLiteral("file content size: %1").arg(program.text.size() / 2));
    } else {
        const QString base = ResourceStore::format_resource_name(selectedEffectName);
        line.console.log(QStringLiteral("resource name: ") + base);
        ResourceStore resources(line.services, line.console);
        resources.read_file_from_stream(base);
    }
    line.console.log(program.text.left(257));
    const auto length = static_cast<std::uint32_t>(program.text.size() / 2);
    line.console.log(QStringLiteral("size: %1").arg(length));
    const std::uint32_t converted = line.comm.convertHex(program.text, length);
    line.console.log(QStringLiteral("num of bytes: %1").arg(converted));
    const std::uint32_t written = line.link.WriteDevice(length);
    line.console.log(QStringLiteral("write to device"));
    return written == length;
}

namespace {

// Reads until the pedal reports the upload complete. Anything else it says meanwhile is handed
// on; the report itself may come in pieces, which the decoding puts together.
UploadResult::End waitForUploadComplete(PedalLine& line, std::int64_t limitMs) {
    const std::int64_t deadline = line.services.elapsedMs() + limitMs;
    while (line.services.elapsedMs() <= deadline) {
        if (line.cancelRequested())
            return UploadResult::End::Cancelled;
        if (line.link.GetDeviceQueueStatus() != FT_OK)
            return UploadResult::End::Gone;
        if (line.link.rxQueueBytes == 0) {
            if (!line.link.WaitForReceive(1))
                line.services.pause(1);
            continue;
        }
        const std::uint32_t n = line.link.ReadDevice();
        QByteArray read(reinterpret_cast<const char*>(line.link.rxBuffer.data()), static_cast<qsizetype>(n));
        for (const LiveReport& report : takeLiveReports(read))
            if (line.comm.onLiveReport)
                line.comm.onLiveReport(report);
        if (read.isEmpty())
            continue;
        try {
            const IncomingMessage message = line.incoming.decode(read);
            if (message.kind == IncomingMessage::Kind::UploadComplete)
                return UploadResult::End::Complete;
            line.passOn(message);
        } catch (const ConversionError&) {
            // A report that does not read is not the answer either.
        }
    }
    return UploadResult::End::TimedOut;
}

void logAnswer(PedalLine& line) {
    if (!line.comm.waitForReply())
        return;
    const std::int64_t limit = line.services.elapsedMs() + kReplyReadLimitMs;
    for (;;) {
        const std::uint32_t got = line.link.ReadDevice();
        if (got == 0 || line.services.elapsedMs() > limit)
            return;
        line.console.log(QStringLiteral("received: ") +
                         QString::fromLatin1(reinterpret_cast<const char*>(line.link.rxBuffer.data()),
                                             static_cast<qsizetype>(got)));
    }
}

} // namespace

UploadResult uploadEffect(PedalLine& line, const QString& selectedEffectName, bool impulseResponseCategory,
                          const UploadProgram& program) {
    UploadResult result;
    result.bytes = static_cast<std::uint32_t>(program.text.size() / 2);
    // The pedal answers once the whole program has come down the line, which may still be on its
    // way when the write returns.
    const std::int64_t wireMs =
        line.link.baudRate ? std::int64_t(result.bytes) * 10 * 1000 / line.link.baudRate : 0;
    const std::int64_t limitMs = kReplyTimeoutMs + wireMs;
    result.limitSeconds = static_cast<int>((limitMs + 999) / 1000);

    line.link.PurgeDeviceRx();
    line.comm.SendHexMessage(setBypassText(true), false);
    line.services.pause(kBypassBeforeUploadMs);
    line.link.reportDriverErrors = true;
    if (!writeUpload(line, selectedEffectName, impulseResponseCategory, program)) {
        result.problem = QStringLiteral("The program did not reach the pedal; nothing was uploaded.");
        return result;
    }
    result.end = waitForUploadComplete(line, limitMs);
    switch (result.end) {
    case UploadResult::End::Gone:
        result.problem = QStringLiteral("The pedal went away during the upload.");
        break;
    case UploadResult::End::TimedOut:
        result.problem = QStringLiteral("The pedal did not report the upload complete within %1 seconds.")
                             .arg(result.limitSeconds);
        break;
    case UploadResult::End::Cancelled:
        result.problem = QStringLiteral("The upload was cancelled before the pedal reported it complete; "
                                        "upload the effect again.");
        break;
    case UploadResult::End::NotSent:
    case UploadResult::End::Complete:
        break;
    }
    return result;
}

FileUpload uploadFile(PedalLine& line, const QString& path) {
    line.link.reportDriverErrors = true;
    line.console.log(path);
    line.console.log(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, file.errorString()};
    const QString text = QString::fromUtf8(file.readAll());
    line.console.log(text);
    line.console.log(QString::number(text.size()));
    const auto length = static_cast<std::uint32_t>(text.size() / 2);
    line.console.log(QStringLiteral("num of bytes: %1").arg(line.comm.convertHex(text, length)));
    line.link.WriteDevice(length);
    line.console.log(QStringLiteral("write to device"));
    logAnswer(line);
    return {true, {}};
}
