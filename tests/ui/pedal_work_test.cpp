// The main window's work that changes the pedal, driven through the windows against the virtual
// pedal: uploads, assignments, the pedal-wide settings, the memory tools and preset files.

#include "TestEditor.h"

#include "ProductData.h"
#include "app/ReceivePoll.h"
#include "ui/ToggleSwitch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

constexpr int kDigitalDelay = 0x0B;

QByteArray programHex(const char* name) {
    return ProductData::raw(ProductData::baseName(QString::fromLatin1(name)))->trimmed().toUpper();
}

struct PedalWork : ::testing::Test {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};

    void SetUp() override {
        editor.trigger("menuConnect");
        editor.wire->take();
    }
    void request() { editor.click("btnRequest"); }
    VirtualPedal& pedal() { return editor.pedal(); }
    QComboBox* box(const QString& name) { return editor.find<QComboBox>(name); }
    QAbstractButton* button(const QString& name) { return editor.find<QAbstractButton>(name); }
    void choose(const char* category, const char* effect) {
        editor.clickRow("lstCategory", category);
        editor.clickRow("lstEffects", effect);
    }
};

TEST_F(PedalWork, UploadsTheWholeProgramInOneWriteAfterTheBypass) {
    choose("Gain", "Proxima Boost");
    editor.wire->take();
    editor.click("btnUpload");
    EXPECT_EQ(editor.services.questions, QStringList{"Upload the selected effect?"});
    const std::vector<QByteArray> written = editor.wire->take();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], "0D01");
    EXPECT_EQ(written[1], programHex("Proxima Boost"));
    EXPECT_TRUE(written[1].startsWith("0004C0")) << "1216 bytes, preset mode";
    EXPECT_EQ(pedal().program().toHex().toUpper(), written[1]);
    EXPECT_EQ(editor.text("lblStatus"), "Upload complete");
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("resource name: Proxima_Boost"));
    EXPECT_TRUE(log.contains(QString::fromLatin1(written[1].left(257))));
    EXPECT_TRUE(log.contains("size: 1216"));
    EXPECT_TRUE(log.contains("num of bytes: 1216"));
    EXPECT_TRUE(log.contains("write to device"));
}

TEST_F(PedalWork, UploadsIntoEachBank) {
    editor.trigger("menuModeBank");
    const char* const banks[] = {"rdbtnBank1", "rdbtnBank2", "rdbtnBank3"};
    for (int bank = 0; bank < 3; ++bank) {
        choose("Gain", "Proxima Boost");
        editor.click(banks[bank]);
        editor.wire->take();
        editor.click("btnUpload");
        const std::vector<QByteArray> written = editor.wire->take();
        ASSERT_EQ(written.size(), 2u) << bank;
        EXPECT_EQ(written[1].left(2), QByteArray::number(0x0E + bank, 16).rightJustified(2, '0').toUpper());
        EXPECT_EQ(written[1].mid(2), programHex("Proxima Boost").mid(2)) << "length and program unchanged";
        EXPECT_TRUE(pedal().bankMode());
        EXPECT_EQ(pedal().bankOrPreset(), bank);
    }
}

TEST_F(PedalWork, NothingIsSentWithoutAnAnswerOrWithoutAnImpulseResponse) {
    choose("Gain", "Proxima Boost");
    editor.wire->take();
    editor.services.answers = {false};
    editor.click("btnUpload");
    EXPECT_TRUE(editor.wire->take().empty()) << "not even the bypass";
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());

    choose("Impulse Response", "Cabinet IR");
    editor.services.messages.clear();
    editor.wire->take();
    editor.click("btnUpload");
    EXPECT_TRUE(editor.wire->take().empty());
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("Load an impulse response first"));
    EXPECT_EQ(editor.text("lblStatus"), "Status: ");
}

