#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

// Controls made ahead of need, while the editor is idle, and kept hidden on the widget they will
// be shown on. Under a look's style sheet making a control costs many times what filling it in
// does, so a window that builds its rows afresh each time it is shown takes them from here and
// opens at once. Each control is taken once and never comes back: what a window builds is always
// new, as if made on the spot.
class ControlStock {
public:
    explicit ControlStock(QWidget* parent) : parent_(parent) {}

    // Keeps `count` controls of a kind ready, each made on the parent by `make` (which may fill in
    // what every control of the kind shows, such as a selector's fixed items).
    template <typename W> void keep(const QString& kind, int count, std::function<W*(QWidget*)> make) {
        Kind& k = kinds_[kind];
        k.count = count;
        k.make = [make](QWidget* parent) -> QWidget* { return make(parent); };
    }

    // A control of the kind from the stock, hidden, for the caller to fill in and show; made on
    // the spot when the stock has run out.
    template <typename W> W* take(const QString& kind) {
        Kind& k = kinds_.at(kind);
        while (!k.ready.empty()) {
            QPointer<QWidget> widget = k.ready.back();
            k.ready.pop_back();
            if (widget)
                return static_cast<W*>(widget.data());
        }
        return static_cast<W*>(k.make(parent_));
    }

    // Makes what is missing from each kind's stock, now, styled as the look has them.
    void refill();
    // Whether `widget` is waiting in the stock (it is not one of the window's controls yet).
    bool holds(const QWidget* widget) const;

private:
    struct Kind {
        int count = 0;
        std::function<QWidget*(QWidget*)> make;
        std::vector<QPointer<QWidget>> ready;
    };
    std::map<QString, Kind> kinds_;
    QWidget* parent_;
};
