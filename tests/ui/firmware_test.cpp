// Into the pedal's bootloader and the built-in firmware written through it, driven from the
// menus and the firmware window against the virtual pedal, checking what it received and holds.

#include "TestEditor.h"
#include "app/ReceivePoll.h"
#include "firmware/Flasher.h"
#include "firmware/ui/TformFirmwareUpgrade.h"
#include "support/Files.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

constexpr int kDigitalDelay = 0x0B;
const QString kNotWritten = QStringLiteral("The firmware was not written: ");

QByteArray firmware() {
    return ProductData::raw(QStringLiteral("FIRMWARE_1")).value_or(QByteArray());
}

bool contains(const std::vector<QByteArray>& writes, const QByteArray& hex) {
    return std::find(writes.begin(), writes.end(), hex) != writes.end();
}

// One editor linked to the virtual pedal, and the steps a player takes with it.
struct Rig {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};

    VirtualPedal& pedal() { return editor.pedal(); }
    QWidget* window() { return editor.find<QWidget>("formFirmwareUpgrade"); }

    // Linked as a player links, then into the bootloader with B2 held.
    void enterBootloader() {
        editor.trigger("menuConnect");
        editor.wire->take();
        editor.services.answers = {true};
        editor.trigger("menuFirmwareUpgradeMode");
    }
    // Start Firmware Upgrade, then Upgrade Firmware; the writes of the run.
    std::vector<QByteArray> upgrade() {
        editor.wire->take();
        editor.services.messages.clear();
        if (!window()->isVisible())
            editor.trigger("menuStartFirmwareUpgrade");
        editor.click("btnUpgradeFirmware");
        return editor.wire->take();
    }
    bool flashHoldsTheFirmware() { return pedal().bootloader().flashHolds(0x08000000, firmware()); }
    void expectNormalMode() {
        EXPECT_FALSE(editor.context->state.bootloaderMode);
        EXPECT_EQ(editor.context->link.parity, FT_PARITY_NONE);
        EXPECT_FALSE(editor.find<QAction>("menuFirmwareUpgradeMode")->isChecked());
        EXPECT_FALSE(editor.enabled("menuStartFirmwareUpgrade"));
        EXPECT_TRUE(editor.enabled("btnRequest"));
        EXPECT_TRUE(editor.enabled("btnUpload"));
        EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    }
    void expectStillInBootloader() {
        EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Bootloader);
        EXPECT_TRUE(editor.context->state.bootloaderMode);
        EXPECT_TRUE(window()->isVisible()) << "the upgrade can be started again from here";
        EXPECT_TRUE(editor.enabled("btnUpgradeFirmware"));
        EXPECT_TRUE(editor.enabled("menuStartFirmwareUpgrade"));
        EXPECT_FALSE(editor.services.messages.contains(kFirmwareUpgradeComplete));
    }
};

struct Firmware : ::testing::Test, Rig {};

