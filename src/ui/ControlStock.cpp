#include "ui/ControlStock.h"

void ControlStock::refill() {
    for (auto& [name, kind] : kinds_) {
        (void)name;
        std::erase_if(kind.ready, [](const QPointer<QWidget>& widget) { return widget.isNull(); });
        while (static_cast<int>(kind.ready.size()) < kind.count) {
            QWidget* widget = kind.make(parent_);
            // Hidden explicitly, so showing the window does not show it; polished now, so the
            // look's rules are worked out here rather than when the window opens.
            widget->hide();
            widget->ensurePolished();
            // Its size for what it already shows (a selector measures every item), kept by the
            // control until its texts change.
            (void)widget->sizeHint();
            kind.ready.emplace_back(widget);
        }
    }
}

bool ControlStock::holds(const QWidget* widget) const {
    for (const auto& [name, kind] : kinds_) {
        (void)name;
        for (const QPointer<QWidget>& ready : kind.ready)
            if (ready == widget)
                return true;
    }
    return false;
}
