#include "app/TformMain.h"

#include "ProductData.h"
#include "app/EditorApp.h"
#include "app/ReceivePoll.h"
#include "app/TformNewVersionMsg.h"
#include "base/VersionCheck.h"
#include "catalogue/Browser.h"
#include "catalogue/Categories.h"
#include "console/ui/TformPrint.h"
#include "firmware/Bootloader.h"
#include "firmware/ui/TformFirmwareUpgrade.h"
#include "link/Bridges.h"
#include "params/ui/TformFXParameters.h"
#include "protocol/Commands.h"
#include "protocol/ReadBack.h"
#include "protocol/StateBlock.h"
#include "ui/BusyGate.h"
#include "ui/OperationProgress.h"
#include "ui/ToggleSwitch.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <stdexcept>

#ifndef TARVO_FILE_VERSION
#define TARVO_FILE_VERSION "1.0.0.0"
#endif

namespace {
const QString kLinkedSuffix = QStringLiteral(" linked");
const QString kImpulseResponseHowTo = QStringLiteral(
    "How to load an impulse response:\r\n1) Select an IR load algorithm in Impulse Response category\r\n2) "
    "Go to File and click Load IR, choose the desired WAV file\r\n3) Click UPLOAD SELECTED EFFECT "
    "button\r\nWorks best with 48kHz sampling rate at a bitrate of 24 or 32 bit");
} // namespace

TformMain::TformMain(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, QStringLiteral("formMain"), QStringLiteral("Tarvo Max Editor"), QSize(399, 391),
                 QPoint(37, 31)),
      windows(windows), resources_(context.services, context.console) {
    // The menu bar first: the controls' design places are below it.
    buildMenus();
    buildLabels();
    buildButtons();
    buildBankAndLive();
    buildBrowserAndTimers();
    connectControls();
    gatePedalControls();
    connectLibraryControls();
    qApp->installEventFilter(this);
    FormCreate();
}

void TformMain::gatePedalControls() {
    gate_ = new BusyGate(ctx.worker(), this);
    for (QWidget* control :
         std::initializer_list<QWidget*>{btnUpload, btnOpenEffect, btnRequest, btnAssign,
                                         btnStoreSettingsOnPedal, btnUploadFile, swLive, menuMIDI, menuMode})
        gate_->add(control);
    for (QAction* control : {menuScan, menuConnect, menuFirmwareUpgradeMode, menuStartFirmwareUpgrade,
                             menuEraseSettings, menuLoadConfiguration})
        gate_->add(control);
}

void TformMain::startLongOperation(const QString& what) {
    if (!progress_)
        progress_ = new OperationProgress(ctx.worker(), this);
    progress_->begin(what);
}

void TformMain::endLongOperation() {
    if (progress_)
        progress_->end();
}

void TformMain::enable(QWidget* control, bool on) {
    if (gate_)
        gate_->setEnabled(control, on);
    else
        control->setEnabled(on);
}

void TformMain::enable(QAction* control, bool on) {
    if (gate_)
        gate_->setEnabled(control, on);
    else
        control->setEnabled(on);
}

void TformMain::windowsCreated() {
    connect(windows.formNewVersionMsg, &TformNewVersionMsg::editorMustEnd, this, &QWidget::close);
    TformFXParameters* params = windows.formFXParameters;
    // The rows are gone: nothing may act on what they showed.
    connect(params, &TformFXParameters::closed, this, [this] {
        enable(btnRequest, false);
        enable(btnAssign, false);
        enable(btnStoreSettingsOnPedal, false);
    });
    connect(params, &TformFXParameters::valuesShown, this, [this] { enable(btnRequest, true); });
    connect(params, &TformFXParameters::pedalModeRead, this, &TformMain::pedalModeRead);
    // A knob turned on the pedal while the editor waits for a reply still moves on screen, and
    // what the pedal says unasked during an exchange is taken as the poll would take it.
    on(&ctx.worker(), &PedalWorker::liveReport,
       [params](const LiveReport& report) { params->ApplyLiveReport(report); });
    on(&ctx.worker(), &PedalWorker::incoming,
       [this](const IncomingMessage& message) { applyIncoming(message); });
    connect(windows.formFirmwareUpgrade, &TformFirmwareUpgrade::backToNormal, this,
            &TformMain::firmwareRunEnded);
    connectLibraryWindow();
    // Every window exists and start-up's boxes have been answered: the check may come.
    TimerCheckWebVersion->start();
}

// ---- Controls ----

