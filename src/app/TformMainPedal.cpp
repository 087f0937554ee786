// The main window's handlers that change the pedal: upload, assignments, the pedal-wide settings
// and the editor's mode.

#include "app/TformMain.h"

#include "app/EditorApp.h"
#include "app/ReceivePoll.h"
#include "base/SettingsFile.h"
#include "catalogue/Categories.h"
#include "catalogue/Upload.h"
#include "catalogue/ui/TformFXInfo.h"
#include "catalogue/ui/TformImpulseResponse.h"
#include "console/MemoryTools.h"
#include "params/Assignments.h"
#include "params/ui/TformFXParameters.h"
#include "protocol/PedalSettings.h"
#include "ui/ToggleSwitch.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

void TformMain::connectPedalControls() {
    on(btnUpload, &QPushButton::clicked, [this] { btnUploadClick(); });
    on(btnUploadFile, &QPushButton::clicked, [this] { btnUploadFileClick(); });
    on(menuLoadIR, &QAction::triggered, [this] { menuLoadIRClick(); });
    on(btnGetFXInfo, &QPushButton::clicked, [this] { btnGetFXInfoClick(); });
    on(btnAssign, &QPushButton::clicked, [this] { btnAssignClick(); });
    on(swLive, &ToggleSwitch::toggled, [this] { swLiveSwitch(); });
    on(btnStoreSettingsOnPedal, &QPushButton::clicked, [this] { btnStoreSettingsOnPedalClick(); });
    on(menuEraseSettings, &QAction::triggered, [this] { menuEraseSettingsClick(); });
    on(menuModePreset, &QAction::triggered, [this] { menuModePresetClick(); });
    on(menuModeBank, &QAction::triggered, [this] { menuModeBankClick(); });
    on(menuSaveConfiguration, &QAction::triggered, [this] { menuSaveConfigurationClick(); });
    on(menuLoadConfiguration, &QAction::triggered, [this] { menuLoadConfigurationClick(); });
}

// ---- Upload ----

int TformMain::checkedBank() const {
    if (rdbtnBank1->isChecked())
        return 0;
    if (rdbtnBank2->isChecked())
        return 1;
    return rdbtnBank3->isChecked() ? 2 : -1;
}

bool TformMain::impulseResponseCategory() const {
    return currentCategory == categoryNames[kImpulseResponseCategory].displayName;
}

void TformMain::btnUploadClick() {
    const bool ir = impulseResponseCategory();
    // Nothing is touched, not even the bypass, unless there is something sound to send.
    const UploadProgram program = uploadProgram(ctx.state.selectedEffectName, ir, ctx.state.irProgramText,
                                                ctx.state.bankMode, checkedBank());
    if (!program.problem.isEmpty()) {
        ctx.services.showMessage(program.problem);
        return;
    }
    if (!ctx.services.confirm(QStringLiteral("Upload the selected effect?")))
        return;
    lblStatus->setText(QStringLiteral("Uploading..."));
    const QString name = ctx.state.selectedEffectName;
    startLongOperation(QStringLiteral("Uploading %1").arg(name));
    ctx.worker().start(
        this, [name, ir, program](PedalLine& line) { return uploadEffect(line, name, ir, program); },
        [this](const UploadResult& result, const PedalWorker::Said&) {
            endLongOperation();
            // Unlinked meanwhile (or the pedal pulled out), the end is not this upload's to tell.
            if (!result.problem.isEmpty() && linked_ && !unlinkAsked_)
                ctx.services.showMessage(result.problem);
            // The status says what the pedal said; after a failure (told already) it says nothing.
            lblStatus->setText(result.end == UploadResult::End::Complete ? QStringLiteral("Upload complete")
                                                                         : QString());
        });
}

void TformMain::btnUploadFileClick() {
    const QString path = ctx.services.openFileName(QString(), QString());
    if (path.isEmpty())
        return;
    ctx.worker().start(
        this, [path](PedalLine& line) { return uploadFile(line, path); },
        [this](const FileUpload& upload, const PedalWorker::Said&) {
            if (!upload.read)
                ctx.services.showMessage(QStringLiteral("Error loading file: ") + upload.error);
        });
}

