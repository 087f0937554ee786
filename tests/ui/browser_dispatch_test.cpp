#include "TestEditor.h"

#include "app/ReceivePoll.h"
#include "params/ui/TformFXParameters.h"
#include "ui/ToggleSwitch.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

const QByteArray kNoEffectStored = "255\r\n255\r\n3\r\n7\r\n";

// A state block as the pedal sends it: one decimal number per line.
QByteArray decimalReply(const QByteArray& block) {
    QByteArray reply;
    for (const char b : block)
        reply += QByteArray::number(static_cast<std::uint8_t>(b)) + "\r\n";
    return reply;
}

// A state block for N parameters with the given levels and everything else 0xFF.
QByteArray stateBlock(std::uint32_t n, const std::vector<std::uint32_t>& levels, std::uint8_t midi = 0) {
    QByteArray block(static_cast<qsizetype>(4 * n + 41), char(0xFF));
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t v = (i < levels.size() ? levels[i] : 0) * 8192;
        for (int b = 0; b < 4; ++b)
            block[static_cast<qsizetype>(4 * i) + b] = char(v >> (24 - 8 * b));
    }
    block[4 * n + 38] = 0;
    block[4 * n + 40] = char(midi);
    return block;
}

struct Linked : ::testing::Test {
    TestEditor editor{{"FT1A2B3C", "FT230X Basic UART"}};

    void SetUp() override {
        editor.driver().queueReply(kNoEffectStored);
        editor.trigger("menuConnect");
        editor.services.messages.clear();
        editor.wire->take();
    }
    QListWidget* list(const char* name) { return editor.find<QListWidget>(name); }
    QWidget* params() { return editor.find("formFXParameters"); }
    QSlider* pot(int i) { return editor.find<QSlider>(QStringLiteral("potBar%1").arg(i)); }
    bool isChecked(const char* name) { return editor.find<QAbstractButton>(name)->isChecked(); }
    bool pollRuns() { return editor.find<ReceivePoll>("Timer_USB_read")->isActive(); }
    // The pedal holds `name`, and the player opens it from the browser.
    void openPedalEffect(const char* category, const char* name) {
        editor.context->state.pedalEffectName = name;
        editor.clickRow("lstCategory", category);
        editor.clickRow("lstEffects", name);
    }
    void request(const QByteArray& reply) {
        editor.driver().queueReply(reply);
        editor.click("btnRequest");
    }
};

TEST_F(Linked, BankReportsTickTheirBank) {
    editor.arrive("01");
    EXPECT_TRUE(isChecked("rdbtnBank2"));
    editor.arrive("03");
    EXPECT_TRUE(isChecked("rdbtnBank2"));
    editor.arrive("02");
    EXPECT_TRUE(isChecked("rdbtnBank3"));
    EXPECT_TRUE(editor.context->link.reportDriverErrors);
}

TEST_F(Linked, GarbledReportsReachTheErrorReport) {
    editor.arrive("0x");
    editor.arrive("1ZZ");
    editor.arrive("1FFF");
    EXPECT_EQ(editor.services.errors,
              (QStringList{"'x' is not a valid integer value", "'$ZZ' is not a valid integer value",
                           "List index out of bounds (4095)"}));
}

TEST_F(Linked, UploadCompleteMustStandAlone) {
    editor.arrive("Upload complete\r\n");
    EXPECT_EQ(editor.text("lblStatus"), "Status: ");
    editor.arrive("Upload complete");
    EXPECT_EQ(editor.text("lblStatus"), "Upload complete");
}

TEST_F(Linked, AMemoryDumpIsShownWholeEvenWhenItArrivesInPieces) {
    QByteArray dump(1 + 0x4000, char(0xFF));
    dump[0] = char(0xAB);
    editor.arrive(dump.left(5000));
    EXPECT_TRUE(editor.services.messages.isEmpty());
    editor.arrive(dump.mid(5000, 9000));
    editor.arrive(dump.mid(14000));
    EXPECT_EQ(editor.services.messages, QStringList{"Memory Erased"});
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("0: FF"));
    EXPECT_EQ(log.last(), "16383: FF");

    editor.services.messages.clear();
    dump[100] = 0x12;
    editor.arrive(dump);
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_TRUE(editor.logLines().contains("99: 12"));
}