TEST_F(Firmware, EntersTheBootloaderAndWritesTheBuiltInFirmwareExactly) {
    pedal().bootloader().flash()[0x1FC07] = 5; // the version record of the firmware it runs
    enterBootloader();
    EXPECT_EQ(editor.text("lblFirmwareVersion"), "Firmware Version: 5");
    EXPECT_EQ(editor.wire->take(), (std::vector<QByteArray>{"0D01", "0500010203040506", "7F"}));
    EXPECT_EQ(editor.services.questions,
              QStringList{"To enter Firmware Upgrade Mode keep B2(SAVE) button on the "
                          "pedal pressed while clicking YES."});
    EXPECT_EQ(
        editor.services.messages,
        QStringList{"Connection to bootloader succeeded. Release B2(SAVE) button and go to Upgrade Firmware "
                    "menu and click Start Firmware Upgrade."});
    EXPECT_EQ(editor.context->link.parity, FT_PARITY_EVEN);
    EXPECT_TRUE(editor.enabled("menuStartFirmwareUpgrade"));
    EXPECT_FALSE(editor.enabled("btnRequest"));
    EXPECT_FALSE(editor.enabled("btnUpload"));
    EXPECT_FALSE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());

    editor.trigger("menuStartFirmwareUpgrade");
    EXPECT_EQ(editor.find<QComboBox>("cmbFirmwareChoose")->currentText(), "Firmware_1");
    QStringList log = editor.logLines();
    EXPECT_EQ(log.mid(log.indexOf("Firmware Version: 1"), 2),
              (QStringList{"Firmware Version: 1", "Firmware_1"}));

    const std::vector<QByteArray> writes = upgrade();
    EXPECT_TRUE(flashHoldsTheFirmware());
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware) << "started by Go";
    EXPECT_EQ(pedal().firmwareVersion(), 1);
    EXPECT_EQ(editor.services.messages, QStringList{kFirmwareUpgradeComplete});
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(editor.find<QProgressBar>("ProgressBar1")->value(), 0);
    expectNormalMode();

    // Erase, 161 whole blocks and one of 36 bytes at 0800A100, the record, Go: as many writes
    // as the steps make, in their order.
    const QByteArray image = firmware();
    ASSERT_EQ(image.size(), 41252);
    std::vector<QByteArray> expected{"43BC", "FF00"};
    for (int offset = 0; offset < image.size(); offset += 256) {
        const QByteArray chunk = image.mid(offset, 256);
        expected.insert(expected.end(),
                        {"31", "CE", addressWithChecksum(0x08000000 + offset).toHex().toUpper(),
                         dataBlock(chunk).left(1).toHex().toUpper(), chunk.toHex().toUpper(),
                         dataBlock(chunk).right(1).toHex().toUpper()});
    }
    expected.insert(expected.end(), {"31", "CE", "0801FC00F5", "07", "00", "00", "00", "00", "00", "00",
                                     "00", "01", "06",         "21", "DE", "08", "00", "00", "00", "08"});
    EXPECT_EQ(writes, expected);
    EXPECT_TRUE(contains(writes, "0800A100A9"));

    log = editor.logLines();
    for (const char* line :
         {"Firmware num of bytes: 41252", "num of chunks: 161", "num of bytes last chunk: 36",
          "Start Erase Command", "Start Write Command", "Address: 0800A100", "N_byte: 23", "chunk size: 36",
          "address checksum: F5", "SEND GO COMMAND", "address checksum: 08"})
        EXPECT_TRUE(log.contains(line)) << line;
    EXPECT_EQ(log.count("N_byte: FF"), 161);
    EXPECT_EQ(log.count("NOT ACK"), 0);

    // Back in normal mode, the pedal answers the editor again, from the new firmware.
    editor.wire->take();
    editor.click("btnOpenEffect");
    EXPECT_FALSE(editor.wire->take().empty());
    EXPECT_EQ(editor.text("lblFirmwareVersion"), "Firmware Version: 1");
    EXPECT_FALSE(editor.services.messages.join(' ').contains("No reply"));
}

TEST_F(Firmware, AnArmedLinkFindsThePedalInItsBootloader) {
    editor.trigger("menuFirmwareUpgradeMode");
    editor.trigger("menuFirmwareUpgradeMode");
    EXPECT_FALSE(editor.context->state.bootloaderMode) << "twice disarms";
    EXPECT_TRUE(editor.wire->take().empty());

    pedal().powerCycle(true);
    editor.trigger("menuFirmwareUpgradeMode");
    EXPECT_TRUE(editor.find<QAction>("menuFirmwareUpgradeMode")->isChecked());
    editor.trigger("menuConnect");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"7F"});
    EXPECT_EQ(editor.services.messages,
              QStringList{"Connection to bootloader succeeded, ready for firmware upgrade"});
    upgrade();
    EXPECT_TRUE(flashHoldsTheFirmware());
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
    expectNormalMode();
}

