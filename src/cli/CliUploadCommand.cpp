// upload: an effect of the catalogue to the pedal, with the steps, messages and pause of the
// editor's Upload Selected Effect, then the wait for the pedal to say it has the program.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "ProductData.h"
#include "base/Convert.h"
#include "catalogue/Categories.h"
#include "catalogue/ImpulseResponse.h"
#include "catalogue/Upload.h"
#include "protocol/PedalSettings.h"

namespace {

// Bank I, II or III as 1, 2 or 3 (the editor's banks by their index 0 to 2).
std::optional<int> bankIndexOf(const QString& typed) {
    bool isNumber = false;
    const int number = typed.trimmed().toInt(&isNumber);
    if (!isNumber || number < 1 || number > 3)
        return std::nullopt;
    return number - 1;
}

bool playsImpulseResponse(const QString& effectName) {
    const std::optional<QByteArray> list =
        ProductData::raw(categoryNames[kImpulseResponseCategory].resourceName);
    return list && ProductData::splitLines(*list).contains(effectName);
}

} // namespace

std::optional<int> CliSession::bankOption(const CommandLine& line) {
    if (!line.given.contains(QLatin1String("--bank")))
        return -1;
    const std::optional<int> bank = bankIndexOf(line.bank);
    if (!bank)
        fail(QStringLiteral("--bank takes 1, 2 or 3 (bank I, II or III), not %1").arg(line.bank), kExitUsage);
    return bank;
}

int CliSession::upload(const CommandLine& line) {
    const std::optional<int> bank = bankOption(line);
    if (!bank)
        return status_;
    QString name;
    if (!checkEffectName(line.operands.join(u' '), name))
        return status_;
    const bool withIr = line.given.contains(QLatin1String("--ir"));
    const bool takesIr = playsImpulseResponse(name);
    if (takesIr != withIr)
        return fail(takesIr
                        ? QStringLiteral("%1 plays an impulse response: give it one with --ir WAV").arg(name)
                        : QStringLiteral("%1 takes no impulse response; those that do: %2")
                              .arg(name, impulseResponseEffects().join(QLatin1String(", "))),
                    kExitUsage);
    QString irText;
    if (withIr) {
        const std::optional<QString> composed = composeIr(line.ir, name);
        if (!composed)
            return status_;
        irText = *composed;
    }
    // Nothing goes to the pedal, not even the bypass, unless there is something sound to send.
    const UploadProgram program = uploadProgram(name, withIr, irText, *bank >= 0, *bank);
    if (!program.problem.isEmpty())
        return fail(program.problem, kExitUsage);
    return sendUpload(name, withIr, program, *bank);
}

int CliSession::sendUpload(const QString& name, bool impulseResponse, const UploadProgram& program,
                           int bank) {
    if (!link())
        return status_;
    services_.messages.clear();
    const UploadResult result = uploadEffect(ctx_.line, name, impulseResponse, program);
    switch (result.end) {
    case UploadResult::End::Complete:
        break;
    case UploadResult::End::TimedOut:
        return fail(QStringLiteral("the pedal did not report the upload complete within %1 seconds; "
                                   "tarvo-max info tells what it holds")
                        .arg(result.limitSeconds));
    case UploadResult::End::Cancelled:
        return fail(result.problem, kExitInterrupted);
    case UploadResult::End::NotSent:
        return fail(QStringLiteral("the program did not reach the pedal: ") + lastMessage());
    case UploadResult::End::Gone:
        return fail(QStringLiteral("the pedal is gone: ") + lastMessage());
    }
    out_ << kUploadCompleteReply << ": " << name << " (" << result.bytes << " bytes) "
         << (bank >= 0 ? QStringLiteral("into bank ") + bankName(bank) : QStringLiteral("in preset mode"))
         << Qt::endl;
    return kExitOk;
}

bool CliSession::checkEffectName(const QString& typed, QString& name) {
    const QStringList names = catalogueEffectNames();
    name = effectNamed(typed, names);
    if (name.isEmpty()) {
        const QStringList like = namesLike(typed, names);
        return stepFailed(
            QStringLiteral("the catalogue has no effect called \"%1\"").arg(typed) +
                (like.isEmpty() ? QString() : QStringLiteral("; did you mean %1?").arg(orList(like))),
            kExitUsage);
    }
    return true;
}
