#include "TestEditor.h"

#include "app/ReceivePoll.h"
#include "ui/ToggleSwitch.h"

#include <QAccessible>
#include <QCheckBox>
#include <QIcon>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QByteArray kNoEffectStored = "255\r\n255\r\n3\r\n7\r\n";

// Where a control lies in its window's client area, whatever it is placed on inside the window.
QRect inWindow(const QWidget* control) {
    return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

TEST(MainWindowTest, StartsWithTheDesignLayoutAndNoMessage) {
    TestEditor editor;
    QWidget* w = editor.find("formMain");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Tarvo Max Editor");
    // The design's client area, which the default look's controls fit as designed.
    EXPECT_EQ(w->size(), QSize(399, 391));

    struct Control {
        const char* name;
        QString text;
        QRect geometry;
        bool enabled;
        bool hidden;
    };
    const Control controls[] = {
        {"lblDeviceName", "Device Name: ", {8, 29, 174, 15}, true, false},
        {"lblFirmwareVersion", "Firmware Version: ", {9, 44, 174, 20}, true, false},
        {"lblSerialNumber", "Serial Number: ", {8, 47, 185, 17}, true, true},
        {"btnUpload", "Upload Selected Effect", {7, 70, 168, 35}, false, false},
        {"lblStatus", "Status: ", {7, 105, 174, 17}, true, false},
        {"btnOpenEffect", "Get FX Stored on Pedal", {8, 132, 168, 25}, false, false},
        {"btnRequest", "Request", {8, 165, 169, 25}, false, false},
        {"btnAssign", "Assign", {9, 198, 168, 25}, false, false},
        {"btnStoreSettingsOnPedal", "Store Settings On Pedal", {9, 231, 169, 25}, false, false},
        {"chkFirmwareUpgradeMode", "Firmware Upgrade Mode", {9, 341, 174, 19}, true, true},
        {"btnUploadFile", "Upload File", {73, 370, 46, 22}, true, true},
        {"btnGetFXInfo", "?", {161, 362, 22, 22}, false, true},
        {"lstCategory", "", {191, 28, 200, 137}, true, false},
        {"lstEffects", "", {191, 173, 200, 211}, true, false},
        {"swLive", "", {129, 285, 48, 21}, true, false},
    };
    for (const Control& c : controls) {
        QWidget* widget = editor.find(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        if (!c.text.isEmpty()) {
            EXPECT_EQ(editor.text(c.name), c.text) << c.name;
        }
        EXPECT_EQ(inWindow(widget), c.geometry) << c.name;
        EXPECT_EQ(widget->isEnabled(), c.enabled) << c.name;
        EXPECT_EQ(widget->isHidden(), c.hidden) << c.name;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr) << c.name;
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << c.name;
    }
}

TEST(MainWindowTest, StartsWithNoBankNoLiveNoLinkAndTheCategoriesListed) {
    TestEditor editor;
    EXPECT_EQ(inWindow(editor.find("lblBankNum")).topLeft(), QPoint(9, 269));
    EXPECT_FALSE(editor.enabled("lblBankNum"));
    EXPECT_EQ(inWindow(editor.find("rdbtnBank2")).topLeft(), QPoint(10, 307));
    for (const char* bank : {"rdbtnBank1", "rdbtnBank2", "rdbtnBank3"})
        EXPECT_FALSE(editor.find<QRadioButton>(bank)->isChecked()) << bank;
    EXPECT_EQ(editor.text("lblLive"), "Live OFF");
    auto* live = editor.find<ToggleSwitch>("swLive");
    EXPECT_FALSE(live->isChecked());
    QAccessibleInterface* liveAccess = QAccessible::queryAccessibleInterface(live);
    EXPECT_EQ(liveAccess->text(QAccessible::Name), "Live");
    EXPECT_TRUE(liveAccess->state().checkable);
    EXPECT_FALSE(liveAccess->state().checked);

    auto* categories = editor.find<QListWidget>("lstCategory");
    QStringList rows;
    for (int i = 0; i < categories->count(); ++i)
        rows << categories->item(i)->text();
    EXPECT_EQ(rows, (QStringList{"Gain", "Modulation", "Synthesis", "Filter", "Dynamic", "Impulse Response",
                                 "Other"}));
    EXPECT_EQ(editor.find<QListWidget>("lstEffects")->count(), 0);
    EXPECT_FALSE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    EXPECT_TRUE(editor.find<QTimer>("TimerCheckWebVersion")->isActive());
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_FALSE(editor.context->link.reportDriverErrors);
}

TEST(MainWindowTest, EveryWindowIsAnnouncedAsAWindowWithItsTitle) {
    TestEditor editor;
    for (const char* name : {"formMain", "formFirmwareUpgrade", "formPrint", "formFXParameters", "formFXInfo",
                             "formImpulseResponse", "formNewVersionMsg"}) {
        QWidget* window = editor.find(name);
        ASSERT_NE(window, nullptr) << name;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(accessible, nullptr) << name;
        EXPECT_EQ(accessible->role(), QAccessible::Window) << name;
        EXPECT_EQ(accessible->text(QAccessible::Name), window->windowTitle()) << name;
    }
}

TEST(MainWindowTest, MenusCarryTheirItemsAndStates) {
    TestEditor editor;
    auto texts = [&](const char* name) {
        QStringList t;
        for (QAction* a : editor.find<QMenu>(name)->actions())
            t << a->text();
        return t;
    };
    EXPECT_EQ(texts("menuFile"),
              (QStringList{"Load Configuration", "Save Configuration", "Load IR", "", "Preset Library",
                           "Back Up Pedal\u2026", "Restore Pedal\u2026", "", "Quit"}));
    EXPECT_EQ(texts("menuConnection"), (QStringList{"Scan", "Link", "Unlink"}));
    EXPECT_EQ(texts("menuSettings"), (QStringList{"Alive Parameters!", "Look", "MIDI", "Mode"}));
    EXPECT_EQ(texts("menuMode"), (QStringList{"Preset Mode", "FX Bank Mode"}));
    EXPECT_EQ(texts("menuFirmwareUpgrade"), (QStringList{"Upgrade Mode", "Start Firmware Upgrade",
                                                         "Verify After Writing", "Erase Settings"}));
    EXPECT_EQ(texts("menuInfo"), (QStringList{"Quick Start", "Support", "Version:  1.0",
                                              "New version available:", "Device Serial: ", "Update Now",
                                              "Show Update Message"}));
    EXPECT_EQ(texts("menuLook"), (QStringList{"0: Studio Light", "1: Night Stage", "2: High Contrast",
                                              "3: Warm Valve", "4: Deep Ocean", "5: Forest", "6: Graphite"}));
    QStringList channels{"OMNI"};
    for (int i = 1; i <= 16; ++i)
        channels << QString::number(i);
    EXPECT_EQ(texts("menuMIDIchannel"), channels);

    for (const char* off :
         {"menuLoadIR", "menuDisconnect", "menuStartFirmwareUpgrade", "menuAppVersion", "menuNewAppVersion"})
        EXPECT_FALSE(editor.enabled(off)) << off;
    EXPECT_FALSE(editor.find<QMenu>("menuMIDI")->isEnabled());
    EXPECT_FALSE(editor.find<QMenu>("menuMode")->isEnabled());
    EXPECT_FALSE(editor.find<QAction>("menuLiveEnable")->isVisible());
    EXPECT_FALSE(editor.find<QAction>("menuQuickStart")->isVisible());
    EXPECT_TRUE(editor.find<QAction>("menuShowUpdateMsg")->isChecked());
}

TEST(MainWindowTest, TheKeyboardOpensEachMenuAndQuitEndsTheEditor) {
    TestEditor editor;
    QWidget* main = editor.find("formMain");
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    const std::pair<Qt::Key, const char*> menus[] = {{Qt::Key_F, "menuFile"},
                                                     {Qt::Key_C, "menuConnection"},
                                                     {Qt::Key_S, "menuSettings"},
                                                     {Qt::Key_W, "menuFirmwareUpgrade"},
                                                     {Qt::Key_I, "menuInfo"}};
    for (const auto& [key, name] : menus) {
        QTest::keyClick(main->windowHandle(), key, Qt::AltModifier);
        QMenu* menu = editor.find<QMenu>(name);
        EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000)) << name;
        Pointer::closeMenus();
    }
    EXPECT_EQ(editor.find<QAction>("menuQuit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    editor.find("formPrint")->show();
    QTest::keyClick(main->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(editor.find("formPrint")->isVisible()) << "every window goes with the editor";
}

TEST(MainWindowTest, EveryWindowCarriesTheEditorsIcon) {
    TestEditor editor;
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (const QSize size : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(256, 256)})
        EXPECT_TRUE(icon.availableSizes().contains(size)) << size.width();
    for (const char* name : {"formMain", "formFXParameters", "formPrint", "formFirmwareUpgrade"})
        EXPECT_EQ(editor.find(name)->windowIcon().cacheKey(), icon.cacheKey()) << name;
}

TEST(MainWindowTest, OnlyCtrlShiftPOpensTheConsole) {
    TestEditor editor;
    QWidget* categories = editor.find("lstCategory");
    for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier),
                                       Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        QTest::keyClick(categories, Qt::Key_P, mods);
        EXPECT_FALSE(editor.find("formPrint")->isVisible());
    }
    QTest::keyClick(categories, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(editor.find("formPrint")->isVisible());
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
        TestEditor editor(c.bridges);
        EXPECT_EQ(editor.text("lblDeviceName"), c.label);
        EXPECT_EQ(editor.text("menuSerialNumber"), c.serialMenu);
        EXPECT_TRUE(editor.services.messages.isEmpty());
        editor.driver().queueReply(kNoEffectStored);
        editor.trigger("menuConnect");
        EXPECT_EQ(editor.driver().openedSerials, std::vector<std::string>{c.linkOpens});
    }
}

