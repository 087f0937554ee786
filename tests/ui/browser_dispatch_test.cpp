#include "EditorHarness.h"

#include "app/ReceivePoll.h"
#include "app/ToggleSwitch.h"
#include "params/TformFXParameters.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QByteArray kNoEffectStored = "255\r\n255\r\n3\r\n7\r\n";

struct Linked : ::testing::Test {
    EditorHarness editor{{"FT1A2B3C", "FT230X Basic UART"}};
    TformMain& w = editor.main();

    void SetUp() override {
        editor.driver.queueReply(kNoEffectStored);
        w.menuConnect->trigger();
        editor.services.messages.clear();
    }
    void arrive(const QByteArray& bytes) {
        editor.driver.queueReply(bytes);
        w.DispatchIncoming();
    }
    QListWidgetItem* effectRow(const QString& name) {
        const auto found = w.lstEffects->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
};

TEST_F(Linked, BankReportsTickTheirBank) {
    arrive("01");
    EXPECT_TRUE(w.rdbtnBank2->isChecked());
    arrive("03");
    EXPECT_TRUE(w.rdbtnBank2->isChecked());
    arrive("02");
    EXPECT_TRUE(w.rdbtnBank3->isChecked());
    EXPECT_TRUE(editor.context->link.reportDriverErrors);
}

TEST_F(Linked, GarbledReportsReachTheErrorReport) {
    editor.driver.queueReply("0x");
    w.Timer_USB_read->timeout();
    editor.driver.queueReply("1ZZ");
    w.Timer_USB_read->timeout();
    editor.driver.queueReply("1FFF");
    w.Timer_USB_read->timeout();
    EXPECT_EQ(editor.services.errors,
              (QStringList{"'x' is not a valid integer value", "'$ZZ' is not a valid integer value",
                           "List index out of bounds (4095)"}));
}

TEST_F(Linked, UploadCompleteMustStandAlone) {
    arrive("Upload complete\r\n");
    EXPECT_EQ(w.lblStatus->text(), "Status: ");
    arrive("Upload complete");
    EXPECT_EQ(w.lblStatus->text(), "Upload complete");
}

TEST_F(Linked, MemoryDumpIsShownWholeEvenWhenItArrivesInPieces) {
    QByteArray dump(1 + 0x4000, char(0xFF));
    dump[0] = char(0xAB);
    arrive(dump.left(5000));
    EXPECT_TRUE(editor.services.messages.isEmpty());
    arrive(dump.mid(5000, 9000));
    arrive(dump.mid(14000));
    EXPECT_EQ(editor.services.messages, QStringList{"Memory Erased"});
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("0: FF"));
    EXPECT_EQ(log.last(), "16383: FF");

    editor.services.messages.clear();
    dump[100] = 0x12;
    arrive(dump);
    EXPECT_TRUE(editor.services.messages.isEmpty());
    EXPECT_TRUE(editor.logLines().contains("98: FF"));
    EXPECT_TRUE(editor.logLines().contains("99: 12"));
}

TEST_F(Linked, AnAbandonedDumpIsDroppedAfterItsTimeOut) {
    QByteArray start(100, char(0x00));
    start[0] = char(0xAB);
    arrive(start);
    editor.services.now += TformMain::kMemoryDumpTimeoutMs + 1;
    arrive("01");
    EXPECT_EQ(editor.logLines().last(), "memory dump incomplete: 100 of 16385 bytes received");
    EXPECT_TRUE(w.rdbtnBank2->isChecked());
}