TEST_F(Firmware, NoToTheQuestionLeavesTheEffectBypassedAndThePedalAnswering) {
    editor.trigger("menuConnect");
    editor.wire->take();
    editor.services.answers = {false};
    editor.trigger("menuFirmwareUpgradeMode");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0D01"});
    EXPECT_TRUE(pedal().bypassed());
    EXPECT_FALSE(editor.context->state.bootloaderMode);
    EXPECT_FALSE(editor.find<QAction>("menuFirmwareUpgradeMode")->isChecked());
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
}

TEST_F(Firmware, AFailedHandshakeLeavesAWayBackToNormalMode) {
    editor.trigger("menuConnect");
    pedal().setHoldB2(false); // the firmware restarts itself instead of its bootloader
    editor.services.answers = {true};
    editor.trigger("menuFirmwareUpgradeMode");
    EXPECT_EQ(editor.services.messages, QStringList{"Connection to bootloader failed"});
    EXPECT_EQ(editor.context->link.parity, FT_PARITY_EVEN);
    EXPECT_FALSE(editor.enabled("menuStartFirmwareUpgrade"));

    // Unticking Upgrade Mode, then No: no parity and the poll again, and the pedal answers.
    editor.services.answers = {false};
    editor.trigger("menuFirmwareUpgradeMode");
    EXPECT_EQ(editor.context->link.parity, FT_PARITY_NONE);
    EXPECT_FALSE(editor.context->state.bootloaderMode);
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    editor.services.messages.clear();
    editor.click("btnOpenEffect");
    EXPECT_TRUE(editor.services.messages.isEmpty()) << editor.services.messages.join('\n').toStdString();
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
}

TEST(FirmwareFaults, AStepNotAcknowledgedStopsBeforeGoAndTheUpgradeCanStartAgain) {
    // Steps counted from the erase: its command and argument, then three a block (the write
    // command, the address, the data); the record's three come after the 162 blocks.
    struct Case {
        int step;
        const char* said;
    };
    const Case cases[] = {
        {1, "the bootloader refused the erase command (NOT ACK)"},
        {2, "the bootloader refused the global erase (NOT ACK)"},
        {3, "the bootloader refused the write command for 08000000 (NOT ACK)"},
        {4 + 3 * 100, "the bootloader refused the address 08006400 (NOT ACK)"},
        {5 + 3 * 161, "the bootloader refused the block at 0800A100 (NOT ACK)"},
        {2 + 3 * 162 + 3, "the bootloader refused the version record (NOT ACK)"},
    };
    for (const Case& c : cases) {
        Rig fixture;
        fixture.enterBootloader();
        fixture.pedal().faults().nackBootloaderStep = c.step;
        const std::vector<QByteArray> writes = fixture.upgrade();
        EXPECT_FALSE(contains(writes, "21")) << c.step << ": no Go";
        fixture.expectStillInBootloader();
        ASSERT_EQ(fixture.editor.services.messages.size(), 1) << c.step;
        EXPECT_EQ(fixture.editor.services.messages.front(),
                  kNotWritten + c.said +
                      ". The pedal is still in its bootloader, and the upgrade can be started again.");
        EXPECT_TRUE(fixture.editor.logLines().contains("NOT ACK"));

        fixture.pedal().faults().nackBootloaderStep = 0;
        fixture.upgrade();
        EXPECT_TRUE(fixture.flashHoldsTheFirmware()) << c.step;
        EXPECT_EQ(fixture.pedal().mode(), VirtualPedal::Mode::Firmware) << c.step;
        fixture.expectNormalMode();
    }
}