TEST_F(PedalWork, AssignSendsTheSelectorsAndThePedalHoldsThem) {
    request();
    box("assignBox0")->setCurrentIndex(1);      // KII
    box("assignBox2")->setCurrentIndex(11);     // EXP
    box("readbackBox0")->setCurrentIndex(2);    // RED
    box("bypassAssignBox")->setCurrentIndex(0); // FS
    box("presetAssignBox")->setCurrentIndex(3); // --
    editor.wire->take();
    editor.click("btnAssign");
    EXPECT_EQ(editor.services.questions.last(), "Assign parameters?");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"04"
                                                           "01FF0BFFFFFFFF"
                                                           "FFFFFFFFFFFFFFFFFF"
                                                           "02FFFFFF"
                                                           "08FF"});
    EXPECT_EQ(pedal().assignment(0), 1);
    EXPECT_EQ(pedal().assignment(2), 11);
    EXPECT_EQ(pedal().readback(0), 2);
    EXPECT_EQ(pedal().bypassAssignment(), 8);

    // Read back, the pedal's assignments show in the selectors.
    request();
    EXPECT_EQ(box("assignBox0")->currentIndex(), 1);
    EXPECT_EQ(box("assignBox1")->currentIndex(), 12);
    EXPECT_EQ(box("readbackBox0")->currentIndex(), 2);
    EXPECT_EQ(box("bypassAssignBox")->currentIndex(), 0);
    EXPECT_TRUE(editor.find("reverseBox0")->isEnabled());
    EXPECT_FALSE(editor.find("reverseBox1")->isEnabled());

    editor.services.answers = {false};
    editor.wire->take();
    editor.click("btnAssign");
    EXPECT_TRUE(editor.wire->take().empty());
}

TEST_F(PedalWork, AssignSendsNoneForAFootswitchCodeNoSelectorShows) {
    // Assignments as another editor or the pedal's own menus may leave them: first bypass on FS
    // and preset on FL, then codes the footswitch lists do not hold.
    const auto pedalHolds = [&](const QByteArray& footswitches) {
        const QByteArray message = QByteArray::fromHex("04" + QByteArray(40, 'F') + footswitches);
        pedal().receive(reinterpret_cast<const std::uint8_t*>(message.constData()),
                        std::size_t(message.size()));
    };
    pedalHolds("0809");
    request();
    EXPECT_EQ(box("bypassAssignBox")->currentIndex(), 0);
    pedalHolds("2030");
    request();
    EXPECT_EQ(box("bypassAssignBox")->currentIndex(), -1);
    EXPECT_EQ(box("presetAssignBox")->currentIndex(), -1);
    editor.wire->take();
    editor.click("btnAssign");
    const std::vector<QByteArray> sent = editor.wire->take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].endsWith("FFFF"))
        << "none, not FS and FL of the earlier read: " << sent[0].toStdString();
}

TEST_F(PedalWork, ReverseBoxesTakeEffectAtOnce) {
    request();
    box("assignBox0")->setCurrentIndex(0);
    editor.settle();
    editor.wire->take();
    editor.click("reverseBox0");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"080100"});
    EXPECT_EQ(pedal().reverse(0), 1);
    // "--" unchecks and disables the box, and the pedal hears it.
    box("assignBox0")->setCurrentIndex(12);
    editor.settle();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"08FF00"});
    EXPECT_FALSE(editor.find("reverseBox0")->isEnabled());
}

TEST_F(PedalWork, MidiChannelLiveAndStoreSettings) {
    for (const auto& [item, sent] :
         std::vector<std::pair<const char*, QByteArray>>{{"midiChannelItem0", "0700"},
                                                         {"midiChannelItem9", "0709"},
                                                         {"midiChannelItem10", "070A"},
                                                         {"midiChannelItem16", "0710"}}) {
        editor.trigger(item);
        EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{sent}) << item;
    }
    EXPECT_EQ(pedal().midiChannel(), 16);
    EXPECT_TRUE(editor.logLines().contains("Midi channel: 16"));

    editor.click("swLive");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0A0100"});
    EXPECT_EQ(editor.text("lblLive"), "Live ON");
    EXPECT_TRUE(pedal().live());
    editor.click("swLive");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0A0000"});
    EXPECT_EQ(editor.text("lblLive"), "Live OFF");

    request();
    editor.wire->take();
    editor.click("btnStoreSettingsOnPedal");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0307"});
    EXPECT_TRUE(editor.logLines().contains("Store settings message (HEX): 0307"));
}