void TformMain::buildLabels() {
    const auto label = [this](const char* name, const QString& text, QRect geometry) {
        return place(new QLabel(text, body()), name, text, geometry);
    };
    // The design's boxes of the first labels reach a pixel or two into the control below; they
    // are trimmed to end where it begins, so neither covers the other.
    lblDeviceName = label("lblDeviceName", QStringLiteral("Device Name: "), {8, 29, 174, 15});
    lblFirmwareVersion = label("lblFirmwareVersion", QStringLiteral("Firmware Version: "), {9, 44, 174, 20});
    lblSerialNumber = label("lblSerialNumber", QStringLiteral("Serial Number: "), {8, 47, 185, 17});
    auto* halfTransparent = new QGraphicsOpacityEffect(lblSerialNumber);
    halfTransparent->setOpacity(0.5);
    lblSerialNumber->setGraphicsEffect(halfTransparent);
    lblSerialNumber->hide();
    lblStatus = label("lblStatus", QStringLiteral("Status: "), {7, 105, 174, 17});
    lblBankNum = label("lblBankNum", QStringLiteral("FX Bank"), {9, 269, 0, 0});
    lblBankNum->setEnabled(false);
    lblLive = label("lblLive", QStringLiteral("Live OFF"), {128, 269, 0, 0});
}

void TformMain::buildButtons() {
    const auto button = [this](const char* name, const QString& text, QRect geometry, bool enabled) {
        auto* b = place(new QPushButton(text, body()), name, text, geometry);
        b->setEnabled(enabled);
        return b;
    };
    btnUpload = button("btnUpload", QStringLiteral("Upload Selected Effect"), {7, 70, 168, 35}, false);
    btnOpenEffect =
        button("btnOpenEffect", QStringLiteral("Get FX Stored on Pedal"), {8, 132, 168, 25}, false);
    btnRequest = button("btnRequest", QStringLiteral("Request"), {8, 165, 169, 25}, false);
    btnAssign = button("btnAssign", QStringLiteral("Assign"), {9, 198, 168, 25}, false);
    btnStoreSettingsOnPedal = button("btnStoreSettingsOnPedal", QStringLiteral("Store Settings On Pedal"),
                                     {9, 231, 169, 25}, false);
    btnUploadFile = button("btnUploadFile", QStringLiteral("Upload File"), {73, 370, 46, 22}, true);
    btnGetFXInfo = button("btnGetFXInfo", QStringLiteral("?"), {161, 362, 22, 22}, false);
    btnGetFXInfo->setAccessibleName(QStringLiteral("Effect information"));
    btnGetFXInfo->setCursor(Qt::WhatsThisCursor);
    btnGetFXInfo->hide();
}

void TformMain::buildBankAndLive() {
    const auto radio = [this](const char* name, const QString& text, QPoint at) {
        return place(new QRadioButton(text, body()), name, text, QRect(at, QSize()));
    };
    // One exclusive group: they share this parent.
    rdbtnBank1 = radio("rdbtnBank1", QStringLiteral("Bank I"), {9, 285});
    rdbtnBank2 = radio("rdbtnBank2", QStringLiteral("Bank II"), {10, 307});
    rdbtnBank3 = radio("rdbtnBank3", QStringLiteral("Bank III"), {10, 328});
    swLive = place(new ToggleSwitch(body()), "swLive", QStringLiteral("Live"), {129, 285, 48, 21});
    chkFirmwareUpgradeMode =
        place(new QCheckBox(QStringLiteral("Firmware Upgrade Mode"), body()), "chkFirmwareUpgradeMode",
              QStringLiteral("Firmware Upgrade Mode"), {9, 341, 174, 19});
    chkFirmwareUpgradeMode->hide();
}

void TformMain::buildBrowserAndTimers() {
    lstCategory =
        place(new QListWidget(body()), "lstCategory", QStringLiteral("Categories"), {191, 28, 200, 137});
    // The seven categories are always there to pick from: the list shows each of them whole.
    setGrowth(lstCategory, Growth::AllRows);
    lstEffects =
        place(new QListWidget(body()), "lstEffects", QStringLiteral("Effects"), {191, 173, 200, 211});
    Timer_USB_read = new ReceivePoll(this);
    Timer_USB_read->setObjectName(QStringLiteral("Timer_USB_read"));
    Timer_USB_read->watch(ctx.link.driver());
    Timer_USB_read->yieldTo(ctx.worker());
    TimerCheckWebVersion = new QTimer(this);
    TimerCheckWebVersion->setObjectName(QStringLiteral("TimerCheckWebVersion"));
    TimerCheckWebVersion->setInterval(1000);
    TimerCheckWebVersion->setSingleShot(true);
}