TEST(FirmwareFaults, SilenceOrAGarbledReplyStopsTheRunAndTheNextBringsTheBootloaderBackInStep) {
    struct Case {
        PedalFaults fault;
        const char* said;
    };
    const Case cases[] = {
        {{.silent = true}, "the bootloader did not answer the erase command"},
        {{.garbleEvery = 40}, "the bootloader answered "},
        {{.dropEvery = 40}, "the bootloader did not answer "},
    };
    for (const Case& c : cases) {
        Rig fixture;
        fixture.enterBootloader();
        fixture.pedal().faults() = c.fault;
        fixture.upgrade();
        fixture.expectStillInBootloader();
        ASSERT_EQ(fixture.editor.services.messages.size(), 1);
        EXPECT_TRUE(fixture.editor.services.messages.front().startsWith(kNotWritten + c.said))
            << fixture.editor.services.messages.front().toStdString();

        // Left part-way through a block, as a lost line could leave it.
        fixture.pedal().faults() = {};
        const QByteArray half = QByteArray::fromHex("31CE") + addressWithChecksum(0x08000000) +
                                QByteArray::fromHex("FF") + QByteArray(100, '\x5A');
        fixture.pedal().receive(reinterpret_cast<const std::uint8_t*>(half.constData()),
                                std::size_t(half.size()));
        fixture.pedal().takeOutput();

        fixture.upgrade();
        EXPECT_TRUE(fixture.editor.logLines().contains("the bootloader is back in step"));
        EXPECT_TRUE(fixture.flashHoldsTheFirmware());
        EXPECT_EQ(fixture.pedal().mode(), VirtualPedal::Mode::Firmware);
        fixture.expectNormalMode();
    }
}

TEST_F(Firmware, GoNotAcknowledgedAsksForAPowerCycleAndReturnsToNormal) {
    enterBootloader();
    pedal().faults().nackBootloaderStep = 2 + 3 * 162 + 3 + 1;
    upgrade();
    EXPECT_TRUE(flashHoldsTheFirmware());
    ASSERT_EQ(editor.services.messages.size(), 2);
    EXPECT_EQ(editor.services.messages.at(0), kFirmwareUpgradeComplete);
    EXPECT_TRUE(editor.services.messages.at(1).contains("Switch the pedal off and on again"));
    expectNormalMode();
}

TEST_F(Firmware, ASecondClickDuringARunDoesNothing) {
    enterBootloader();
    editor.trigger("menuStartFirmwareUpgrade");
    auto* button = editor.find<QPushButton>("btnUpgradeFirmware");
    bool enabledDuringRun = true;
    QObject::connect(editor.find<QProgressBar>("ProgressBar1"), &QProgressBar::valueChanged, [&](int value) {
        if (value != 1)
            return;
        enabledDuringRun = button->isEnabled();
        // A click queued before the button went grey reaches the handler all the same.
        static_cast<TformFirmwareUpgrade*>(window())->btnUpgradeFirmwareClick();
    });
    const std::vector<QByteArray> writes = upgrade();
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_EQ(std::count(writes.begin(), writes.end(), QByteArray("43BC")), 1);
    EXPECT_TRUE(flashHoldsTheFirmware());
}

} // namespace

namespace {

TEST_F(Firmware, InTheBootloaderNothingElseSpeaksToThePedal) {
    editor.trigger("menuConnect");
    editor.click("btnRequest");
    editor.services.answers = {true};
    editor.trigger("menuFirmwareUpgradeMode");
    ASSERT_TRUE(editor.enabled("menuStartFirmwareUpgrade"));
    EXPECT_TRUE(editor.enabled("menuFirmwareUpgradeMode")) << "the way back";
    for (const char* off :
         {"btnRequest", "btnUpload", "btnOpenEffect", "btnAssign", "btnStoreSettingsOnPedal", "swLive",
          "menuMIDI", "menuMode", "menuEraseSettings", "menuLoadConfiguration", "btnEraseEeprom",
          "btnReadEEPROM", "potBar0", "switchControl4", "assignBox0"})
        EXPECT_FALSE(editor.enabled(off)) << off;
}

TEST_F(Firmware, CancelStopsTheRunBetweenBlocksAndItCanBeStartedAgain) {
    enterBootloader();
    editor.trigger("menuStartFirmwareUpgrade");
    editor.wire->take();
    editor.services.messages.clear();
    editor.holdAtProgress(20);
    editor.press("btnUpgradeFirmware");
    ASSERT_TRUE(editor.waitUntilHeld());
    EXPECT_TRUE(editor.find<QWidget>("btnCancelUpgrade")->isVisible());
    EXPECT_FALSE(editor.enabled("btnUpgradeFirmware"));
    editor.press("btnCancelUpgrade");
    editor.release();
    editor.settle();

    const std::vector<QByteArray> writes = editor.wire->take();
    EXPECT_FALSE(contains(writes, "21")) << "no Go";
    // Twenty whole blocks, each address frame followed by its length, data and checksum.
    const auto addresses = std::count_if(writes.begin(), writes.end(), [](const QByteArray& w) {
        return w.size() == 10 && w.startsWith("080");
    });
    EXPECT_EQ(addresses, 20);
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[writes.size() - 2].size(), 512) << "the last block went out whole";
    ASSERT_FALSE(editor.services.messages.isEmpty());
    EXPECT_TRUE(
        editor.services.messages.last().startsWith(kNotWritten + "it was cancelled after 20 of 162 blocks"))
        << editor.services.messages.last().toStdString();
    expectStillInBootloader();
    EXPECT_FALSE(editor.find<QWidget>("btnCancelUpgrade")->isVisible());

