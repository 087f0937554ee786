#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// The one seam between the editor and the desktop: everything that would block on the user,
// the clock, the network or the operating system goes through here, so tests can script it.
class Services {
public:
    virtual ~Services() = default;

    // A message box with one OK button; returns when it is dismissed.
    virtual void showMessage(const QString& text) = 0;
    // A Yes/No question. Only an explicit No cancels, so anything else counts as Yes.
    virtual bool confirm(const QString& text) = 0;
    // The application's general error report (an error text in a message box).
    virtual void reportError(const QString& text) = 0;

    // Empty when the user cancels. `filter` is in the toolkit's form, "Preset files (*.txt)";
    // `start` is the folder to begin in, or for saving the proposed file.
    virtual QString openFileName(const QString& caption, const QString& filter,
                                 const QString& start = {}) = 0;
    virtual QString saveFileName(const QString& caption, const QString& filter,
                                 const QString& start = {}) = 0;

    // A blocking pause, taken by the pedal's exchanges off the windows' thread; tests turn it
    // into virtual time.
    virtual void pause(int milliseconds) = 0;
    // The same pause, ended early once `stop` says so (looked at every few milliseconds), so a
    // long one can be cancelled. Tests keep it whole.
    virtual void pauseUnless(int milliseconds, const std::function<bool()>& stop) {
        (void)stop;
        pause(milliseconds);
    }
    // A monotonic clock in milliseconds; advances with pause() in tests.
    virtual std::int64_t elapsedMs() = 0;

    virtual bool openUrl(const QString& url) = 0;
    virtual bool startElevated(const QString& program, const QStringList& arguments) = 0;

    struct HttpReply {
        // The transfer finished with a success status.
        bool ok = false;
        // The server's status and its reason; 0 when no answer came (no connection, time-out).
        int status = 0;
        QString statusText;
        QString body;
        // Why the request failed, in the client's words.
        QString error;
    };
    // One GET, waited on for a bounded time.
    virtual HttpReply httpGet(const QString& url) = 0;

    virtual QString documentsPath() = 0;
    virtual QString tempPath() = 0;
    virtual QString executablePath() = 0;
};
