// The main window's part in the librarian: the Preset Library window's loads and saves (which
// need the pedal and the parameter window), and the whole pedal backed up into a file and
// restored from one.

#include "app/TformMain.h"

#include "ProductData.h"
#include "app/EditorApp.h"
#include "backup/BackupRestore.h"
#include "base/OutputFile.h"
#include "catalogue/Upload.h"
#include "params/PresetLibrary.h"
#include "params/ui/TformFXParameters.h"
#include "params/ui/TformPresetLibrary.h"
#include "protocol/ReadBack.h"
#include "ui/BusyGate.h"
#include "ui/OperationProgress.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <memory>

#ifndef TARVO_FILE_VERSION
#define TARVO_FILE_VERSION "1.0.0.0"
#endif

namespace {

const QString kBackupFilter = QStringLiteral("Tarvo Max backups (*.json)");
const QString kLinkFirst = QStringLiteral("Link the pedal first (Connection, Link).");

// Where backups are proposed: beside the presets, below the documents folder.
QString backupFolder(Services& services) {
    const QString documents = services.documentsPath();
    if (documents.isEmpty())
        return {};
    const QString folder = QStringList{documents, QStringLiteral("Merrow"), QStringLiteral("Tarvo Max"),
                                       QStringLiteral("Backup")}
                               .join(u'/');
    return QDir().mkpath(folder) ? folder : documents;
}

// What an exchange that brings the pedal to an effect reads: the upload, when one was asked for,
// then the stored effect and the state block, as Link and Request read them.
struct PedalRead {
    bool uploaded = false;
    UploadResult upload;
    QString storedReply;
    StateRead state;
};

} // namespace

void TformMain::connectLibraryControls() {
    on(menuPresetLibrary, &QAction::triggered, [this] { menuPresetLibraryClick(); });
    on(menuBackUpPedal, &QAction::triggered, [this] { menuBackUpPedalClick(); });
    on(menuRestorePedal, &QAction::triggered, [this] { menuRestorePedalClick(); });
    gate_->add(menuBackUpPedal);
    gate_->add(menuRestorePedal);
}

void TformMain::connectLibraryWindow() {
    TformPresetLibrary* library = windows.formPresetLibrary;
    on(library, &TformPresetLibrary::loadRequested, [this](const QString& path) { loadLibraryPreset(path); });
    on(library, &TformPresetLibrary::saveRequested,
       [this](const QString& name) { saveCurrentToLibrary(name); });
}

void TformMain::menuPresetLibraryClick() {
    TformPresetLibrary* library = windows.formPresetLibrary;
    if (!library->isVisible()) {
        // Below this window, where the parameter window, to its right, leaves room.
        const QRect frame = frameGeometry();
        library->move(frame.x(), frame.y() + frame.height());
    }
    library->show();
    library->raise();
    library->activateWindow();
}

// ---- Loading a preset of the library ----

void TformMain::loadLibraryPreset(const QString& path) {
    const FileResult read = readPresetFile(path);
    if (!read.ok) {
        ctx.services.showMessage(QStringLiteral("Error loading file: ") + read.error);
        return;
    }
    const CheckedPreset file = checkPresetFile(read.text);
    const QString name = libraryNameOf(QFileInfo(path).fileName());
    if (!file.ok()) {
        ctx.services.showMessage(QStringLiteral("%1 is not a preset: %2").arg(name, file.error));
        return;
    }
    const QString effect = LibraryCatalogue().name(file.fields->effectNumber);
    if (effect.isEmpty()) {
        ctx.services.showMessage(
            QStringLiteral("The preset %1 is for effect %2, which is not in this editor's "
                           "catalogue. Nothing was loaded.")
                .arg(name)
                .arg(file.fields->effectNumber));
        return;
    }
    const EditorState& s = ctx.state;
    ctx.console.log(read.text);
    // The pedal's effect shown with its values: loaded as Load Configuration loads.
    const bool shownLive = windows.formFXParameters->isBuilt() && s.selectedEffectName == effect &&
                           s.parameterValuesEffect == effect && (!linked_ || s.effectOnPedalSelected);
    if (shownLive) {
        const std::optional<EffectControls> controls = loadEffectControls(resources_, effect);
        const CheckedPreset checked =
            controls ? checkPresetText(read.text, ProductData::catalogueIndexOf(effect), *controls)
                     : CheckedPreset{};
        if (!checked.ok()) {
            ctx.services.showMessage(checked.error);
            return;
        }
        applyPreset(*checked.fields);
        return;
    }
    if (!linked_) {
        ctx.services.showMessage(
            QStringLiteral("The preset %1 is for %2. Open %2 first, or link the pedal: its "
                           "values go into the parameter window. Nothing was loaded.")
                .arg(name, effect));
        return;
    }
    if (s.pedalEffectName == effect) {
        readPedalThenLoadPreset(effect, read.text, false);
        return;
    }
    const QString onPedal = s.pedalEffectName.isEmpty() ? QStringLiteral("no effect") : s.pedalEffectName;
    if (!ctx.services.confirm(
            QStringLiteral("The preset %1 is for %2, but the pedal runs %3.\r\nUpload %2 to the "
                           "pedal first, then load the preset?")
                .arg(name, effect, onPedal)))
        return;
    readPedalThenLoadPreset(effect, read.text, true);
}

