#pragma once

#include "base/Services.h"

#include <QElapsedTimer>

class QWidget;

// The desktop as the product sees it: real message boxes, dialogs, sleeps and the network.
class QtServices : public Services {
public:
    // How long an HTTP request may hold the window, all told.
    static constexpr int kHttpTimeoutMs = 5000;
    // How long starting a program with administrator rights waits for pkexec to fail or to become
    // the program: long enough for a person to answer its password question.
    static constexpr int kElevationWaitMs = 120000;
    explicit QtServices(int httpTimeoutMs = kHttpTimeoutMs, int elevationWaitMs = kElevationWaitMs);

    void showMessage(const QString& text) override;
    bool confirm(const QString& text) override;
    void reportError(const QString& text) override;
    QString openFileName(const QString& caption, const QString& filter, const QString& start) override;
    QString saveFileName(const QString& caption, const QString& filter, const QString& start) override;
    void pause(int milliseconds) override;
    void pauseUnless(int milliseconds, const std::function<bool()>& stop) override;
    std::int64_t elapsedMs() override;
    bool openUrl(const QString& url) override;
    // False when the program is no executable file, or pkexec fails (the user dismissed its
    // question, or it was not authorised or could not run the program).
    bool startElevated(const QString& program, const QStringList& arguments) override;
    HttpReply httpGet(const QString& url) override;
    QString documentsPath() override;
    QString tempPath() override;
    QString executablePath() override;

private:
    QWidget* dialogParent() const;
    bool startThroughPkexec(const QString& pkexec, const QString& program, const QStringList& arguments);
    QElapsedTimer clock_;
    int httpTimeoutMs_;
    int elevationWaitMs_;
};
