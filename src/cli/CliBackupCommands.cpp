// backup and restore: the whole pedal into a file, and the file back into a pedal, by the same
// operations as the editor's Back Up Pedal and Restore Pedal.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "backup/BackupRestore.h"

#ifndef TARVO_FILE_VERSION
#define TARVO_FILE_VERSION "1.0.0.0"
#endif

int CliSession::backup(const CommandLine& line) {
    const QString& file = line.operands.at(0);
    // The place first: one that cannot be written costs the pedal no wait.
    if (!openOutput(file) || !link())
        return status_;
    showProgress([](int) { return QStringLiteral("backing up"); });
    const BackupResult result = backupPedal(ctx_.line, QStringLiteral(TARVO_FILE_VERSION));
    endProgress();
    if (!result.ok)
        return fail(result.problem, ctx_.line.cancelRequested() ? kExitInterrupted : kExitFailed);
    if (!writeOutput(backupJson(result.backup)))
        return status_;
    if (!outputOnStandardOutput())
        out_ << "backup of the pedal (" << result.backup.pedal.effectName << ", "
             << result.backup.pedal.parameters.size() << " parameters, memories 50 and 51) written to "
             << file << Qt::endl;
    return kExitOk;
}

int CliSession::restore(const CommandLine& line) {
    const QString& file = line.operands.at(0);
    if (!line.yes)
        return fail(
            QStringLiteral("restore replaces the effect and settings on the pedal with the backup's: add "
                           "--yes to restore"),
            kExitUsage);
    // Everything is checked before anything is sent: a backup that cannot be restored costs nothing.
    const BackupParse parsed = readBackupFile(file);
    if (!parsed.ok())
        return fail(QStringLiteral("cannot restore %1: %2").arg(file, parsed.error));
    const RestorePlan plan = planRestore(*parsed.backup, resources_);
    if (!plan.ok())
        return fail(QStringLiteral("cannot restore %1: %2").arg(file, plan.problem));
    if (!link())
        return status_;
    showProgress([](int) { return QStringLiteral("restoring"); });
    const RestoreResult result = restorePedal(ctx_.line, plan);
    endProgress();
    switch (result.end) {
    case RestoreResult::End::Cancelled:
        return fail(result.problem, kExitInterrupted);
    case RestoreResult::End::NotRestored:
        return fail(result.problem);
    case RestoreResult::End::Restored:
        break;
    }
    if (!result.differences.isEmpty())
        return fail(
            QStringLiteral("the pedal was restored from %1, but what it holds differs from the backup: %2")
                .arg(file, result.differences.join(QStringLiteral("; "))));
    const PedalSnapshot& s = plan.backup.pedal;
    out_ << "pedal restored from " << file << ": " << plan.effectName << ", " << s.parameters.size()
         << " parameters, "
         << (s.bankMode() ? QStringLiteral("bank ") + bankName(s.bankOrPreset)
                          : QStringLiteral("preset mode"))
         << "; the read-back matches the backup" << Qt::endl;
    return kExitOk;
}