TEST(MainWindowTest, ScanReportsEachBridge) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}, {"FT9Z8Y7X", "Bench Rig"}});
    editor.trigger("menuScan");
    EXPECT_EQ(editor.services.messages,
              (QStringList{"FT230X Basic UART found, click Link", "Bench Rig found, click Link"}));
    EXPECT_EQ(editor.text("lblDeviceName"), "Bench Rig");
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("FT device count: 2"));
    EXPECT_TRUE(log.contains("FT_Device_String: FT1A2B3C"));
    EXPECT_TRUE(log.contains("FT_Device_String: FT9Z8Y7X"));
    editor.driver().queueReply(kNoEffectStored);
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.driver().openedSerials.back(), "FT9Z8Y7X");

    editor.trigger("menuDisconnect");
    editor.driver().bridges.clear();
    editor.services.messages.clear();
    editor.trigger("menuScan");
    EXPECT_EQ(editor.services.messages, QStringList{"No device found"});
    EXPECT_EQ(editor.text("lblDeviceName"), "No device found");
}

TEST(MainWindowTest, LinkUnlinkLinkKeepsTheLabelAndControlsInStep) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver().queueReply(kNoEffectStored);
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max linked");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(editor.find("lblDeviceName"))->text(QAccessible::Name),
              "Tarvo Max linked");
    EXPECT_TRUE(editor.driver().calls.contains("SetBaudRate(115200)"));
    EXPECT_TRUE(editor.driver().calls.contains("SetDataCharacteristics(8,0,0)"));
    for (const char* on : {"btnUpload", "menuDisconnect", "menuMIDI", "menuMode", "menuFirmwareUpgradeMode"})
        EXPECT_TRUE(editor.enabled(on)) << on;
    for (const char* off : {"menuScan", "menuConnect", "chkFirmwareUpgradeMode", "btnRequest"})
        EXPECT_FALSE(editor.enabled(off)) << off;
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    EXPECT_TRUE(editor.context->state.linkedOnce);
    // The stored-effect question, and the answer that nothing is stored.
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0600"});
    EXPECT_EQ(editor.services.messages, QStringList{"No effect found on pedal"});
    EXPECT_EQ(editor.text("lblFirmwareVersion"), "Firmware Version: 7");
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("serial number: FT1A2B3C"));
    EXPECT_TRUE(log.contains("FT_HANDLE: 0x00C0FFEE"));
    EXPECT_TRUE(log.contains("baud rate = 115200"));

    editor.trigger("menuDisconnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max");
    for (const char* on : {"menuScan", "menuConnect"})
        EXPECT_TRUE(editor.enabled(on)) << on;
    for (const char* off : {"menuDisconnect", "btnUpload", "btnOpenEffect", "btnRequest", "btnAssign",
                            "btnStoreSettingsOnPedal", "menuMIDI", "chkFirmwareUpgradeMode"})
        EXPECT_FALSE(editor.enabled(off)) << off;
    // Unlink leaves the poll running.
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());

    editor.driver().queueReply(kNoEffectStored);
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max linked");
}

