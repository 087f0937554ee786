// Every byte the editor writes in its main flows against the virtual pedal, driven through the
// windows by control name. It pins the wire while the code behind the windows is rearranged.

#include "TestEditor.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

// Digital Delay: pots Time, Feedback, Mix, Hi-Cut; switch Trails; button Tap; a five-position
// Subdivision selector; one readback.
constexpr int kDigitalDelay = 0x0B;

TEST(WireRecord, MainFlowsWriteExactlyTheseBytes) {
    TestEditor editor(WithVirtualPedal{kDigitalDelay});
    const auto step = [&](const char* what, auto&& act, std::vector<QByteArray> expected) {
        act();
        editor.settle();
        EXPECT_EQ(editor.wire->take(), expected) << what;
    };
    const auto action = [&](const char* name) {
        QAction* a = editor.find<QAction>(name);
        EXPECT_NE(a, nullptr) << name;
        return a;
    };
    const auto button = [&](const char* name) {
        auto* b = editor.find<QAbstractButton>(name);
        EXPECT_NE(b, nullptr) << name;
        return b;
    };

    step("Link", [&] { action("menuConnect")->trigger(); }, {"0600"});
    step("Get FX Stored on Pedal", [&] { button("btnOpenEffect")->click(); }, {"0600"});
    step("Request", [&] { button("btnRequest")->click(); }, {"0207"});
    step("pot", [&] { editor.find<QSlider>("potBar0")->setValue(512); }, {"01034000400000"});
    step("switch on", [&] { button("switchControl4")->click(); }, {"01037000800000"});
    step("switch off", [&] { button("switchControl4")->click(); }, {"01037000000000"});
    step("button", [&] { button("paramButton5")->click(); }, {"01037C00800000"});
    step("button again", [&] { button("paramButton5")->click(); }, {"01037C00000000"});
    step("multi-position switch", [&] { editor.find<QComboBox>("multiSwitchBox6")->setCurrentIndex(2); },
         {"01038800330000"});
    step("Unlink", [&] { action("menuDisconnect")->trigger(); }, {});
    step("Link again", [&] { action("menuConnect")->trigger(); }, {"0600"});
}

} // namespace
