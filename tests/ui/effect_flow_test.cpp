#include "TestEditor.h"

#include "app/ReceivePoll.h"
#include "ui/ToggleSwitch.h"

#include <QAccessible>
#include <QComboBox>
#include <QMenu>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

// Digital Delay: pots Time, Feedback, Mix, Hi-Cut; switch Trails; button Tap; a five-position
// Subdivision selector; one readback.
constexpr int kDigitalDelay = 0x0B;

struct EffectFlow : ::testing::Test {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};

    QWidget* params() { return editor.find("formFXParameters"); }
    QSlider* pot(int i) { return editor.find<QSlider>(QStringLiteral("potBar%1").arg(i)); }
    ToggleSwitch* toggle(int i) {
        return editor.find<ToggleSwitch>(QStringLiteral("switchControl%1").arg(i));
    }
    QComboBox* selector(int i) { return editor.find<QComboBox>(QStringLiteral("multiSwitchBox%1").arg(i)); }
    QListWidget* list(const char* name) { return editor.find<QListWidget>(name); }
    void link() { editor.trigger("menuConnect"); }
    void request() { editor.click("btnRequest"); }
};

TEST_F(EffectFlow, LinkOpensTheStoredEffectBesideTheMainWindow) {
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max Virtual Pedal");
    link();
    EXPECT_EQ(editor.text("lblDeviceName"), "Tarvo Max Virtual Pedal linked");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0600"});
    const QStringList log = editor.logLines();
    EXPECT_TRUE(log.contains("effect number DEC: 11"));
    EXPECT_TRUE(log.contains("effect number HEX: 0000000B"));
    EXPECT_TRUE(log.contains("effetto ottenuto dalla lista: Digital Delay"));

    ASSERT_TRUE(params()->isVisible());
    EXPECT_EQ(params()->windowTitle(), "Digital Delay v1");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(params())->text(QAccessible::Name), "Digital Delay v1");
    // Beside the main window, as far as the screen has room for it there.
    const QRect mainFrame = editor.find("formMain")->frameGeometry();
    const QRect screen = params()->screen()->availableGeometry();
    EXPECT_EQ(params()->frameGeometry().topLeft(),
              QPoint(std::min(mainFrame.x() + mainFrame.width(),
                              screen.right() + 1 - params()->frameGeometry().width()),
                     mainFrame.y()));
    EXPECT_TRUE(screen.contains(params()->frameGeometry()));
    // The design's size, and more where its controls need it (the Subdivision selector's longest
    // position, selectors a little taller than designed): the window holds every row.
    EXPECT_GE(params()->width(), 420);
    EXPECT_GE(params()->height(), (7 + 1 + 4) * 25 + 10);
    EXPECT_GT(params()->height(), editor.find("readbackBox0")->geometry().bottom());
    EXPECT_EQ(list("lstCategory")->currentItem()->text(), "Other");
    EXPECT_EQ(list("lstEffects")->currentItem()->text(), "Digital Delay");
    EXPECT_EQ(list("lstEffects")->count(), 7);
    EXPECT_TRUE(editor.enabled("btnRequest"));
    EXPECT_FALSE(pot(0)->isEnabled());
    EXPECT_TRUE(editor.find<ReceivePoll>("Timer_USB_read")->isActive());
    EXPECT_TRUE(editor.services.messages.isEmpty());

    // Rows at their design places, named for a screen reader after their parameter.
    EXPECT_EQ(pot(1)->geometry(), QRect(160, 35, 100, 20));
    EXPECT_EQ(toggle(4)->geometry(), QRect(190, 110, 40, 20));
    EXPECT_EQ(editor.text("paramButton5"), "Tap");
    EXPECT_EQ(selector(6)->count(), 5);
    EXPECT_EQ(editor.find("bypassAssignBox")->geometry().topLeft(), QPoint(300, 185));
    EXPECT_EQ(editor.find("readbackBox0")->geometry().top(), 235);
    EXPECT_EQ(pot(0)->accessibleName(), "Time");
    EXPECT_EQ(editor.find("assignBox0")->accessibleName(), "Assign Time");
    EXPECT_EQ(editor.find("reverseBox4")->accessibleName(), "Reverse Trails");
}

