#include "console/ConsoleLog.h"

void ConsoleLog::logLines(const QStringList& lines) {
    deliver(lines, autoScroll_);
}

void ConsoleLog::logDirect(const QString& line) {
    deliver(QStringList{line}, false);
}

void ConsoleLog::deliver(const QStringList& lines, bool scroll) {
    if (view_)
        view_->appendLines(lines, scroll);
    else
        pending_ += lines;
}

void ConsoleLog::attach(ConsoleView* view) {
    view_ = view;
    if (view_ && !pending_.isEmpty()) {
        view_->appendLines(pending_, autoScroll_);
        pending_.clear();
    }
}

void ConsoleLog::detach(ConsoleView* view) {
    if (view_ == view)
        view_ = nullptr;
}
