// The main window's part in firmware maintenance: arming or entering the pedal's bootloader,
// opening the firmware window, and normal mode again afterwards.

#include "app/EditorApp.h"
#include "app/ReceivePoll.h"
#include "app/TformMain.h"
#include "base/StartupSettings.h"
#include "console/ui/TformPrint.h"
#include "firmware/Bootloader.h"
#include "firmware/ui/TformFirmwareUpgrade.h"
#include "params/ui/TformFXParameters.h"
#include "ui/ToggleSwitch.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>

void TformMain::connectFirmwareControls() {
    on(chkFirmwareUpgradeMode, &QCheckBox::toggled, [this] { chkFirmwareUpgradeModeChange(); });
    on(menuFirmwareUpgradeMode, &QAction::triggered, [this] { menuFirmwareUpgradeModeClick(); });
    on(menuStartFirmwareUpgrade, &QAction::triggered, [this] { menuStartFirmwareUpgradeClick(); });
    on(menuVerifyAfterWriting, &QAction::triggered, [this] { menuVerifyAfterWritingClick(); });
}

void TformMain::chkFirmwareUpgradeModeChange() {
    ctx.state.bootloaderMode = chkFirmwareUpgradeMode->isChecked();
}

void TformMain::bootloaderReady() {
    enable(menuStartFirmwareUpgrade, true);
    // The bootloader understands nothing of the effects' messages: nothing else may speak to it
    // until the run is over or Upgrade Mode is left.
    for (QWidget* control :
         std::initializer_list<QWidget*>{btnRequest, btnUpload, btnOpenEffect, btnAssign,
                                         btnStoreSettingsOnPedal, swLive, menuMIDI, menuMode})
        enable(control, false);
    enable(menuEraseSettings, false);
    enable(menuLoadConfiguration, false);
    Timer_USB_read->stop();
    if (windows.formFXParameters->isVisible())
        windows.formFXParameters->EnableDisableControls(false);
    windows.formPrint->setPedalToolsEnabled(false);
}

void TformMain::clearBootloaderMode() {
    ctx.state.bootloaderMode = false;
    const bool open = linked_;
    ctx.worker().start(
        this,
        [open](PedalLine& line) {
            leaveBootloaderMode(line, open);
            return true;
        },
        [](bool, const PedalWorker::Said&) {});
    menuFirmwareUpgradeMode->setChecked(false);
    // Without the bootloader's framing a run could only fail half-way.
    enable(menuStartFirmwareUpgrade, false);
    enable(menuEraseSettings, true);
    enable(menuLoadConfiguration, true);
    windows.formPrint->setPedalToolsEnabled(true);
}

void TformMain::menuFirmwareUpgradeModeClick() {
    // The poll would take the bootloader's replies; it stays off for the whole exchange.
    Timer_USB_read->stop();
    // The item has already toggled its check mark; the mode follows it.
    if (menuFirmwareUpgradeMode->isChecked())
        ctx.state.bootloaderMode = true;
    else
        clearBootloaderMode();
    // Before any link the click only arms (or disarms) the next one; unlinked there is no one
    // to ask either.
    if (!ctx.state.linkedOnce || !linked_)
        return;
    ctx.worker().start(
        this,
        [](PedalLine& line) {
            bypassBeforeBootloader(line);
            return true;
        },
        [this](bool, const PedalWorker::Said&) { enterBootloaderAsked(); });
}

void TformMain::enterBootloaderAsked() {
    if (!ctx.services.confirm(kEnterBootloaderQuestion)) {
        // Normal mode again; the pedal answers the poll once more.
        clearBootloaderMode();
        Timer_USB_read->start();
        return;
    }
    ctx.state.bootloaderMode = true;
    ctx.worker().start(
        this, [](PedalLine& line) { return enterBootloader(line); },
        [this](bool acknowledged, const PedalWorker::Said&) {
            // After a failure the link is at the bootloader's framing: the check
            // mark says so, and unticking it is the way back.
            menuFirmwareUpgradeMode->setChecked(true);
            if (!acknowledged)
                return;
            bootloaderReady();
            menuFirmwareUpgrade->setEnabled(true);
        });
}

void TformMain::menuStartFirmwareUpgradeClick() {
    windows.formFirmwareUpgrade->setVerifyAfterWriting(menuVerifyAfterWriting->isChecked());
    windows.formFirmwareUpgrade->show();
    windows.formFirmwareUpgrade->raise();
}

void TformMain::menuVerifyAfterWritingClick() {
    // The item ticks and unticks itself; the next run, and the next start, follow it.
    const bool verify = menuVerifyAfterWriting->isChecked();
    windows.formFirmwareUpgrade->setVerifyAfterWriting(verify);
    const QString problem = StartupSettings::writeVerify(ctx.services, verify);
    if (!problem.isEmpty())
        ctx.services.reportError(problem);
}

void TformMain::firmwareRunEnded() {
    ctx.state.bootloaderMode = false;
    menuFirmwareUpgradeMode->setChecked(false);
    enable(menuStartFirmwareUpgrade, false);
    enable(btnRequest, true);
    enable(btnUpload, true);
    enable(btnOpenEffect, linked_);
    enable(swLive, true);
    enable(menuMIDI, linked_);
    enable(menuMode, linked_);
    enable(menuEraseSettings, true);
    enable(menuLoadConfiguration, true);
    windows.formPrint->setPedalToolsEnabled(true);
    Timer_USB_read->start();
}
