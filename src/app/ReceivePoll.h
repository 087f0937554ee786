#pragma once

#include <QObject>
#include <QPointer>

#include "protocol/PedalWorker.h"
#include <atomic>

class FtDriver;

// The receive poll. It keeps the start/stop contract of a 1 ms timer, but wakes only when the
// driver reports received bytes (every driver the editor ships does), so an idle editor does
// nothing at all. Each wake runs the handler once: one read, one message. It reads only while
// the worker has the line free, and looks again as soon as the worker lets go of it.
class ReceivePoll : public QObject {
    Q_OBJECT
public:
    explicit ReceivePoll(QObject* parent = nullptr);
    ~ReceivePoll() override;

    // Subscribes to the driver's receive notifications (callable from any thread).
    void watch(FtDriver& driver);
    // Leaves the line to the worker while it has anything to do.
    void yieldTo(PedalWorker& worker);
    void start();
    void stop();
    // Runs the handler again soon (if running), for what is left over from the last one.
    void poke() { requestWake(); }
    bool isActive() const { return active_; }

signals:
    void timeout();

private:
    void wake();
    void requestWake();

    FtDriver* driver_ = nullptr;
    QPointer<PedalWorker> worker_;
    bool active_ = false;
    std::atomic<bool> wakePending_{false};
};