TEST_F(Linked, BrowsingACategoryAndSelectingEffects) {
    editor.clickRow("lstCategory", "Gain");
    EXPECT_EQ(list("lstEffects")->count(), 13);
    EXPECT_TRUE(editor.enabled("btnOpenEffect"));

    editor.context->state.pedalEffectName = "Velvet Fuzz";
    editor.clickRow("lstEffects", "Velvet Fuzz");
    EXPECT_TRUE(params()->isVisible());
    EXPECT_EQ(params()->windowTitle(), "Velvet Fuzz");
    EXPECT_EQ(params()->width(), 420);
    EXPECT_TRUE(editor.enabled("btnRequest"));
    EXPECT_TRUE(pot(0)->isEnabled());
    EXPECT_TRUE(editor.enabled("btnGetFXInfo"));
    EXPECT_FALSE(editor.enabled("menuLoadIR"));
    EXPECT_TRUE(editor.logLines().contains("selected effect name: Velvet Fuzz"));

    editor.clickRow("lstEffects", "Proxima Boost");
    EXPECT_FALSE(editor.context->state.effectOnPedalSelected);
    EXPECT_FALSE(editor.enabled("btnRequest"));
    EXPECT_FALSE(editor.enabled("btnAssign"));
    EXPECT_FALSE(pot(0)->isEnabled());
}

TEST_F(Linked, ImpulseResponseCategoryExplainsItselfAndEnablesLoadIR) {
    editor.find("btnOpenEffect")->setEnabled(false);
    editor.clickRow("lstCategory", "Impulse Response");
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("How to load an impulse response:\r\n1) Select"));
    EXPECT_FALSE(editor.enabled("btnOpenEffect"));
    editor.clickRow("lstEffects", "Cabinet IR");
    EXPECT_TRUE(editor.enabled("menuLoadIR"));
    editor.clickRow("lstCategory", "Other");
    editor.clickRow("lstEffects", "Plate Reverb");
    EXPECT_FALSE(editor.enabled("menuLoadIR"));
}

TEST_F(Linked, BankModeGreysProgramsTooLargeForABank) {
    editor.context->state.bankMode = true;
    editor.clickRow("lstCategory", "Modulation");
    QStringList greyed;
    for (int i = 0; i < list("lstEffects")->count(); ++i)
        if (!(list("lstEffects")->item(i)->flags() & Qt::ItemIsEnabled))
            greyed << list("lstEffects")->item(i)->text();
    EXPECT_FALSE(greyed.isEmpty());
    ResourceStore sizes(editor.services, editor.context->console);
    for (const QString& name : greyed) {
        EXPECT_GT(sizes.get_effect_size(name), 5440);
        EXPECT_TRUE(editor.logLines().contains("size of " + name + " exceed 5440 bytes"));
    }
    // A greyed row ignores the pointer; picked from the keyboard it closes the window and takes
    // Upload away.
    editor.clickRow("lstEffects", "Quad Chorus");
    ASSERT_TRUE(params()->isVisible());
    list("lstEffects")
        ->setCurrentItem(list("lstEffects")->findItems(greyed.first(), Qt::MatchExactly).first());
    QTest::keyClick(list("lstEffects"), Qt::Key_Return);
    EXPECT_FALSE(params()->isVisible());
    EXPECT_FALSE(editor.enabled("btnUpload"));

    editor.context->state.bankMode = false;
    editor.clickRow("lstCategory", "Modulation");
    for (int i = 0; i < list("lstEffects")->count(); ++i)
        EXPECT_TRUE(list("lstEffects")->item(i)->flags() & Qt::ItemIsEnabled);
}

TEST_F(Linked, ArrowKeysMoveTheSelectionWithoutSelectingTheEffect) {
    editor.clickRow("lstCategory", "Dynamic");
    QListWidget* effects = list("lstEffects");
    effects->setFocus();
    effects->setCurrentRow(-1);
    QTest::keyClick(effects, Qt::Key_Down);
    EXPECT_EQ(effects->currentRow(), 0);
    QTest::keyClick(effects, Qt::Key_Up);
    EXPECT_EQ(effects->currentRow(), 0);
    QTest::keyClick(effects, Qt::Key_Down);
    QTest::keyClick(effects, Qt::Key_Down);
    EXPECT_EQ(effects->currentRow(), 1);
    EXPECT_EQ(editor.logLines().filter("arrow").size(), 4);
    EXPECT_TRUE(editor.context->state.selectedEffectName.isEmpty());
    // Enter picks the row, as a click does.
    QTest::keyClick(effects, Qt::Key_Return);
    EXPECT_EQ(editor.context->state.selectedEffectName, "Smart Gate");
}

TEST_F(Linked, AShortStateBlockIsNotApplied) {
    openPedalEffect("Gain", "Velvet Fuzz");
    const std::uint32_t n = editor.context->state.numOfParameters;
    ASSERT_GT(n, 0u);
    QByteArray reply;
    for (std::uint32_t i = 0; i < 4 * n + 40; ++i)
        reply += "1\r\n";
    request(reply);
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("The pedal's reply was incomplete"));
    EXPECT_FALSE(editor.enabled("btnAssign"));
    EXPECT_TRUE(editor.enabled("btnRequest"));
    EXPECT_TRUE(pollRuns());
    EXPECT_FALSE(editor.context->state.requestInProgress);
}

