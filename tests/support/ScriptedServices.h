#pragma once

#include "base/Services.h"

#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <deque>
#include <functional>

// Services for tests: records every message, answers questions from a script, and turns pauses
// into virtual time so no test ever sleeps or waits on a box.
class ScriptedServices : public Services {
public:
    void showMessage(const QString& text) override {
        messages << text;
        box();
    }
    bool confirm(const QString& text) override {
        questions << text;
        box();
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void reportError(const QString& text) override {
        errors << text;
        box();
    }
    QString openFileName(const QString& caption, const QString& filter, const QString& start) override {
        dialogs << QStringList{caption, filter, start};
        return next(openFiles);
    }
    QString saveFileName(const QString& caption, const QString& filter, const QString& start) override {
        dialogs << QStringList{caption, filter, start};
        return next(saveFiles);
    }

    void pause(int milliseconds) override {
        pauses.push_back(milliseconds);
        now += milliseconds;
        if (onPause)
            onPause(milliseconds);
    }
    std::int64_t elapsedMs() override { return now; }

    bool openUrl(const QString& url) override {
        openedUrls << url;
        return true;
    }
    bool startElevated(const QString& program, const QStringList& arguments) override {
        startedPrograms << (QStringList{program} + arguments);
        return elevatedStarts;
    }
    HttpReply httpGet(const QString& url) override {
        requestedUrls << url;
        return onHttpGet ? onHttpGet(url) : httpReply;
    }
    QString documentsPath() override { return documents; }
    QString tempPath() override { return temp; }
    QString executablePath() override { return executable; }

    QStringList messages;
    QStringList questions;
    QStringList errors;
    std::deque<bool> answers;
    QStringList openFiles;
    QList<QStringList> dialogs; // caption, filter, start of every file dialog opened
    QStringList saveFiles;
    std::vector<int> pauses;
    // Advanced by the pauses the worker thread takes, read by the windows' thread.
    std::atomic<std::int64_t> now{0};
    std::function<void(int)> onPause;
    // Runs while a box is "open": a real box runs the event loop until it is answered.
    std::function<void()> onBox;
    QStringList openedUrls;
    QList<QStringList> startedPrograms;
    bool elevatedStarts = true;
    QStringList requestedUrls;
    // The web site's answer: by default the running version, so a check that fires during a
    // test says nothing.
    HttpReply httpReply{true, 200, QStringLiteral("OK"), QStringLiteral("1.0"), {}};
    std::function<HttpReply(const QString&)> onHttpGet;
    // A documents folder of the test's own, gone with it.
    QTemporaryDir documentsFolder;
    QString documents = documentsFolder.path();
    QString temp = QStringLiteral("/tmp");
    QString executable = QStringLiteral("/usr/bin/tarvo-max-editor");

private:
    static QString next(QStringList& list) { return list.isEmpty() ? QString() : list.takeFirst(); }
    void box() {
        if (onBox)
            onBox();
    }
};
