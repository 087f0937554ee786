// Every window as a person meets it, in every look, on a small screen: ctest runs this program
// twice on a 1024 x 768 offscreen screen, at scale 1 and at QT_SCALE_FACTOR=2. What a person could
// not use is reported window by window:
// - a control whose middle is covered by another (a click there would go to the other);
// - a text wider or taller than the room its control gives it, or a list that cuts rows off;
// - two controls lying over each other;
// - a window not wholly inside the screen's available area, or too narrow for its caption;
// - a menu that is not on the menu bar;
// - a control that looks the same whether or not the keyboard is in it.
// With TARVO_SCREENSHOTS=folder every window checked is also saved there as a picture.

#include "TestEditor.h"
#include "support/Files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Room a window manager's title bar needs beside the caption for its buttons.
constexpr int kTitleBarButtons = 110;

bool isNamed(const QWidget* w) {
    const QString name = w->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// The controls of a window: its named widgets that are not part of another named widget (the
// edit boxes inside the hidden note picker, a list's scroll bars), shown on screen.
QList<QWidget*> controlsOf(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isNamed(w) || !w->isVisible())
            continue;
        bool part = false;
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            part = part || isNamed(p);
        if (!part)
            controls << w;
    }
    return controls;
}

QString describe(const QWidget* w) {
    return w ? (isNamed(w) ? w->objectName() : QString::fromLatin1(w->metaObject()->className()))
             : QStringLiteral("nothing");
}

QString tooBig(const QWidget* control, const QString& text, const QRect& room) {
    const QSize need = control->fontMetrics().size(Qt::TextShowMnemonic, text);
    if (need.width() <= room.width() && need.height() <= room.height())
        return {};
    return QStringLiteral("\"%1\" in %2 needs %3 x %4 and has %5 x %6")
        .arg(QString(text).replace(u'\n', u' '), describe(control))
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

// What is wrong with the room a control gives its text, if anything.
QStringList textProblems(QWidget* control, const QStringList& showsAllRows) {
    QStringList problems;
    const auto add = [&](const QString& p) {
        if (!p.isEmpty())
            problems << p;
    };
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->text().isEmpty())
            return problems;
        if (label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height())
                problems << QStringLiteral("the text of %1 needs %2 high and has %3")
                                .arg(describe(label))
                                .arg(label->heightForWidth(label->width()))
                                .arg(label->height());
            return problems;
        }
        const int m = label->margin();
        add(tooBig(label, label->text(), label->contentsRect().adjusted(m, m, -m, -m)));
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        if (button->text().isEmpty())
            return problems;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        add(tooBig(button, button->text(),
                   button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button)));
    } else if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
        auto* box = static_cast<QAbstractButton*>(control);
        if (box->text().isEmpty())
            return problems;
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const auto element =
            qobject_cast<QCheckBox*>(box) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
        add(tooBig(box, box->text(), box->style()->subElementRect(element, &option, box)));
    } else if (auto* selector = qobject_cast<QComboBox*>(control)) {
        QStyleOptionComboBox option;
        option.initFrom(selector);
        option.editable = selector->isEditable();
        option.frame = selector->hasFrame();
        const QRect room = selector->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                             QStyle::SC_ComboBoxEditField, selector);
        // Any of its items may be the one it shows: the largest must fit.
        QString widest;
        for (int i = 0; i < selector->count(); ++i)
            if (selector->fontMetrics().horizontalAdvance(selector->itemText(i)) >
                selector->fontMetrics().horizontalAdvance(widest))
                widest = selector->itemText(i);
        if (!widest.isEmpty())
            add(tooBig(selector, widest, room));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        const QRect view = list->viewport()->rect();
        const bool scrolls = list->verticalScrollBar()->isVisible();
        if (scrolls && showsAllRows.contains(list->objectName()))
            problems << QStringLiteral("%1 does not show all its rows").arg(describe(list));
        for (int i = 0; i < list->count(); ++i) {
            const QRect row = list->visualItemRect(list->item(i));
            const QString text = list->item(i)->text();
            if (list->fontMetrics().horizontalAdvance(text) > row.width())
                problems << QStringLiteral("\"%1\" is wider than %2").arg(text, describe(list));
            if (!scrolls && !view.contains(row))
                problems << QStringLiteral("\"%1\" is cut off in %2, which offers no scroll bar")
                                .arg(text, describe(list));
        }
    } else if (auto* bar = qobject_cast<QMenuBar*>(control)) {
        for (QAction* menu : bar->actions()) {
            const QRect title = bar->actionGeometry(menu);
            if (menu->isVisible() && (title.isEmpty() || !bar->rect().contains(title)))
                problems << QStringLiteral("the menu %1 is not on the bar")
                                .arg(QString(menu->text()).remove(u'&'));
        }
        for (auto* more : bar->findChildren<QToolButton*>(QStringLiteral("qt_menubar_ext_button")))
            if (more->isVisible())
                problems << QStringLiteral("the menu bar hides menus behind its extension button");
    }
    return problems;
}

