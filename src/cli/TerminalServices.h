#pragma once

#include "base/Services.h"

#include <QElapsedTimer>

// The desktop seam for a program in a terminal: there is nobody to click a box. What the core
// would show in one is kept for the command to report in its own words; pauses sleep.
class TerminalServices : public Services {
public:
    TerminalServices();

    void showMessage(const QString& text) override;
    // A command asks nothing it has not been told on its command line.
    bool confirm(const QString& text) override;
    void reportError(const QString& text) override;
    QString openFileName(const QString& caption, const QString& filter, const QString& start) override;
    QString saveFileName(const QString& caption, const QString& filter, const QString& start) override;
    void pause(int milliseconds) override;
    void pauseUnless(int milliseconds, const std::function<bool()>& stop) override;
    std::int64_t elapsedMs() override;
    bool openUrl(const QString& url) override;
    bool startElevated(const QString& program, const QStringList& arguments) override;
    HttpReply httpGet(const QString& url) override;
    QString documentsPath() override;
    QString tempPath() override;
    QString executablePath() override;

private:
    QElapsedTimer clock_;
};
