#include "base/ConsoleLog.h"

void ConsoleLog::logLines(const QStringList& lines) {
    deliver(lines, autoScroll_);
}

void ConsoleLog::logDirect(const QString& line) {
    deliver(QStringList{line}, false);
}

void ConsoleLog::deliver(const QStringList& lines, bool scroll) {
    if (view_) {
        view_->appendLines(lines, scroll);
        return;
    }
    pending_ += lines;
    if (pending_.size() > kMaxPendingLines) {
        const qsizetype excess = pending_.size() - kMaxPendingLines;
        pending_.remove(0, excess);
        droppedPending_ += excess;
    }
}

void ConsoleLog::attach(ConsoleView* view) {
    view_ = view;
    if (view_ && droppedPending_ > 0)
        pending_.prepend(
            QStringLiteral("(%1 earlier lines were dropped before the console opened)").arg(droppedPending_));
    if (view_ && !pending_.isEmpty()) {
        view_->appendLines(pending_, autoScroll_);
        pending_.clear();
        droppedPending_ = 0;
    }
}

void ConsoleLog::detach(ConsoleView* view) {
    if (view_ == view)
        view_ = nullptr;
}
