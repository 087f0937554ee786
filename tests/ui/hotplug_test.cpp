// Bridges plugged in and pulled out while the editor runs, as the machine's device monitor
// announces them: the device label, the serial number item and the log follow, a linked pedal
// pulled out is let go at once with one message, and plugging it back in only offers Link.

#include "TestEditor.h"

#include <QSlider>
#include <gtest/gtest.h>

namespace {

using Kind = DeviceChange::Kind;

constexpr int kDigitalDelay = 0x0B;
const QString kPulledOut = QStringLiteral(
    "The pedal was unplugged, so it is no longer linked. Plug it in again and choose Connection > Link.");

TEST(HotPlug, ArrivalsAndDeparturesKeepTheLabelAndTheSerialNumberUpToDate) {
    TestEditor editor{{"DQ01", "FT230X Basic UART"}};
    ASSERT_EQ(editor.text("lblDeviceName"), "Tarvo Max");
    FakeDeviceMonitor& machine = editor.plugging();

    machine.announce(usbChange(Kind::Arrived, "DQ02"), [&] {
        editor.driver().bridges.push_back({"DQ02", "Tarvo Max Pedal"});
    });
    editor.settle();
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max Pedal") << "as Scan shows it";
    EXPECT_EQ(editor.text("menuSerialNumber"), "Device Serial: DQ01DQ02");
    EXPECT_EQ(editor.context->state.deviceSerialNumber, "DQ02") << "the one Link opens, as after Scan";
    EXPECT_TRUE(
        editor.logLines().contains("device arrived: Tarvo Max Pedal, serial DQ02, reached by direct"));

    machine.announce(usbChange(Kind::Departed, "DQ02"), [&] { editor.driver().bridges.pop_back(); });
    editor.settle();
    EXPECT_EQ(editor.text("lblDeviceName"), "FT230X Basic UART");
    EXPECT_EQ(editor.text("menuSerialNumber"), "Device Serial: DQ01");
    EXPECT_EQ(editor.context->state.deviceSerialNumber, "DQ01");
    EXPECT_TRUE(
        editor.logLines().contains("device departed: Tarvo Max Pedal, serial DQ02, reached by direct"));

    machine.announce(usbChange(Kind::Departed, "DQ01"), [&] { editor.driver().bridges.clear(); });
    editor.settle();
    EXPECT_EQ(editor.text("lblDeviceName"), "No device found");
    EXPECT_EQ(editor.text("menuSerialNumber"), "Device Serial: ");
    EXPECT_FALSE(editor.enabled("menuConnect")) << "nothing to link";
    EXPECT_TRUE(editor.enabled("menuScan"));

    EXPECT_TRUE(editor.services.messages.isEmpty()) << "none of Scan's boxes";
    EXPECT_TRUE(editor.wire->take().empty()) << "listing sends nothing";
    EXPECT_EQ(machine.taken, 3);
}

// Linked to the virtual pedal, then its plug pulled: whether the news names the bridge or only the
// listing afterwards shows it gone.
TEST(HotPlug, PullingTheLinkedPedalUnlinksWithOneMessageAndPluggingItBackOffersLink) {
    for (const std::string serial : {VirtualDriver::kSerialNumber, ""}) {
        TestEditor editor{WithVirtualPedal{kDigitalDelay}};
        FakeDeviceMonitor& machine = editor.plugging();
        editor.trigger("menuConnect");
        editor.click("btnRequest");
        ASSERT_TRUE(editor.text("lblDeviceName").endsWith(" linked"));
        editor.services.messages.clear();
        editor.wire->take();

        machine.announce(usbChange(Kind::Departed, serial), [&] { editor.virtualDriver().vanish(); });
        editor.settle();
        EXPECT_EQ(editor.services.messages, QStringList{kPulledOut}) << serial;
        EXPECT_FALSE(editor.text("lblDeviceName").contains("linked"));
        for (const char* off :
             {"btnUpload", "btnOpenEffect", "btnRequest", "btnAssign", "btnStoreSettingsOnPedal", "swLive",
              "menuMIDI", "menuMode", "menuDisconnect", "menuConnect", "menuStartFirmwareUpgrade",
              "menuEraseSettings", "btnEraseEeprom", "btnReadEEPROM", "btnSend", "potBar0"})
            EXPECT_FALSE(editor.enabled(off)) << off;
        QStringList log = editor.logLines();
        EXPECT_TRUE(log.contains("the linked pedal TMVP0001 was unplugged; unlinked"));
        EXPECT_TRUE(
            log.contains("device departed: Tarvo Max Virtual Pedal, serial TMVP0001, reached by virtual"));

        // Back in: Link is offered, and nothing more happens until it is chosen.
        machine.announce(usbChange(Kind::Arrived, VirtualDriver::kSerialNumber),
                         [&] { editor.virtualDriver().plugBackIn(); });
        editor.settle();
        EXPECT_TRUE(editor.enabled("menuConnect"));
        EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max Virtual Pedal");
        EXPECT_TRUE(editor.wire->take().empty()) << "the editor never links by itself";
        EXPECT_EQ(editor.services.messages.size(), 1);

        editor.trigger("menuConnect");
        editor.click("btnRequest");
        EXPECT_TRUE(editor.text("lblDeviceName").endsWith(" linked"));
        for (const char* on : {"btnRequest", "btnAssign", "swLive", "menuEraseSettings", "btnReadEEPROM"})
            EXPECT_TRUE(editor.enabled(on)) << on;
        EXPECT_EQ(editor.services.messages.size(), 1) << editor.services.messages.join('\n').toStdString();
    }
}

TEST(HotPlug, PullingThePedalDuringAnExchangeEndsItWithTheOneMessage) {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};
    FakeDeviceMonitor& machine = editor.plugging();
    editor.trigger("menuConnect");
    editor.click("btnRequest");
    editor.services.messages.clear();

    editor.holdAtNextPause();
    editor.press("btnRequest");
    ASSERT_TRUE(editor.waitUntilHeld());
    machine.announce(usbChange(Kind::Departed, VirtualDriver::kSerialNumber),
                     [&] { editor.virtualDriver().vanish(); });
    ASSERT_TRUE(editor.settleUntil([&] { return machine.taken == 1; }));
    EXPECT_FALSE(editor.text("lblDeviceName").contains("linked")) << "at once, the exchange still held";
    editor.release();
    editor.settle();

    EXPECT_EQ(editor.services.messages, QStringList{kPulledOut})
        << "what the broken exchange would say is not said";
    EXPECT_TRUE(editor.services.errors.isEmpty());
    EXPECT_FALSE(editor.enabled("btnRequest"));
    EXPECT_FALSE(editor.find<QSlider>("potBar0")->isEnabled());
    EXPECT_FALSE(editor.context->worker().busy());
}

} // namespace