void TformMain::connectControls() {
    on(btnOpenEffect, &QPushButton::clicked, [this] { btnOpenEffectClick(); });
    on(Timer_USB_read, &ReceivePoll::timeout, [this] { Timer_USB_readTimer(); });
    on(btnRequest, &QPushButton::clicked, [this] { btnRequestClick(); });
    on(lstEffects, &QListWidget::itemClicked, [this](QListWidgetItem* item) { effetto_cliccato(item); });
    on(TimerCheckWebVersion, &QTimer::timeout, [this] { checkmostrecentversiononwebsite(); });
    on(menuScan, &QAction::triggered, [this] { menuScanClick(); });
    on(menuConnect, &QAction::triggered, [this] { menuConnectClick(); });
    on(menuDisconnect, &QAction::triggered, [this] { menuDisconnectClick(); });
    connectFirmwareControls();
    on(menuSupport, &QAction::triggered, [this] { menuSupportClick(); });
    on(menuShowUpdateMsg, &QAction::triggered, [this] { menuShowUpdateMsgClick(); });
    connectPedalControls();
}

QMenu* TformMain::addMenu(QWidget* parent, const char* name, const QString& text) {
    auto* m = new QMenu(text, parent);
    m->setObjectName(QString::fromLatin1(name));
    // The "&" marks the menu's Alt key; a screen reader says the title without it.
    m->setAccessibleName(QString(text).remove(u'&'));
    if (auto* bar = qobject_cast<QMenuBar*>(parent))
        bar->addMenu(m);
    else
        static_cast<QMenu*>(parent)->addMenu(m);
    return m;
}

QAction* TformMain::addItem(QMenu* menu, const char* name, const QString& text) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

void TformMain::buildMenus() {
    MenuBar1 = new QMenuBar(this);
    MenuBar1->setObjectName(QStringLiteral("MenuBar1"));
    MenuBar1->setAccessibleName(QStringLiteral("Menu bar"));
    setFormMenuBar(MenuBar1, 24);
    // Its controls are laid out in two columns: the buttons on the left, the browser's lists on
    // the right; a list that grows pushes only its own column down.
    pushColumnsOnly();
    setScreenAnchor(this);
    buildFileAndConnectionMenus();
    buildSettingsMenu();
    buildFirmwareAndInfoMenus();
}

void TformMain::buildFileAndConnectionMenus() {
    menuFile = addMenu(MenuBar1, "menuFile", QStringLiteral("&File"));
    menuLoadConfiguration = addItem(menuFile, "menuLoadConfiguration", QStringLiteral("Load Configuration"));
    menuSaveConfiguration = addItem(menuFile, "menuSaveConfiguration", QStringLiteral("Save Configuration"));
    menuLoadIR = addItem(menuFile, "menuLoadIR", QStringLiteral("Load IR"));
    menuLoadIR->setEnabled(false);
    menuFile->addSeparator();
    menuPresetLibrary = addItem(menuFile, "menuPresetLibrary", QStringLiteral("Preset Library"));
    menuBackUpPedal = addItem(menuFile, "menuBackUpPedal", QStringLiteral("Back Up Pedal\u2026"));
    menuRestorePedal = addItem(menuFile, "menuRestorePedal", QStringLiteral("Restore Pedal\u2026"));
    menuFile->addSeparator();
    // Closing the main window ends the editor; this is the same from the menu or the keyboard.
    menuQuit = addItem(menuFile, "menuQuit", QStringLiteral("Quit"));
    menuQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    menuQuit->setShortcutContext(Qt::ApplicationShortcut);
    connect(menuQuit, &QAction::triggered, this, &QWidget::close);

    menuConnection = addMenu(MenuBar1, "menuConnection", QStringLiteral("&Connection"));
    menuScan = addItem(menuConnection, "menuScan", QStringLiteral("Scan"));
    menuConnect = addItem(menuConnection, "menuConnect", QStringLiteral("Link"));
    menuDisconnect = addItem(menuConnection, "menuDisconnect", QStringLiteral("Unlink"));
    menuDisconnect->setEnabled(false);
}

void TformMain::buildSettingsMenu() {
    menuSettings = addMenu(MenuBar1, "menuSettings", QStringLiteral("&Settings"));
    menuLiveEnable = addItem(menuSettings, "menuLiveEnable", QStringLiteral("Alive Parameters!"));
    menuLiveEnable->setCheckable(true);
    menuLiveEnable->setVisible(false);
    menuLook = addMenu(menuSettings, "menuLook", QStringLiteral("Look"));
    menuMIDI = addMenu(menuSettings, "menuMIDI", QStringLiteral("MIDI"));
    enable(menuMIDI, false);
    menuMIDIchannel = addMenu(menuMIDI, "menuMIDIchannel", QStringLiteral("Channel"));
    menuMode = addMenu(menuSettings, "menuMode", QStringLiteral("Mode"));
    enable(menuMode, false);
    menuModePreset = addItem(menuMode, "menuModePreset", QStringLiteral("Preset Mode"));
    menuModePreset->setCheckable(true);
    menuModeBank = addItem(menuMode, "menuModeBank", QStringLiteral("FX Bank Mode"));
    menuModeBank->setCheckable(true);
}

