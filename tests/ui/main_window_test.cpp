#include "EditorHarness.h"

#include "app/ToggleSwitch.h"

#include "app/ReceivePoll.h"
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QByteArray kNoEffectStored = "255\r\n255\r\n3\r\n7\r\n";

TEST(MainWindowTest, StartsWithTheDesignLayoutAndNoMessage) {
    EditorHarness editor;
    TformMain& w = editor.main();
    EXPECT_EQ(w.windowTitle(), "Tarvo Max Editor");
    EXPECT_EQ(w.size(), QSize(399, 391));
    EXPECT_EQ(w.pos(), QPoint(37, 31));

    struct Control {
        QWidget* widget;
        QString text;
        QRect geometry;
        bool enabled;
        bool hidden;
    };
    const std::vector<Control> controls = {
        {w.lblDeviceName, "Device Name: ", {8, 29, 174, 17}, true, false},
        {w.lblFirmwareVersion, "Firmware Version: ", {9, 44, 174, 20}, true, false},
        {w.lblSerialNumber, "Serial Number: ", {8, 47, 185, 17}, true, true},
        {w.btnUpload, "Upload Selected Effect", {7, 70, 168, 36}, false, false},
        {w.lblStatus, "Status: ", {7, 105, 174, 17}, true, false},
        {w.btnOpenEffect, "Get FX Stored on Pedal", {8, 132, 168, 25}, false, false},
        {w.btnRequest, "Request", {8, 165, 169, 25}, false, false},
        {w.btnAssign, "Assign", {9, 198, 168, 25}, false, false},
        {w.btnStoreSettingsOnPedal, "Store Settings On Pedal", {9, 231, 169, 25}, false, false},
        {w.chkFirmwareUpgradeMode, "Firmware Upgrade Mode", {9, 341, 174, 19}, true, true},
        {w.btnUploadFile, "Upload File", {73, 370, 46, 22}, true, true},
        {w.btnGetFXInfo, "?", {161, 362, 22, 22}, false, true},
        {w.lstCategory, "", {191, 28, 200, 137}, true, false},
        {w.lstEffects, "", {191, 173, 200, 211}, true, false},
        {w.swLive, "", {129, 285, 48, 21}, true, false},
    };
    for (const Control& c : controls) {
        const QString name = c.widget->objectName();
        if (auto* label = qobject_cast<QLabel*>(c.widget)) {
            EXPECT_EQ(label->text(), c.text) << name.toStdString();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(c.widget); button && !c.text.isEmpty()) {
            EXPECT_EQ(button->text(), c.text) << name.toStdString();
        }
        EXPECT_EQ(c.widget->geometry(), c.geometry) << name.toStdString();
        EXPECT_EQ(c.widget->isEnabled(), c.enabled) << name.toStdString();
        EXPECT_EQ(c.widget->isHidden(), c.hidden) << name.toStdString();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(c.widget);
        ASSERT_NE(accessible, nullptr) << name.toStdString();
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << name.toStdString();
    }
    EXPECT_EQ(w.lblBankNum->pos(), QPoint(9, 269));
    EXPECT_FALSE(w.lblBankNum->isEnabled());
    EXPECT_EQ(w.rdbtnBank2->pos(), QPoint(10, 307));
    EXPECT_FALSE(w.rdbtnBank1->isChecked() || w.rdbtnBank2->isChecked() || w.rdbtnBank3->isChecked());
    EXPECT_EQ(w.lblLive->text(), "Live OFF");
    EXPECT_FALSE(w.swLive->isChecked());
    EXPECT_TRUE(w.swLive->isCheckable());
    QAccessibleInterface* live = QAccessible::queryAccessibleInterface(w.swLive);
    EXPECT_EQ(live->text(QAccessible::Name), "Live");
    EXPECT_TRUE(live->state().checkable);
    EXPECT_FALSE(live->state().checked);

    QStringList categories;
    for (int i = 0; i < w.lstCategory->count(); ++i)
        categories << w.lstCategory->item(i)->text();
    EXPECT_EQ(categories, (QStringList{"Gain", "Modulation", "Synthesis", "Filter", "Dynamic",
                                       "Impulse Response", "Other"}));
    EXPECT_EQ(w.lstEffects->count(), 0);
    EXPECT_FALSE(w.Timer_USB_read->isActive());
    EXPECT_TRUE(w.TimerCheckWebVersion->isActive());
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_FALSE(editor.context->link.reportDriverErrors);
}

