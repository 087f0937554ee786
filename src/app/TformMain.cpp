#include "app/TformMain.h"

#include "app/ReceivePoll.h"
#include "app/ToggleSwitch.h"
#include "catalogue/Categories.h"
#include "console/TformPrint.h"
#include "params/TformFXParameters.h"

#include <QAction>
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
const QString kFactoryDescription = QStringLiteral("FT230X Basic UART");
} // namespace

TformMain::TformMain(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formMain"), QStringLiteral("Tarvo Max Editor"),
                 QSize(399, 391), QPoint(37, 31)) {
    buildControls();
    buildMenus();
    qApp->installEventFilter(this);
    FormCreate();
}

void TformMain::buildControls() {
    auto label = [this](const char* name, const QString& text, QRect geometry) {
        auto* l = place(new QLabel(text, this), name, text, geometry);
        if (geometry.width() == 0)
            l->adjustSize();
        return l;
    };
    auto button = [this](const char* name, const QString& text, QRect geometry) {
        return place(new QPushButton(text, this), name, text, geometry);
    };

    lblDeviceName = label("lblDeviceName", QStringLiteral("Device Name: "), {8, 29, 174, 17});
    lblFirmwareVersion = label("lblFirmwareVersion", QStringLiteral("Firmware Version: "), {9, 44, 174, 20});
    lblSerialNumber = label("lblSerialNumber", QStringLiteral("Serial Number: "), {8, 47, 185, 17});
    auto* halfTransparent = new QGraphicsOpacityEffect(lblSerialNumber);
    halfTransparent->setOpacity(0.5);
    lblSerialNumber->setGraphicsEffect(halfTransparent);
    lblSerialNumber->hide();

    btnUpload = button("btnUpload", QStringLiteral("Upload Selected Effect"), {7, 70, 168, 36});
    btnUpload->setEnabled(false);
    lblStatus = label("lblStatus", QStringLiteral("Status: "), {7, 105, 174, 17});
    btnOpenEffect = button("btnOpenEffect", QStringLiteral("Get FX Stored on Pedal"), {8, 132, 168, 25});
    btnOpenEffect->setEnabled(false);
    btnRequest = button("btnRequest", QStringLiteral("Request"), {8, 165, 169, 25});
    btnRequest->setEnabled(false);
    btnAssign = button("btnAssign", QStringLiteral("Assign"), {9, 198, 168, 25});
    btnAssign->setEnabled(false);
    btnStoreSettingsOnPedal =
        button("btnStoreSettingsOnPedal", QStringLiteral("Store Settings On Pedal"), {9, 231, 169, 25});
    btnStoreSettingsOnPedal->setEnabled(false);

    lblBankNum = label("lblBankNum", QStringLiteral("FX Bank"), {9, 269, 0, 0});
    lblBankNum->setEnabled(false);
    auto radio = [this](const char* name, const QString& text, QPoint at) {
        auto* r = place(new QRadioButton(text, this), name, text, QRect(at, QSize()));
        r->adjustSize();
        return r;
    };
    // One exclusive group: they share this parent.
    rdbtnBank1 = radio("rdbtnBank1", QStringLiteral("Bank I"), {9, 285});
    rdbtnBank2 = radio("rdbtnBank2", QStringLiteral("Bank II"), {10, 307});
    rdbtnBank3 = radio("rdbtnBank3", QStringLiteral("Bank III"), {10, 328});

    lblLive = label("lblLive", QStringLiteral("Live OFF"), {128, 269, 0, 0});
    swLive = place(new ToggleSwitch(this), "swLive", QStringLiteral("Live"), {129, 285, 48, 21});

    chkFirmwareUpgradeMode =
        place(new QCheckBox(QStringLiteral("Firmware Upgrade Mode"), this), "chkFirmwareUpgradeMode",
              QStringLiteral("Firmware Upgrade Mode"), {9, 341, 174, 19});
    chkFirmwareUpgradeMode->hide();
    btnUploadFile = button("btnUploadFile", QStringLiteral("Upload File"), {73, 370, 46, 22});
    btnGetFXInfo = button("btnGetFXInfo", QStringLiteral("?"), {161, 362, 22, 22});
    btnGetFXInfo->setAccessibleName(QStringLiteral("Effect information"));
    btnGetFXInfo->setCursor(Qt::WhatsThisCursor);
    btnGetFXInfo->setEnabled(false);
    btnGetFXInfo->hide();

    lstCategory =
        place(new QListWidget(this), "lstCategory", QStringLiteral("Categories"), {191, 28, 200, 137});
    lstEffects = place(new QListWidget(this), "lstEffects", QStringLiteral("Effects"), {191, 173, 200, 211});

    Timer_USB_read = new ReceivePoll(this);
    Timer_USB_read->setObjectName(QStringLiteral("Timer_USB_read"));
    Timer_USB_read->watch(ctx.link.driver());
    TimerCheckWebVersion = new QTimer(this);
    TimerCheckWebVersion->setObjectName(QStringLiteral("TimerCheckWebVersion"));
    TimerCheckWebVersion->setInterval(1000);
    TimerCheckWebVersion->setSingleShot(true);

    on(chkFirmwareUpgradeMode, &QCheckBox::toggled, [this] { chkFirmwareUpgradeModeChange(); });
    on(btnOpenEffect, &QPushButton::clicked, [this] { btnOpenEffectClick(); });
    on(Timer_USB_read, &ReceivePoll::timeout, [this] { Timer_USB_readTimer(); });
    on(btnRequest, &QPushButton::clicked, [this] { btnRequestClick(); });
    on(lstEffects, &QListWidget::itemClicked, [this](QListWidgetItem* item) { effetto_cliccato(item); });
    on(TimerCheckWebVersion, &QTimer::timeout, [this] { checkmostrecentversiononwebsite(); });
}