void TformMain::buildFirmwareAndInfoMenus() {
    menuFirmwareUpgrade = addMenu(MenuBar1, "menuFirmwareUpgrade", QStringLiteral("Firm&ware Upgrade"));
    menuFirmwareUpgradeMode =
        addItem(menuFirmwareUpgrade, "menuFirmwareUpgradeMode", QStringLiteral("Upgrade Mode"));
    menuFirmwareUpgradeMode->setCheckable(true);
    menuStartFirmwareUpgrade =
        addItem(menuFirmwareUpgrade, "menuStartFirmwareUpgrade", QStringLiteral("Start Firmware Upgrade"));
    enable(menuStartFirmwareUpgrade, false);
    menuVerifyAfterWriting =
        addItem(menuFirmwareUpgrade, "menuVerifyAfterWriting", QStringLiteral("Verify After Writing"));
    menuVerifyAfterWriting->setCheckable(true);
    menuEraseSettings = addItem(menuFirmwareUpgrade, "menuEraseSettings", QStringLiteral("Erase Settings"));

    menuInfo = addMenu(MenuBar1, "menuInfo", QStringLiteral("&Info"));
    menuQuickStart = addItem(menuInfo, "menuQuickStart", QStringLiteral("Quick Start"));
    menuQuickStart->setVisible(false);
    menuSupport = addItem(menuInfo, "menuSupport", QStringLiteral("Support"));
    menuAppVersion = addItem(menuInfo, "menuAppVersion", QStringLiteral("Version: "));
    menuAppVersion->setEnabled(false);
    menuNewAppVersion = addItem(menuInfo, "menuNewAppVersion", TformMain::kNewAppVersionText);
    menuNewAppVersion->setEnabled(false);
    menuSerialNumber = addItem(menuInfo, "menuSerialNumber", QStringLiteral("Device Serial: "));
    menuUpdateNow = addItem(menuInfo, "menuUpdateNow", QStringLiteral("Update Now"));
    menuShowUpdateMsg = addItem(menuInfo, "menuShowUpdateMsg", QStringLiteral("Show Update Message"));
    menuShowUpdateMsg->setCheckable(true);
}

// ---- Start-up ----

void TformMain::FormCreate() {
    ctx.link.reportDriverErrors = false;
    CheckAttachedDevices();
    ctx.link.SetSerialParameters(SerialMode::Normal);
    ctx.state.bootloaderMode = false;
    ctx.state.effectOnPedalSelected = false;
    enable(btnRequest, false);
    enable(btnAssign, false);
    enable(btnStoreSettingsOnPedal, false);
    btnUploadFile->hide();
    enable(btnUpload, false);
    enable(btnOpenEffect, false);
    create_categories();
    menuShowUpdateMsg->setChecked(showUpdateMessage);
    versionAddress_ = VersionCheck::webAddress(VersionCheck::kVersionPath);
    // The version timer starts in windowsCreated(): a start-up box below runs the event loop,
    // and a check firing then would read settings not yet loaded and open a notice window not
    // yet made.
    ctx.state.appVersion = GetAppVersionText();
    menuAppVersion->setText(menuAppVersion->text() + QStringLiteral(" ") + ctx.state.appVersion);
    EnsureDocumentsFolder(QStringLiteral("Merrow"));
    EnsureDocumentsSubfolder(QStringLiteral("Merrow"), QStringLiteral("Tarvo Max"));
    LoadStartupSettings();
    menuShowUpdateMsg->setChecked(showUpdateMessage);
    CreateLookMenu();
    LoadLook();
    reportSettingsProblems();
    CreateMidiChannelMenu();
}

bool TformMain::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_P && shift.testFlag(Qt::ControlModifier) && shift.testFlag(Qt::ShiftModifier)) {
        windows.formPrint->show();
        windows.formPrint->raise();
        return true;
    }
    return false;
}

bool TformMain::handleKey(QObject* watched, int key, Qt::KeyboardModifiers modifiers) {
    if (FormKeyDown(key, modifiers))
        return true;
    if (watched == lstEffects && move_up_or_down(key))
        return true;
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    // Keyboard users pick a row with Enter, as a click would.
    if (watched == lstCategory && lstCategory->currentRow() >= 0) {
        categoryClick(lstCategory->currentRow());
        return true;
    }
    if (watched == lstEffects && lstEffects->currentItem()) {
        effetto_cliccato(lstEffects->currentItem());
        return true;
    }
    return false;
}

bool TformMain::eventFilter(QObject* watched, QEvent* event) {
    // The key handler sees every key pressed anywhere in this window before the focused control.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool consumed = false;
        runGuarded(ctx.services, [&] { consumed = handleKey(watched, key->key(), key->modifiers()); });
        if (consumed)
            return true;
    }
    return EditorForm::eventFilter(watched, event);
}

void TformMain::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the editor, whatever secondary windows are open.
    event->accept();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