TEST_F(Linked, BrowsingACategoryAndSelectingEffects) {
    w.lstCategory->setCurrentRow(0);
    w.lstGainClick();
    EXPECT_EQ(w.lstEffects->count(), 13);
    EXPECT_EQ(w.currentCategory, "Gain");
    EXPECT_TRUE(w.btnOpenEffect->isEnabled());

    editor.context->state.pedalEffectName = "Velvet Fuzz";
    w.effetto_cliccato(effectRow("Velvet Fuzz"));
    TformFXParameters& p = *editor.app->windows().formFXParameters;
    EXPECT_TRUE(p.isVisible());
    EXPECT_EQ(p.windowTitle(), "Velvet Fuzz");
    EXPECT_EQ(p.width(), 420);
    EXPECT_TRUE(editor.context->state.effectOnPedalSelected);
    EXPECT_TRUE(w.btnRequest->isEnabled());
    EXPECT_TRUE(p.potBars[0]->isEnabled());
    EXPECT_TRUE(w.btnGetFXInfo->isEnabled());
    EXPECT_FALSE(w.menuLoadIR->isEnabled());
    EXPECT_TRUE(editor.logLines().contains("selected effect name: Velvet Fuzz"));

    w.effetto_cliccato(effectRow("Proxima Boost"));
    EXPECT_FALSE(editor.context->state.effectOnPedalSelected);
    EXPECT_FALSE(w.btnRequest->isEnabled());
    EXPECT_FALSE(w.btnAssign->isEnabled());
    EXPECT_FALSE(p.potBars[0]->isEnabled());
}

TEST_F(Linked, ImpulseResponseCategoryExplainsItselfAndEnablesLoadIR) {
    w.btnOpenEffect->setEnabled(false);
    w.lstIRClick();
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("How to load an impulse response:\r\n1) Select"));
    EXPECT_FALSE(w.btnOpenEffect->isEnabled());
    w.effetto_cliccato(effectRow("Cabinet IR"));
    EXPECT_TRUE(w.menuLoadIR->isEnabled());
    w.lstOtherClick();
    w.effetto_cliccato(effectRow("Plate Reverb"));
    EXPECT_FALSE(w.menuLoadIR->isEnabled());
}

TEST_F(Linked, BankModeGreysProgramsTooLargeForABank) {
    editor.context->state.bankMode = true;
    w.lstModulationClick();
    QStringList greyed;
    for (int i = 0; i < w.lstEffects->count(); ++i)
        if (!(w.lstEffects->item(i)->flags() & Qt::ItemIsEnabled))
            greyed << w.lstEffects->item(i)->text();
    EXPECT_FALSE(greyed.isEmpty());
    for (const QString& name : greyed) {
        EXPECT_GT(editor.context->resources.get_effect_size(name), 5440);
        EXPECT_TRUE(editor.logLines().contains("size of " + name + " exceed 5440 bytes"));
    }
    // A greyed row closes the window and takes Upload away.
    w.effetto_cliccato(effectRow(greyed.first()));
    EXPECT_FALSE(editor.app->windows().formFXParameters->isVisible());
    EXPECT_FALSE(w.btnUpload->isEnabled());

    editor.context->state.bankMode = false;
    w.lstModulationClick();
    for (int i = 0; i < w.lstEffects->count(); ++i)
        EXPECT_TRUE(w.lstEffects->item(i)->flags() & Qt::ItemIsEnabled);
}

TEST_F(Linked, ArrowKeysMoveTheSelectionWithoutSelectingTheEffect) {
    w.lstDynamicClick();
    w.show();
    w.lstEffects->setFocus();
    w.lstEffects->setCurrentRow(-1);
    QTest::keyClick(w.lstEffects, Qt::Key_Down);
    EXPECT_EQ(w.lstEffects->currentRow(), 0);
    QTest::keyClick(w.lstEffects, Qt::Key_Up);
    EXPECT_EQ(w.lstEffects->currentRow(), 0);
    QTest::keyClick(w.lstEffects, Qt::Key_Down);
    QTest::keyClick(w.lstEffects, Qt::Key_Down);
    EXPECT_EQ(w.lstEffects->currentRow(), 1);
    EXPECT_EQ(editor.logLines().filter("arrow").size(), 4);
    EXPECT_TRUE(editor.context->state.selectedEffectName.isEmpty());
    // Enter picks the row, as a click does.
    QTest::keyClick(w.lstEffects, Qt::Key_Return);
    EXPECT_EQ(editor.context->state.selectedEffectName, "Smart Gate");
}