TEST(MainWindowTest, FailedOpenOrCloseChangesNothingUnlessTheBridgeIsGone) {
    TestEditor editor({{"FT1A2B3C", "Bench Rig"}});
    editor.context->link.reportDriverErrors = true;
    editor.driver().failOn("open", FT_DEVICE_NOT_FOUND);
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Bench Rig");
    EXPECT_EQ(editor.services.messages,
              QStringList{"Open_USB_Device_By_Serial_Number - Device not found..."});
    EXPECT_TRUE(editor.enabled("menuConnect"));
    EXPECT_TRUE(editor.wire->take().empty());

    editor.driver().failOn("open", FT_OK);
    editor.driver().queueReply(kNoEffectStored);
    editor.trigger("menuConnect");
    editor.driver().failOn("close", FT_IO_ERROR);
    editor.trigger("menuDisconnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Bench Rig linked");
    EXPECT_TRUE(editor.enabled("menuDisconnect"));

    // Counting fails: the bridge may well still be there, so it is not let go.
    editor.driver().failOn("count", FT_IO_ERROR);
    editor.trigger("menuDisconnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Bench Rig linked");
    EXPECT_TRUE(editor.enabled("menuDisconnect"));

    // Unplugged: the close fails because the bridge is gone, and Unlink still unlinks.
    editor.driver().failOn("count", FT_OK);
    editor.driver().bridges.clear();
    editor.trigger("menuDisconnect");
    EXPECT_EQ(editor.text("lblDeviceName"), "Bench Rig");
    EXPECT_TRUE(editor.enabled("menuConnect"));
    EXPECT_FALSE(editor.enabled("menuDisconnect"));
}

