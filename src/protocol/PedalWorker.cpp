#include "protocol/PedalWorker.h"

#include "base/Convert.h"
#include "base/Guard.h"

#include <QMetaObject>
#include <QPointer>
#include <exception>

PedalWorker::PedalWorker(PedalLine& line, QObject* parent) : QObject(parent), line_(line) {
    qRegisterMetaType<LiveReport>("LiveReport");
    qRegisterMetaType<IncomingMessage>("IncomingMessage");
    // These are called on the worker's thread; the signals cross to the windows' thread queued.
    line_.comm.onLiveReport = [this](const LiveReport& report) { emit liveReport(report); };
    line_.onIncoming = [this](const IncomingMessage& message) { emit incoming(message); };
    line_.onProgress = [this](int value, int maximum) { emit progress(value, maximum); };
    thread_ = std::thread([this] { loop(); });
    line_.services.collectOn(thread_.get_id());
}

PedalWorker::~PedalWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    line_.requestCancel();
    wake_.notify_all();
    thread_.join();
    line_.comm.onLiveReport = {};
    line_.onIncoming = {};
    line_.onProgress = {};
}

void PedalWorker::post(std::function<void(PedalLine&)> work) {
    enqueue(this, false, std::move(work), {});
}

void PedalWorker::send(const QString& hex, std::uint32_t count, bool purgeFirst) {
    post([hex, count, purgeFirst](PedalLine& line) { line.comm.SendHexMessage(hex, count, purgeFirst); });
}

void PedalWorker::cancelAll() {
    {
        std::lock_guard lock(mutex_);
        dropBefore_ = nextSerial_;
    }
    line_.requestCancel();
}

void PedalWorker::cancelAllQuietly() {
    quietBefore_ = nextSerial_;
    cancelAll();
}

void PedalWorker::enqueue(QObject* receiver, bool operation, std::function<void(PedalLine&)> run,
                          std::function<void(const Said&)> done) {
    ++jobs_;
    if (operation && operations_++ == 0)
        emit busyChanged(true);
    QPointer<QObject> alive(receiver);
    const std::uint64_t serial = nextSerial_;
    const auto finish = [this, alive, operation, serial, done = std::move(done)](const Said& said) {
        if (alive) {
            // What the exchange would have shown comes first, then what its window makes of it.
            const bool quiet = serial < quietBefore_;
            for (const QString& message : said.messages)
                if (!quiet)
                    line_.services.showMessage(message);
            if (!said.error.isEmpty() && !quiet)
                line_.services.reportError(said.error);
            if (done)
                runGuarded(line_.services, [&] { done(said); });
        }
        finished(operation);
    };
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({[this, run = std::move(run), finish](PedalLine& line) {
                              Said said;
                              try {
                                  run(line);
                              } catch (const ConversionError& error) {
                                  said.error = error.text();
                              } catch (const std::exception& error) {
                                  said.error = QString::fromLocal8Bit(error.what());
                              }
                              said.messages = line.services.takeMessages();
                              QMetaObject::invokeMethod(
                                  this, [finish, said] { finish(said); }, Qt::QueuedConnection);
                          },
                          operation, nextSerial_++});
    }
    wake_.notify_one();
}

void PedalWorker::loop() {
    for (;;) {
        Job job;
        bool drop = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
            drop = job.serial < dropBefore_;
        }
        line_.beginExchange();
        if (drop) {
            // Dropped unstarted: nothing is sent, but the windows still hear that it is over.
            QMetaObject::invokeMethod(
                this, [this, op = job.operation] { finished(op); }, Qt::QueuedConnection);
            continue;
        }
        job.run(line_);
    }
}

void PedalWorker::finished(bool operation) {
    if (operation && --operations_ == 0)
        emit busyChanged(false);
    if (--jobs_ == 0)
        emit linkFreed();
}
