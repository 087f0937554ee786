#include "app/EditorForm.h"

#include <QAbstractButton>
#include <QLabel>

EditorForm::EditorForm(EditorContext& context, EditorWindows& windows, const QString& objectName,
                       const QString& caption, QSize clientSize, QPoint position)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ctx(context), windows(windows) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setAccessibleName(caption);
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
