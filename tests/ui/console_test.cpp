#include "TestEditor.h"

#include "console/ui/TformPrint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

// The console opens from the main window's keys, the only way a person has.
void openConsole(TestEditor& editor) {
    QTest::keyClick(editor.find("formMain")->windowHandle(), Qt::Key_P,
                    Qt::ControlModifier | Qt::ShiftModifier);
    editor.settle();
}

TEST(ConsoleTest, LayoutAndLinesLoggedBeforeItExisted) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    QWidget* c = editor.find("formPrint");
    EXPECT_EQ(c->windowTitle(), "Debug Console");
    EXPECT_EQ(c->size(), QSize(506, 676));
    EXPECT_EQ(c->pos(), QPoint(1075, 0));
    auto* memo = editor.find<QPlainTextEdit>("Memo1");
    EXPECT_EQ(memo->geometry(), QRect(8, 61, 489, 607));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_TRUE(editor.find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_TRUE(editor.find("btnSend")->isHidden());
    EXPECT_TRUE(editor.find("edtAddress")->isHidden());
    EXPECT_EQ(editor.find<QLineEdit>("edtAddress")->text(), "addr");
    EXPECT_EQ(editor.find<QLineEdit>("edtData")->text(), "data");
}

TEST(ConsoleTest, ClearThenLogLeavesOneLine) {
    TestEditor editor;
    editor.context->console.log("first");
    openConsole(editor);
    editor.click("btnClear");
    editor.context->console.log("second");
    EXPECT_EQ(editor.logLines(), QStringList{"second"});
}

TEST(ConsoleTest, ScrollFollowsOnlyWhenTicked) {
    TestEditor editor;
    openConsole(editor);
    QScrollBar* bar = editor.find<QPlainTextEdit>("Memo1")->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        editor.context->console.log(QString("line %1").arg(i));
    EXPECT_EQ(bar->value(), bar->maximum());

    editor.click("btnScrollTop");
    EXPECT_EQ(bar->value(), 0);
    editor.click("CheckBox1");
    EXPECT_FALSE(editor.context->console.autoScroll());
    editor.context->console.log("more");
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(editor.logLines().last() == "more");

    editor.click("CheckBox1");
    editor.context->console.logLines({"a", "b", "c"});
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ConsoleTest, TheLogKeepsItsLastLinesAndSaysWhenItDropsOlderOnes) {
    TestEditor editor;
    QStringList dump;
    for (int i = 0; i < 0x4000; ++i)
        dump << QStringLiteral("%1: FF").arg(i);
    const int dumps = TformPrint::kMaxLines / dump.size() + 2;
    for (int i = 0; i < dumps; ++i)
        editor.context->console.logLines(dump);
    const QStringList lines = editor.logLines();
    EXPECT_LE(lines.size(), TformPrint::kMaxLines);
    EXPECT_TRUE(lines.last().startsWith("(the console keeps the last 200000 lines; the oldest"));
    EXPECT_EQ(lines.at(lines.size() - 2), "16383: FF");
}

TEST(ConsoleTest, RawSendWritesSevenBytes) {
    TestEditor editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver().queueReply("255\r\n255\r\n0\r\n1\r\n");
    editor.trigger("menuConnect");
    editor.wire->take();

    // A maintainer's tool the layout keeps hidden; shown here to be used.
    openConsole(editor);
    for (const char* name : {"btnSend", "edtAddress", "edtData"})
        editor.find(name)->show();
    editor.find<QLineEdit>("edtAddress")->setText("0010");
    editor.find<QLineEdit>("edtData")->setText("00002000");
    editor.click("btnSend");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01001000002000"});
    EXPECT_EQ(editor.logLines().last(), "01001000002000");

    // A short entry still sends seven bytes; the tail is what the buffer held.
    editor.find<QLineEdit>("edtAddress")->setText("0011");
    editor.find<QLineEdit>("edtData")->setText("");
    editor.click("btnSend");
    EXPECT_EQ(editor.wire->take(), std::vector<QByteArray>{"01001100002000"});
}

TEST(ConsoleTest, TheHiddenCalculatorLogsATableAndKeepsItsSettingsOnBadInput) {
    TestEditor editor;
    auto* notes = editor.find<QComboBox>("cmbNotePicker");
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(notes->isHidden());
    EXPECT_EQ(notes->count(), 48);
    EXPECT_EQ(notes->currentText(), "A1");
    auto* q = editor.find<QLineEdit>("edtQ");
    auto* boost = editor.find<QLineEdit>("edtBoost");
    EXPECT_EQ(q->text(), "1.41");
    EXPECT_EQ(boost->text(), "0");

    q->setText("0.7");
    boost->setText("-6");
    EXPECT_TRUE(editor.logLines().contains("Q: 0.7"));
    EXPECT_TRUE(editor.logLines().contains("boost: -6"));
    // Neither a Q of 0 nor a text that is no number changes anything; the user is told.
    q->setText("0");
    boost->setText("loud");
    EXPECT_EQ(editor.services.messages.size(), 2);
    // Hidden in the layout; shown here to be clicked.
    openConsole(editor);
    notes->show();
    editor.click("btnGetNoteFrequency");
    const QStringList log = editor.logLines();
    ASSERT_GE(log.size(), 6);
    EXPECT_EQ(log.at(log.size() - 6), "A1_6db_cut_Q0.7 : array[0..19] of string =");
    EXPECT_TRUE(log.last().endsWith("');"));
}

} // namespace