    upgrade();
    EXPECT_TRUE(flashHoldsTheFirmware());
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
    expectNormalMode();
}

TEST_F(Firmware, VerifyAfterWritingReadsBackAndStopsBeforeGoWhereAByteDiffers) {
    EXPECT_FALSE(editor.find<QAction>("menuVerifyAfterWriting")->isChecked()) << "off unless chosen";
    const QString file = editor.services.documents + "/Merrow/Tarvo Max/VerifyAfterWriting.txt";
    EXPECT_FALSE(QFile::exists(file)) << "no file until the item is clicked";
    editor.trigger("menuVerifyAfterWriting");
    enterBootloader();
    const QByteArray image = firmware();
    const auto hex = [](int byte) {
        return QString::fromLatin1(QByteArray(1, char(byte)).toHex().toUpper());
    };

    // A byte written wrong is found by the read-back; the pedal is not started and the upgrade
    // can be started again.
    pedal().faults().corruptWriteAt = 0x08001234;
    std::vector<QByteArray> writes = upgrade();
    EXPECT_FALSE(contains(writes, "21")) << "no Go";
    EXPECT_TRUE(contains(writes, "11EE"));
    expectStillInBootloader();
    EXPECT_EQ(
        editor.services.messages,
        QStringList{kNotWritten + "the flash read back at 08001234 holds " + hex(image.at(0x1234) ^ 1) +
                    " where " + hex(image.at(0x1234)) +
                    " was written. The pedal is still in its bootloader, and the upgrade can be started "
                    "again."});
    EXPECT_EQ(editor.find<QProgressBar>("ProgressBar1")->maximum(), 2 * 162) << "the bar covers both passes";

    // Cancel stops the read-back between two blocks, too.
    pedal().faults().corruptWriteAt = 0;
    editor.services.messages.clear();
    editor.holdAtProgress(162 + 8);
    editor.press("btnUpgradeFirmware");
    ASSERT_TRUE(editor.waitUntilHeld());
    editor.press("btnCancelUpgrade");
    editor.release();
    editor.settle();
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.front().startsWith(
        kNotWritten + "it was cancelled while the flash was read back, after 8 of 162 blocks"))
        << editor.services.messages.front().toStdString();
    EXPECT_FALSE(contains(editor.wire->take(), "21"));
    expectStillInBootloader();

    writes = upgrade();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), QByteArray("11EE")), 163)
        << "every block and the record";
    EXPECT_TRUE(flashHoldsTheFirmware());
    EXPECT_EQ(pedal().mode(), VirtualPedal::Mode::Firmware);
    EXPECT_TRUE(editor.logLines().contains("the flash holds what was written"));
    expectNormalMode();

    // Remembered for the next start.
    EXPECT_EQ(fileBytes(file), "YES");
    TestEditor next{WithDocuments{editor.services.documents}};
    EXPECT_TRUE(next.find<QAction>("menuVerifyAfterWriting")->isChecked());
}

} // namespace
