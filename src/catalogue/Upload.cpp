#include "catalogue/Upload.h"

#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "base/Services.h"
#include "catalogue/Browser.h"
#include "catalogue/ResourceStore.h"
#include "protocol/Commands.h"
#include "protocol/EditorContext.h"

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

void writeUpload(EditorContext& ctx, ResourceStore& resources, const QString& selectedEffectName,
                 bool impulseResponseCategory, const UploadProgram& program) {
    if (impulseResponseCategory) {
        ctx.console.log(QStringLiteral("file content size: %1").arg(program.text.size() / 2));
    } else {
        const QString base = ResourceStore::format_resource_name(selectedEffectName);
        ctx.console.log(QStringLiteral("resource name: ") + base);
        resources.read_file_from_stream(base);
    }
    ctx.console.log(program.text.left(257));
    const auto length = static_cast<std::uint32_t>(program.text.size() / 2);
    ctx.console.log(QStringLiteral("size: %1").arg(length));
    const std::uint32_t converted = ctx.comm.convertHex(program.text, length);
    ctx.console.log(QStringLiteral("num of bytes: %1").arg(converted));
    ctx.link.WriteDevice(length);
    ctx.console.log(QStringLiteral("write to device"));
}

namespace {

void logAnswer(EditorContext& ctx) {
    if (!ctx.comm.waitForReply())
        return;
    const std::int64_t limit = ctx.services.elapsedMs() + kReplyReadLimitMs;
    for (;;) {
        ctx.services.processEvents();
        const std::uint32_t got = ctx.link.ReadDevice();
        if (got == 0 || ctx.services.elapsedMs() > limit)
            return;
        ctx.console.log(QStringLiteral("received: ") +
                        QString::fromLatin1(reinterpret_cast<const char*>(ctx.link.rxBuffer.data()), got));
    }
}

} // namespace

bool uploadFile(EditorContext& ctx, const QString& path, QString* error) {
    ctx.link.reportDriverErrors = true;
    ctx.console.log(path);
    ctx.console.log(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    ctx.console.log(text);
    ctx.console.log(QString::number(text.size()));
    const auto length = static_cast<std::uint32_t>(text.size() / 2);
    ctx.console.log(QStringLiteral("num of bytes: %1").arg(ctx.comm.convertHex(text, length)));
    ctx.link.WriteDevice(length);
    ctx.console.log(QStringLiteral("write to device"));
    logAnswer(ctx);
    return true;
}