void TformMain::buildMenus() {
    MenuBar1 = place(new QMenuBar(this), "MenuBar1", QStringLiteral("Menu bar"), {0, 0, 399, 24});
    auto menu = [this](QWidget* parent, const char* name, const QString& text) {
        auto* m = new QMenu(text, parent);
        m->setObjectName(QString::fromLatin1(name));
        m->setAccessibleName(QString(text).remove(u'&'));
        if (auto* bar = qobject_cast<QMenuBar*>(parent))
            bar->addMenu(m);
        else
            static_cast<QMenu*>(parent)->addMenu(m);
        return m;
    };
    auto item = [](QMenu* m, const char* name, const QString& text) {
        QAction* a = m->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };

    menuFile = menu(MenuBar1, "menuFile", QStringLiteral("File"));
    menuLoadConfiguration = item(menuFile, "menuLoadConfiguration", QStringLiteral("Load Configuration"));
    menuSaveConfiguration = item(menuFile, "menuSaveConfiguration", QStringLiteral("Save Configuration"));
    menuLoadIR = item(menuFile, "menuLoadIR", QStringLiteral("Load IR"));
    menuLoadIR->setEnabled(false);

    menuConnection = menu(MenuBar1, "menuConnection", QStringLiteral("Connection"));
    menuScan = item(menuConnection, "menuScan", QStringLiteral("Scan"));
    menuConnect = item(menuConnection, "menuConnect", QStringLiteral("Link"));
    menuDisconnect = item(menuConnection, "menuDisconnect", QStringLiteral("Unlink"));
    menuDisconnect->setEnabled(false);

    menuSettings = menu(MenuBar1, "menuSettings", QStringLiteral("Settings"));
    menuLiveEnable = item(menuSettings, "menuLiveEnable", QStringLiteral("Alive Parameters!"));
    menuLiveEnable->setCheckable(true);
    menuLiveEnable->setVisible(false);
    menuLook = menu(menuSettings, "menuLook", QStringLiteral("Look"));
    menuMIDI = menu(menuSettings, "menuMIDI", QStringLiteral("MIDI"));
    menuMIDI->setEnabled(false);
    menuMIDIchannel = menu(menuMIDI, "menuMIDIchannel", QStringLiteral("Channel"));
    menuMode = menu(menuSettings, "menuMode", QStringLiteral("Mode"));
    menuMode->setEnabled(false);
    menuModePreset = item(menuMode, "menuModePreset", QStringLiteral("Preset Mode"));
    menuModePreset->setCheckable(true);
    menuModeBank = item(menuMode, "menuModeBank", QStringLiteral("FX Bank Mode"));
    menuModeBank->setCheckable(true);

    menuFirmwareUpgrade = menu(MenuBar1, "menuFirmwareUpgrade", QStringLiteral("Firmware Upgrade"));
    menuFirmwareUpgradeMode =
        item(menuFirmwareUpgrade, "menuFirmwareUpgradeMode", QStringLiteral("Upgrade Mode"));
    menuFirmwareUpgradeMode->setCheckable(true);
    menuStartFirmwareUpgrade =
        item(menuFirmwareUpgrade, "menuStartFirmwareUpgrade", QStringLiteral("Start Firmware Upgrade"));
    menuStartFirmwareUpgrade->setEnabled(false);
    menuEraseSettings = item(menuFirmwareUpgrade, "menuEraseSettings", QStringLiteral("Erase Settings"));

    menuInfo = menu(MenuBar1, "menuInfo", QStringLiteral("Info"));
    menuQuickStart = item(menuInfo, "menuQuickStart", QStringLiteral("Quick Start"));
    menuQuickStart->setVisible(false);
    menuSupport = item(menuInfo, "menuSupport", QStringLiteral("Support"));
    menuAppVersion = item(menuInfo, "menuAppVersion", QStringLiteral("Version: "));
    menuAppVersion->setEnabled(false);
    menuNewAppVersion = item(menuInfo, "menuNewAppVersion", QStringLiteral("New version available:"));
    menuNewAppVersion->setEnabled(false);
    menuSerialNumber = item(menuInfo, "menuSerialNumber", QStringLiteral("Device Serial: "));
    menuUpdateNow = item(menuInfo, "menuUpdateNow", QStringLiteral("Update Now"));
    menuShowUpdateMsg = item(menuInfo, "menuShowUpdateMsg", QStringLiteral("Show Update Message"));
    menuShowUpdateMsg->setCheckable(true);

    on(menuScan, &QAction::triggered, [this] { menuScanClick(); });
    on(menuConnect, &QAction::triggered, [this] { menuConnectClick(); });
    on(menuDisconnect, &QAction::triggered, [this] { menuDisconnectClick(); });
}