TEST(MainWindowTest, BootloaderHandshakeOnLink) {
    struct Case {
        QByteArray answer;
        QString message;
        bool startEnabled;
    };
    const Case cases[] = {
        {QByteArray::fromHex("79"), "Connection to bootloader succeeded, ready for firmware upgrade", true},
        {QByteArray::fromHex("1F"), "Connection to bootloader failed", false},
    };
    for (const Case& c : cases) {
        TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
        editor.find<QCheckBox>("chkFirmwareUpgradeMode")->setChecked(true);
        ASSERT_TRUE(editor.context->state.bootloaderMode);
        editor.driver().queueReply(c.answer);
        editor.trigger("menuConnect");
        EXPECT_TRUE(editor.driver().calls.contains("SetDataCharacteristics(8,0,2)"));
        EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"7F"});
        EXPECT_EQ(editor.services.messages, QStringList{c.message});
        EXPECT_EQ(editor.enabled("menuStartFirmwareUpgrade"), c.startEnabled);
        // Nothing of the effects can be asked of the bootloader, nor through a failed handshake.
        EXPECT_FALSE(editor.enabled("btnRequest"));
        EXPECT_TRUE(editor.enabled("menuFirmwareUpgradeMode"));
        EXPECT_FALSE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
        EXPECT_TRUE(editor.logLines().contains("received Byte: " + c.answer.toHex().toUpper()));
    }
}

TEST(MainWindowTest, SilentBootloaderTimesOutAndFails) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.find<QCheckBox>("chkFirmwareUpgradeMode")->setChecked(true);
    editor.trigger("menuConnect");
    // One box that says what failed; the time-out itself is in the log.
    EXPECT_EQ(editor.services.messages, QStringList{"Connection to bootloader failed"});
    EXPECT_TRUE(editor.logLines().contains("No reply from the pedal within 5 seconds"));
    EXPECT_TRUE(editor.logLines().contains("received Byte: "));
}