TEST(MainWindowTest, MenusCarryTheirItemsAndStates) {
    EditorHarness editor;
    TformMain& w = editor.main();
    auto texts = [](QMenu* menu) {
        QStringList t;
        for (QAction* a : menu->actions())
            t << a->text();
        return t;
    };
    EXPECT_EQ(texts(w.menuFile), (QStringList{"Load Configuration", "Save Configuration", "Load IR"}));
    EXPECT_EQ(texts(w.menuConnection), (QStringList{"Scan", "Link", "Unlink"}));
    EXPECT_EQ(texts(w.menuSettings), (QStringList{"Alive Parameters!", "Look", "MIDI", "Mode"}));
    EXPECT_EQ(texts(w.menuMode), (QStringList{"Preset Mode", "FX Bank Mode"}));
    EXPECT_EQ(texts(w.menuFirmwareUpgrade),
              (QStringList{"Upgrade Mode", "Start Firmware Upgrade", "Erase Settings"}));
    EXPECT_EQ(texts(w.menuInfo), (QStringList{"Quick Start", "Support", "Version:  1.0",
                                              "New version available:", "Device Serial: ", "Update Now",
                                              "Show Update Message"}));
    EXPECT_EQ(texts(w.menuLook), (QStringList{"0", "1", "2", "3", "4", "5", "6"}));
    QStringList channels{"OMNI"};
    for (int i = 1; i <= 16; ++i)
        channels << QString::number(i);
    EXPECT_EQ(texts(w.menuMIDIchannel), channels);
    EXPECT_EQ(w.midiChannelItems.size(), 17);

    EXPECT_FALSE(w.menuLoadIR->isEnabled());
    EXPECT_FALSE(w.menuDisconnect->isEnabled());
    EXPECT_FALSE(w.menuLiveEnable->isVisible());
    EXPECT_FALSE(w.menuMIDI->isEnabled());
    EXPECT_FALSE(w.menuMode->isEnabled());
    EXPECT_FALSE(w.menuStartFirmwareUpgrade->isEnabled());
    EXPECT_FALSE(w.menuQuickStart->isVisible());
    EXPECT_FALSE(w.menuAppVersion->isEnabled());
    EXPECT_FALSE(w.menuNewAppVersion->isEnabled());
    EXPECT_TRUE(w.menuShowUpdateMsg->isChecked());
}

TEST(MainWindowTest, OnlyCtrlShiftPOpensTheConsole) {
    EditorHarness editor;
    TformMain& w = editor.main();
    w.show();
    for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier),
                                       Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        QTest::keyClick(w.lstCategory, Qt::Key_P, mods);
        EXPECT_FALSE(editor.console().isVisible());
    }
    QTest::keyClick(w.lstCategory, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(editor.console().isVisible());
}

TEST(MainWindowTest, StartUpListsTheAttachedBridges) {
    struct Case {
        std::vector<FakeFtDriver::Bridge> bridges;
        QString label;
        QString serialMenu;
        std::string linkOpens;
    };
    const std::vector<Case> cases = {
        {{}, "Device Name: ", "Device Serial: ", ""},
        {{{"FT1A2B3C", "FT230X Basic UART"}}, "Tarvo Max", "Device Serial: FT1A2B3C", "FT1A2B3C"},
        {{{"FT1A2B3C", "FT230X Basic UART"}, {"FT9Z8Y7X", "Bench Rig"}},
         "Bench Rig",
         "Device Serial: FT1A2B3CFT9Z8Y7X",
         "FT9Z8Y7X"},
    };
    for (const Case& c : cases) {
        EditorHarness editor(c.bridges);
        TformMain& w = editor.main();
        EXPECT_EQ(w.lblDeviceName->text(), c.label);
        EXPECT_EQ(w.menuSerialNumber->text(), c.serialMenu);
        EXPECT_TRUE(editor.services.messages.isEmpty());
        editor.driver.queueReply(kNoEffectStored);
        w.menuConnect->trigger();
        if (c.linkOpens.empty()) {
            EXPECT_EQ(editor.driver.openedSerials, std::vector<std::string>{""});
        } else {
            EXPECT_EQ(editor.driver.openedSerials, std::vector<std::string>{c.linkOpens});
        }
    }
}

