#pragma once

#include "app/EditorForm.h"

#include <QList>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QTimer;
class ToggleSwitch;

// The main window: the effect browser, the buttons that talk to the pedal, the bank and live
// controls, and the menus. The only window from which pedal work starts.
class TformMain : public EditorForm {
    Q_OBJECT
public:
    TformMain(EditorContext& context, EditorWindows& windows);

    // Start-up, in its fixed order of steps.
    void FormCreate();
    // Returns true when the key was consumed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

    // Discovery and linking.
    void CheckAttachedDevices();
    void ScanDevices();
    bool LinkDevice();
    void menuScanClick();
    void menuConnectClick();
    void menuDisconnectClick();

    // Read-back of the stored effect.
    void btnOpenEffectClick();
    void GetFXStoredOnPedal();
    bool ParseStoredEffectReply(const QString& text);
    void OpenStoredEffect();

    void chkFirmwareUpgradeModeChange();
    void Timer_USB_readTimer();
    void checkmostrecentversiononwebsite();

    // Start-up routines that later work fills in.
    void create_categories();
    QString GetAppVersionText() const;
    void EnsureDocumentsFolder(const QString& name);
    void EnsureDocumentsSubfolder(const QString& name, const QString& subname);
    void LoadStartupSettings();
    void CreateLookMenu();
    void LoadLook();
    void CreateMidiChannelMenu();
    void menuLookClickItem(QAction* item);
    void menuMIDIchannelsClickItem(QAction* item);

    // Controls, named as in the design.
    QMenuBar* MenuBar1;
    QLabel* lblDeviceName;
    QLabel* lblFirmwareVersion;
    QLabel* lblSerialNumber;
    QPushButton* btnUpload;
    QLabel* lblStatus;
    QPushButton* btnOpenEffect;
    QPushButton* btnRequest;
    QPushButton* btnAssign;
    QPushButton* btnStoreSettingsOnPedal;
    QLabel* lblBankNum;
    QRadioButton* rdbtnBank1;
    QRadioButton* rdbtnBank2;
    QRadioButton* rdbtnBank3;
    QLabel* lblLive;
    ToggleSwitch* swLive;
    QCheckBox* chkFirmwareUpgradeMode;
    QPushButton* btnUploadFile;
    QPushButton* btnGetFXInfo;
    QListWidget* lstCategory;
    QListWidget* lstEffects;

    QMenu* menuFile;
    QAction* menuLoadConfiguration;
    QAction* menuSaveConfiguration;
    QAction* menuLoadIR;
    QMenu* menuConnection;
    QAction* menuScan;
    QAction* menuConnect;
    QAction* menuDisconnect;
    QMenu* menuSettings;
    QAction* menuLiveEnable;
    QMenu* menuLook;
    QMenu* menuMIDI;
    QMenu* menuMIDIchannel;
    QMenu* menuMode;
    QAction* menuModePreset;
    QAction* menuModeBank;
    QMenu* menuFirmwareUpgrade;
    QAction* menuFirmwareUpgradeMode;
    QAction* menuStartFirmwareUpgrade;
    QAction* menuEraseSettings;
    QMenu* menuInfo;
    QAction* menuQuickStart;
    QAction* menuSupport;
    QAction* menuAppVersion;
    QAction* menuNewAppVersion;
    QAction* menuSerialNumber;
    QAction* menuUpdateNow;
    QAction* menuShowUpdateMsg;
    QList<QAction*> midiChannelItems;

    QTimer* Timer_USB_read;
    QTimer* TimerCheckWebVersion;

    bool showUpdateMessage = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
};
