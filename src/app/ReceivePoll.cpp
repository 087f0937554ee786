#include "app/ReceivePoll.h"

#include "link/FtDriver.h"
#include "protocol/PedalWorker.h"

ReceivePoll::ReceivePoll(QObject* parent) : QObject(parent) {}

ReceivePoll::~ReceivePoll() {
    if (driver_)
        driver_->setReceiveNotifier({});
}

void ReceivePoll::watch(FtDriver& driver) {
    driver_ = &driver;
    driver.setReceiveNotifier([this] { requestWake(); });
}

void ReceivePoll::yieldTo(PedalWorker& worker) {
    worker_ = &worker;
    // What arrived while the worker had the line is picked up once it lets go.
    connect(&worker, &PedalWorker::linkFreed, this, &ReceivePoll::requestWake);
}

void ReceivePoll::requestWake() {
    // Many notifications before the user-interface thread gets round to it make one wake.
    if (!wakePending_.exchange(true))
        QMetaObject::invokeMethod(this, &ReceivePoll::wake, Qt::QueuedConnection);
}

void ReceivePoll::start() {
    active_ = true;
    // Whatever arrived while stopped is picked up at once.
    requestWake();
}

void ReceivePoll::stop() {
    active_ = false;
}

void ReceivePoll::wake() {
    wakePending_ = false;
    if (active_ && (!worker_ || worker_->linkFree()))
        emit timeout();
}
