#include "ui/BusyGate.h"

#include "protocol/PedalWorker.h"

#include <QAction>
#include <QWidget>

BusyGate::BusyGate(PedalWorker& worker, QObject* parent) : QObject(parent) {
    busy_ = worker.busy();
    connect(&worker, &PedalWorker::busyChanged, this, [this](bool busy) {
        busy_ = busy;
        for (const QPointer<QObject>& control : controls_)
            if (control)
                show(control);
    });
}

void BusyGate::add(QWidget* control) {
    controls_ << control;
    wish(control, control->isEnabled());
}

void BusyGate::add(QAction* control) {
    controls_ << control;
    wish(control, control->isEnabled());
}

void BusyGate::wish(QObject* control, bool on) {
    wishes_[control] = on;
    show(control);
}

void BusyGate::show(QObject* control) {
    const bool on = !busy_ && wishes_.value(control, false);
    if (auto* widget = qobject_cast<QWidget*>(control))
        widget->setEnabled(on);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setEnabled(on);
}