void TformMain::menuLoadIRClick() {
    windows.formImpulseResponse->load_impulse_response();
}

void TformMain::btnGetFXInfoClick() {
    // Beside the parameter window, whose frame it lines up with.
    const TformFXParameters* params = windows.formFXParameters;
    windows.formFXInfo->showPageOfSelectedEffect(
        QPoint(params->x() + params->frameGeometry().width(), params->y()));
}

// ---- Assignments ----

void TformMain::btnAssignClick() {
    const TformFXParameters::Assignments codes = windows.formFXParameters->takeAssignments();
    const QString text = assignControlsText(codes.parameters, codes.readbacks, ctx.state.bypassAssignCode,
                                            ctx.state.presetAssignCode);
    ctx.console.log(text);
    if (!ctx.services.confirm(QStringLiteral("Assign parameters?")))
        return;
    ctx.worker().start(
        this,
        [text](PedalLine& line) {
            assignControls(line, text);
            return true;
        },
        [](bool, const PedalWorker::Said&) {});
}

// ---- Pedal-wide settings ----

void TformMain::menuMIDIchannelsClickItem(QAction* item) {
    const QString text = item->text();
    ctx.console.logDirect(QStringLiteral("Midi channel: ") + text);
    const int channel = midiChannelOfItem(text);
    if (channel >= 0)
        ctx.worker().send(setMidiChannelText(channel));
}

void TformMain::swLiveSwitch() {
    const bool on = swLive->isChecked();
    lblLive->setText(on ? QStringLiteral("Live ON") : QStringLiteral("Live OFF"));
    ctx.worker().send(setLiveText(on));
}

void TformMain::btnStoreSettingsOnPedalClick() {
    const std::uint32_t n = ctx.state.numOfParameters;
    ctx.worker().start(
        this,
        [n](PedalLine& line) {
            storeSettings(line, n);
            return true;
        },
        [](bool, const PedalWorker::Said&) {});
}

void TformMain::menuEraseSettingsClick() {
    if (!ctx.services.confirm(eraseSettingsQuestion()))
        return;
    // The memories come back as dumps while the editor waits; the poll shows them afterwards.
    startLongOperation(QStringLiteral("Erasing the pedal's settings"));
    ctx.worker().start(
        this, [](PedalLine& line) { return eraseSettings(line); },
        [this](bool, const PedalWorker::Said&) { endLongOperation(); });
}

// ---- The editor's mode ----

void TformMain::menuModePresetClick() {
    SetPresetMode();
}

void TformMain::menuModeBankClick() {
    SetBankMode();
}

void TformMain::writeModeFile(bool bankMode) {
    const QString path = SettingsFile::path(ctx.services, kModeFile);
    QString error;
    if (!SettingsFile::write(path, modeWord(bankMode), &error))
        ctx.services.reportError(QStringLiteral("Cannot write %1: %2").arg(path, error));
}

void TformMain::SetBankMode() {
    ctx.state.bankMode = true;
    menuModePreset->setChecked(false);
    menuModeBank->setChecked(true);
    lblBankNum->setEnabled(true);
    rdbtnBank1->setChecked(true);
    writeModeFile(true);
    if (ctx.state.requestInProgress)
        return;
    windows.formFXParameters->close();
    lstCategory->setCurrentRow(-1);
    lstCategory->clearSelection();
    lstEffects->clear();
    ctx.state.selectedEffectName.clear();
}

void TformMain::SetPresetMode() {
    ctx.state.bankMode = false;
    menuModePreset->setChecked(true);
    menuModeBank->setChecked(false);
    lblBankNum->setEnabled(false);
    writeModeFile(false);
}

void TformMain::pedalModeRead(bool bankMode, int bankOrPreset) {
    if (bankMode) {
        SetBankMode();
        SelectBankRadio(bankOrPreset);
    } else {
        SetPresetMode();
    }
}
