// The librarian in the windows, against the virtual pedal: the Preset Library window, undo and
// redo in the parameter window, and the whole pedal backed up and restored from the File menu.

#include "TestEditor.h"

#include "ProductData.h"
#include "cli/Cli.h"
#include "params/PresetFile.h"
#include "support/Files.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

constexpr int kDigitalDelay = 0x0B;
constexpr int kShimmerReverb = 0x23;

QString presetFolder(TestEditor& editor) {
    return presetFolderPath(editor.services.documents);
}

QString cell(QTableView* table, int row, int column) {
    return table->model()->index(row, column).data().toString();
}

// A click on the row of the library's list that shows `name`, as a pointer makes it.
void clickPreset(QTableView* table, const QString& name) {
    for (int row = 0; row < table->model()->rowCount(); ++row)
        if (cell(table, row, 0) == name) {
            const QModelIndex index = table->model()->index(row, 0);
            table->scrollTo(index);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
            return;
        }
    ADD_FAILURE() << "no preset " << name.toStdString();
}

TEST(LibraryWindow, ListsALibrarySavedFromTheCommandLineAndFollowsTheFolder) {
    TestEditor editor;
    // tarvo-max on the same documents folder, with a pedal of its own.
    ScriptedServices cliServices;
    cliServices.documents = editor.services.documents;
    VirtualDriver pedal{{.effectNumber = kDigitalDelay, .programFor = ProductData::effectProgram}};
    const auto tarvoMax = [&](const QStringList& args) {
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        CliRuntime runtime{cliServices, [&] { return std::make_unique<ForwardingDriver>(&pedal); },
                           [] { return false; }};
        const int status = runCli(args, runtime, o, e);
        EXPECT_EQ(status, kExitOk) << err.toStdString();
    };
    tarvoMax({"set", "Feedback", "640"});
    tarvoMax({"library", "save", "clean delay"});

    editor.trigger("menuPresetLibrary");
    auto* table = editor.find<QTableView>("tblPresets");
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    ASSERT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(cell(table, 0, 0), "clean delay");
    EXPECT_EQ(cell(table, 0, 1), "Digital Delay");
    EXPECT_EQ(cell(table, 0, 2), "1");
    EXPECT_EQ(cell(table, 0, 3), "7");

    // The folder followed as files come: another preset, and a file that is none.
    tarvoMax({"library", "save", "ambient wash"});
    putBytes(presetFolder(editor) + "/broken.txt", "0B\r");
    ASSERT_TRUE(editor.settleUntil([&] { return table->model()->rowCount() == 3; }));
    EXPECT_EQ(cell(table, 0, 0), "ambient wash");
    EXPECT_EQ(cell(table, 1, 0), "broken");
    EXPECT_EQ(cell(table, 1, 1), "not a preset");
    EXPECT_TRUE(
        table->model()->index(1, 0).data(Qt::ToolTipRole).toString().startsWith("Not a preset: This file"));

    QTest::keyClicks(editor.find<QLineEdit>("edtSearch"), "DELAY");
    EXPECT_EQ(table->model()->rowCount(), 2) << "searched by effect, letter case aside";
    editor.find<QLineEdit>("edtSearch")->clear();
    QTest::keyClicks(editor.find<QLineEdit>("edtSearch"), "wash");
    ASSERT_EQ(table->model()->rowCount(), 1) << "and by name";
    EXPECT_EQ(cell(table, 0, 0), "ambient wash");
}

struct Undo : ::testing::Test {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};

    void SetUp() override {
        editor.trigger("menuConnect");
        editor.click("btnRequest");
        editor.wire->take();
        QWidget* window = editor.find<QWidget>("formFXParameters");
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    QSlider* pot(int i) { return editor.find<QSlider>(QStringLiteral("potBar%1").arg(i)); }
    VirtualPedal& pedal() { return editor.pedal(); }
    void keys(Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(editor.find<QWidget>("formFXParameters"), Qt::Key_Z, modifiers);
        editor.settle();
    }
    // The message a move of the pot just made, once the worker has sent it.
    QByteArray moved() {
        editor.settle();
        const std::vector<QByteArray> sent = editor.wire->take();
        return sent.size() == 1 ? sent.front() : QByteArray("<not one message>");
    }
};

TEST_F(Undo, UndoAfterAPotMoveSendsThePreviousLevelAndRedoTheNext) {
    pot(1)->setValue(512);
    const QByteArray move = moved();
    ASSERT_TRUE(move.startsWith("01") && move.endsWith("00400000")) << move.toStdString();
    ASSERT_EQ(pedal().value(1), 512 * 8192);

    keys(Qt::ControlModifier);
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{move.left(6) + "00000000"})
        << "the level before the move, in the same message";
    EXPECT_EQ(pot(1)->value(), 0);
    EXPECT_EQ(pedal().value(1), 0);
    EXPECT_TRUE(
        editor.logLines().contains("data sent pot 1: " + QString::fromLatin1(move.left(6)) + "00000000"));

    keys(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{move});
    EXPECT_EQ(pot(1)->value(), 512);
    EXPECT_EQ(pedal().value(1), 512 * 8192);
    keys(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(editor.wire->take().empty()) << "nothing left to redo";
}

