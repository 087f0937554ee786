#pragma once

#include "firmware/Flasher.h"
#include "ui/EditorForm.h"

class QComboBox;
class QProgressBar;
class QPushButton;

// The firmware upgrade window: the image to write, the button that writes it, and its progress.
class TformFirmwareUpgrade : public EditorForm {
    Q_OBJECT
public:
    explicit TformFirmwareUpgrade(EditorContext& context);

    void FormShow();
    void FirmwareSelect();
    void btnUpgradeFirmwareClick();

    QComboBox* cmbFirmwareChoose;
    QPushButton* btnUpgradeFirmware;
    QProgressBar* ProgressBar1;

signals:
    // A run has ended with the link in normal mode again; the main window follows.
    void backToNormal();

protected:
    void showEvent(QShowEvent* event) override;

private:
    FirmwareFlasher flasher_;
    QString firmwareName_;
};
