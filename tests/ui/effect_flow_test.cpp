#include "VirtualEditor.h"

#include "app/ReceivePoll.h"
#include "app/ToggleSwitch.h"

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

// Digital Delay: pots Time, Feedback, Mix, Hi-Cut; switch Trails; button Tap; a five-position
// Subdivision selector; one readback.
constexpr int kDigitalDelay = 0x0B;

struct EffectFlow : ::testing::Test {
    VirtualEditor editor{kDigitalDelay};
    TformMain& w = editor.main();
    TformFXParameters& p = editor.params();

    void link() {
        w.menuConnect->trigger();
        editor.settle();
    }
    void request() {
        w.btnRequest->click();
        editor.settle();
    }
};

TEST_F(EffectFlow, LinkOpensTheStoredEffectBesideTheMainWindow) {
    EXPECT_EQ(w.lblDeviceName->text(), "Tarvo Max Virtual Pedal");
    link();
    EXPECT_EQ(w.lblDeviceName->text(), "Tarvo Max Virtual Pedal linked");
    EXPECT_EQ(editor.wire->take().front(), "0600");
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("effect number DEC: 11"));
    EXPECT_TRUE(log.contains("effect number HEX: 0000000B"));
    EXPECT_TRUE(log.contains("effetto ottenuto dalla lista: Digital Delay"));

    ASSERT_TRUE(p.isVisible());
    EXPECT_EQ(p.windowTitle(), "Digital Delay v1");
    EXPECT_EQ(p.pos(), QPoint(w.geometry().left() + w.width(), w.geometry().top()));
    EXPECT_EQ(p.size(), QSize(420, (7 + 1 + 4) * 25 + 10));
    EXPECT_EQ(w.lstCategory->currentItem()->text(), "Other");
    EXPECT_EQ(w.lstEffects->currentItem()->text(), "Digital Delay");
    EXPECT_EQ(w.lstEffects->count(), 7);
    EXPECT_TRUE(w.btnRequest->isEnabled());
    EXPECT_FALSE(p.potBars[0]->isEnabled());
    EXPECT_TRUE(w.Timer_USB_read->isActive());
    EXPECT_TRUE(editor.services.messages.isEmpty());

    // Rows at their design places.
    EXPECT_EQ(p.potBars[1]->geometry(), QRect(160, 35, 100, 20));
    EXPECT_EQ(p.switchControls[4]->geometry(), QRect(190, 110, 40, 20));
    EXPECT_EQ(p.paramButtons[5]->text(), "Tap");
    EXPECT_EQ(p.multiSwitchBoxes[6]->count(), 5);
    EXPECT_EQ(p.bypassAssignBox->geometry(), QRect(300, 185, 70, 20));
    EXPECT_EQ(p.readbackLabels[0]->text(), "Tap Tempo");
    EXPECT_EQ(p.readbackLabels[0]->geometry().top(), 235);
    EXPECT_EQ(p.potBars[0]->accessibleName(), "Time");
    EXPECT_EQ(p.assignBoxes[0]->accessibleName(), "Assign Time");
}

TEST_F(EffectFlow, RequestFillsTheWindowAndControlsWriteExactBytes) {
    link();
    editor.pedal().moveControl(VirtualPedal::KI, 0); // nothing assigned yet: no report
    editor.wire->take();
    request();
    EXPECT_EQ(editor.wire->take().front(), "0207");
    EXPECT_TRUE(p.potBars[0]->isEnabled());
    EXPECT_TRUE(w.btnAssign->isEnabled());
    EXPECT_TRUE(w.btnStoreSettingsOnPedal->isEnabled());
    EXPECT_TRUE(w.midiChannelItems.at(0)->isChecked() || editor.logLines().contains("MIDI channel: 0"));
    // Filling the window from the pedal sent nothing.
    EXPECT_TRUE(editor.wire->take().empty());

    p.potBars[0]->setValue(512);
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01034000400000"});
    EXPECT_EQ(editor.pedal().value(0), 512 * 8192);
    EXPECT_TRUE(editor.logLines().contains("data sent pot 0: 01034000400000"));

    p.switchControls[4]->click();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01037000800000"});
    EXPECT_EQ(p.valueLabels[4]->text(), "ON");
    p.switchControls[4]->click();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01037000000000"});
    EXPECT_EQ(p.valueLabels[4]->text(), "OFF");

    p.paramButtons[5]->click();
    p.paramButtons[5]->click();
    p.paramButtons[5]->click();
    EXPECT_EQ(editor.wire->take(),
              (std::vector<QByteArray>{"01037C00800000", "01037C00000000", "01037C00800000"}));

    p.multiSwitchBoxes[6]->setCurrentIndex(2); // 2 x (1024 div 5) = 408
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01038800330000"});
}

