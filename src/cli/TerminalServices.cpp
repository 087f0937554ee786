#include "cli/TerminalServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

TerminalServices::TerminalServices() {
    clock_.start();
}

void TerminalServices::showMessage(const QString&) {}

bool TerminalServices::confirm(const QString&) {
    return true;
}

void TerminalServices::reportError(const QString&) {}

QString TerminalServices::openFileName(const QString&, const QString&, const QString&) {
    return {};
}

QString TerminalServices::saveFileName(const QString&, const QString&, const QString&) {
    return {};
}

void TerminalServices::pause(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void TerminalServices::pauseUnless(int milliseconds, const std::function<bool()>& stop) {
    constexpr int kLookMs = 20;
    while (milliseconds > 0 && !stop()) {
        const int slice = std::min(milliseconds, kLookMs);
        pause(slice);
        milliseconds -= slice;
    }
}

std::int64_t TerminalServices::elapsedMs() {
    return clock_.elapsed();
}

bool TerminalServices::openUrl(const QString&) {
    return false;
}

bool TerminalServices::startElevated(const QString&, const QStringList&) {
    return false;
}

Services::HttpReply TerminalServices::httpGet(const QString&) {
    return {};
}

QString TerminalServices::documentsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString TerminalServices::tempPath() {
    return QDir::tempPath();
}

QString TerminalServices::executablePath() {
    return QCoreApplication::applicationFilePath();
}
