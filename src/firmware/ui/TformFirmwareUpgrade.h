#pragma once

#include "firmware/Flasher.h"
#include "ui/EditorForm.h"

class BusyGate;
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
    // Whether the next run reads the flash back before Go (the main window's Verify After Writing).
    void setVerifyAfterWriting(bool on) { verify_ = on; }

    QComboBox* cmbFirmwareChoose;
    QPushButton* btnUpgradeFirmware;
    QProgressBar* ProgressBar1;
    QPushButton* btnCancelUpgrade;

signals:
    // A run has ended with the link in normal mode again; the main window follows.
    void backToNormal();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void runEnded(const FirmwareFlasher::Result& result);

    FirmwareFlasher flasher_;
    QString firmwareName_;
    bool running_ = false;
    bool verify_ = false;
    BusyGate* gate_ = nullptr;
};
