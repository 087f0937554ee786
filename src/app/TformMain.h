#pragma once

#include "catalogue/ResourceStore.h"
#include "link/Bridges.h"
#include "protocol/Connection.h"
#include "protocol/RealTimeFunctions.h"
#include "ui/EditorForm.h"

#include <QList>
#include <optional>

struct PresetFields;
class DeviceMonitor;
struct PresetContent;
struct RestoreResult;
struct StateRead;
class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QSocketNotifier;
class QTimer;
class ToggleSwitch;
class ReceivePoll;
class BusyGate;
class OperationProgress;
struct EditorWindows;

// The main window: the effect browser, the buttons that talk to the pedal, the bank and live
// controls, and the menus. The only window from which pedal work starts. Its handlers read the
// controls, call the core and show what comes back.
class TformMain : public EditorForm {
    Q_OBJECT
public:
    // The Info menu's item before a newer version is known; the version follows it.
    static inline const QString kNewAppVersionText = QStringLiteral("New version available:");

    TformMain(EditorContext& context, EditorWindows& windows);

    // Called once every window exists: ties this window to the others' signals.
    void windowsCreated();

    // Follows the bridges as `monitor` announces them plugged in and pulled out, waking only when
    // it has news. It must outlive this window.
    void followDevices(DeviceMonitor& monitor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLabels();
    void buildButtons();
    void buildBankAndLive();
    void buildBrowserAndTimers();
    void connectControls();
    void buildMenus();
    void buildFileAndConnectionMenus();
    void buildSettingsMenu();
    void buildFirmwareAndInfoMenus();
    QMenu* addMenu(QWidget* parent, const char* name, const QString& text);
    QAction* addItem(QMenu* menu, const char* name, const QString& text);

    // Start-up, in its fixed order of steps.
    void FormCreate();
    // Returns true when the key was consumed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    bool handleKey(QObject* watched, int key, Qt::KeyboardModifiers modifiers);

    // A control that starts an exchange with the pedal: the window's rule for it, shown while
    // the worker is idle.
    void enable(QWidget* control, bool on);
    void enable(QAction* control, bool on);
    void gatePedalControls();
    // A long exchange shows its progress and can be cancelled.
    void startLongOperation(const QString& what);
    void endLongOperation();

    // Discovery and linking.
    void CheckAttachedDevices();
    void ScanDevices();
    void showScannedBridges(const QList<BridgeInfo>& bridges);
    void linkOpened();
    void linkReplied(const QString& reply);
    void showUnlinked();
    void menuScanClick();
    void menuConnectClick();
    void menuDisconnectClick();
    void chkFirmwareUpgradeModeChange();

    // Firmware maintenance: into the bootloader, and back to normal after a run.
    void connectFirmwareControls();
    void bootloaderReady();
    void menuFirmwareUpgradeModeClick();
    void enterBootloaderAsked();
    void menuStartFirmwareUpgradeClick();
    void menuVerifyAfterWritingClick();
    void firmwareRunEnded();
    void clearBootloaderMode();

    // Bridges plugged in and pulled out (TformMainDevices.cpp).
    void devicesChanged();
    void relistAfterChange(bool usbDeparted);
    void showAttachedBridges(const QList<BridgeInfo>& bridges, bool usbDeparted);
    void linkedPedalUnplugged();
    // What the pull turned off beyond Unlink comes back with the next Link.
    void restoreAfterUnplug();

    // Read-back of the stored effect.
    void btnOpenEffectClick();
    void storedEffectReplied(const QString& reply);
    void openTheStoredEffect();
    bool ParseStoredEffectReply(const QString& text);
    bool OpenStoredEffect();
    // Looks the pedal's effect up in the catalogue and makes it the selected effect.
    void selectPedalEffect(const QString& name);
    // The pedal holds no effect (its placeholder line 0): nothing to show or request.
    void showNoEffectOnPedal();
    // Opens the parameter window beside this one for the selected effect.
    void openParameterWindow(const QString& caption, bool setWidth);
    // Selects the pedal's effect in the browser; true when a category holds it.
    bool showPedalEffectInBrowser();

    // Effect browser.
    void create_categories();
    void categoryClick(int row);
    void get_effects_name();
    void effetto_cliccato(QListWidgetItem* item);
    bool move_up_or_down(int key);
    bool search_effect_name(int categoryRow);

    // Incoming messages and the read-back of the pedal's state.
    void Timer_USB_readTimer();
    void DispatchIncoming();
    void applyIncoming(const IncomingMessage& message);
    void SelectBankRadio(int n);
    void OpenReportedEffect(int number);
    void showMemoryDump(const QByteArray& dump);
    void btnRequestClick();
    void applyStateBlock();
    void ShowMidiChannel();

    // Changing the pedal: upload, assignments, pedal-wide settings, the editor's mode.
    void connectPedalControls();
    int checkedBank() const;
    bool impulseResponseCategory() const;
    void btnUploadClick();
    void btnUploadFileClick();
    void menuLoadIRClick();
    void btnGetFXInfoClick();
    void btnAssignClick();
    void swLiveSwitch();
    void btnStoreSettingsOnPedalClick();
    void menuEraseSettingsClick();
    void menuModePresetClick();
    void menuModeBankClick();
    void SetBankMode();
    void SetPresetMode();
    void writeModeFile(bool bankMode);
    void pedalModeRead(bool bankMode, int bankOrPreset);

    // Preset files.
    void menuSaveConfigurationClick();
    // The preset of the effect shown, from the values read from the pedal or loaded; none, and
    // the person told why, while there are none of that effect (or `windowOpen` is false).
    std::optional<PresetContent> presetOfShownEffect(bool windowOpen);
    void SaveTextWithDialog(const QString& TextContent, const QString& NameOfFile);
    // The text of the preset file the user picks, and its path; empty when none was read.
    QString OpenPresetFile(QString& path);
    void menuLoadConfigurationClick();
    void applyPreset(const PresetFields& fields);

    // The preset library, and the whole pedal backed up and restored (TformMainLibrary.cpp).
    void connectLibraryControls();
    void connectLibraryWindow();
    void menuPresetLibraryClick();
    void loadLibraryPreset(const QString& path);
    // The pedal brought to run `effect` (uploading it first when asked), read back, and the preset
    // applied to it.
    void readPedalThenLoadPreset(const QString& effect, const QString& text, bool upload);
    void saveCurrentToLibrary(const QString& name);
    void menuBackUpPedalClick();
    void menuRestorePedalClick();
    void restoreEnded(const QString& path, const QString& effect, const RestoreResult& result);
    // What the pedal answered when read back by an operation, shown as Get FX Stored on Pedal and
    // Request show it.
    void showPedalReadBack(const QString& storedReply, const StateRead& state, const QString& expected);

    // The version check.
    void checkmostrecentversiononwebsite();
    // Takes the web's version from the answer; false, with the reason shown, when there is none.
    bool WebRequestCompleted(const Services::HttpReply& response);
    QString GetAppVersionText() const;
    void menuSupportClick();

    // Settings kept between runs, and the look.
    void EnsureDocumentsFolder(const QString& name);
    void EnsureDocumentsSubfolder(const QString& name, const QString& subname);
    void LoadStartupSettings();
    void CreateLookMenu();
    void LoadLook();
    void applyLook(int look);
    void reportSettingsProblems();
    void menuLookClickItem(QAction* item);
    void menuShowUpdateMsgClick();
    void CreateMidiChannelMenu();
    void menuMIDIchannelsClickItem(QAction* item);

    EditorWindows& windows;
    ResourceStore resources_;
    // The bridge is open: set by a Link that opened it, cleared by Unlink. A Link or Request
    // waiting for the pedal looks at it again afterwards, since Unlink can run meanwhile.
    bool linked_ = false;
    // Unlink was pressed while an exchange ran: what that exchange brings is not shown.
    bool unlinkAsked_ = false;
    BusyGate* gate_ = nullptr;
    OperationProgress* progress_ = nullptr;
    int foundEffectRow_ = -1;
    bool showUpdateMessage = true;
    QString webVersion;
    QString versionAddress_;
    // Start-up's settings troubles, told once when the settings have been read.
    QStringList settingsProblems_;
    bool settingsFolderMissing_ = false;
    QString currentCategory;
    // Hot-plug: the monitor, the bridges as last listed, the serial number Link opened, and a
    // listing running (with another wanted after it).
    DeviceMonitor* deviceMonitor_ = nullptr;
    QSocketNotifier* deviceNotifier_ = nullptr;
    QList<BridgeInfo> attached_;
    QString linkedSerial_;
    bool relisting_ = false;
    bool relistAgain_ = false;
    bool usbDepartedPending_ = false;
    bool offAfterUnplug_ = false;

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
    QAction* menuPresetLibrary;
    QAction* menuBackUpPedal;
    QAction* menuRestorePedal;
    QAction* menuQuit;
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
    QAction* menuVerifyAfterWriting;
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
};