// ---- Discovery and linking ----

void TformMain::CheckAttachedDevices() {
    attached_ = listBridges(ctx.link);
    for (const BridgeInfo& bridge : attached_) {
        menuSerialNumber->setText(menuSerialNumber->text() + bridge.serial);
        ctx.state.deviceSerialNumber = bridge.serial;
        lblDeviceName->setText(bridgeDisplayName(bridge.description));
    }
}

void TformMain::ScanDevices() {
    lblDeviceName->setText(QStringLiteral("Device Name"));
    ctx.worker().start(
        this, [](PedalLine& line) { return scanBridges(line); },
        [this](const QList<BridgeInfo>& bridges, const PedalWorker::Said&) { showScannedBridges(bridges); });
}

void TformMain::showScannedBridges(const QList<BridgeInfo>& bridges) {
    attached_ = bridges;
    if (bridges.isEmpty()) {
        ctx.services.showMessage(QStringLiteral("No device found"));
        lblDeviceName->setText(QStringLiteral("No device found"));
        return;
    }
    for (const BridgeInfo& bridge : bridges) {
        ctx.console.log(QStringLiteral("FT_Device_String: ") + bridge.serial);
        ctx.console.log(QStringLiteral("reached by: ") + bridge.route);
        ctx.state.deviceSerialNumber = bridge.serial;
        lblDeviceName->setText(bridge.description);
        ctx.services.showMessage(bridge.description + QStringLiteral(" found, click Link"));
    }
}

void TformMain::menuScanClick() {
    ScanDevices();
}

void TformMain::linkOpened() {
    linked_ = true;
    linkedSerial_ = ctx.state.deviceSerialNumber;
    restoreAfterUnplug();
    lblDeviceName->setText(lblDeviceName->text() + kLinkedSuffix);
    enable(btnUpload, true);
    chkFirmwareUpgradeMode->setEnabled(false);
    enable(menuScan, false);
    enable(menuConnect, false);
    menuDisconnect->setEnabled(true);
}

void TformMain::menuConnectClick() {
    const QString serial = ctx.state.deviceSerialNumber;
    unlinkAsked_ = false;
    if (ctx.state.bootloaderMode) {
        // Armed: the pedal is already in its bootloader, and the link is its handshake.
        ctx.worker().start(
            this, [serial](PedalLine& line) { return linkArmed(line, serial); },
            [this](ArmedLink link, const PedalWorker::Said&) {
                if (link.opened)
                    linkOpened();
                if (link.acknowledged)
                    bootloaderReady();
                if (link.opened)
                    enable(menuFirmwareUpgradeMode, true);
            });
        return;
    }
    ctx.worker().start(
        this, [serial](PedalLine& line) { return openPedal(line, serial); },
        [this](bool opened, const PedalWorker::Said&) {
            if (!opened)
                return;
            linkOpened();
            ctx.state.linkedOnce = true;
            enable(menuFirmwareUpgradeMode, true);
            enable(btnOpenEffect, true);
            // Started before this operation ends, so nothing can come between.
            ctx.worker().start(
                this, [](PedalLine& line) { return askStoredEffectText(line); },
                [this](const QString& reply, const PedalWorker::Said&) { linkReplied(reply); });
        });
}

void TformMain::linkReplied(const QString& reply) {
    // Unlink was pressed while the pedal was asked: this Link ends unlinked, with nothing shown.
    if (!linked_ || unlinkAsked_)
        return;
    // The link is made whatever the stored-effect question brings, a reply that does not read
    // included (its error is still reported): MIDI, Mode and the receive poll must not be left off.
    const auto finishLink = onScopeExit([this] {
        if (!linked_)
            return;
        enable(menuMIDI, true);
        enable(menuMode, true);
        Timer_USB_read->start();
    });
    storedEffectReplied(reply);
}

void TformMain::menuDisconnectClick() {
    // Whatever runs stops at its next safe step; then the bridge is closed.
    if (ctx.worker().busy()) {
        unlinkAsked_ = true;
        ctx.worker().cancelAll();
    }
    ctx.worker().start(
        this, [](PedalLine& line) { return unlinkPedal(line); },
        [this](Unlinked unlinked, const PedalWorker::Said&) {
            if (unlinked != Unlinked::Kept)
                showUnlinked();
        });
}

void TformMain::showUnlinked() {
    linked_ = false;
    unlinkAsked_ = false;
    QString name = lblDeviceName->text();
    const qsizetype at = name.lastIndexOf(kLinkedSuffix);
    if (at >= 0)
        name.remove(at, kLinkedSuffix.size());
    lblDeviceName->setText(name);
    enable(menuScan, true);
    enable(menuConnect, true);
    menuDisconnect->setEnabled(false);
    for (QPushButton* button : {btnUpload, btnOpenEffect, btnRequest, btnAssign, btnStoreSettingsOnPedal})
        enable(button, false);
    enable(menuMIDI, false);
    enable(menuMode, false);
    if (windows.formFXParameters->isVisible())
        windows.formFXParameters->EnableDisableControls(false);
}

