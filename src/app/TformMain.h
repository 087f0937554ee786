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
class ReceivePoll;
class QListWidgetItem;

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
    bool OpenStoredEffect();

    // Effect browser.
    void categoryClick(int row);
    void lstGainClick() { categoryClick(0); }
    void lstModulationClick() { categoryClick(1); }
    void lstSynthesisClick() { categoryClick(2); }
    void lstFilterClick() { categoryClick(3); }
    void lstDynamicClick() { categoryClick(4); }
    void lstIRClick() { categoryClick(5); }
    void lstOtherClick() { categoryClick(6); }
    void get_effects_name();
    void effetto_cliccato(QListWidgetItem* item);
    bool move_up_or_down(int key);
    bool search_effect_name(int categoryRow);

    // Incoming messages and the read-back of the pedal's state.
    void Timer_USB_readTimer();
    void DispatchIncoming();
    void SelectBankRadio(int n);
    void OpenReportedEffect(int number);
    void btnRequestClick();
    void RequestAndApplyState();
    void ShowMidiChannel();

    void chkFirmwareUpgradeModeChange();
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

    ReceivePoll* Timer_USB_read;
    QTimer* TimerCheckWebVersion;

    bool showUpdateMessage = true;
    QString currentCategory;

    static constexpr int kMemoryDumpSize = 1 + 0x4000;
    // A dump that stops arriving is dropped after this long.
    static constexpr int kMemoryDumpTimeoutMs = 3000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    // Opens the parameter window beside this one for the selected effect.
    void openParameterWindow(const QString& caption, bool setWidth);
    // Selects the pedal's effect in the browser; true when a category holds it.
    bool showPedalEffectInBrowser();
    // Looks the pedal's effect up in the catalogue and makes it the selected effect.
    void selectPedalEffect(int number);
    void showMemoryDump(const QByteArray& dump);
    bool linkedBridgeStillListed();

    // A memory dump arrives in more than one read; its bytes are gathered here until whole.
    QByteArray pendingDump_;
    int foundEffectRow_ = -1;
    std::int64_t dumpDeadline_ = 0;
};