TEST_F(EffectFlow, RequestFillsTheWindowAndControlsWriteExactBytes) {
    link();
    editor.wire->take();
    request();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0207"});
    EXPECT_TRUE(pot(0)->isEnabled());
    EXPECT_TRUE(editor.enabled("btnAssign"));
    EXPECT_TRUE(editor.enabled("btnStoreSettingsOnPedal"));
    EXPECT_TRUE(editor.find<QAction>("midiChannelItem0")->isChecked());
    EXPECT_TRUE(editor.logLines().contains("MIDI channel: 0"));

    pot(0)->setValue(512);
    editor.settle();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01034000400000"});
    EXPECT_EQ(editor.pedal().value(0), 512 * 8192);
    EXPECT_TRUE(editor.logLines().contains("data sent pot 0: 01034000400000"));
    editor.click("switchControl4");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01037000800000"});
}

TEST_F(EffectFlow, LiveReportsMoveControlsWithoutEcho) {
    link();
    request();
    editor.wire->take();

    editor.pedal().sendLiveReport(VirtualPedal::KII, 1, 700);
    editor.settle();
    EXPECT_EQ(pot(1)->value(), 700);
    EXPECT_TRUE(editor.wire->take().empty());

    editor.pedal().sendLiveReport(VirtualPedal::FS, 4, 1);
    editor.settle();
    EXPECT_TRUE(toggle(4)->isChecked());
    EXPECT_TRUE(editor.wire->take().empty());

    // A selector moved from the pedal sends its position back, as the editor always has.
    editor.pedal().sendLiveReport(VirtualPedal::EXP, 6, 1023);
    editor.settle();
    EXPECT_EQ(selector(6)->currentIndex(), 4);
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01038800660000"});

    // Reports that name no control of their kind, or arrive with the window closed, are dropped.
    editor.pedal().sendLiveReport(VirtualPedal::KI, 4, 300);
    editor.pedal().sendLiveReport(VirtualPedal::B1, 0, 1);
    editor.pedal().sendLiveReport(VirtualPedal::KI, 15, 300);
    editor.settle();
    EXPECT_TRUE(toggle(4)->isChecked());
    params()->close();
    editor.pedal().sendLiveReport(VirtualPedal::KII, 1, 100);
    editor.settle();
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST_F(EffectFlow, WhatThePedalSaysWhileNobodyListensIsBoundedAndTheDropIsLogged) {
    link();
    // The user-interface thread is busy elsewhere while a knob keeps turning.
    for (int i = 0; i < 250'000; ++i)
        editor.pedal().sendLiveReport(VirtualPedal::KI, 0, static_cast<std::uint16_t>(i % 1024));
    editor.settle();
    EXPECT_TRUE(editor.logLines().filter("receive queue full:").size() == 1);
    EXPECT_TRUE(editor.services.errors.isEmpty());
}

TEST_F(EffectFlow, AnEffectReportFromThePedalOpensThatEffect) {
    link();
    params()->close();
    editor.pedal().reportEffect();
    editor.settle();
    ASSERT_TRUE(params()->isVisible());
    EXPECT_EQ(params()->windowTitle(), "Digital Delay v1");
    EXPECT_EQ(list("lstCategory")->currentItem()->text(), "Other");
    EXPECT_FALSE(pot(0)->isEnabled());
    EXPECT_TRUE(editor.enabled("btnRequest"));
    EXPECT_TRUE(editor.services.messages.isEmpty());
}

TEST(OversizedLayout, OpensCutToWhatFits) {
    // Effect 0x2D declares 24 parameters and a readback whose line is missing.
    TestEditor big(WithVirtualPedal{0x2D});
    big.trigger("menuConnect");
    EXPECT_EQ(big.context->state.numOfParameters, 16u);
    EXPECT_EQ(big.context->state.numOfReadbacks, 0u);
    EXPECT_GE(big.find("formFXParameters")->height(), (16 + 0 + 4) * 25 + 10);
    EXPECT_GT(big.find("formFXParameters")->height(), big.find("presetAssignBox")->geometry().bottom());
    EXPECT_TRUE(big.logLines().contains(
        "layout declares 24 parameters and 1 readbacks; only 16 and 0 fit and are shown"));
    EXPECT_EQ(big.find<QListWidget>("lstEffects")->count(), 0) << "in no category";
    EXPECT_TRUE(big.services.errors.isEmpty());
}

} // namespace