void TformMain::FormCreate() {
    ctx.link.reportDriverErrors = false;
    CheckAttachedDevices();
    ctx.link.SetSerialParameters(SerialMode::Normal);
    ctx.state.bootloaderMode = false;
    ctx.state.effectOnPedalSelected = false;
    btnRequest->setEnabled(false);
    btnAssign->setEnabled(false);
    btnStoreSettingsOnPedal->setEnabled(false);
    btnUploadFile->hide();
    btnUpload->setEnabled(false);
    btnOpenEffect->setEnabled(false);
    create_categories();
    menuShowUpdateMsg->setChecked(showUpdateMessage);
    TimerCheckWebVersion->start();
    ctx.state.appVersion = GetAppVersionText();
    menuAppVersion->setText(menuAppVersion->text() + QStringLiteral(" ") + ctx.state.appVersion);
    EnsureDocumentsFolder(QStringLiteral("Merrow"));
    EnsureDocumentsSubfolder(QStringLiteral("Merrow"), QStringLiteral("Tarvo Max"));
    LoadStartupSettings();
    menuShowUpdateMsg->setChecked(showUpdateMessage);
    CreateLookMenu();
    LoadLook();
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

bool TformMain::eventFilter(QObject* watched, QEvent* event) {
    // The key handler sees every key pressed anywhere in this window before the focused control.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool consumed = false;
        runGuarded(ctx.services, [&] {
            consumed = FormKeyDown(key->key(), key->modifiers());
            if (!consumed && watched == lstEffects)
                consumed = move_up_or_down(key->key());
            if (!consumed && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                // Keyboard users pick a row with Enter, as a click would.
                if (watched == lstCategory && lstCategory->currentRow() >= 0) {
                    categoryClick(lstCategory->currentRow());
                    consumed = true;
                } else if (watched == lstEffects && lstEffects->currentItem()) {
                    effetto_cliccato(lstEffects->currentItem());
                    consumed = true;
                }
            }
        });
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
    UsbLink& link = ctx.link;
    link.GetFTDeviceCount();
    if (link.deviceCount == 0)
        return;
    for (std::uint32_t i = 0; i < link.deviceCount; ++i) {
        link.GetFTDeviceSerialNo(i);
        const QString serial = QString::fromLatin1(link.listedDeviceString);
        menuSerialNumber->setText(menuSerialNumber->text() + serial);
        ctx.state.deviceSerialNumber = serial;
        link.GetFTDeviceDescription(i);
        const QString description = QString::fromLatin1(link.listedDeviceString);
        lblDeviceName->setText(description == kFactoryDescription ? QStringLiteral("Tarvo Max")
                                                                  : description);
    }
}

void TformMain::ScanDevices() {
    UsbLink& link = ctx.link;
    lblDeviceName->setText(QStringLiteral("Device Name"));
    link.GetFTDeviceCount();
    ctx.console.log(QStringLiteral("FT device count: %1").arg(link.deviceCount));
    if (link.deviceCount == 0) {
        ctx.services.showMessage(QStringLiteral("No device found"));
        lblDeviceName->setText(QStringLiteral("No device found"));
        return;
    }
    for (std::uint32_t i = 0; i < link.deviceCount; ++i) {
        link.GetFTDeviceSerialNo(i);
        const QString serial = QString::fromLatin1(link.listedDeviceString);
        ctx.console.log(QStringLiteral("FT_Device_String: ") + serial);
        ctx.state.deviceSerialNumber = serial;
        link.GetFTDeviceDescription(i);
        const QString description = QString::fromLatin1(link.listedDeviceString);
        lblDeviceName->setText(description);
        ctx.services.showMessage(description + QStringLiteral(" found, click Link"));
    }
}

void TformMain::menuScanClick() {
    ScanDevices();
}

bool TformMain::LinkDevice() {
    UsbLink& link = ctx.link;
    ctx.console.log(QStringLiteral("serial number: ") + ctx.state.deviceSerialNumber);
    bool opened = false;
    if (link.Open_USB_Device_By_Serial_Number(ctx.state.deviceSerialNumber) == FT_OK) {
        lblDeviceName->setText(lblDeviceName->text() + kLinkedSuffix);
        link.SetDeviceBaudRate();
        link.SetDeviceDataCharacteristics();
        ctx.console.log(QStringLiteral("FT_HANDLE: 0x") + IntToHex(link.ftHandle, 8));
        ctx.console.logDirect(QStringLiteral("baud rate = %1").arg(link.baudRate));
        btnUpload->setEnabled(true);
        btnRequest->setEnabled(true);
        chkFirmwareUpgradeMode->setEnabled(false);
        menuScan->setEnabled(false);
        menuConnect->setEnabled(false);
        menuDisconnect->setEnabled(true);
        opened = true;
    }
    if (ctx.state.bootloaderMode) {
        link.SetSerialParameters(SerialMode::Bootloader);
        link.SetDeviceDataCharacteristics();
        link.txBuffer[0] = 0x7F;
        link.WriteDevice(1);
        const QString received = ctx.comm.ReadTextReply();
        ctx.console.logDirect(QStringLiteral("received Byte: ") + received);
        if (received == QStringLiteral("79")) {
            ctx.services.showMessage(
                QStringLiteral("Connection to bootloader succeeded, ready for firmware upgrade"));
            menuStartFirmwareUpgrade->setEnabled(true);
            btnRequest->setEnabled(false);
            btnUpload->setEnabled(false);
        } else {
            ctx.services.showMessage(QStringLiteral("Connection to bootloader failed"));
        }
    }
    return opened;
}

void TformMain::menuConnectClick() {
    if (!LinkDevice())
        return;
    if (ctx.state.bootloaderMode) {
        menuFirmwareUpgradeMode->setEnabled(true);
        return;
    }
    ctx.state.linkedOnce = true;
    menuFirmwareUpgradeMode->setEnabled(true);
    btnOpenEffect->setEnabled(true);
    GetFXStoredOnPedal();
    menuMIDI->setEnabled(true);
    menuMode->setEnabled(true);
    Timer_USB_read->start();
}

bool TformMain::linkedBridgeStillListed() {
    UsbLink& link = ctx.link;
    const QByteArray serial(link.openSerialNumber.data());
    if (link.GetFTDeviceCount() != FT_OK)
        return false;
    for (std::uint32_t i = 0; i < link.deviceCount; ++i)
        if (link.GetFTDeviceSerialNo(i) == FT_OK && link.listedDeviceString == serial)
            return true;
    return false;
}

void TformMain::menuDisconnectClick() {
    // A failed close leaves the link as it is, unless the bridge has been unplugged: then
    // there is nothing left to close, and keeping the window "linked" would wedge it.
    if (ctx.link.CloseDevice() != FT_OK) {
        if (linkedBridgeStillListed())
            return;
        ctx.console.log(QStringLiteral("the linked bridge is no longer attached; unlinked"));
    }
    QString name = lblDeviceName->text();
    const qsizetype at = name.lastIndexOf(kLinkedSuffix);
    if (at >= 0)
        name.remove(at, kLinkedSuffix.size());
    lblDeviceName->setText(name);
    menuScan->setEnabled(true);
    menuConnect->setEnabled(true);
    menuDisconnect->setEnabled(false);
    btnUpload->setEnabled(false);
    btnOpenEffect->setEnabled(false);
    btnRequest->setEnabled(false);
    btnAssign->setEnabled(false);
    menuMIDI->setEnabled(false);
    menuMode->setEnabled(false);
    btnStoreSettingsOnPedal->setEnabled(false);
    if (windows.formFXParameters && windows.formFXParameters->isVisible())
        windows.formFXParameters->EnableDisableControls(false);
}

void TformMain::chkFirmwareUpgradeModeChange() {
    ctx.state.bootloaderMode = chkFirmwareUpgradeMode->isChecked();
}

// ---- Read-back of the stored effect ----

void TformMain::btnOpenEffectClick() {
    GetFXStoredOnPedal();
    btnOpenEffect->setEnabled(true);
}

void TformMain::GetFXStoredOnPedal() {
    Timer_USB_read->stop();
    ctx.link.txBuffer[0] = 0x06;
    ctx.link.txBuffer[1] = 0x00;
    ctx.link.PurgeDeviceTx();
    ctx.link.WriteDevice(2);
    btnOpenEffect->setEnabled(false);
    ctx.services.pause(100);
    btnOpenEffect->setEnabled(true);
    const QString reply = ctx.comm.ReadTextReply();
    if (!ParseStoredEffectReply(reply)) {
        btnRequest->setEnabled(false);
        btnOpenEffect->setEnabled(false);
        return;
    }
    if (!OpenStoredEffect()) {
        btnRequest->setEnabled(false);
        return;
    }
    openParameterWindow(ctx.state.pedalEffectName + QStringLiteral(" v%1").arg(ctx.state.effectVersion),
                        true);
    windows.formFXParameters->EnableDisableControls(false);
    btnRequest->setEnabled(true);
    if (showPedalEffectInBrowser())
        Timer_USB_read->start();
}

bool TformMain::ParseStoredEffectReply(const QString& text) {
    if (text.isEmpty()) {
        // Nothing came back (the wait has already said why); there are no numbers to take.
        return false;
    }
    QString rest = text;
    QString lines[4];
    for (QString& line : lines) {
        const qsizetype cr = rest.indexOf(u'\r');
        if (cr < 0) {
            line = rest;
            rest.clear();
        } else {
            line = rest.left(cr);
            rest = rest.mid(cr + 2);
        }
    }
    const bool stored = !((lines[0] == QStringLiteral("255") && lines[1] == QStringLiteral("255")) ||
                          (lines[0] == QStringLiteral("0") && lines[1] == QStringLiteral("0")));
    if (!stored)
        ctx.services.showMessage(QStringLiteral("No effect found on pedal"));
    ctx.state.effectNumber = StrToInt(lines[1]);
    ctx.state.effectVersion = StrToInt(lines[2]);
    ctx.state.firmwareVersion = StrToInt(lines[3]);
    ctx.console.log(QStringLiteral("effect number DEC: %1").arg(ctx.state.effectNumber));
    ctx.console.log(QStringLiteral("effect number HEX: ") +
                    IntToHex(static_cast<std::uint32_t>(ctx.state.effectNumber), 8));
    ctx.console.log(QStringLiteral("effect version: %1").arg(ctx.state.effectVersion));
    ctx.console.log(QStringLiteral("firmware version: %1").arg(ctx.state.firmwareVersion));
    lblFirmwareVersion->setText(QStringLiteral("Firmware Version: %1").arg(ctx.state.firmwareVersion));
    return stored;
}

bool TformMain::OpenStoredEffect() {
    ResourceStore& resources = ctx.resources;
    resources.read_file_from_stream(QStringLiteral("effect_list"));
    const int n = ctx.state.effectNumber;
    if (n < 0 || n >= resources.resource_lines.size()) {
        // A number the catalogue does not have (newer firmware, a garbled reply): say so
        // rather than reading past the list.
        ctx.services.showMessage(
            QStringLiteral("The pedal reports effect number %1, which is not in this editor's catalogue")
                .arg(n));
        return false;
    }
    ctx.console.log(resources.resource_lines.at(n));
    selectPedalEffect(n);
    return true;
}

void TformMain::selectPedalEffect(int number) {
    const QString line = ctx.resources.resource_lines.at(number);
    const qsizetype colon = line.indexOf(u':');
    ctx.state.pedalEffectName = colon >= 0 ? line.mid(colon + 1) : line;
    ctx.console.log(QStringLiteral("effetto ottenuto dalla lista: ") + ctx.state.pedalEffectName);
    ctx.state.selectedEffectName = ctx.state.pedalEffectName;
    ctx.state.effectOnPedalSelected = true;
    btnRequest->setEnabled(true);
    btnRequest->setFocus();
}

void TformMain::openParameterWindow(const QString& caption, bool setWidth) {
    TformFXParameters* params = windows.formFXParameters;
    if (params->isVisible())
        params->close();
    params->move(geometry().left() + width(), geometry().top());
    params->setWindowTitle(caption);
    params->setAccessibleName(caption);
    params->show();
    const int height = TformFXParameters::windowHeight(ctx.state.numOfParameters, ctx.state.numOfReadbacks);
    params->setFixedSize(setWidth ? TformFXParameters::kWindowWidth : params->width(), height);
}

bool TformMain::showPedalEffectInBrowser() {
    for (int row = 0; row < static_cast<int>(categoryNames.size()); ++row) {
        lstEffects->clear();
        const QString resource =
            ResourceStore::format_resource_name(categoryNames[static_cast<std::size_t>(row)]);
        ctx.resources.read_file_from_stream(resource);
        if (search_effect_name(row)) {
            ctx.resources.read_file_from_stream(resource);
            lstEffects->clear();
            get_effects_name();
            lstEffects->setCurrentRow(foundEffectRow_);
            return true;
        }
    }
    return false;
}

// ---- Receive poll and version check: filled in by the dispatcher and the version check ----

void TformMain::checkmostrecentversiononwebsite() {}

// ---- Start-up routines ----

void TformMain::create_categories() {
    lstCategory->clear();
    for (const QString& name : categoryNames)
        lstCategory->addItem(name);
    // Bound to a click on the row itself: selecting a row from code runs no handler.
    on(lstCategory, &QListWidget::itemClicked,
       [this](QListWidgetItem* item) { categoryClick(lstCategory->row(item)); });
}

QString TformMain::GetAppVersionText() const {
    const QStringList parts = QStringLiteral(TARVO_FILE_VERSION).split(u'.');
    if (parts.size() < 2)
        return QStringLiteral("Version info not available");
    return parts.at(0) + u'.' + parts.at(1);
}

void TformMain::EnsureDocumentsFolder(const QString&) {}
void TformMain::EnsureDocumentsSubfolder(const QString&, const QString&) {}
void TformMain::LoadStartupSettings() {}
void TformMain::LoadLook() {}

void TformMain::CreateLookMenu() {
    for (int i = 0; i <= 6; ++i) {
        QAction* look = menuLook->addAction(QString::number(i));
        look->setObjectName(QStringLiteral("menuLook%1").arg(i));
        on(look, &QAction::triggered, [this, look] { menuLookClickItem(look); });
    }
}

void TformMain::menuLookClickItem(QAction*) {}

void TformMain::CreateMidiChannelMenu() {
    for (int i = 0; i <= 16; ++i) {
        QAction* channel = menuMIDIchannel->addAction(i == 0 ? QStringLiteral("OMNI") : QString::number(i));
        channel->setObjectName(QStringLiteral("midiChannelItem%1").arg(i));
        channel->setCheckable(false);
        midiChannelItems << channel;
        on(channel, &QAction::triggered, [this, channel] { menuMIDIchannelsClickItem(channel); });
    }
}

void TformMain::menuMIDIchannelsClickItem(QAction*) {}

// ---- Effect browser ----

void TformMain::categoryClick(int row) {
    if (row < 0 || row >= static_cast<int>(categoryNames.size()))
        return;
    static const char* const resourceNames[] = {"gain",    "modulation",       "synthesis", "filter",
                                                "dynamic", "impulse_response", "other"};
    lstEffects->clear();
    ctx.resources.read_file_from_stream(QString::fromLatin1(resourceNames[row]));
    get_effects_name();
    currentCategory = categoryNames[static_cast<std::size_t>(row)];
    if (row == 5)
        ctx.services.showMessage(QStringLiteral(
            "How to load an impulse response:\r\n1) Select an IR load algorithm in Impulse Response "
            "category\r\n2) "
            "Go to File and click Load IR, choose the desired WAV file\r\n3) Click UPLOAD SELECTED EFFECT "
            "button\r\nWorks best with 48kHz sampling rate at a bitrate of 24 or 32 bit"));
    else
        btnOpenEffect->setEnabled(true);
}

void TformMain::get_effects_name() {
    const QStringList lines = ctx.resources.resource_lines;
    for (const QString& name : lines) {
        auto* row = new QListWidgetItem(name, lstEffects);
        if (ctx.state.bankMode && ctx.resources.get_effect_size(name) > 5440) {
            ctx.console.log(QStringLiteral("size of ") + name + QStringLiteral(" exceed 5440 bytes"));
            row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
        }
    }
}

void TformMain::effetto_cliccato(QListWidgetItem* item) {
    if (!item)
        return;
    TformFXParameters* params = windows.formFXParameters;
    if (ctx.state.bankMode && !(item->flags() & Qt::ItemIsEnabled)) {
        params->close();
        btnUpload->setEnabled(false);
        btnStoreSettingsOnPedal->setEnabled(false);
        return;
    }
    lstEffects->setCurrentItem(item);
    ctx.console.log(QStringLiteral("efx index :%1").arg(lstEffects->currentRow()));
    EditorState& s = ctx.state;
    s.selectedEffectName = item->text();
    ctx.console.log(QStringLiteral("selected effect name: ") + s.selectedEffectName);
    if (!s.selectedEffectName.isEmpty())
        btnGetFXInfo->setEnabled(true);
    if (s.selectedEffectName == s.pedalEffectName) {
        s.effectOnPedalSelected = true;
        btnRequest->setEnabled(true);
    } else {
        s.effectOnPedalSelected = false;
        btnRequest->setEnabled(false);
        btnAssign->setEnabled(false);
        btnStoreSettingsOnPedal->setEnabled(false);
    }
    openParameterWindow(s.selectedEffectName, true);
    // The window's close (part of reopening) disables Request; the pedal's effect keeps it.
    if (s.effectOnPedalSelected)
        btnRequest->setEnabled(true);
    menuLoadIR->setEnabled(currentCategory == QStringLiteral("Impulse Response"));
    btnOpenEffect->setEnabled(true);
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
    const QStringList& lines = ctx.resources.resource_lines;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i) == ctx.state.pedalEffectName) {
            lstCategory->setCurrentRow(categoryRow);
            foundEffectRow_ = static_cast<int>(i);
            if (i < lstEffects->count())
                lstEffects->setCurrentRow(foundEffectRow_);
            return true;
        }
    }
    return false;
}