void TformMain::readPedalThenLoadPreset(const QString& effect, const QString& text, bool upload) {
    const std::optional<EffectControls> controls = loadEffectControls(resources_, effect);
    if (!controls)
        return;
    UploadProgram program;
    if (upload) {
        program = uploadProgram(effect, false, {}, ctx.state.bankMode, checkedBank());
        if (!program.problem.isEmpty()) {
            ctx.services.showMessage(program.problem);
            return;
        }
        lblStatus->setText(QStringLiteral("Uploading..."));
        startLongOperation(QStringLiteral("Uploading %1").arg(effect));
    }
    const std::uint32_t n = controls->layout.parameters();
    ctx.worker().start(
        this,
        [effect, program, upload, n](PedalLine& line) {
            PedalRead read;
            if (upload) {
                read.uploaded = true;
                read.upload = uploadEffect(line, effect, false, program);
                if (read.upload.end != UploadResult::End::Complete)
                    return read;
            }
            read.storedReply = askStoredEffectText(line);
            if (!read.storedReply.isEmpty())
                read.state = requestState(line, n);
            return read;
        },
        [this, effect, text, upload](const PedalRead& read, const PedalWorker::Said&) {
            if (upload) {
                endLongOperation();
                if (read.upload.end != UploadResult::End::Complete) {
                    ctx.services.showMessage(read.upload.problem);
                    lblStatus->setText(QString());
                    return;
                }
                lblStatus->setText(QStringLiteral("Upload complete"));
            }
            showPedalReadBack(read.storedReply, read.state, effect);
            const EditorState& s = ctx.state;
            if (!read.state.ok || s.selectedEffectName != effect || s.parameterValuesEffect != effect)
                return; // what went wrong has been said
            const std::optional<EffectControls> shown = loadEffectControls(resources_, effect);
            const CheckedPreset checked =
                shown ? checkPresetText(text, ProductData::catalogueIndexOf(effect), *shown)
                      : CheckedPreset{};
            if (!checked.ok()) {
                ctx.services.showMessage(checked.error);
                return;
            }
            applyPreset(*checked.fields);
        });
}

void TformMain::showPedalReadBack(const QString& storedReply, const StateRead& state,
                                  const QString& expected) {
    if (!linked_ || unlinkAsked_)
        return;
    storedEffectReplied(storedReply);
    // Values read for one effect are shown only on that effect's rows.
    if (!state.ok || ctx.state.pedalEffectName != expected || !windows.formFXParameters->isVisible())
        return;
    ctx.state.receiveArray = state.block;
    ctx.state.requestInProgress = true;
    const auto clearAtEnd = onScopeExit([this] { ctx.state.requestInProgress = false; });
    applyStateBlock();
}

// ---- Saving the pedal's settings into the library ----

void TformMain::saveCurrentToLibrary(const QString& name) {
    TformFXParameters* params = windows.formFXParameters;
    // As Save Configuration, but what the window shows now, moves since the Request included:
    // the current settings.
    std::optional<PresetContent> content = presetOfShownEffect(params->isBuilt());
    if (!content)
        return;
    content->values = params->shownLevels();
    content->values.resize(content->assignCodes.size(), 0);
    windows.formPresetLibrary->saveComposed(name, composePresetText(*content));
}

// ---- The whole pedal ----

