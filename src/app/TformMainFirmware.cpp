// The main window's part in firmware maintenance: arming or entering the pedal's bootloader,
// opening the firmware window, and normal mode again afterwards.

#include "app/EditorApp.h"
#include "app/ReceivePoll.h"
#include "app/TformMain.h"
#include "firmware/Bootloader.h"
#include "firmware/ui/TformFirmwareUpgrade.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>

void TformMain::connectFirmwareControls() {
    on(chkFirmwareUpgradeMode, &QCheckBox::toggled, [this] { chkFirmwareUpgradeModeChange(); });
    on(menuFirmwareUpgradeMode, &QAction::triggered, [this] { menuFirmwareUpgradeModeClick(); });
    on(menuStartFirmwareUpgrade, &QAction::triggered, [this] { menuStartFirmwareUpgradeClick(); });
}

void TformMain::chkFirmwareUpgradeModeChange() {
    ctx.state.bootloaderMode = chkFirmwareUpgradeMode->isChecked();
}

void TformMain::bootloaderHandshake() {
    if (!handshakeArmedLink(ctx))
        return;
    menuStartFirmwareUpgrade->setEnabled(true);
    btnRequest->setEnabled(false);
    btnUpload->setEnabled(false);
}

void TformMain::clearBootloaderMode() {
    leaveBootloaderMode(ctx, linked_);
    menuFirmwareUpgradeMode->setChecked(false);
    // Without the bootloader's framing a run could only fail half-way.
    menuStartFirmwareUpgrade->setEnabled(false);
}

void TformMain::menuFirmwareUpgradeModeClick() {
    // The poll would take the bootloader's replies; it stays off for the whole exchange.
    Timer_USB_read->stop();
    ctx.link.reportDriverErrors = false;
    // The item has already toggled its check mark; the mode follows it.
    if (menuFirmwareUpgradeMode->isChecked())
        ctx.state.bootloaderMode = true;
    else
        clearBootloaderMode();
    // Before any link the click only arms (or disarms) the next one; unlinked there is no one
    // to ask either.
    if (!ctx.state.linkedOnce || !linked_)
        return;
    switch (enterBootloader(ctx)) {
    case BootloaderEntry::Declined:
        // The core has put the link back in normal mode; the pedal answers the poll again.
        menuFirmwareUpgradeMode->setChecked(false);
        menuStartFirmwareUpgrade->setEnabled(false);
        Timer_USB_read->start();
        return;
    case BootloaderEntry::Failed:
        // The link is at the bootloader's framing now: the check mark says so, and unticking
        // it is the way back.
        menuFirmwareUpgradeMode->setChecked(true);
        return;
    case BootloaderEntry::Entered:
        menuFirmwareUpgradeMode->setChecked(true);
        menuStartFirmwareUpgrade->setEnabled(true);
        btnRequest->setEnabled(false);
        btnUpload->setEnabled(false);
        menuFirmwareUpgrade->setEnabled(true);
        return;
    }
}

void TformMain::menuStartFirmwareUpgradeClick() {
    windows.formFirmwareUpgrade->show();
    windows.formFirmwareUpgrade->raise();
}

void TformMain::firmwareRunEnded() {
    menuFirmwareUpgradeMode->setChecked(false);
    menuStartFirmwareUpgrade->setEnabled(false);
    btnRequest->setEnabled(true);
    btnUpload->setEnabled(true);
    Timer_USB_read->start();
}