TEST_F(PedalWork, OneMidiChannelIsTickedAtATime) {
    const auto ticked = [&] {
        QStringList names;
        for (QAction* item : editor.find<QMenu>("menuMIDIchannel")->actions())
            if (item->isChecked())
                names << item->objectName();
        return names;
    };
    request();
    EXPECT_EQ(ticked(), QStringList{"midiChannelItem0"}) << "the pedal's channel, from its state";
    editor.trigger("midiChannelItem9");
    EXPECT_EQ(ticked(), QStringList{"midiChannelItem9"}) << "the channel just sent";
    editor.trigger("midiChannelItem9");
    EXPECT_EQ(ticked(), QStringList{"midiChannelItem9"});
    request();
    EXPECT_EQ(ticked(), QStringList{"midiChannelItem9"}) << "as the pedal now reports it";
}

TEST_F(PedalWork, EraseSettingsErasesAndReadsBothMemories) {
    editor.services.answers = {false};
    editor.trigger("menuEraseSettings");
    EXPECT_TRUE(editor.wire->take().empty());
    EXPECT_TRUE(
        editor.services.questions.last().startsWith("Are you sure you want to delete all settings?\r\n"));

    editor.trigger("menuEraseSettings");
    editor.settle();
    EXPECT_EQ(editor.wire->take(),
              (std::vector<QByteArray>{"0B50000000", "0C5000000000", "0B51000000", "0C5100000000"}));
    for (std::uint8_t memory : {0x50, 0x51})
        for (std::uint8_t byte : pedal().memory(memory))
            ASSERT_EQ(byte, 0xFF);
    editor.settleUntil([&] { return editor.services.messages.count("Memory Erased") >= 2; });
    EXPECT_EQ(editor.services.messages.count("Memory Erased"), 2) << "one for each memory's dump";
}

TEST_F(PedalWork, BankModeFromThePedalLeavesTheWindowsAlone) {
    // Switching from the menu, outside a Request, closes the window and empties the list.
    ASSERT_TRUE(editor.find("formFXParameters")->isVisible());
    editor.trigger("menuModeBank");
    EXPECT_FALSE(editor.find("formFXParameters")->isVisible());
    EXPECT_EQ(editor.find<QListWidget>("lstEffects")->count(), 0);
    EXPECT_TRUE(editor.find<QRadioButton>("rdbtnBank1")->isChecked());
    editor.trigger("menuModePreset");

    // The pedal reports bank mode in its state block: the window stays as it is.
    editor.trigger("menuModeBank");
    choose("Gain", "Proxima Boost");
    editor.click("rdbtnBank3");
    editor.click("btnUpload");
    editor.trigger("menuModePreset");
    editor.click("btnOpenEffect"); // the pedal now holds Proxima Boost in bank III
    ASSERT_TRUE(editor.find("formFXParameters")->isVisible());
    request();
    EXPECT_TRUE(editor.find("formFXParameters")->isVisible());
    EXPECT_TRUE(editor.find<QAction>("menuModeBank")->isChecked());
    EXPECT_TRUE(editor.find<QRadioButton>("rdbtnBank3")->isChecked());
    EXPECT_TRUE(editor.logLines().contains("Bank Num: 2"));
    EXPECT_FALSE(editor.find("bypassAssignBox")->isEnabled()) << "bank mode fixes bypass and preset";
    QFile mode(editor.services.documents + "/Merrow/Tarvo Max/Mode.txt");
    ASSERT_TRUE(mode.open(QIODevice::ReadOnly));
    EXPECT_EQ(mode.readAll(), "BANK");
}

