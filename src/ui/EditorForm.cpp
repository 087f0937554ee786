#include "ui/EditorForm.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace {

// A plain top-level widget reaches the accessibility bus as a filler, so a screen reader would not
// announce the editor's windows as windows. Ours say they are, and are named by their title.
QAccessibleInterface* editorWindowAccessible(const QString&, QObject* object) {
    auto* form = qobject_cast<EditorForm*>(object);
    if (form == nullptr || !form->isWindow())
        return nullptr;
    return new QAccessibleWidget(form, QAccessible::Window);
}

} // namespace

EditorForm::EditorForm(EditorContext& context, const QString& objectName, const QString& caption,
                       QSize clientSize, QPoint position)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ctx(context) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(editorWindowAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setObjectName(objectName);
    setWindowTitle(caption);
    // Single border, not resizable: the controls sit at fixed design positions.
    setFixedSize(clientSize);
    move(position);
}

bool EditorForm::showsAsText(QWidget* widget, const QString& name) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text() == name;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text() == name;
    return false;
}
