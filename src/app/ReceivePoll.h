#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>

class FtDriver;

// The receive poll. It keeps the start/stop contract of a 1 ms timer, but instead of waking a
// thousand times a second it runs when the driver reports received bytes, with a slow timer
// behind that for drivers that cannot tell. Each wake runs the handler once: one read, one
// message.
class ReceivePoll : public QObject {
    Q_OBJECT
public:
    explicit ReceivePoll(QObject* parent = nullptr);
    ~ReceivePoll() override;

    // Subscribes to the driver's receive notifications (callable from any thread).
    void watch(FtDriver& driver);
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
    QTimer fallback_;
    bool active_ = false;
    std::atomic<bool> wakePending_{false};
};