TEST_F(Undo, AKnobTurnedOnThePedalIsAStepAndRevertToPedalSendsWhatRequestRead) {
    // Time on KI, assigned from the window.
    editor.find<QComboBox>("assignBox0")->setCurrentIndex(0);
    editor.click("btnAssign");
    ASSERT_EQ(pedal().assignment(0), VirtualPedal::KI);
    editor.wire->take();

    pedal().moveControl(VirtualPedal::KI, 300);
    ASSERT_TRUE(editor.settleUntil([&] { return pot(0)->value() == 300; }));
    EXPECT_TRUE(editor.wire->take().empty()) << "a knob turned on the pedal is not sent back";
    keys(Qt::ControlModifier);
    const std::vector<QByteArray> undone = editor.wire->take();
    ASSERT_EQ(undone.size(), 1u);
    EXPECT_TRUE(undone[0].endsWith("00000000")) << undone[0].toStdString();
    EXPECT_EQ(pedal().value(0), 0) << "the pedal's change undone on the pedal";

    pot(1)->setValue(700);
    editor.find<QComboBox>("multiSwitchBox6")->setCurrentIndex(3);
    editor.settle();
    editor.wire->take();
    editor.click("btnRevertToPedal");
    EXPECT_EQ(pot(1)->value(), 0);
    EXPECT_EQ(editor.find<QComboBox>("multiSwitchBox6")->currentIndex(), 0);
    EXPECT_EQ(editor.find<QComboBox>("assignBox0")->currentText(), "--") << "as Request read it";
    EXPECT_EQ(pedal().value(1), 0);
    EXPECT_EQ(pedal().value(6), 0);
    EXPECT_EQ(editor.wire->take().size(), 6u) << "every level Request read, but the button's";
    keys(Qt::ControlModifier);
    EXPECT_EQ(pedal().value(1), 700 * 8192) << "a revert is a step too";
}

TEST(PedalBackupWindow, BacksUpAndRestoresThroughTheFileMenu) {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};
    editor.trigger("menuConnect");
    editor.click("btnRequest");
    editor.find<QSlider>("potBar1")->setValue(640);
    editor.settle();
    const QString path = editor.services.documents + "/pedal.json";
    editor.services.saveFiles << path;
    editor.trigger("menuBackUpPedal");
    ASSERT_FALSE(editor.services.messages.isEmpty());
    EXPECT_TRUE(editor.services.messages.last().startsWith("The pedal was backed up to " + path +
                                                           ": Digital "
                                                           "Delay, 7 "
                                                           "parameters"))
        << editor.services.messages.last().toStdString();

    // Erased and switched off and on: nothing left on the pedal.
    VirtualPedal& pedal = editor.pedal();
    pedal.memory(VirtualPedal::kMemoryA).fill(0xFF);
    pedal.memory(VirtualPedal::kMemoryB).fill(0xFF);
    pedal.powerCycle(false);
    ASSERT_EQ(pedal.effectNumber(), 0);

    editor.services.messages.clear();
    editor.services.openFiles << path;
    editor.trigger("menuRestorePedal");
    EXPECT_TRUE(editor.services.questions.last().startsWith("Restore the pedal from " + path));
    EXPECT_EQ(editor.services.messages,
              QStringList{"The pedal was restored from " + path + ": what it holds now matches the backup."});
    EXPECT_EQ(pedal.effectNumber(), kDigitalDelay);
    EXPECT_EQ(pedal.value(1), 640 * 8192);
    // The windows show what the pedal holds now, as after a Request.
    EXPECT_EQ(editor.find<QSlider>("potBar1")->value(), 640);
    EXPECT_TRUE(editor.enabled("potBar1"));
}

TEST(LibraryWindow, LoadingAPresetOfAnotherEffectOffersToUploadItFirst) {
    TestEditor editor{WithVirtualPedal{kDigitalDelay}};
    editor.trigger("menuConnect");
    putBytes(presetFolder(editor) + "/shimmer.txt",
             presetFileBytes(composePresetText({kShimmerReverb, 1, {300, 0, 0, 0, 512, 0, 0}, {}, {}})));
    editor.trigger("menuPresetLibrary");
    auto* table = editor.find<QTableView>("tblPresets");
    clickPreset(table, "shimmer");
    editor.services.answers = {true};
    editor.click("btnLoadPreset");
    ASSERT_FALSE(editor.services.questions.isEmpty()) << editor.services.messages.join('|').toStdString();
    EXPECT_EQ(editor.services.questions.last(),
              "The preset shimmer is for Shimmer Reverb, but the pedal runs Digital "
              "Delay.\r\nUpload Shimmer Reverb to the pedal first, then load the "
              "preset?");
    EXPECT_EQ(editor.pedal().effectNumber(), kShimmerReverb);
    EXPECT_EQ(editor.pedal().value(0), 300 * 8192);
    EXPECT_EQ(editor.pedal().value(4), 512 * 8192);
    EXPECT_EQ(editor.find<QSlider>("potBar0")->value(), 300);
    EXPECT_TRUE(editor.find<QWidget>("formFXParameters")->windowTitle().startsWith("Shimmer Reverb"));
    EXPECT_EQ(editor.text("lblStatus"), "Upload complete");

    // Saved as new under a name typed in the window: the settings as they are now.
    editor.find<QSlider>("potBar1")->setValue(450);
    QTest::keyClicks(editor.find<QLineEdit>("edtPresetName"), "shimmer bright");
    editor.click("btnSaveAsNew");
    ASSERT_EQ(table->model()->rowCount(), 2);
    EXPECT_EQ(cell(table, 1, 0), "shimmer bright");
    const FileResult saved = readPresetFile(presetFolder(editor) + "/shimmer bright.txt");
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ(parsePresetFields(saved.text, {}).values,
              (std::vector<std::int32_t>{300, 450, 0, 0, 512, 0, 0}));
}

} // namespace
