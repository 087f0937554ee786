#include "firmware/ui/TformFirmwareUpgrade.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

TformFirmwareUpgrade::TformFirmwareUpgrade(EditorContext& context)
    : EditorForm(context, QStringLiteral("formFirmwareUpgrade"), QStringLiteral("Firmware Upgrade"),
                 QSize(158, 143), QPoint(400, 200)),
      flasher_(context) {
    cmbFirmwareChoose =
        place(new QComboBox(body()), "cmbFirmwareChoose", QStringLiteral("Firmware image"), {8, 8, 142, 32});
    cmbFirmwareChoose->addItems(firmwareItems());
    // Nothing is chosen until the window is first shown, which chooses the newest.
    cmbFirmwareChoose->setCurrentIndex(-1);
    btnUpgradeFirmware = place(new QPushButton(QStringLiteral("Upgrade Firmware"), body()),
                               "btnUpgradeFirmware", QStringLiteral("Upgrade Firmware"), {8, 48, 142, 33});
    ProgressBar1 = place(new QProgressBar(body()), "ProgressBar1",
                         QStringLiteral("Firmware upgrade progress"), {8, 94, 142, 35});
    ProgressBar1->setValue(0);

    on(cmbFirmwareChoose, &QComboBox::currentIndexChanged, [this] { FirmwareSelect(); });
    on(btnUpgradeFirmware, &QPushButton::clicked, [this] { btnUpgradeFirmwareClick(); });
    flasher_.onProgress = [this](int value, int maximum) {
        ProgressBar1->setMaximum(maximum);
        ProgressBar1->setValue(value);
    };
}

void TformFirmwareUpgrade::showEvent(QShowEvent* event) {
    EditorForm::showEvent(event);
    runGuarded(ctx.services, [this] { FormShow(); });
}

void TformFirmwareUpgrade::FormShow() {
    cmbFirmwareChoose->setCurrentIndex(cmbFirmwareChoose->count() - 1);
}

void TformFirmwareUpgrade::FirmwareSelect() {
    firmwareName_ = cmbFirmwareChoose->currentText();
    ctx.console.logLines(firmwareSelectLog(firmwareName_));
}

void TformFirmwareUpgrade::btnUpgradeFirmwareClick() {
    // The button is off while a run goes, but a click already queued must not start a second.
    if (flasher_.running())
        return;
    btnUpgradeFirmware->setEnabled(false);
    const FirmwareFlasher::Result result = flasher_.flash(firmwareName_);
    btnUpgradeFirmware->setEnabled(true);
    ProgressBar1->setValue(0);
    switch (result.outcome) {
    case FirmwareFlasher::Outcome::Flashed:
    case FirmwareFlasher::Outcome::NotStarted:
        hide();
        emit backToNormal();
        break;
    case FirmwareFlasher::Outcome::NotWritten:
    case FirmwareFlasher::Outcome::Refused:
    case FirmwareFlasher::Outcome::Busy:
        // Still in the bootloader: the window stays, so the upgrade can be started again.
        break;
    }
}
