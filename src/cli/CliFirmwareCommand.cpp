// flash: the editor's built-in firmware written through the pedal's serial bootloader, either
// by asking a running pedal into it (B2 held, --yes) or finding it already there (--bootloader).

#include "cli/CliSession.h"

#include "firmware/Bootloader.h"
#include "firmware/Flasher.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace {

// The built-in image of that name, in any letter case; the newest without one.
QString firmwareItemNamed(const QString& typed) {
    const QStringList items = firmwareItems();
    if (typed.isEmpty())
        return items.last();
    for (const QString& item : items)
        if (item.compare(typed, Qt::CaseInsensitive) == 0)
            return item;
    return {};
}

} // namespace

bool CliSession::reachBootloader(bool alreadyThere, FirmwareFlasher& flasher) {
    if (!link())
        return false;
    // The bootloader's silence is a step's failure, said once by the command.
    ctx_.link.reportDriverErrors = false;
    services_.messages.clear();
    if (alreadyThere) {
        if (!flasher.findBootloader())
            return stepFailed(
                flasher.lastFailure() +
                QStringLiteral(": bring the pedal into its bootloader first, either with "
                               "tarvo-max flash --yes while it runs its effects and B2 (SAVE) "
                               "is held, or with the editor's Firmware Upgrade > Upgrade Mode"));
        return true;
    }
    bypassBeforeBootloader(ctx_.line);
    if (!enterBootloader(ctx_.line))
        return stepFailed(kBootloaderEntryFailed +
                          QStringLiteral(": the pedal did not start its bootloader (was B2 (SAVE) held?)"));
    return true;
}

std::optional<FirmwareImage> CliSession::firmwareToFlash(const CommandLine& line) {
    const QString typed = line.operands.isEmpty() ? QString() : line.operands.first();
    if (line.given.contains(QLatin1String("--image"))) {
        if (!typed.isEmpty()) {
            fail(QStringLiteral("flash takes a built-in firmware's NAME or --image FILE, not both"),
                 kExitUsage);
            return std::nullopt;
        }
        // A raw flash image of the maintainer's own, with the version its record is to hold.
        QFile file(line.image);
        if (!file.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("cannot read %1: %2").arg(line.image, file.errorString()));
            return std::nullopt;
        }
        // Its version is the last character of its name before the extension, as the built-in
        // images' is of theirs: Firmware_2.bin holds version 2.
        const QString name = QFileInfo(line.image).fileName();
        const std::optional<int> version = firmwareVersionOf(QFileInfo(line.image).completeBaseName());
        if (const QString problem = firmwareImageProblem(name, file.size(), version); !problem.isEmpty()) {
            fail(problem);
            return std::nullopt;
        }
        const FirmwareImage image{name, *version, file.readAll()};
        return image;
    }
    const QString item = firmwareItemNamed(typed);
    if (item.isEmpty()) {
        fail(QStringLiteral("the editor holds no firmware called %1; it holds %2")
                 .arg(typed, firmwareItems().join(QLatin1String(", "))),
             kExitUsage);
        return std::nullopt;
    }
    const FirmwareLoad load = loadBuiltInFirmware(item);
    if (!load.image)
        fail(load.problem);
    return load.image;
}

int CliSession::flash(const CommandLine& line) {
    const std::optional<FirmwareImage> image = firmwareToFlash(line);
    if (!image)
        return status_;
    const bool alreadyThere = line.given.contains(QLatin1String("--bootloader"));
    if (!alreadyThere && !line.yes)
        return fail(
            QStringLiteral("flash asks the pedal into its bootloader, which it enters only with B2 (SAVE) "
                           "held: hold it and add --yes (a pedal already in its bootloader takes "
                           "--bootloader)"),
            kExitUsage);
    FirmwareFlasher flasher(ctx_.line);
    if (!reachBootloader(alreadyThere, flasher))
        return status_;

    // A bar on a terminal; where standard error is a file or a pipe, a line now and then. A
    // caller that keeps the messages in memory (a test, a script host) gets neither.
    const bool realStream = err_.string() == nullptr;
    const bool bar = realStream && isatty(STDERR_FILENO) != 0;
    ctx_.line.onProgress = [this, bar, realStream](int value, int maximum) {
        if (!realStream)
            return;
        if (!bar) {
            if (value < maximum && value % 32 == 0)
                err_ << "writing block " << value + 1 << " of " << maximum << Qt::endl;
            return;
        }
        const int width = 40;
        const int done = maximum > 0 ? value * width / maximum : 0;
        err_ << '\r' << "writing [" << QString(done, u'#') << QString(width - done, u' ') << "] " << value
             << '/' << maximum;
        err_.flush();
    };
    const FirmwareFlasher::Result result = flasher.flash(*image);
    ctx_.line.onProgress = {};
    // The bar leaves the line before anything else is said on it.
    if (bar)
        err_ << '\r' << QString(70, u' ') << '\r';
    err_.flush();
    switch (result.outcome) {
    case FirmwareFlasher::Outcome::Flashed:
        break;
    case FirmwareFlasher::Outcome::Cancelled:
        return fail(result.message + QStringLiteral(" (tarvo-max flash --bootloader)"), kExitInterrupted);
    case FirmwareFlasher::Outcome::NotWritten:
        return fail(result.message + QStringLiteral(" (tarvo-max flash --bootloader)"));
    case FirmwareFlasher::Outcome::NotStarted:
    case FirmwareFlasher::Outcome::Refused:
    case FirmwareFlasher::Outcome::Busy:
        return fail(result.message);
    }
    out_ << image->name << ": " << image->bytes.size() << " bytes written from 08000000, version "
         << image->version << "; " << kFirmwareUpgradeComplete << Qt::endl;
    return kExitOk;
}
