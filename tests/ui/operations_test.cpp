// Nothing starts inside an exchange: while the worker talks to the pedal, the pointer, the
// keyboard and a screen reader find every control that would start another exchange disabled,
// and what a person does meanwhile lands where it belongs, against the virtual pedal.

#include "TestEditor.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QMenu>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

constexpr int kDigitalDelay = 0x0B;

struct Operations : ::testing::Test {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};

    void SetUp() override {
        editor.trigger("menuConnect");
        editor.click("btnRequest");
        editor.wire->take();
    }
    // Request, held in its pause: the worker is busy until release().
    void requestHeld() {
        editor.holdAtNextPause();
        editor.press("btnRequest");
        ASSERT_TRUE(editor.waitUntilHeld());
    }
    QSlider* pot(int i) { return editor.find<QSlider>(QStringLiteral("potBar%1").arg(i)); }
};

TEST_F(Operations, NoClickKeyOrScreenReaderActionStartsASecondExchange) {
    ASSERT_NO_FATAL_FAILURE(requestHeld());
    const QStringList buttons = {"btnRequest", "btnOpenEffect",           "btnUpload",
                                 "btnAssign",  "btnStoreSettingsOnPedal", "swLive"};
    for (const QString& name : buttons) {
        QWidget* control = editor.find<QWidget>(name);
        ASSERT_NE(control, nullptr) << name.toStdString();
        EXPECT_FALSE(control->isEnabled()) << name.toStdString();
        editor.press(name);
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Space);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (accessible && accessible->actionInterface())
            accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    for (const char* item : {"menuEraseSettings", "menuFirmwareUpgradeMode", "menuLoadConfiguration"})
        EXPECT_FALSE(Pointer::choose(editor.find<QAction>(item))) << item << " cannot be chosen";
    EXPECT_FALSE(editor.find<QMenu>("menuMIDI")->isEnabled());
    editor.release();
    editor.settle();
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0207"}) << "Request's own bytes, nothing else";
    EXPECT_TRUE(editor.services.questions.isEmpty());
    for (const char* name : {"btnRequest", "btnOpenEffect", "btnUpload", "btnAssign"})
        EXPECT_TRUE(editor.enabled(name)) << name << " is back once the exchange is over";
}

TEST_F(Operations, APotMovedDuringAnExchangeGoesOutAfterItInOrder) {
    ASSERT_NO_FATAL_FAILURE(requestHeld());
    pot(0)->setValue(512);
    pot(1)->setValue(100);
    editor.release();
    editor.settle();
    const std::vector<QByteArray> wire = editor.wire->take();
    ASSERT_EQ(wire.size(), 3u);
    EXPECT_EQ(wire[0], "0207");
    EXPECT_EQ(wire[1], "01034000400000");
    EXPECT_TRUE(wire[2].startsWith("0103")) << wire[2].toStdString();
}

TEST_F(Operations, AWindowClosedDuringRequestLeavesNothingThatActsOnIt) {
    ASSERT_NO_FATAL_FAILURE(requestHeld());
    editor.find<QWidget>("formFXParameters")->close();
    editor.release();
    editor.settle();
    for (const char* off : {"btnRequest", "btnAssign", "btnStoreSettingsOnPedal"})
        EXPECT_FALSE(editor.enabled(off)) << off;
    editor.wire->take();
    editor.click("btnAssign");
    EXPECT_TRUE(editor.wire->take().empty()) << "no assignment of a window that is gone";
}

TEST_F(Operations, AnotherEffectChosenDuringRequestDoesNotGetThePedalsValues) {
    ASSERT_NO_FATAL_FAILURE(requestHeld());
    editor.clickRow("lstCategory", "Gain");
    editor.clickRow("lstEffects", "Proxima Boost");
    editor.release();
    editor.settle();
    EXPECT_FALSE(pot(0)->isEnabled()) << "Proxima Boost's knobs show nothing read from the pedal";
    EXPECT_FALSE(editor.enabled("btnAssign"));
    EXPECT_FALSE(editor.enabled("btnStoreSettingsOnPedal"));
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"0207"});
}

TEST_F(Operations, UnlinkDuringAnExchangeEndsItAndUnlinks) {
    ASSERT_NO_FATAL_FAILURE(requestHeld());
    EXPECT_TRUE(editor.enabled("menuDisconnect")) << "Unlink is the way out of any exchange";
    ASSERT_TRUE(Pointer::choose(editor.find<QAction>("menuDisconnect")));
    editor.release();
    editor.settle();
    EXPECT_TRUE(editor.enabled("menuConnect"));
    EXPECT_FALSE(editor.enabled("btnRequest"));
    EXPECT_FALSE(editor.enabled("btnAssign"));
    EXPECT_FALSE(pot(0)->isEnabled());
}

} // namespace