TEST(MainWindowTest, ScanReportsEachBridge) {
    EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}, {"FT9Z8Y7X", "Bench Rig"}});
    editor.main().menuScan->trigger();
    EXPECT_EQ(editor.services.messages,
              (QStringList{"FT230X Basic UART found, click Link", "Bench Rig found, click Link"}));
    EXPECT_EQ(editor.main().lblDeviceName->text(), "Bench Rig");
    EXPECT_EQ(editor.context->state.deviceSerialNumber, "FT9Z8Y7X");
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("FT device count: 2"));
    EXPECT_TRUE(log.contains("FT_Device_String: FT1A2B3C"));
    EXPECT_TRUE(log.contains("FT_Device_String: FT9Z8Y7X"));

    editor.driver.bridges.clear();
    editor.services.messages.clear();
    editor.main().menuScan->trigger();
    EXPECT_EQ(editor.services.messages, QStringList{"No device found"});
    EXPECT_EQ(editor.main().lblDeviceName->text(), "No device found");
}

TEST(MainWindowTest, LinkUnlinkLinkKeepsTheLabelAndControlsInStep) {
    EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}});
    TformMain& w = editor.main();

    editor.driver.queueReply(kNoEffectStored);
    w.menuConnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Tarvo Max linked");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w.lblDeviceName)->text(QAccessible::Name),
              "Tarvo Max linked");
    EXPECT_TRUE(editor.driver.calls.contains("SetBaudRate(115200)"));
    EXPECT_TRUE(editor.driver.calls.contains("SetDataCharacteristics(8,0,0)"));
    EXPECT_TRUE(w.btnUpload->isEnabled());
    EXPECT_FALSE(w.menuScan->isEnabled());
    EXPECT_FALSE(w.menuConnect->isEnabled());
    EXPECT_TRUE(w.menuDisconnect->isEnabled());
    EXPECT_FALSE(w.chkFirmwareUpgradeMode->isEnabled());
    EXPECT_TRUE(w.menuMIDI->isEnabled());
    EXPECT_TRUE(w.menuMode->isEnabled());
    EXPECT_TRUE(w.Timer_USB_read->isActive());
    EXPECT_TRUE(editor.context->state.linkedOnce);
    // The stored-effect question, and the answer that nothing is stored.
    EXPECT_EQ(editor.driver.writes.front(), QByteArray::fromHex("0600"));
    EXPECT_EQ(editor.services.messages, QStringList{"No effect found on pedal"});
    EXPECT_EQ(w.lblFirmwareVersion->text(), "Firmware Version: 7");
    EXPECT_FALSE(w.btnRequest->isEnabled());
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("serial number: FT1A2B3C"));
    EXPECT_TRUE(log.contains("FT_HANDLE: 0x00C0FFEE"));
    EXPECT_TRUE(log.contains("baud rate = 115200"));

    w.menuDisconnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Tarvo Max");
    EXPECT_TRUE(w.menuScan->isEnabled());
    EXPECT_TRUE(w.menuConnect->isEnabled());
    EXPECT_FALSE(w.menuDisconnect->isEnabled());
    for (QWidget* b : {static_cast<QWidget*>(w.btnUpload), static_cast<QWidget*>(w.btnOpenEffect),
                       static_cast<QWidget*>(w.btnRequest), static_cast<QWidget*>(w.btnAssign),
                       static_cast<QWidget*>(w.btnStoreSettingsOnPedal)})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(w.menuMIDI->isEnabled());
    // Unlink leaves the poll running and the hidden check box disabled.
    EXPECT_TRUE(w.Timer_USB_read->isActive());
    EXPECT_FALSE(w.chkFirmwareUpgradeMode->isEnabled());

    editor.driver.queueReply(kNoEffectStored);
    w.menuConnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Tarvo Max linked");
}