TEST_F(Linked, AShortStateBlockIsNotApplied) {
    editor.context->state.pedalEffectName = "Velvet Fuzz";
    w.lstGainClick();
    w.effetto_cliccato(effectRow("Velvet Fuzz"));
    const std::uint32_t n = editor.context->state.numOfParameters;
    ASSERT_GT(n, 0u);
    QByteArray reply;
    for (std::uint32_t i = 0; i < 4 * n + 40; ++i)
        reply += "1\r\n";
    editor.driver.queueReply(reply);
    w.btnRequest->click();
    ASSERT_EQ(editor.services.messages.size(), 1);
    EXPECT_TRUE(editor.services.messages.first().startsWith("The pedal's reply was incomplete"));
    EXPECT_FALSE(w.btnAssign->isEnabled());
    EXPECT_TRUE(w.btnRequest->isEnabled());
    EXPECT_TRUE(w.Timer_USB_read->isActive());
    EXPECT_FALSE(editor.context->state.requestInProgress);
}

// A state block as the pedal sends it: one decimal number per line.
QByteArray decimalReply(const QByteArray& block) {
    QByteArray reply;
    for (const char b : block)
        reply += QByteArray::number(static_cast<std::uint8_t>(b)) + "\r\n";
    return reply;
}

TEST_F(Linked, RequestShowsThePedalsValuesAndSendsNothingMeanwhile) {
    editor.context->state.pedalEffectName = "Digital Delay";
    w.lstOtherClick();
    w.effetto_cliccato(effectRow("Digital Delay"));
    TformFXParameters& p = *editor.app->windows().formFXParameters;
    ASSERT_EQ(editor.context->state.numOfParameters, 7u);

    struct Case {
        std::uint8_t midi;
        int ticked; // -1: none
    };
    for (const Case& c : {Case{16, 16}, Case{0, 0}, Case{255, 0}, Case{17, -1}}) {
        QByteArray block(4 * 7 + 41, char(0xFF));
        const auto value = [&](int i, std::uint32_t level) {
            const std::uint32_t v = level * 8192;
            block[4 * i] = char(v >> 24);
            block[4 * i + 1] = char(v >> 16);
            block[4 * i + 2] = char(v >> 8);
            block[4 * i + 3] = char(v);
        };
        for (int i = 0; i < 7; ++i)
            value(i, 0);
        value(0, 512);
        value(3, 1023);
        value(4, 1024);
        value(6, 3 * 204);
        block[4 * 7 + 38] = 0;
        block[4 * 7 + 40] = char(c.midi);
        editor.driver.writes.clear();
        editor.driver.queueReply(decimalReply(block));
        w.btnRequest->click();

        EXPECT_EQ(editor.driver.writes, std::vector<QByteArray>{QByteArray::fromHex("0207")});
        EXPECT_EQ(p.potBars[0]->value(), 512);
        EXPECT_EQ(p.potBars[3]->value(), 1023);
        EXPECT_TRUE(p.switchControls[4]->isChecked());
        EXPECT_EQ(p.valueLabels[4]->text(), "ON");
        EXPECT_EQ(p.multiSwitchBoxes[6]->currentIndex(), 3);
        EXPECT_TRUE(p.potBars[0]->isEnabled());
        for (int i = 0; i <= 16; ++i)
            EXPECT_EQ(w.midiChannelItems.at(i)->isChecked(), i == c.ticked) << int(c.midi) << " item " << i;
        EXPECT_TRUE(editor.logLines().contains(QStringLiteral("MIDI channel: %1").arg(c.midi)));
        EXPECT_TRUE(editor.services.messages.isEmpty());
    }
    // Once shown, moving a control sends again.
    p.potBars[0]->setValue(100);
    EXPECT_EQ(editor.driver.writes.back(), QByteArray::fromHex("010340000C8000"));
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
