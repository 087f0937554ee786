#include "EditorHarness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

TEST(ConsoleTest, LayoutAndLinesLoggedBeforeItExisted) {
    EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}});
    TformPrint& c = editor.console();
    EXPECT_EQ(c.windowTitle(), "Debug Console");
    EXPECT_EQ(c.size(), QSize(506, 676));
    EXPECT_EQ(c.pos(), QPoint(1075, 0));
    EXPECT_EQ(c.Memo1->geometry(), QRect(8, 61, 489, 607));
    EXPECT_TRUE(c.Memo1->isReadOnly());
    EXPECT_TRUE(c.CheckBox1->isChecked());
    EXPECT_TRUE(c.btnSend->isHidden());
    EXPECT_TRUE(c.edtAddress->isHidden());
    EXPECT_EQ(c.edtAddress->text(), "addr");
    EXPECT_EQ(c.edtData->text(), "data");
}

TEST(ConsoleTest, ClearThenLogLeavesOneLine) {
    EditorHarness editor;
    editor.context->console.log("first");
    editor.console().btnClear->click();
    editor.context->console.log("second");
    EXPECT_EQ(editor.console().Memo1->toPlainText(), "second");
}

TEST(ConsoleTest, ScrollFollowsOnlyWhenTicked) {
    EditorHarness editor;
    TformPrint& c = editor.console();
    c.show();
    QScrollBar* bar = c.Memo1->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        editor.context->console.log(QString("line %1").arg(i));
    EXPECT_EQ(bar->value(), bar->maximum());

    c.btnScrollTop->click();
    EXPECT_EQ(bar->value(), 0);
    c.CheckBox1->click();
    EXPECT_FALSE(editor.context->console.autoScroll());
    editor.context->console.log("more");
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(c.Memo1->toPlainText().endsWith("more"));

    c.CheckBox1->click();
    editor.context->console.logLines({"a", "b", "c"});
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ConsoleTest, RawSendWritesSevenBytes) {
    EditorHarness editor({{"FT1A2B3C", "FT230X Basic UART"}});
    editor.driver.queueReply("255\r\n255\r\n0\r\n1\r\n");
    editor.main().menuConnect->trigger();
    editor.driver.writes.clear();

    TformPrint& c = editor.console();
    c.edtAddress->setText("0010");
    c.edtData->setText("00002000");
    c.btnSend->click();
    EXPECT_EQ(editor.driver.writes, std::vector<QByteArray>{QByteArray::fromHex("01001000002000")});
    EXPECT_EQ(editor.logLines().last(), "01001000002000");

    // A short entry still sends seven bytes; the tail is what the buffer held.
    c.edtAddress->setText("0011");
    c.edtData->setText("");
    c.btnSend->click();
    EXPECT_EQ(editor.driver.writes.back(), QByteArray::fromHex("01001100002000"));
}

} // namespace