TEST(MainWindowTest, FailedOpenOrCloseChangesNothing) {
    EditorHarness editor({{"FT1A2B3C", "Bench Rig"}});
    TformMain& w = editor.main();
    editor.context->link.reportDriverErrors = true;
    editor.driver.failOn("open", FT_DEVICE_NOT_FOUND);
    w.menuConnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Bench Rig");
    EXPECT_EQ(editor.services.messages,
              QStringList{"Open_USB_Device_By_Serial_Number - Device not found..."});
    EXPECT_TRUE(w.menuConnect->isEnabled());
    EXPECT_TRUE(editor.driver.writes.empty());

    editor.driver.failOn("open", FT_OK);
    editor.driver.queueReply(kNoEffectStored);
    w.menuConnect->trigger();
    editor.driver.failOn("close", FT_IO_ERROR);
    w.menuDisconnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Bench Rig linked");
    EXPECT_TRUE(w.menuDisconnect->isEnabled());

    // Unplugged: the close fails because the bridge is gone, and Unlink still unlinks.
    editor.driver.bridges.clear();
    w.menuDisconnect->trigger();
    EXPECT_EQ(w.lblDeviceName->text(), "Bench Rig");
    EXPECT_TRUE(w.menuConnect->isEnabled());
    EXPECT_FALSE(w.menuDisconnect->isEnabled());
}

TEST(MainWindowTest, BootloaderHandshakeOnLink) {
    struct Case {
        QByteArray answer;
        QString message;
        bool startEnabled;
    };
    const std::vector<Case> cases = {
        {QByteArray::fromHex("79"), "Connection to bootloader succeeded, ready for firmware upgrade", true},
        {QByteArray::fromHex("1F"), "Connection to bootloader failed", false},
    };
    for (const Case& c : cases) {
        EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}});
        TformMain& w = editor.main();
        w.chkFirmwareUpgradeMode->setChecked(true);
        ASSERT_TRUE(editor.context->state.bootloaderMode);
        editor.driver.queueReply(c.answer);
        w.menuConnect->trigger();
        EXPECT_TRUE(editor.driver.calls.contains("SetDataCharacteristics(8,0,2)"));
        EXPECT_EQ(editor.driver.writes, std::vector<QByteArray>{QByteArray::fromHex("7F")});
        EXPECT_EQ(editor.services.messages, QStringList{c.message});
        EXPECT_EQ(w.menuStartFirmwareUpgrade->isEnabled(), c.startEnabled);
        EXPECT_EQ(w.btnRequest->isEnabled(), !c.startEnabled);
        EXPECT_TRUE(w.menuFirmwareUpgradeMode->isEnabled());
        EXPECT_FALSE(w.Timer_USB_read->isActive());
        EXPECT_TRUE(editor.logLines().contains("received Byte: " + c.answer.toHex().toUpper()));
    }
}

TEST(MainWindowTest, SilentBootloaderTimesOutAndFails) {
    EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.main().chkFirmwareUpgradeMode->setChecked(true);
    editor.main().menuConnect->trigger();
    ASSERT_EQ(editor.services.messages.size(), 2);
    EXPECT_TRUE(editor.services.messages.at(0).startsWith("No reply from the pedal"));
    EXPECT_EQ(editor.services.messages.at(1), "Connection to bootloader failed");
    EXPECT_TRUE(editor.logLines().contains("received Byte: "));
}

TEST(MainWindowTest, AGarbledStoredEffectReplyReachesTheErrorReport) {
    EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver.queueReply("1\r\n4O\r\n2\r\n5\r\n");
    editor.main().menuConnect->trigger();
    EXPECT_EQ(editor.services.errors, QStringList{"'4O' is not a valid integer value"});
}

} // namespace
