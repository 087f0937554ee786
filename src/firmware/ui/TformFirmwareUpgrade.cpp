#include "firmware/ui/TformFirmwareUpgrade.h"

#include "ui/BusyGate.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

TformFirmwareUpgrade::TformFirmwareUpgrade(EditorContext& context)
    : EditorForm(context, QStringLiteral("formFirmwareUpgrade"), QStringLiteral("Firmware Upgrade"),
                 QSize(158, 172), QPoint(400, 200)),
      flasher_(context.line) {
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
    // Stops a run between two blocks; there only while one runs.
    btnCancelUpgrade = place(new QPushButton(QStringLiteral("Cancel"), this), "btnCancelUpgrade",
                             QStringLiteral("Cancel"), {8, 137, 142, 27});
    btnCancelUpgrade->hide();

    on(cmbFirmwareChoose, &QComboBox::currentIndexChanged, [this] { FirmwareSelect(); });
    on(btnUpgradeFirmware, &QPushButton::clicked, [this] { btnUpgradeFirmwareClick(); });
    on(btnCancelUpgrade, &QPushButton::clicked, [this] {
        ctx.worker().cancel();
        btnCancelUpgrade->setEnabled(false);
    });
    gate_ = new BusyGate(ctx.worker(), this);
    gate_->add(btnUpgradeFirmware);
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
    if (running_)
        return;
    running_ = true;
    btnCancelUpgrade->setEnabled(true);
    btnCancelUpgrade->show();
    const auto progress =
        connect(&ctx.worker(), &PedalWorker::progress, this, [this](int value, int maximum) {
            ProgressBar1->setMaximum(maximum);
            ProgressBar1->setValue(value);
        });
    const QString name = firmwareName_;
    const bool verify = verify_;
    ctx.worker().start(
        this, [this, name, verify](PedalLine&) { return flasher_.flash(name, verify); },
        [this, progress](const FirmwareFlasher::Result& result, const PedalWorker::Said&) {
            disconnect(progress);
            running_ = false;
            btnCancelUpgrade->hide();
            runEnded(result);
        });
}

void TformFirmwareUpgrade::runEnded(const FirmwareFlasher::Result& result) {
    ProgressBar1->setValue(0);
    switch (result.outcome) {
    case FirmwareFlasher::Outcome::Flashed:
    case FirmwareFlasher::Outcome::NotStarted:
        hide();
        emit backToNormal();
        break;
    case FirmwareFlasher::Outcome::NotWritten:
    case FirmwareFlasher::Outcome::Cancelled:
    case FirmwareFlasher::Outcome::Refused:
    case FirmwareFlasher::Outcome::Busy:
        // Still in the bootloader: the window stays, so the upgrade can be started again.
        break;
    }
}
