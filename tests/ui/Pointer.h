#pragma once

// A person's pointer for the window tests. Every click goes to the top-level window at a position,
// the way the windowing system delivers a real one, so it lands on whatever lies on top there: a
// label lying over a switch takes the click, as it would from a person's mouse, and the test
// sees it. Menus are opened from the menu bar and their items clicked where they are drawn.

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <stdexcept>
#include <string>
#include <vector>

namespace Pointer {

inline std::string nameOf(const QObject* object) {
    return object->objectName().isEmpty() ? std::string(object->metaObject()->className())
                                          : object->objectName().toStdString();
}

// Brings `widget` into the visible part of any scroll area it lies in, as a person scrolls to it.
inline void scrollIntoView(QWidget* widget) {
    for (QWidget* w = widget->parentWidget(); w && !w->isWindow(); w = w->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(w);
            area && area->widget() && area->widget()->isAncestorOf(widget))
            area->ensureWidgetVisible(widget, 0, 0);
}

// The point of `widget`'s top-level window that lies at `local` in the widget.
inline QPoint inWindow(QWidget* widget, QPoint local) {
    return widget->mapTo(widget->window(), local);
}

// Presses and releases the left button at `local` (widget coordinates) through the top-level
// window. Throws when the widget is not on screen: a person could not click it.
inline void clickAt(QWidget* widget, QPoint local, Qt::KeyboardModifiers modifiers = {}) {
    if (!widget->isVisible())
        throw std::runtime_error(nameOf(widget) + " is not on screen: nobody can click it");
    QWidget* window = widget->window();
    QWindow* handle = window->windowHandle();
    if (!handle)
        throw std::runtime_error(nameOf(window) + " has no window on screen");
    QTest::mouseClick(handle, Qt::LeftButton, modifiers, inWindow(widget, local));
}

// Clicks in the middle of a control.
inline void click(QWidget* control, Qt::KeyboardModifiers modifiers = {}) {
    scrollIntoView(control);
    clickAt(control, control->rect().center(), modifiers);
}

// Clicks the row of a list that holds `row`, scrolled into view first.
inline void clickRow(QListWidget* list, QListWidgetItem* row) {
    scrollIntoView(list);
    list->scrollToItem(row);
    clickAt(list->viewport(), list->visualItemRect(row).center());
}

// Waits a little for a menu that a click has asked for to open.
inline bool opened(QMenu* menu) {
    return menu->isVisible() || QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000);
}

inline void closeMenus() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

// The menu bar or menu that shows `action` in its place. An action also sits in the menu bar's
// own pop-up of menus that do not fit the bar, which has no name and is not where a person
// looks for it.
template <typename T> T* holderOf(QAction* action) {
    for (QObject* object : action->associatedObjects())
        if (auto* holder = qobject_cast<T*>(object); holder && !holder->objectName().isEmpty())
            return holder;
    return nullptr;
}

// Opens the menus leading to `item` from the menu bar and clicks it, as a person does. True when
// the item could be clicked; false when a menu on the way, or the item itself, is disabled (the
// click then does nothing, and the menus are closed again). Throws when a menu is not on its bar
// or an item is not shown: a person could not reach it.
inline bool choose(QAction* item) {
    std::vector<QMenu*> path;
    for (QMenu* menu = holderOf<QMenu>(item); menu; menu = holderOf<QMenu>(menu->menuAction())) {
        path.insert(path.begin(), menu);
        if (holderOf<QMenuBar>(menu->menuAction()))
            break;
    }
    if (path.empty())
        throw std::runtime_error(nameOf(item) + " is in no menu");
    QMenuBar* bar = holderOf<QMenuBar>(path.front()->menuAction());
    if (!bar)
        throw std::runtime_error(nameOf(path.front()) + " is on no menu bar");
    QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
    closeMenus();
    const QRect title = bar->actionGeometry(path.front()->menuAction());
    if (!path.front()->menuAction()->isVisible() || title.isEmpty() || !bar->rect().contains(title))
        throw std::runtime_error(nameOf(path.front()) + " is not on the menu bar");
    if (!path.front()->isEnabled())
        return false;
    clickAt(bar, title.center());
    if (!opened(path.front()))
        throw std::runtime_error(nameOf(path.front()) + " did not open");
    for (std::size_t i = 1; i < path.size(); ++i) {
        QAction* step = path[i]->menuAction();
        if (!step->isVisible())
            throw std::runtime_error(nameOf(path[i]) + " is not shown in its menu");
        if (!step->isEnabled()) {
            closeMenus();
            return false;
        }
        clickAt(path[i - 1], path[i - 1]->actionGeometry(step).center());
        if (!opened(path[i]))
            throw std::runtime_error(nameOf(path[i]) + " did not open");
    }
    if (!item->isVisible())
        throw std::runtime_error(nameOf(item) + " is not shown in its menu");
    const bool enabled = item->isEnabled();
    clickAt(path.back(), path.back()->actionGeometry(item).center());
    closeMenus();
    return enabled;
}

} // namespace Pointer