TEST_F(EffectFlow, LiveReportsMoveControlsWithoutEcho) {
    link();
    request();
    editor.wire->take();

    editor.pedal().sendLiveReport(VirtualPedal::KII, 1, 700);
    editor.settle();
    EXPECT_EQ(p.potBars[1]->value(), 700);
    EXPECT_TRUE(editor.wire->take().empty());

    editor.pedal().sendLiveReport(VirtualPedal::FS, 4, 1);
    editor.settle();
    EXPECT_TRUE(p.switchControls[4]->isChecked());
    EXPECT_TRUE(editor.wire->take().empty());

    // A selector moved from the pedal sends its position back, as the editor always has.
    editor.pedal().sendLiveReport(VirtualPedal::EXP, 6, 1023);
    editor.settle();
    EXPECT_EQ(p.multiSwitchBoxes[6]->currentIndex(), 4);
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01038800660000"});

    // Reports that name no control of their kind, or arrive with the window closed, are dropped.
    editor.pedal().sendLiveReport(VirtualPedal::KI, 4, 300);
    editor.pedal().sendLiveReport(VirtualPedal::B1, 0, 1);
    editor.pedal().sendLiveReport(VirtualPedal::KI, 15, 300);
    editor.settle();
    EXPECT_TRUE(p.switchControls[4]->isChecked());
    p.close();
    editor.pedal().sendLiveReport(VirtualPedal::KII, 1, 100);
    editor.settle();
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST_F(EffectFlow, AnEffectReportFromThePedalOpensThatEffect) {
    link();
    w.lstCategory->setCurrentRow(0);
    p.close();
    editor.pedal().reportEffect();
    editor.settle();
    ASSERT_TRUE(p.isVisible());
    EXPECT_EQ(p.windowTitle(), "Digital Delay v1");
    EXPECT_EQ(w.lstCategory->currentItem()->text(), "Other");

    w.OpenReportedEffect(0x2B);
    EXPECT_EQ(p.windowTitle(), "Long Cabinet IR v1");
    EXPECT_EQ(w.lstCategory->currentItem()->text(), "Impulse Response");
    EXPECT_EQ(w.lstEffects->currentItem()->text(), "Long Cabinet IR");
    EXPECT_EQ(w.lstEffects->count(), 4);
    EXPECT_FALSE(p.potBars[0]->isEnabled());
    EXPECT_TRUE(w.btnRequest->isEnabled());
    EXPECT_TRUE(editor.services.messages.isEmpty());
}

TEST_F(EffectFlow, TheOversizedLayoutOpensCutToWhatFits) {
    link();
    // Effect 0x2D declares 24 parameters and a readback whose line is missing.
    w.OpenReportedEffect(0x2D);
    EXPECT_EQ(editor.context->state.numOfParameters, 16u);
    EXPECT_EQ(editor.context->state.numOfReadbacks, 0u);
    EXPECT_EQ(p.height(), (16 + 0 + 4) * 25 + 10);
    EXPECT_TRUE(editor.logLines().contains(
        "layout declares 24 parameters and 1 readbacks; only 16 and 0 fit and are shown"));
    EXPECT_EQ(w.lstEffects->count(), 0) << "in no category";
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

} // namespace