// ---- Incoming messages ----

void TformMain::Timer_USB_readTimer() {
    DispatchIncoming();
}

void TformMain::SelectBankRadio(int n) {
    if (n == 0)
        rdbtnBank1->setChecked(true);
    else if (n == 1)
        rdbtnBank2->setChecked(true);
    else if (n == 2)
        rdbtnBank3->setChecked(true);
}

void TformMain::DispatchIncoming() {
    UsbLink& link = ctx.link;
    link.reportDriverErrors = false;
    if (link.GetDeviceQueueStatus() != FT_OK) {
        link.reportDriverErrors = true;
        return;
    }
    const std::uint32_t n = link.ReadDevice();
    const QByteArray bytes(reinterpret_cast<const char*>(link.rxBuffer.data()), n);

    if (!pendingDump_.isEmpty() && ctx.services.elapsedMs() > dumpDeadline_) {
        // The rest of the dump never came: give it up and read this as a message of its own.
        ctx.console.log(QStringLiteral("memory dump incomplete: %1 of %2 bytes received")
                            .arg(pendingDump_.size())
                            .arg(kMemoryDumpSize));
        pendingDump_.clear();
    }
    if (!pendingDump_.isEmpty()) {
        // The rest of a memory dump: nothing else is read until it is whole or given up.
        pendingDump_ += bytes;
        if (pendingDump_.size() >= kMemoryDumpSize) {
            const QByteArray dump = pendingDump_.left(kMemoryDumpSize);
            pendingDump_.clear();
            showMemoryDump(dump);
        }
        link.reportDriverErrors = true;
        return;
    }
    if (n == 0) {
        link.reportDriverErrors = true;
        return;
    }

    const QString text = QString::fromLatin1(bytes);
    if (text.startsWith(u'0'))
        SelectBankRadio(StrToInt(text.mid(1)));
    else if (text.startsWith(u'1'))
        OpenReportedEffect(HexToInt(text.mid(1)) % 65536);
    if (text == QStringLiteral("Upload complete"))
        lblStatus->setText(text);
    const auto first = static_cast<std::uint8_t>(bytes.at(0));
    if (first == 0xAA && bytes.size() >= 5) {
        const auto byte = [&](int k) { return static_cast<std::uint8_t>(bytes.at(k)); };
        windows.formFXParameters->ApplyLiveReport(byte(1), byte(2),
                                                  static_cast<std::uint16_t>(byte(3) * 256 + byte(4)));
    }
    if (first == 0xAB) {
        if (bytes.size() >= kMemoryDumpSize) {
            showMemoryDump(bytes.left(kMemoryDumpSize));
        } else {
            pendingDump_ = bytes;
            dumpDeadline_ = ctx.services.elapsedMs() + kMemoryDumpTimeoutMs;
        }
    }
    link.reportDriverErrors = true;
}