// ---- Read-back of the stored effect ----

void TformMain::btnOpenEffectClick() {
    ctx.worker().start(
        this, [](PedalLine& line) { return askStoredEffectText(line); },
        [this](const QString& reply, const PedalWorker::Said&) {
            // Asking again is always worth a try, whatever this answer was.
            const auto askAgain = onScopeExit([this] { enable(btnOpenEffect, true); });
            if (!linked_ || unlinkAsked_)
                return; // unlinked while waiting: there is no pedal to show
            storedEffectReplied(reply);
        });
}

void TformMain::storedEffectReplied(const QString& reply) {
    if (reply.isEmpty()) {
        // Nothing came back (the wait has said why): no numbers to take, but asking again is
        // worth a try.
        enable(btnRequest, false);
        return;
    }
    // Until the reply has been read as an effect, nothing may be asked of one: a reply that does
    // not read leaves Request off.
    enable(btnRequest, false);
    if (!ParseStoredEffectReply(reply)) {
        enable(btnOpenEffect, false);
        return;
    }
    openTheStoredEffect();
}

void TformMain::openTheStoredEffect() {
    if (!OpenStoredEffect()) {
        enable(btnRequest, false);
        return;
    }
    openParameterWindow(ctx.state.pedalEffectName + QStringLiteral(" v%1").arg(ctx.state.effectVersion),
                        true);
    windows.formFXParameters->EnableDisableControls(false);
    enable(btnRequest, true);
    if (showPedalEffectInBrowser())
        Timer_USB_read->start();
}

bool TformMain::ParseStoredEffectReply(const QString& text) {
    StoredEffectReply reply = splitStoredEffectReply(text);
    if (!reply.marked)
        ctx.services.showMessage(QStringLiteral("No effect found on pedal"));
    readStoredEffectNumbers(reply);
    // Marked as stored, yet naming the catalogue's placeholder for no effect (or erased memory):
    // there is no effect to open either.
    if (reply.marked && !reply.stored())
        ctx.services.showMessage(QStringLiteral("No effect found on pedal"));
    applyStoredEffectReply(reply, ctx.state, ctx.console);
    lblFirmwareVersion->setText(QStringLiteral("Firmware Version: %1").arg(ctx.state.firmwareVersion));
    if (!reply.stored())
        showNoEffectOnPedal();
    return reply.stored();
}

bool TformMain::OpenStoredEffect() {
    const int n = ctx.state.effectNumber;
    const QString line = resources_.catalogueLine(n);
    if (line.isEmpty()) {
        // A number the catalogue does not have (newer firmware, a garbled reply): say so
        // rather than reading past the list.
        ctx.services.showMessage(
            QStringLiteral("The pedal reports effect number %1, which is not in this editor's catalogue")
                .arg(n));
        return false;
    }
    ctx.console.log(line);
    selectPedalEffect(ProductData::catalogueLineName(line));
    return true;
}

void TformMain::selectPedalEffect(const QString& name) {
    ctx.state.pedalEffectName = name;
    ctx.console.log(QStringLiteral("effetto ottenuto dalla lista: ") + ctx.state.pedalEffectName);
    ctx.state.selectedEffectName = ctx.state.pedalEffectName;
    ctx.state.effectOnPedalSelected = true;
    enable(btnRequest, true);
    btnRequest->setFocus();
}

void TformMain::showNoEffectOnPedal() {
    ctx.console.log(QStringLiteral("no effect on the pedal"));
    const bool showingPedalEffect = ctx.state.effectOnPedalSelected;
    ctx.state.pedalEffectName.clear();
    ctx.state.effectOnPedalSelected = false;
    if (showingPedalEffect && windows.formFXParameters->isVisible())
        windows.formFXParameters->close();
    enable(btnRequest, false);
    enable(btnAssign, false);
    enable(btnStoreSettingsOnPedal, false);
}

void TformMain::openParameterWindow(const QString& caption, bool setWidth) {
    TformFXParameters* params = windows.formFXParameters;
    if (params->isVisible())
        params->close();
    // A text of this window may have just grown (the device label at Link): its frame is taken
    // where the grown window has it.
    fitToContents();
    // Beside this window's frame, not its inside: under a window manager the frame is wider.
    const QRect frame = frameGeometry();
    const int width = params->width();
    params->move(frame.x() + frame.width(), frame.y());
    params->setWindowTitle(caption);
    // Builds the rows for the effect and sizes the window to hold them, on the screen.
    params->show();
    if (!setWidth)
        params->keepWidth(width);
}