TEST_F(PedalWork, TheConsoleMemoryToolsAskForAMemoryFirst) {
    // The console opens from the main window's keys.
    QTest::keyClick(editor.find("formMain")->windowHandle(), Qt::Key_P,
                    Qt::ControlModifier | Qt::ShiftModifier);
    editor.click("btnEraseEeprom");
    editor.click("btnReadEEPROM");
    EXPECT_TRUE(editor.wire->take().empty());
    ASSERT_EQ(editor.services.messages.size(), 2);
    EXPECT_TRUE(editor.services.messages.first().startsWith("Choose the memory first"));

    box("cmbI2Caddr")->setCurrentIndex(0);
    editor.click("btnEraseEeprom");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0B50000000"});
    EXPECT_TRUE(editor.logLines().contains("erase message: 0B50000000"));
    box("cmbI2Caddr")->setCurrentIndex(1);
    editor.click("btnReadEEPROM");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0C5100000000"});
    EXPECT_TRUE(editor.logLines().contains("0C5100000000"));
    // The dump comes back through the receive poll: the fresh pedal's second memory is blank.
    editor.settleUntil([&] { return editor.services.messages.contains("Memory Erased"); });
    EXPECT_TRUE(editor.logLines().contains("16383: FF"));
    EXPECT_EQ(editor.services.messages.last(), "Memory Erased");
}

// ---- Preset files ----

struct Presets : PedalWork {
    QString path(const QString& name) { return editor.services.documents + QLatin1Char('/') + name; }
    void save(const QString& name) {
        editor.services.saveFiles << path(name);
        editor.trigger("menuSaveConfiguration");
    }
    void load(const QString& name) {
        editor.services.openFiles << path(name);
        editor.trigger("menuLoadConfiguration");
    }
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QSlider* pot(int i) { return editor.find<QSlider>(QStringLiteral("potBar%1").arg(i)); }
};

TEST_F(Presets, ARoundTripSendsExactlyWhatDiffers) {
    request();
    pot(0)->setValue(512);
    request(); // the values the preset keeps are the pedal's
    save("delay");
    EXPECT_EQ(editor.services.messages.last(), "File saved successfully: " + path("delay.txt"));
    QFile file(path("delay.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF"
                                 "000B\r01\r07\r00000200\r00000000\r"));
    EXPECT_TRUE(saved.endsWith("\r"));

    // The pedal changes; loading puts back only what differs.
    pot(0)->setValue(100);
    box("multiSwitchBox6")->setCurrentIndex(3);
    editor.settle();
    editor.wire->take();
    load("delay.txt");
    EXPECT_EQ(editor.wire->take(), (std::vector<QByteArray>{"01034000400000", "01038800000000"}));
    EXPECT_EQ(pot(0)->value(), 512);
    EXPECT_EQ(pedal().value(0), 512 * 8192);

    // A file that changes nothing sends nothing.
    load("delay.txt");
    EXPECT_TRUE(editor.wire->take().empty());
}

TEST_F(Presets, AFileThatDoesNotFitIsRefusedAndNothingChanges) {
    request();
    pot(0)->setValue(300);
    editor.settle();
    editor.wire->take();
    QByteArray values;
    for (int i = 0; i < 7; ++i)
        values += "00000010\r";
    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"too_many.txt", "000B\r01\r11\r" + values},
        {"other_count.txt", "000B\r01\r06\r" + values},
        {"truncated.txt", "000B\r01\r07\r00000010\r0000"},
        {"not_hex.txt", "000B\r01\r07\r0000ZZ10\r" + values},
        {"other_effect.txt", "0015\r01\r07\r" + values},
    };
    for (const auto& [name, bytes] : files) {
        writeFile(name, bytes);
        editor.services.messages.clear();
        load(name);
        // Refused, and never said to be loaded first.
        ASSERT_EQ(editor.services.messages.size(), 1) << name;
        EXPECT_TRUE(editor.services.messages.last().endsWith(
            "Nothing was loaded; choose a preset saved for this effect."))
            << name << ": " << editor.services.messages.last().toStdString();
        EXPECT_EQ(pot(0)->value(), 300) << name;
        EXPECT_TRUE(editor.wire->take().empty()) << name;
    }
}

} // namespace