void TformMain::showMemoryDump(const QByteArray& dump) {
    QStringList lines;
    lines.reserve(kMemoryDumpSize - 1);
    bool erased = true;
    for (int i = 0; i < kMemoryDumpSize - 1; ++i) {
        const auto b = static_cast<std::uint8_t>(dump.at(i + 1));
        erased = erased && b == 0xFF;
        lines << QString::number(i) + QStringLiteral(": ") + IntToHex(b, 2);
    }
    ctx.console.logLines(lines);
    if (erased)
        ctx.services.showMessage(QStringLiteral("Memory Erased"));
}

void TformMain::OpenReportedEffect(int number) {
    ResourceStore& resources = ctx.resources;
    resources.read_file_from_stream(QStringLiteral("effect_list"));
    if (number < 0 || number >= resources.resource_lines.size())
        throw std::out_of_range(QStringLiteral("List index out of bounds (%1)").arg(number).toStdString());
    selectPedalEffect(number);
    openParameterWindow(ctx.state.pedalEffectName + QStringLiteral(" v%1").arg(ctx.state.effectVersion),
                        false);
    windows.formFXParameters->EnableDisableControls(false);
    btnRequest->setEnabled(true);
    showPedalEffectInBrowser();
}

// ---- Read-back of the pedal's state ----