bool TformMain::showPedalEffectInBrowser() {
    for (int row = 0; row < static_cast<int>(categoryNames.size()); ++row) {
        lstEffects->clear();
        const QString resource =
            ResourceStore::format_resource_name(categoryNames[static_cast<std::size_t>(row)].displayName);
        resources_.read_file_from_stream(resource);
        if (search_effect_name(row)) {
            resources_.read_file_from_stream(resource);
            lstEffects->clear();
            get_effects_name();
            lstEffects->setCurrentRow(foundEffectRow_);
            return true;
        }
    }
    return false;
}

// ---- Effect browser ----

void TformMain::create_categories() {
    lstCategory->clear();
    for (const Category& category : categoryNames)
        lstCategory->addItem(category.displayName);
    // Bound to a click on the row itself: selecting a row from code runs no handler.
    on(lstCategory, &QListWidget::itemClicked,
       [this](QListWidgetItem* item) { categoryClick(lstCategory->row(item)); });
}

void TformMain::categoryClick(int row) {
    if (row < 0 || row >= static_cast<int>(categoryNames.size()))
        return;
    const Category& category = categoryNames[static_cast<std::size_t>(row)];
    lstEffects->clear();
    resources_.read_file_from_stream(category.resourceName);
    get_effects_name();
    currentCategory = category.displayName;
    if (row == static_cast<int>(kImpulseResponseCategory))
        ctx.services.showMessage(kImpulseResponseHowTo);
    else
        enable(btnOpenEffect, true);
}

void TformMain::get_effects_name() {
    for (const EffectRow& effect :
         effectRows(resources_, ctx.console, resources_.resource_lines, ctx.state.bankMode)) {
        auto* row = new QListWidgetItem(effect.name, lstEffects);
        if (!effect.enabled)
            row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
    }
}

void TformMain::effetto_cliccato(QListWidgetItem* item) {
    if (!item)
        return;
    if (ctx.state.bankMode && !(item->flags() & Qt::ItemIsEnabled)) {
        windows.formFXParameters->close();
        enable(btnUpload, false);
        enable(btnStoreSettingsOnPedal, false);
        return;
    }
    lstEffects->setCurrentItem(item);
    ctx.console.log(QStringLiteral("efx index :%1").arg(lstEffects->currentRow()));
    EditorState& s = ctx.state;
    s.selectedEffectName = item->text();
    ctx.console.log(QStringLiteral("selected effect name: ") + s.selectedEffectName);
    if (!s.selectedEffectName.isEmpty())
        btnGetFXInfo->setEnabled(true);
    s.effectOnPedalSelected = s.selectedEffectName == s.pedalEffectName;
    enable(btnRequest, s.effectOnPedalSelected);
    if (!s.effectOnPedalSelected) {
        enable(btnAssign, false);
        enable(btnStoreSettingsOnPedal, false);
    }
    openParameterWindow(s.selectedEffectName, true);
    // The window's close (part of reopening) disables Request; the pedal's effect keeps it.
    if (s.effectOnPedalSelected)
        enable(btnRequest, true);
    menuLoadIR->setEnabled(currentCategory == categoryNames[kImpulseResponseCategory].displayName);
    enable(btnOpenEffect, true);
}

bool TformMain::move_up_or_down(int key) {
    const int row = lstEffects->currentRow();
    if (key == Qt::Key_Up) {
        ctx.console.log(QStringLiteral("arrow up pressed"));
        if (row > 0)
            lstEffects->setCurrentRow(row - 1);
        return true;
    }
    if (key == Qt::Key_Down) {
        ctx.console.log(QStringLiteral("arrow down pressed"));
        if (row < lstEffects->count() - 1)
            lstEffects->setCurrentRow(row + 1);
        return true;
    }
    return false;
}

bool TformMain::search_effect_name(int categoryRow) {
    const qsizetype i = resources_.resource_lines.indexOf(ctx.state.pedalEffectName);
    if (i < 0)
        return false;
    lstCategory->setCurrentRow(categoryRow);
    foundEffectRow_ = static_cast<int>(i);
    if (i < lstEffects->count())
        lstEffects->setCurrentRow(foundEffectRow_);
    return true;
}

// ---- Incoming messages ----

void TformMain::Timer_USB_readTimer() {
    DispatchIncoming();
}

void TformMain::DispatchIncoming() {
    UsbLink& link = ctx.link;
    link.reportDriverErrors = false;
    if (link.GetDeviceQueueStatus() == FT_OK) {
        const std::uint32_t n = link.ReadDevice();
        if (const std::uint64_t dropped = link.driver().takeDroppedBytes())
            ctx.console.log(QStringLiteral("receive queue full: %1 older bytes dropped").arg(dropped));
        // A second message read with the first (two dumps asked for in a row) waits in the
        // decoder: the poll turns once more for it, since no driver will say it came.
        const auto again = onScopeExit([this] {
            if (ctx.incoming.hasCarry())
                Timer_USB_read->poke();
        });
        applyIncoming(
            ctx.incoming.decode(QByteArray(reinterpret_cast<const char*>(link.rxBuffer.data()), n)));
    }
    link.reportDriverErrors = true;
}

