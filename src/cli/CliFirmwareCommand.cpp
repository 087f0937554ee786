// flash: the editor's built-in firmware written through the pedal's serial bootloader, either
// by asking a running pedal into it (B2 held, --yes) or finding it already there (--bootloader).
// firmware read and bootloader info: what the bootloader reads back and says of itself.

#include "cli/CliSession.h"

#include "base/Convert.h"
#include "firmware/Bootloader.h"
#include "firmware/Flasher.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

// A command of the bootloader's list as its maker names it, with its code.
QString bootloaderCommandName(std::uint8_t code) {
    static const std::pair<std::uint8_t, const char*> kNames[] = {
        {0x00, "Get"},
        {0x01, "Get Version"},
        {0x02, "Get ID"},
        {0x11, "Read Memory"},
        {0x21, "Go"},
        {0x31, "Write Memory"},
        {0x43, "Erase"},
        {0x44, "Extended Erase"},
        {0x63, "Write Protect"},
        {0x73, "Write Unprotect"},
        {0x82, "Readout Protect"},
        {0x92, "Readout Unprotect"},
    };
    const QString hex = intToHex(code, 2);
    for (const auto& [known, name] : kNames)
        if (known == code)
            return QStringLiteral("%1 (%2)").arg(QLatin1String(name), hex);
    return hex;
}

} // namespace

bool CliSession::reachBootloader(bool alreadyThere, FirmwareFlasher& flasher, const QString& command) {
    if (!link())
        return false;
    // The bootloader's silence is a step's failure, said once by the command.
    ctx_.link.reportDriverErrors = false;
    services_.messages.clear();
    if (alreadyThere) {
        if (!flasher.findBootloader())
            return stepFailed(flasher.lastFailure() +
                              QStringLiteral(": bring the pedal into its bootloader first, either with "
                                             "tarvo-max %1 --yes while it runs its effects and B2 (SAVE) "
                                             "is held, or with the editor's Firmware Upgrade > Upgrade Mode")
                                  .arg(command));
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
    if (!reachBootloader(alreadyThere, flasher, QStringLiteral("flash")))
        return status_;

    const int blocks =
        static_cast<int>((image->bytes.size() + kFirmwareChunkBytes - 1) / kFirmwareChunkBytes);
    showProgress(
        [blocks](int value) {
            return value < blocks ? QStringLiteral("writing") : QStringLiteral("checking");
        },
        32);
    const FirmwareFlasher::Result result = flasher.flash(*image, line.verify);
    endProgress();
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
    out_ << image->name << ": " << image->bytes.size() << " bytes written from 08000000"
         << (line.verify ? " and read back the same" : "") << ", version " << image->version << "; "
         << kFirmwareUpgradeComplete << Qt::endl;
    return kExitOk;
}

int CliSession::firmware(const CommandLine& line) {
    if (line.operands.first() != QLatin1String("read"))
        return fail(QStringLiteral("firmware takes read (see tarvo-max firmware --help)"), kExitUsage);
    if (!line.given.contains(QLatin1String("-o")))
        return fail(QStringLiteral("firmware read needs -o FILE (- for standard output)"), kExitUsage);
    std::uint32_t size = kFlashBytes;
    if (line.given.contains(QLatin1String("--size"))) {
        bool ok = false;
        const qulonglong n = line.size.toULongLong(&ok, 0);
        if (!ok || n == 0 || n > kFlashBytes)
            return fail(QStringLiteral("--size takes a number of bytes from 1 to %1, not %2")
                            .arg(kFlashBytes)
                            .arg(line.size),
                        kExitUsage);
        size = static_cast<std::uint32_t>(n);
    }
    if (!openOutput(line.output))
        return status_;
    FirmwareFlasher flasher(ctx_.line);
    if (!reachBootloader(!line.yes, flasher, QStringLiteral("firmware read")))
        return status_;
    showProgress([](int) { return QStringLiteral("reading"); }, 32);
    const FirmwareFlasher::FlashRead read = flasher.readFlash(kFlashBase, size);
    endProgress();
    if (!read.complete)
        return fail(QStringLiteral("the flash was not read: %1; nothing was written").arg(read.failure),
                    read.cancelled ? kExitInterrupted : kExitFailed);
    if (!writeOutput(read.bytes))
        return status_;
    if (!outputOnStandardOutput())
        out_ << "flash " << intToHex(kFlashBase, 8) << ": " << size << " bytes written to " << line.output
             << Qt::endl;
    return kExitOk;
}

int CliSession::bootloader(const CommandLine& line) {
    if (line.operands.first() != QLatin1String("info"))
        return fail(QStringLiteral("bootloader takes info (see tarvo-max bootloader --help)"), kExitUsage);
    FirmwareFlasher flasher(ctx_.line);
    if (!reachBootloader(!line.yes, flasher, QStringLiteral("bootloader info")))
        return status_;
    const FirmwareFlasher::Identity identity = flasher.identify();
    if (!identity.ok)
        return fail(identity.failure);
    const QString version = QStringLiteral("%1.%2").arg(identity.version >> 4).arg(identity.version & 0x0F);
    QStringList commands;
    for (const char code : identity.commands)
        commands << intToHex(static_cast<std::uint8_t>(code), 2);
    const QString chip = intToHex(identity.productId, 4);
    if (line.json) {
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("version"), version},
                                          {QStringLiteral("commands"), QJsonArray::fromStringList(commands)},
                                          {QStringLiteral("chipId"), chip}})
                    .toJson(QJsonDocument::Compact)
             << Qt::endl;
        return kExitOk;
    }
    QStringList named;
    for (const char code : identity.commands)
        named << bootloaderCommandName(static_cast<std::uint8_t>(code));
    out_ << "bootloader version: " << version << '\n'
         << "commands: " << named.join(QStringLiteral(", ")) << '\n'
         << "chip ID: " << chip << Qt::endl;
    return kExitOk;
}
