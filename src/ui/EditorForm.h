#pragma once

#include "base/Guard.h"
#include "protocol/EditorContext.h"

#include <QWidget>

// What every editor window shares: the context, a fixed design layout, and handlers connected
// through the error guard.
class EditorForm : public QWidget {
    Q_OBJECT
public:
    EditorForm(EditorContext& context, const QString& objectName, const QString& caption, QSize clientSize,
               QPoint position);

protected:
    // Gives a child its design name, accessible name and geometry. A label or button that shows
    // the name as its text keeps no name of its own, so a screen reader follows its text as it
    // changes (the device label, the status line).
    template <typename W>
    W* place(W* widget, const QString& name, const QString& accessibleName, QRect geometry) {
        widget->setObjectName(name);
        if (!showsAsText(widget, accessibleName))
            widget->setAccessibleName(accessibleName);
        if (geometry.width() > 0)
            widget->setGeometry(geometry);
        else
            widget->move(geometry.topLeft());
        return widget;
    }

    static bool showsAsText(QWidget* widget, const QString& name);

    template <typename Sender, typename Signal, typename Handler>
    void on(Sender* sender, Signal signal, Handler handler) {
        connectGuarded(ctx.services, sender, signal, this, handler);
    }

    EditorContext& ctx;
};
