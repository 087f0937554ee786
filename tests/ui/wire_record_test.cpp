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

    // Buttons and switches are clicked in their middle, through their window, as a person does.
    step("Link", [&] { Pointer::choose(action("menuConnect")); }, {"0600"});
    step("Get FX Stored on Pedal", [&] { Pointer::click(button("btnOpenEffect")); }, {"0600"});
    step("Request", [&] { Pointer::click(button("btnRequest")); }, {"0207"});
    step("pot", [&] { editor.find<QSlider>("potBar0")->setValue(512); }, {"01034000400000"});
    step("switch on", [&] { Pointer::click(button("switchControl4")); }, {"01037000800000"});
    step("switch off", [&] { Pointer::click(button("switchControl4")); }, {"01037000000000"});
    step("button", [&] { Pointer::click(button("paramButton5")); }, {"01037C00800000"});
    step("button again", [&] { Pointer::click(button("paramButton5")); }, {"01037C00000000"});
    step("multi-position switch", [&] { editor.find<QComboBox>("multiSwitchBox6")->setCurrentIndex(2); },
         {"01038800330000"});
    step("Unlink", [&] { Pointer::choose(action("menuDisconnect")); }, {});
    step("Link again", [&] { Pointer::choose(action("menuConnect")); }, {"0600"});
}

} // namespace
