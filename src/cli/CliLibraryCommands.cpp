// The preset library: the preset folder's presets listed, saved, loaded, renamed and put in the
// trash by name, as the editor's Preset Library window does.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "ProductData.h"
#include "params/PresetLibrary.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct LibraryAction {
    const char* name;
    int operands; // words after the action
    const char* takes;
};
const LibraryAction kActions[] = {
    {"list", 0, "no NAME"},       {"save", 1, "the NAME"},   {"load", 1, "the NAME"},
    {"rename", 2, "OLD and NEW"}, {"delete", 1, "the NAME"},
};

QString modifiedText(const LibraryEntry& entry) {
    return entry.modified.toUTC().toString(Qt::ISODate);
}

QJsonObject entryJson(const LibraryEntry& entry) {
    QJsonObject o{{"name", entry.name}, {"preset", entry.preset}, {"modified", modifiedText(entry)}};
    if (!entry.preset) {
        o.insert(QStringLiteral("problem"), entry.problem);
        return o;
    }
    o.insert(QStringLiteral("effect"), entry.effectText());
    o.insert(QStringLiteral("effectNumber"), entry.effectNumber);
    o.insert(QStringLiteral("version"), entry.effectVersion);
    o.insert(QStringLiteral("parameters"), static_cast<int>(entry.parameterCount));
    return o;
}

} // namespace

int CliSession::library(const CommandLine& line) {
    const QString action = line.operands.at(0).toLower();
    const LibraryAction* chosen = nullptr;
    for (const LibraryAction& a : kActions)
        if (action == QLatin1String(a.name))
            chosen = &a;
    if (!chosen)
        return fail(QStringLiteral("library takes list, save, load, rename or delete, not %1")
                        .arg(line.operands.at(0)),
                    kExitUsage);
    if (line.operands.size() - 1 != chosen->operands)
        return fail(QStringLiteral("library %1 takes %2 (see tarvo-max library --help)")
                        .arg(action, QString::fromLatin1(chosen->takes)),
                    kExitUsage);
    const bool json = line.given.contains(QLatin1String("--json"));
    if (json && action != QLatin1String("list"))
        return fail(QStringLiteral("--json is for library list (see tarvo-max library --help)"), kExitUsage);
    for (const QString& name : line.operands.mid(action == QLatin1String("rename") ? 2 : 1))
        if (const QString problem = libraryNameProblem(name); !problem.isEmpty())
            return fail(problem, kExitUsage);
    const FileResult folder = ensurePresetFolder(services_);
    if (!folder.ok)
        return fail(folder.error);
    const QString& f = folder.text;
    if (action == QLatin1String("list"))
        return listLibrary(f, json);
    const QString& name = line.operands.at(1);
    if (action == QLatin1String("save"))
        return saveToLibrary(f, name, line.yes);
    if (action == QLatin1String("load"))
        return loadFromLibrary(f, name, line.yes);
    if (action == QLatin1String("rename")) {
        const FileResult renamed = renameLibraryPreset(f, name, line.operands.at(2));
        if (!renamed.ok)
            return fail(renamed.error);
        out_ << libraryNameOf(libraryFileName(name)) << " renamed to "
             << libraryNameOf(libraryFileName(line.operands.at(2))) << Qt::endl;
        return kExitOk;
    }
    if (!line.yes)
        return fail(
            QStringLiteral("library delete moves the preset %1 to the trash: add --yes to do it").arg(name),
            kExitUsage);
    const FileResult trashed = trashLibraryPreset(f, name);
    if (!trashed.ok)
        return fail(trashed.error);
    out_ << libraryNameOf(libraryFileName(name)) << " moved to the trash" << Qt::endl;
    return kExitOk;
}

int CliSession::listLibrary(const QString& folder, bool json) {
    LibraryCatalogue catalogue;
    const QList<LibraryEntry> entries = listPresetLibrary(folder, catalogue);
    if (json) {
        QJsonArray presets;
        for (const LibraryEntry& entry : entries)
            presets.append(entryJson(entry));
        out_ << QJsonDocument(QJsonObject{{"folder", folder}, {"presets", presets}})
                    .toJson(QJsonDocument::Compact)
             << Qt::endl;
        return kExitOk;
    }
    // One line a preset, its fields separated by tabs, as devices lists the pedals.
    for (const LibraryEntry& entry : entries) {
        out_ << entry.name << '\t';
        if (entry.preset)
            out_ << entry.effectText() << "\tv" << entry.effectVersion << '\t' << entry.parameterCount
                 << " parameters\t";
        else
            out_ << "not a preset: " << oneLine(entry.problem) << '\t';
        out_ << modifiedText(entry) << '\n';
    }
    out_.flush();
    return kExitOk;
}

int CliSession::saveToLibrary(const QString& folder, const QString& name, bool replace) {
    // Said before the pedal is asked: nothing is replaced unless the user says so.
    const QString path = libraryPath(folder, name);
    if (!replace && QFileInfo::exists(path))
        return fail(QStringLiteral("a preset called %1 is in the library already: add --yes to replace it")
                        .arg(libraryNameOf(libraryFileName(name))),
                    kExitUsage);
    if (!reachRunningEffect(true))
        return status_;
    const FileResult saved = saveLibraryPreset(folder, name, runningPresetText(), true);
    if (!saved.ok)
        return fail(saved.error);
    out_ << "preset of " << effectName_ << " saved to the library as " << libraryNameOf(libraryFileName(name))
         << Qt::endl;
    return kExitOk;
}

int CliSession::loadFromLibrary(const QString& folder, const QString& name, bool uploadFirst) {
    LibraryCatalogue catalogue;
    const LibraryPreset preset = readLibraryPreset(folder, name, catalogue);
    if (!preset.ok())
        return fail(QStringLiteral("cannot load the preset %1: %2").arg(name, preset.entry.problem));
    const LibraryEntry& entry = preset.entry;
    if (entry.effectName.isEmpty())
        return fail(
            QStringLiteral("cannot load the preset %1: it is for effect %2, which is not in this editor's "
                           "catalogue")
                .arg(name)
                .arg(entry.effectNumber));
    if (!link() || !readStoredEffect())
        return status_;
    const bool running = stored_->stored() && effectName_ == entry.effectName;
    QStringList said;
    if (!running) {
        // The editor offers to upload the preset's effect first; here --yes takes the offer.
        const QString onPedal =
            stored_->stored() && !effectName_.isEmpty() ? effectName_ : QStringLiteral("no effect");
        if (!uploadFirst)
            return fail(
                QStringLiteral("%1 is a preset of %2, but the pedal runs %3: add --yes to upload %2 first "
                               "and then load it")
                    .arg(libraryNameOf(libraryFileName(name)), entry.effectName, onPedal),
                kExitUsage);
        const UploadProgram program = uploadProgram(entry.effectName, false, {}, false, -1);
        if (!program.problem.isEmpty())
            return fail(program.problem);
        services_.messages.clear();
        const UploadResult upload = uploadEffect(ctx_.line, entry.effectName, false, program);
        if (upload.end == UploadResult::End::Cancelled)
            return fail(upload.problem, kExitInterrupted);
        if (upload.end != UploadResult::End::Complete)
            return fail(upload.problem + u' ' + lastMessage());
        said << QStringLiteral("%1: %2 (%3 bytes) in preset mode")
                    .arg(QString::fromLatin1(kUploadCompleteReply), entry.effectName)
                    .arg(upload.bytes);
        if (!readStoredEffect())
            return status_;
    }
    if (!loadControls())
        return status_;
    return applyPresetText(libraryNameOf(libraryFileName(name)), preset.text, said);
}