void TformMain::applyIncoming(const IncomingMessage& message) {
    switch (message.kind) {
    case IncomingMessage::Kind::Bank:
        SelectBankRadio(message.number);
        break;
    case IncomingMessage::Kind::Effect:
        OpenReportedEffect(message.number);
        break;
    case IncomingMessage::Kind::UploadComplete:
        lblStatus->setText(QStringLiteral("Upload complete"));
        break;
    case IncomingMessage::Kind::Live:
        windows.formFXParameters->ApplyLiveReport(message.live);
        break;
    case IncomingMessage::Kind::MemoryDump:
        showMemoryDump(message.dump);
        break;
    case IncomingMessage::Kind::Nothing:
        break;
    }
}

void TformMain::SelectBankRadio(int n) {
    if (n == 0)
        rdbtnBank1->setChecked(true);
    else if (n == 1)
        rdbtnBank2->setChecked(true);
    else if (n == 2)
        rdbtnBank3->setChecked(true);
}

void TformMain::showMemoryDump(const QByteArray& dump) {
    ctx.console.logLines(memoryDumpLines(dump));
    if (isErasedMemory(dump))
        ctx.services.showMessage(QStringLiteral("Memory Erased"));
}

void TformMain::OpenReportedEffect(int number) {
    if (number == kNoEffect) {
        showNoEffectOnPedal();
        return;
    }
    const QString line = resources_.catalogueLine(number);
    if (line.isEmpty())
        throw std::out_of_range(QStringLiteral("List index out of bounds (%1)").arg(number).toStdString());
    selectPedalEffect(ProductData::catalogueLineName(line));
    openParameterWindow(ctx.state.pedalEffectName + QStringLiteral(" v%1").arg(ctx.state.effectVersion),
                        false);
    windows.formFXParameters->EnableDisableControls(false);
    enable(btnRequest, true);
    showPedalEffectInBrowser();
}

// ---- Read-back of the pedal's state ----

void TformMain::btnRequestClick() {
    const std::uint32_t n = ctx.state.numOfParameters;
    // The values are of the effect shown now; should the window show another by the time they
    // come (or none), they are not shown anywhere.
    const int shown = windows.formFXParameters->shownEffect();
    ctx.worker().start(
        this, [n](PedalLine& line) { return requestState(line, n); },
        [this, shown](const StateRead& read, const PedalWorker::Said&) {
            if (!read.ok || !linked_ || windows.formFXParameters->shownEffect() != shown ||
                !windows.formFXParameters->isVisible())
                return;
            ctx.state.receiveArray = read.block;
            ctx.state.requestInProgress = true;
            const auto clearAtEnd = onScopeExit([this] { ctx.state.requestInProgress = false; });
            applyStateBlock();
        });
}

void TformMain::applyStateBlock() {
    TformFXParameters* params = windows.formFXParameters;
    params->update_FXParameters();
    params->receive_assignments_from_device();
    params->receive_reverse_data_from_device();
    params->receive_mode();
    ShowMidiChannel();
    enable(btnAssign, true);
    enable(btnStoreSettingsOnPedal, true);
    params->EnableDisableControls(true);
    params->EnableRevCheckBoxes();
    Timer_USB_read->start();
    params->DisableBypassAndPresetAssignInBankMode();
}

void TformMain::ShowMidiChannel() {
    for (QAction* item : midiChannelItems) {
        item->setCheckable(true);
        item->setChecked(false);
    }
    const StateBlockOffsets offsets{ctx.state.numOfParameters};
    const std::uint8_t c = stateBlockByte(ctx.state.receiveArray, offsets.midiChannel());
    if (const int item = midiChannelItem(c); item >= 0)
        midiChannelItems.at(item)->setChecked(true);
    ctx.console.log(QStringLiteral("MIDI channel: %1").arg(c));
}

void TformMain::CreateMidiChannelMenu() {
    // Once Request has made them check items, one channel is ticked at a time: a click on
    // another unticks the last (the channel it sends is the pedal's from then on).
    auto* channels = new QActionGroup(menuMIDIchannel);
    channels->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (int i = 0; i <= 16; ++i) {
        QAction* channel = menuMIDIchannel->addAction(i == 0 ? QStringLiteral("OMNI") : QString::number(i));
        channel->setObjectName(QStringLiteral("midiChannelItem%1").arg(i));
        channels->addAction(channel);
        channel->setCheckable(false);
        midiChannelItems << channel;
        on(channel, &QAction::triggered, [this, channel] { menuMIDIchannelsClickItem(channel); });
    }
}
