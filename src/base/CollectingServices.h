#pragma once

#include "base/Services.h"

#include <QStringList>
#include <atomic>
#include <thread>
#include <utility>

// Passes everything to the desktop's services, but on the collecting thread keeps what the core
// would show in a message box or in the general error report, in the order it was said. The
// pedal's exchanges run where no box may open (a thread of their own, or a command line that
// tells the user in its own one line); whoever ran the exchange shows or words what was kept
// afterwards. Called from any other thread, it is the desktop's services.
class CollectingServices : public Services {
public:
    explicit CollectingServices(Services& desktop) : desktop_(desktop) {}

    void showMessage(const QString& text) override {
        if (collecting())
            messages << text;
        else
            desktop_.showMessage(text);
    }
    void reportError(const QString& text) override {
        if (collecting())
            messages << text;
        else
            desktop_.reportError(text);
    }
    // An exchange never asks in its middle: the question comes before it starts. Should one ask
    // all the same while collecting, the answer is the safe one.
    bool confirm(const QString& text) override { return collecting() ? false : desktop_.confirm(text); }
    QString openFileName(const QString& c, const QString& f, const QString& s) override {
        return desktop_.openFileName(c, f, s);
    }
    QString saveFileName(const QString& c, const QString& f, const QString& s) override {
        return desktop_.saveFileName(c, f, s);
    }
    void pause(int milliseconds) override { desktop_.pause(milliseconds); }
    void pauseUnless(int milliseconds, const std::function<bool()>& stop) override {
        desktop_.pauseUnless(milliseconds, stop);
    }
    std::int64_t elapsedMs() override { return desktop_.elapsedMs(); }
    bool openUrl(const QString& url) override { return desktop_.openUrl(url); }
    bool startElevated(const QString& p, const QStringList& a) override {
        return desktop_.startElevated(p, a);
    }
    HttpReply httpGet(const QString& url) override { return desktop_.httpGet(url); }
    QString documentsPath() override { return desktop_.documentsPath(); }
    QString tempPath() override { return desktop_.tempPath(); }
    QString executablePath() override { return desktop_.executablePath(); }

    // The thread whose messages are kept; set once, before exchanges run.
    void collectOn(std::thread::id thread) { collectingThread_ = thread; }
    bool collecting() const { return std::this_thread::get_id() == collectingThread_.load(); }
    // What was kept since the last call (the collecting thread only).
    QStringList takeMessages() { return std::exchange(messages, {}); }

    QStringList messages;

private:
    Services& desktop_;
    std::atomic<std::thread::id> collectingThread_{};
};