// Whether the control is drawn differently with the keyboard in it.
bool focusShows(QWidget* window, QWidget* control) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window, 2000))
        return false;
    control->clearFocus();
    const QImage without = control->grab().toImage();
    control->setFocus(Qt::TabFocusReason);
    if (!control->hasFocus())
        return false;
    const QImage with = control->grab().toImage();
    control->clearFocus();
    return with != without;
}

struct Checked {
    QWidget* window;
    QString what;
    QStringList showsAllRows;
    bool focus = false;
};

QStringList problemsOf(const Checked& c) {
    QStringList problems;
    QWidget* window = c.window;
    const QRect area = window->screen()->availableGeometry();
    if (!area.contains(window->frameGeometry()))
        problems << QStringLiteral(
                        "the window (%1, %2, %3 x %4 with its frame) is not inside the screen's %5 x %6")
                        .arg(window->frameGeometry().x())
                        .arg(window->frameGeometry().y())
                        .arg(window->frameGeometry().width())
                        .arg(window->frameGeometry().height())
                        .arg(area.width())
                        .arg(area.height());
    QFont titleFont = window->font();
    titleFont.setBold(true);
    if (QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()) + kTitleBarButtons > window->width())
        problems << QStringLiteral("the title bar is too narrow for the caption \"%1\"")
                        .arg(window->windowTitle());

    const QList<QWidget*> controls = controlsOf(window);
    for (QWidget* control : controls) {
        Pointer::scrollIntoView(control);
        const QWidget* hit = window->childAt(control->mapTo(window, control->rect().center()));
        if (hit != control && !control->isAncestorOf(hit))
            problems
                << QStringLiteral("the middle of %1 is covered by %2").arg(describe(control), describe(hit));
        problems << textProblems(control, c.showsAllRows);
    }
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
                problems << QStringLiteral("%1 and %2 lie over each other").arg(describe(a), describe(b));
        }
    if (c.focus)
        for (QWidget* control : controls)
            if (control->isEnabled() && (control->focusPolicy() & Qt::TabFocus) &&
                !focusShows(window, control))
                problems
                    << QStringLiteral("%1 does not show when the keyboard is in it").arg(describe(control));
    return problems;
}

void saveScreenshot(const Checked& c, int look) {
    const QString folder = qEnvironmentVariable("TARVO_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const double scale = c.window->devicePixelRatioF();
    const QString name =
        QStringLiteral("%1-look%2-scale%3.png").arg(QString(c.what).replace(u' ', u'-')).arg(look).arg(scale);
    c.window->grab().save(folder + u'/' + name);
}

// The checker runs on the screen a person with a small monitor has.
TEST(LayoutCheck, RunsOnA1024By768Screen) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->geometry().size() * screen->devicePixelRatio(), QSize(1024, 768))
        << "run through ctest, which gives the offscreen platform its 1024 x 768 screen";
}

struct EveryLook : ::testing::TestWithParam<int> {};

