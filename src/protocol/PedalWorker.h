#pragma once

#include "protocol/PedalLine.h"
#include "protocol/RealTimeFunctions.h"

#include <QObject>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

// The one owner of the line to the pedal while an exchange runs. Exchanges (operations) run one
// at a time, in the order started, on a thread of their own, so the fixed pauses and the waits
// for replies never hold up the windows. Every call here is made from the windows' thread; what
// an operation ends with comes back there.
//
// Between operations the windows' receive poll reads what the pedal sends unasked; it asks
// linkFree() first, and wakes again when linkFreed is emitted.
class PedalWorker : public QObject {
    Q_OBJECT
public:
    // What an operation said besides its value: the messages the core would have shown, in
    // order, and the text of an error that cut it short (a reply that does not read).
    struct Said {
        QStringList messages;
        QString error;
    };

    explicit PedalWorker(PedalLine& line, QObject* parent = nullptr);
    ~PedalWorker() override;
    PedalWorker(const PedalWorker&) = delete;
    PedalWorker& operator=(const PedalWorker&) = delete;

    // Runs `work(line)` on the worker's thread after everything started before it, then calls
    // `done(result, said)` on this thread. Controls that would start a conflicting exchange are
    // disabled from now until `done` has returned (busyChanged). `done` is not called when the
    // operation was dropped unstarted by cancelAll(), nor after `receiver` has gone.
    template <typename Work, typename Done> void start(QObject* receiver, Work work, Done done) {
        using Result = std::invoke_result_t<Work&, PedalLine&>;
        static_assert(std::is_default_constructible_v<Result>, "an operation's result has a failed state");
        auto result = std::make_shared<Result>();
        enqueue(
            receiver, true, [work, result](PedalLine& line) mutable { *result = work(line); },
            [done, result](const Said& said) mutable { done(std::move(*result), said); });
    }

    // Messages that need no answer (a parameter, a switch, the live mode): `work` runs in its
    // turn after whatever runs. The windows' controls stay as they are meanwhile.
    void post(std::function<void(PedalLine&)> work);
    // One such message, as hex text.
    void send(const QString& hex, std::uint32_t count, bool purgeFirst);
    void send(const QString& hex, bool purgeFirst = false) {
        send(hex, static_cast<std::uint32_t>(hex.size() / 2), purgeFirst);
    }

    // An operation is queued or running (or its result is being shown).
    bool busy() const { return operations_ > 0; }
    // Nothing at all is queued, running or waiting to be shown: the poll may use the line.
    bool linkFree() const { return jobs_ == 0; }
    // Asks the running operation to stop at its next safe step and drops what waits unstarted.
    void cancelAll();
    // The same, and what the stopped operation would have shown is not shown (its `done` still
    // runs): the reason it stops has been told already, once (the pedal was pulled out).
    void cancelAllQuietly();
    // Asks the running operation to stop at its next safe step.
    void cancel() { line_.requestCancel(); }

signals:
    void busyChanged(bool busy);
    void linkFreed();
    void progress(int value, int maximum);
    // A knob turned on the pedal, taken out of an operation's reply.
    void liveReport(const LiveReport& report);
    // What the pedal said unasked while an operation waited for something else.
    void incoming(const IncomingMessage& message);

private:
    struct Job {
        std::function<void(PedalLine&)> run;
        bool operation;
        std::uint64_t serial;
    };
    void enqueue(QObject* receiver, bool operation, std::function<void(PedalLine&)> run,
                 std::function<void(const Said&)> done);
    void loop();
    void finished(bool operation);

    PedalLine& line_;
    // Windows' thread only.
    int operations_ = 0;
    int jobs_ = 0;
    std::uint64_t nextSerial_ = 0;
    // Operations numbered below this one end without showing what they said.
    std::uint64_t quietBefore_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::uint64_t dropBefore_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};