void TformMain::btnRequestClick() {
    ctx.state.requestInProgress = true;
    struct ClearAtEnd {
        bool& flag;
        ~ClearAtEnd() { flag = false; }
    } clearAtEnd{ctx.state.requestInProgress};
    RequestAndApplyState();
}

void TformMain::RequestAndApplyState() {
    EditorState& s = ctx.state;
    Timer_USB_read->stop();
    ctx.comm.SendHexMessage(QStringLiteral("02") + IntToHex(s.numOfParameters % 256, 2), 2, true);
    ctx.services.pause(200);
    btnRequest->setEnabled(false);
    const bool read = ctx.comm.ReadStateBlock();
    const StateBlockOffsets offsets{s.numOfParameters};
    if (!read || static_cast<std::uint32_t>(s.receiveArray.size()) < offsets.size()) {
        // Applying a short block would read past its end; leave the window as it was.
        if (read)
            ctx.services.showMessage(
                QStringLiteral("The pedal's reply was incomplete (%1 of %2 bytes); "
                               "the settings were not updated. Press Request to try again.")
                    .arg(s.receiveArray.size())
                    .arg(offsets.size()));
        btnRequest->setEnabled(true);
        Timer_USB_read->start();
        return;
    }
    TformFXParameters* params = windows.formFXParameters;
    params->update_FXParameters();
    params->receive_assignments_from_device();
    params->receive_reverse_data_from_device();
    params->receive_mode();
    ShowMidiChannel();
    btnAssign->setEnabled(true);
    btnStoreSettingsOnPedal->setEnabled(true);
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
    const int c = static_cast<std::uint8_t>(ctx.state.receiveArray.at(offsets.midiChannel()));
    if (c == 0 || c == 255)
        midiChannelItems.at(0)->setChecked(true);
    else if (c >= 1 && c <= 16)
        midiChannelItems.at(c)->setChecked(true);
    ctx.console.log(QStringLiteral("MIDI channel: %1").arg(c));
}