TEST_F(Linked, RequestShowsThePedalsValuesAndSendsNothingMeanwhile) {
    openPedalEffect("Other", "Digital Delay");
    ASSERT_EQ(editor.context->state.numOfParameters, 7u);
    struct Case {
        std::uint8_t midi;
        int ticked; // -1: none
    };
    for (const Case& c : {Case{16, 16}, Case{0, 0}, Case{255, 0}, Case{17, -1}}) {
        editor.wire->take();
        request(decimalReply(stateBlock(7, {512, 0, 0, 1023, 1024, 0, 3 * 204}, c.midi)));
        EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0207"});
        EXPECT_EQ(pot(0)->value(), 512);
        EXPECT_EQ(pot(3)->value(), 1023);
        EXPECT_TRUE(isChecked("switchControl4"));
        EXPECT_EQ(editor.text("valueLabel4"), "ON");
        EXPECT_EQ(editor.find<QComboBox>("multiSwitchBox6")->currentIndex(), 3);
        EXPECT_TRUE(pot(0)->isEnabled());
        for (int i = 0; i <= 16; ++i)
            EXPECT_EQ(editor.find<QAction>(QStringLiteral("midiChannelItem%1").arg(i))->isChecked(),
                      i == c.ticked)
                << int(c.midi) << " item " << i;
        EXPECT_TRUE(editor.logLines().contains(QStringLiteral("MIDI channel: %1").arg(c.midi)));
        EXPECT_TRUE(editor.services.messages.isEmpty());
    }
    // Once shown, moving a control sends again.
    pot(0)->setValue(100);
    editor.settle();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"010340000C8000"});
}

TEST_F(Linked, AGarbledBlockIsReportedAndTheEditorStillHears) {
    openPedalEffect("Other", "Digital Delay");
    request("1O\r\n");
    EXPECT_EQ(editor.services.errors, QStringList{"'1F' is not a valid integer value"});
    EXPECT_TRUE(pollRuns());
    EXPECT_TRUE(editor.enabled("btnRequest"));
    EXPECT_FALSE(editor.context->state.requestInProgress);
    editor.arrive("Upload complete");
    EXPECT_EQ(editor.text("lblStatus"), "Upload complete");
}

TEST_F(Linked, AReplyAfterTheTimeOutIsDroppedNotTakenForAReport) {
    openPedalEffect("Other", "Digital Delay");
    editor.click("btnRequest"); // the pedal says nothing in time
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("No reply from the pedal within 5 seconds"));
    editor.arrive(decimalReply(stateBlock(7, {})));
    EXPECT_TRUE(editor.services.errors.isEmpty());
    EXPECT_TRUE(editor.logLines().last().startsWith("late reply dropped"));
    editor.arrive("01");
    EXPECT_TRUE(isChecked("rdbtnBank2"));
}

TEST_F(Linked, AnOldBlockIsNeverShownForAReplyWithoutValues) {
    openPedalEffect("Other", "Digital Delay");
    request(decimalReply(stateBlock(7, {512})));
    ASSERT_EQ(pot(0)->value(), 512);
    pot(0)->setValue(100);
    editor.services.messages.clear();
    request("xyz");
    EXPECT_EQ(pot(0)->value(), 100);
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("The pedal's reply held no values"));
}

TEST_F(Linked, ALiveReportAheadOfTheBlockIsAppliedNotDecoded) {
    openPedalEffect("Other", "Digital Delay");
    // The report's 0x0D used to end a field and shift every value by one.
    request(QByteArray::fromHex("AA0000030D") + decimalReply(stateBlock(7, {200, 300})));
    EXPECT_EQ(pot(0)->value(), 200);
    EXPECT_EQ(pot(1)->value(), 300);
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST_F(Linked, ACountAboveTheTablesNeverReachesPastThem) {
    // A preset file can set the parameter count to anything; the window has 16 slots.
    openPedalEffect("Other", "Digital Delay");
    editor.context->state.numOfParameters = 40;
    request(decimalReply(stateBlock(40, {512})));
    EXPECT_EQ(pot(0)->value(), 512);
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST(ParameterWindowGeometry, HeightAndRows) {
    EXPECT_EQ(TformFXParameters::windowHeight(10, 0), 360);
    EXPECT_EQ(TformFXParameters::rowY(10), 260);
    EXPECT_EQ(TformFXParameters::rowY(11), 285);
    EXPECT_EQ(TformFXParameters::windowHeight(14, 2), 510);
    EXPECT_EQ(TformFXParameters::rowY(16), 410);
    EXPECT_EQ(TformFXParameters::rowY(17), 435);
}

} // namespace
