#pragma once

#include <QAction>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

class PedalWorker;

// The controls of a window that start an exchange with the pedal. The window's own rules say
// whether each one is enabled; the gate keeps that wish and shows it only while the worker is
// idle. While an exchange runs every gated control is disabled, so no click, key or screen
// reader's action can start a second exchange inside the first; afterwards each shows its wish.
class BusyGate : public QObject {
public:
    BusyGate(PedalWorker& worker, QObject* parent);

    // Gates a control; its current enabled state is its wish.
    void add(QWidget* control);
    void add(QAction* control);
    // The window's rule for a gated control.
    void setEnabled(QWidget* control, bool on) { wish(control, on); }
    void setEnabled(QAction* control, bool on) { wish(control, on); }
    bool wished(const QObject* control) const { return wishes_.value(control, false); }

private:
    void wish(QObject* control, bool on);
    void show(QObject* control);

    QHash<const QObject*, bool> wishes_;
    QList<QPointer<QObject>> controls_;
    bool busy_ = false;
};