TEST(MainWindowTest, AGarbledStoredEffectReplyIsReportedAndTheLinkIsStillMade) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver().queueReply("1\r\n4O\r\n2\r\n5\r\n");
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.services.errors, QStringList{"'4O' is not a valid integer value"});
    // Not left deaf: the poll reads what the pedal sends, and the pedal's settings are reachable.
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    EXPECT_TRUE(editor.find<QMenu>("menuMIDI")->isEnabled());
    EXPECT_TRUE(editor.find<QMenu>("menuMode")->isEnabled());
    // No effect was read, so there is none to ask the values of: Request would send 02 00.
    EXPECT_FALSE(editor.enabled("btnRequest"));
    EXPECT_TRUE(editor.enabled("btnOpenEffect")) << "asking again is worth a try";
    editor.arrive("02");
    EXPECT_TRUE(editor.find<QRadioButton>("rdbtnBank3")->isChecked());

    // The same through "Get FX Stored on Pedal".
    editor.services.errors.clear();
    editor.driver().queueReply("1\r\n4O\r\n2\r\n5\r\n");
    editor.click("btnOpenEffect");
    EXPECT_EQ(editor.services.errors, QStringList{"'4O' is not a valid integer value"});
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    EXPECT_TRUE(editor.enabled("btnOpenEffect"));
}

TEST(MainWindowTest, ALinkWhosePedalVanishesAtOnceSaysSo) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    // Opened, then gone before the stored effect could be asked; driver errors are not shown yet.
    editor.driver().failOn("queue", FT_DEVICE_NOT_FOUND);
    editor.trigger("menuConnect");
    ASSERT_EQ(editor.services.messages.size(), 1) << editor.services.messages.join(" | ").toStdString();
    EXPECT_EQ(
        editor.services.messages.first(),
        "The pedal cannot be read (FT_GetQueueStatus - Device not found...). Check that it is connected "
        "and switched on.");
    EXPECT_FALSE(editor.enabled("btnRequest"));
}

TEST(MainWindowTest, AnUploadThePedalNeverConfirmsEndsWithAMessage) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver().queueReply("255\r\n255\r\n0\r\n3\r\n");
    editor.trigger("menuConnect");
    editor.clickRow("lstCategory", "Gain");
    editor.clickRow("lstEffects", "Proxima Boost");
    editor.services.messages.clear();
    editor.click("btnUpload");
    ASSERT_EQ(editor.services.messages.size(), 1) << editor.services.messages.join(" | ").toStdString();
    EXPECT_TRUE(
        editor.services.messages.first().startsWith("The pedal did not report the upload complete within "));
    EXPECT_EQ(editor.text("lblStatus"), "") << "not left saying Uploading...";
    EXPECT_TRUE(editor.enabled("btnUpload")) << "it can be tried again";
}

TEST(MainWindowTest, UnlinkDuringLinksWaitLeavesTheEditorUnlinked) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    // The player gives up while the editor waits for the stored effect.
    editor.holdAtNextPause();
    Pointer::choose(editor.find<QAction>("menuConnect"));
    ASSERT_TRUE(editor.waitUntilHeld());
    EXPECT_FALSE(editor.enabled("menuConnect")) << "no second Link inside the first";
    Pointer::choose(editor.find<QAction>("menuDisconnect"));
    editor.release();
    editor.settle();
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max");
    EXPECT_TRUE(editor.enabled("menuConnect"));
    EXPECT_FALSE(editor.enabled("menuDisconnect"));
    EXPECT_FALSE(editor.find<QMenu>("menuMIDI")->isEnabled());
    EXPECT_FALSE(editor.find<QMenu>("menuMode")->isEnabled());
    EXPECT_FALSE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    EXPECT_FALSE(editor.enabled("btnRequest"));
}

TEST(MainWindowTest, TheNoEffectLineIsNoEffectOnThePedal) {
    // A stored effect naming the catalogue's placeholder line, then a report of it.
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver().queueReply("255\r\n0\r\n1\r\n5\r\n");
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.services.messages, QStringList{"No effect found on pedal"});
    EXPECT_FALSE(editor.find("formFXParameters")->isVisible());
    EXPECT_FALSE(editor.enabled("btnRequest"));

    editor.services.messages.clear();
    editor.arrive("10");
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_TRUE(editor.services.errors.isEmpty());
    EXPECT_FALSE(editor.find("formFXParameters")->isVisible());
    EXPECT_FALSE(editor.enabled("btnRequest"));
    EXPECT_TRUE(editor.logLines().contains("no effect on the pedal"));
}

} // namespace