void TformMain::menuBackUpPedalClick() {
    if (!linked_) {
        ctx.services.showMessage(kLinkFirst + QStringLiteral(" The backup is read from it."));
        return;
    }
    const QString folder = backupFolder(ctx.services);
    const QString what =
        ctx.state.pedalEffectName.isEmpty() ? QStringLiteral("Tarvo Max") : ctx.state.pedalEffectName;
    const QString proposed =
        QStringLiteral("%1 %2.json").arg(what, QDate::currentDate().toString(Qt::ISODate));
    QString path = ctx.services.saveFileName(QStringLiteral("Back Up Pedal"), kBackupFilter,
                                             folder.isEmpty() ? proposed : folder + u'/' + proposed);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".json");
    // The place first: one that cannot be written costs the pedal no wait. Until the backup is
    // whole, nothing takes the file's name.
    auto file = std::make_shared<OutputFile>(path);
    if (!file->open()) {
        ctx.services.showMessage(QStringLiteral("Error saving file: ") + file->error());
        return;
    }
    startLongOperation(QStringLiteral("Backing up the pedal"));
    ctx.worker().start(
        this, [](PedalLine& line) { return backupPedal(line, QStringLiteral(TARVO_FILE_VERSION)); },
        [this, file, path](const BackupResult& result, const PedalWorker::Said&) {
            endLongOperation();
            if (!result.ok) {
                ctx.services.showMessage(result.problem);
                return;
            }
            if (!file->write(backupJson(result.backup))) {
                ctx.services.showMessage(QStringLiteral("Error saving file: ") + file->error());
                return;
            }
            ctx.services.showMessage(
                QStringLiteral("The pedal was backed up to %1: %2, %3 parameters, and both "
                               "settings memories.")
                    .arg(path, result.backup.pedal.effectName)
                    .arg(result.backup.pedal.parameters.size()));
        });
}

void TformMain::menuRestorePedalClick() {
    if (!linked_) {
        ctx.services.showMessage(kLinkFirst + QStringLiteral(" The backup is restored into it."));
        return;
    }
    const QString path =
        ctx.services.openFileName(QStringLiteral("Restore Pedal"), kBackupFilter, backupFolder(ctx.services));
    if (path.isEmpty())
        return;
    // Everything is checked before anything is sent.
    const BackupParse parsed = readBackupFile(path);
    if (!parsed.ok()) {
        ctx.services.showMessage(QStringLiteral("The backup %1 cannot be restored: %2. Nothing was sent.")
                                     .arg(path, parsed.error));
        return;
    }
    const RestorePlan plan = planRestore(*parsed.backup, resources_);
    if (!plan.ok()) {
        ctx.services.showMessage(
            QStringLiteral("The backup %1 cannot be restored: %2").arg(path, plan.problem));
        return;
    }
    const PedalSnapshot& s = plan.backup.pedal;
    if (!ctx.services.confirm(
            QStringLiteral(
                "Restore the pedal from %1?\r\nThe effect and settings on the pedal are replaced with the "
                "backup's: %2, %3 parameters, %4.")
                .arg(path, plan.effectName)
                .arg(s.parameters.size())
                .arg(s.bankMode() ? QStringLiteral("bank %1").arg(s.bankOrPreset + 1)
                                  : QStringLiteral("preset mode"))))
        return;
    lblStatus->setText(QStringLiteral("Uploading..."));
    startLongOperation(QStringLiteral("Restoring the pedal"));
    const QString effect = plan.effectName;
    ctx.worker().start(
        this, [plan](PedalLine& line) { return restorePedal(line, plan); },
        [this, path, effect](const RestoreResult& result, const PedalWorker::Said&) {
            endLongOperation();
            restoreEnded(path, effect, result);
        });
}

void TformMain::restoreEnded(const QString& path, const QString& effect, const RestoreResult& result) {
    lblStatus->setText(result.storedReply.isEmpty() ? QString() : QStringLiteral("Upload complete"));
    // The windows show what the pedal now holds, as after Get FX Stored on Pedal and Request.
    if (!result.storedReply.isEmpty())
        showPedalReadBack(result.storedReply, StateRead{!result.block.isEmpty(), result.block}, effect);
    if (result.end != RestoreResult::End::Restored) {
        ctx.services.showMessage(result.problem);
        return;
    }
    if (result.differences.isEmpty()) {
        ctx.services.showMessage(
            QStringLiteral("The pedal was restored from %1: what it holds now matches the backup.")
                .arg(path));
        return;
    }
    ctx.services.showMessage(
        QStringLiteral("The pedal was restored from %1, but what it holds differs from the "
                       "backup:\r\n- %2")
            .arg(path, result.differences.join(QStringLiteral("\r\n- "))));
}
