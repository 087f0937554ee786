#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <mutex>
#include <thread>
#include <vector>

// Where the log's lines end up: the debug console's log view, or a recorder in tests.
class ConsoleView {
public:
    virtual ~ConsoleView() = default;
    // Appends lines at the end; `scroll` asks for the view to follow them to its last line.
    virtual void appendLines(const QStringList& lines, bool scroll) = 0;
};

// The one log every subsystem writes its progress to. It never fails and never blocks, whether
// or not the console is shown. Lines logged before a view is attached are kept and handed over
// when it attaches, so nothing said during start-up is lost; without a view at all (a program
// that never opens a console) only the last kMaxPendingLines are kept.
//
// The pedal's exchanges run on a thread of their own and log from there: their lines are handed
// to the thread that made the log, in the order they were logged, and reach the view when that
// thread's event loop next runs.
class ConsoleLog {
public:
    static constexpr qsizetype kMaxPendingLines = 100000;

    ConsoleLog();
    ConsoleLog(const ConsoleLog&) = delete;
    ConsoleLog& operator=(const ConsoleLog&) = delete;

    void log(const QString& line) { logLines(QStringList{line}); }
    // Many lines at once (a memory dump): one append, which the view can do in one go.
    void logLines(const QStringList& lines);
    // Appends without the log's scrolling, as a few callers do.
    void logDirect(const QString& line);

    void attach(ConsoleView* view);
    void detach(ConsoleView* view);

    bool autoScroll() const { return autoScroll_; }
    void setAutoScroll(bool on) { autoScroll_ = on; }

    // Hands over now what other threads have logged (the owner's thread only).
    void flushOtherThreads();

private:
    void deliver(const QStringList& lines, bool scroll);
    void deliverHere(const QStringList& lines, bool scroll);

    struct Batch {
        QStringList lines;
        bool scroll;
    };
    const std::thread::id owner_;
    // Lives on the owner's thread: what other threads log is posted to it.
    QObject relay_;
    std::mutex otherThreadsMutex_;
    std::vector<Batch> otherThreads_;
    bool flushPosted_ = false;

    ConsoleView* view_ = nullptr;
    QStringList pending_;
    qsizetype droppedPending_ = 0;
    bool autoScroll_ = true;
};

// Keeps every line in memory; for tests and for anything that wants to read the log back.
class RecordingConsoleView : public ConsoleView {
public:
    void appendLines(const QStringList& lines, bool) override { this->lines += lines; }
    QStringList lines;
};