TEST_P(EveryLook, EveryWindowHoldsItsControlsWholeOnTheScreen) {
    const int look = GetParam();
    QTemporaryDir documents;
    putBytes(documents.path() + QStringLiteral("/Merrow/style.txt"), QByteArray::number(look));
    // A fresh start in the look, as from its settings file: no look worn before it.
    qApp->setStyleSheet(QString());
    TestEditor editor(WithDocuments{documents.path()});
    editor.settle();

    QStringList problems;
    const auto check = [&](const Checked& c) {
        editor.settle();
        for (const QString& problem : problemsOf(c))
            problems << c.what + QStringLiteral(": ") + problem;
        saveScreenshot(c, look);
    };

    QWidget* main = editor.find("formMain");
    check({main, QStringLiteral("main window"), {QStringLiteral("lstCategory")}, true});

    // Every effect's parameter window, opened from the browser as a person does. Digital Delay has
    // every kind of row (pots, a switch, a button, a selector, a readback); its keyboard focus is
    // looked at too.
    auto* categories = editor.find<QListWidget>("lstCategory");
    auto* effects = editor.find<QListWidget>("lstEffects");
    auto* params = editor.find<TformFXParameters>("formFXParameters");
    for (int c = 0; c < categories->count(); ++c) {
        editor.clickRow("lstCategory", categories->item(c)->text());
        for (int e = 0; e < effects->count(); ++e) {
            if (!(effects->item(e)->flags() & Qt::ItemIsEnabled))
                continue;
            const QString effect = effects->item(e)->text();
            editor.clickRow("lstEffects", effect);
            // As after a Request: the rows can be used.
            params->EnableDisableControls(true);
            check({params,
                   QStringLiteral("parameters of ") + effect,
                   {},
                   effect == QLatin1String("Digital Delay")});
        }
    }
    auto* info = editor.find<TformFXInfo>("formFXInfo");
    info->showPageOfSelectedEffect(params->frameGeometry().topRight() + QPoint(1, 0));
    check({info, QStringLiteral("information page"), {}, true});
    params->close();
    info->close();

    // The console, as its keys open it.
    QTest::keyClick(main->windowHandle(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    check({editor.find("formPrint"), QStringLiteral("console"), {}, true});
    editor.find("formPrint")->close();

    for (const char* name :
         {"formFirmwareUpgrade", "formNewVersionMsg", "formImpulseResponse", "formPresetLibrary"}) {
        QWidget* window = editor.find(name);
        window->show();
        check({window, QString::fromLatin1(name).mid(4), {}, true});
        window->close();
    }
    EXPECT_TRUE(problems.isEmpty()) << "look " << look << ", scale " << main->devicePixelRatioF() << ":\n"
                                    << problems.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Looks, EveryLook, ::testing::Range(0, 8));

// The pictures in docs/, taken with TARVO_SCREENSHOTS=folder (under xvfb-run for a real display):
// the main window in each look with a category open, and the demo's main and parameter windows,
// linked to the virtual pedal and its values read.
TEST(Screenshots, ForTheDocs) {
    const QString folder = qEnvironmentVariable("TARVO_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TARVO_SCREENSHOTS to a folder to take the pictures";
    QDir().mkpath(folder);
    for (int look = 0; look < 8; ++look) {
        QTemporaryDir documents;
        putBytes(documents.path() + QStringLiteral("/Merrow/style.txt"), QByteArray::number(look));
        qApp->setStyleSheet(QString());
        TestEditor editor(WithDocuments{documents.path()});
        editor.clickRow("lstCategory", QStringLiteral("Modulation"));
        editor.settle();
        EXPECT_TRUE(editor.find("formMain")->grab().save(folder + QStringLiteral("/look-%1.png").arg(look)));
    }
    qApp->setStyleSheet(QString());
    TestEditor demo(WithVirtualPedal{0x0B});
    demo.trigger("menuConnect");
    demo.click("btnRequest");
    // Knobs turned on the pedal, one after the other, as a player sets up the delay.
    const std::pair<std::uint8_t, std::uint16_t> knobs[] = {{0, 500}, {1, 380}, {2, 620}, {3, 800}};
    for (const auto& knob : knobs) {
        demo.pedal().sendLiveReport(VirtualPedal::KI, knob.first, knob.second);
        auto* pot = demo.find<QSlider>(QStringLiteral("potBar%1").arg(knob.first));
        EXPECT_TRUE(demo.settleUntil([&] { return pot->value() == knob.second; }));
    }
    EXPECT_TRUE(demo.find("formMain")->grab().save(folder + QStringLiteral("/main-window.png")));
    EXPECT_TRUE(demo.find("formFXParameters")->grab().save(folder + QStringLiteral("/parameters.png")));
}

} // namespace
