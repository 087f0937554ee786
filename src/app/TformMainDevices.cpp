// The main window's part in following the bridges as they are plugged in and pulled out: the
// device label and the serial number item kept up to date as Scan would keep them (without its
// boxes), a log line for each bridge that came or went, and a linked pedal pulled out let go at
// once. Nothing here ever links: plugging a pedal back in only offers Link again.

#include "app/EditorApp.h"
#include "app/TformMain.h"
#include "console/ui/TformPrint.h"
#include "firmware/ui/TformFirmwareUpgrade.h"
#include "link/DeviceMonitor.h"
#include "protocol/Connection.h"
#include "ui/ToggleSwitch.h"

#include <QAction>
#include <QLabel>
#include <QSocketNotifier>
#include <algorithm>
#include <utility>

namespace {

const QString kPedalPulledOut = QStringLiteral(
    "The pedal was unplugged, so it is no longer linked. Plug it in again and choose Connection > Link.");

QString described(const BridgeInfo& bridge) {
    return QStringLiteral("%1, serial %2, reached by %3")
        .arg(bridge.description, bridge.serial, bridge.route);
}

} // namespace

void TformMain::followDevices(DeviceMonitor& monitor) {
    deviceMonitor_ = &monitor;
    if (monitor.descriptor() < 0) {
        ctx.console.log(QStringLiteral("bridges plugged in or pulled out are not followed: ") +
                        QString::fromStdString(monitor.problem()));
        return;
    }
    // Woken by the monitor's news alone: an idle editor has nothing to look at in between.
    deviceNotifier_ = new QSocketNotifier(monitor.descriptor(), QSocketNotifier::Read, this);
    on(deviceNotifier_, &QSocketNotifier::activated, [this] { devicesChanged(); });
}

void TformMain::devicesChanged() {
    const std::vector<DeviceChange> changes = deviceMonitor_->takeChanges();
    if (changes.empty()) {
        if (monitorFailed(deviceMonitor_->descriptor())) {
            deviceNotifier_->setEnabled(false);
            ctx.console.log(QStringLiteral("bridges plugged in or pulled out are no longer followed: the "
                                           "device monitor failed"));
        }
        return;
    }
    bool usbDeparted = false;
    for (const DeviceChange& change : changes) {
        // Only a bridge's USB device going is a pull: its serial port also goes when the direct
        // driver takes the bridge over, linked or not.
        if (change.kind != DeviceChange::Kind::Departed || change.subsystem != "usb")
            continue;
        usbDeparted = true;
        if (linked_ && !change.serial.empty() && QString::fromStdString(change.serial) == linkedSerial_)
            linkedPedalUnplugged();
    }
    relistAfterChange(usbDeparted);
}

void TformMain::relistAfterChange(bool usbDeparted) {
    usbDepartedPending_ = usbDepartedPending_ || usbDeparted;
    // News that comes while a listing runs makes one more listing afterwards, however much of it
    // there is: a hub full of devices plugged in at once lists the bridges twice at most.
    if (relisting_) {
        relistAgain_ = true;
        return;
    }
    relisting_ = true;
    const bool departed = std::exchange(usbDepartedPending_, false);
    ctx.worker().start(
        this, [](PedalLine& line) { return relistBridges(line); },
        [this, departed](const QList<BridgeInfo>& bridges, const PedalWorker::Said&) {
            relisting_ = false;
            showAttachedBridges(bridges, departed);
            if (std::exchange(relistAgain_, false))
                relistAfterChange(false);
        });
}

void TformMain::showAttachedBridges(const QList<BridgeInfo>& bridges, bool usbDeparted) {
    const BridgeChanges changes = compareBridges(attached_, bridges);
    attached_ = bridges;
    for (const BridgeInfo& bridge : changes.departed)
        ctx.console.log(QStringLiteral("device departed: ") + described(bridge));
    for (const BridgeInfo& bridge : changes.arrived)
        ctx.console.log(QStringLiteral("device arrived: ") + described(bridge));
    QString serials;
    for (const BridgeInfo& bridge : bridges)
        serials += bridge.serial;
    menuSerialNumber->setText(QStringLiteral("Device Serial: ") + serials);

    const bool linkedListed = std::any_of(bridges.begin(), bridges.end(),
                                          [this](const BridgeInfo& b) { return b.serial == linkedSerial_; });
    // A pull whose news did not say which bridge went: the listing does.
    if (linked_ && usbDeparted && !linkedListed)
        linkedPedalUnplugged();
    // While linked the label stays the linked pedal's, and Link is not what is wanted.
    if (linked_)
        return;
    if (bridges.isEmpty()) {
        lblDeviceName->setText(QStringLiteral("No device found"));
        enable(menuConnect, false);
        return;
    }
    ctx.state.deviceSerialNumber = bridges.last().serial;
    lblDeviceName->setText(bridges.last().description);
    enable(menuConnect, true);
}

void TformMain::linkedPedalUnplugged() {
    if (!linked_)
        return;
    ctx.console.log(QStringLiteral("the linked pedal %1 was unplugged; unlinked").arg(linkedSerial_));
    // Whatever runs stops at its next safe step without a word: the one message is below. What
    // waited unstarted (a listing among it) is dropped, so the next news lists afresh.
    ctx.worker().cancelAllQuietly();
    relisting_ = false;
    ctx.worker().start(
        this, [](PedalLine& line) { return unlinkUnplugged(line); },
        [](Unlinked, const PedalWorker::Said&) {});
    showUnlinked();
    // Link waits for a listing with a bridge in it; everything else that speaks to a pedal waits
    // for the next Link.
    enable(menuConnect, false);
    enable(swLive, false);
    enable(menuStartFirmwareUpgrade, false);
    enable(menuEraseSettings, false);
    windows.formPrint->setPedalToolsEnabled(false);
    windows.formFirmwareUpgrade->hide();
    offAfterUnplug_ = true;
    ctx.services.showMessage(kPedalPulledOut);
}

void TformMain::restoreAfterUnplug() {
    if (!std::exchange(offAfterUnplug_, false))
        return;
    // In the bootloader these stay off: the handshake that follows says what may speak.
    const bool normal = !ctx.state.bootloaderMode;
    enable(swLive, normal);
    enable(menuEraseSettings, normal);
    windows.formPrint->setPedalToolsEnabled(normal);
}
