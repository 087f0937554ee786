#include "app/ReceivePoll.h"

#include "link/FtDriver.h"

namespace {
// Only a safety net: every driver the editor ships notifies.
constexpr int kFallbackMs = 50;
} // namespace

ReceivePoll::ReceivePoll(QObject* parent) : QObject(parent) {
    fallback_.setInterval(kFallbackMs);
    connect(&fallback_, &QTimer::timeout, this, &ReceivePoll::wake);
}

ReceivePoll::~ReceivePoll() {
    if (driver_)
        driver_->setReceiveNotifier({});
}

void ReceivePoll::watch(FtDriver& driver) {
    driver_ = &driver;
    driver.setReceiveNotifier([this] { requestWake(); });
}

void ReceivePoll::requestWake() {
    // Many notifications before the user-interface thread gets round to it make one wake.
    if (!wakePending_.exchange(true))
        QMetaObject::invokeMethod(this, &ReceivePoll::wake, Qt::QueuedConnection);
}

void ReceivePoll::start() {
    active_ = true;
    fallback_.start();
    // Whatever arrived while stopped is picked up at once.
    requestWake();
}

void ReceivePoll::stop() {
    active_ = false;
    fallback_.stop();
}

void ReceivePoll::wake() {
    wakePending_ = false;
    if (active_)
        emit timeout();
}
