#include "base/ConsoleLog.h"

#include <QMetaObject>
#include <utility>

ConsoleLog::ConsoleLog() : owner_(std::this_thread::get_id()) {}

void ConsoleLog::logLines(const QStringList& lines) {
    deliver(lines, autoScroll_);
}

void ConsoleLog::logDirect(const QString& line) {
    deliver(QStringList{line}, false);
}

void ConsoleLog::deliver(const QStringList& lines, bool scroll) {
    if (std::this_thread::get_id() != owner_) {
        std::lock_guard lock(otherThreadsMutex_);
        otherThreads_.push_back({lines, scroll});
        if (!std::exchange(flushPosted_, true))
            QMetaObject::invokeMethod(
                &relay_, [this] { flushOtherThreads(); }, Qt::QueuedConnection);
        return;
    }
    // What another thread said earlier comes first.
    flushOtherThreads();
    deliverHere(lines, scroll);
}

void ConsoleLog::flushOtherThreads() {
    std::vector<Batch> batches;
    {
        std::lock_guard lock(otherThreadsMutex_);
        batches.swap(otherThreads_);
        flushPosted_ = false;
    }
    for (const Batch& batch : batches)
        deliverHere(batch.lines, batch.scroll);
}

void ConsoleLog::deliverHere(const QStringList& lines, bool scroll) {
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
    flushOtherThreads();
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
