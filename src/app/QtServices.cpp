#include "app/QtServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {
const QString kTitle = QStringLiteral("Tarvo Max Editor");
constexpr int kHttpTimeoutMs = 10000;
} // namespace

QtServices::QtServices() {
    clock_.start();
}

QWidget* QtServices::dialogParent() const {
    return QApplication::activeWindow();
}

void QtServices::showMessage(const QString& text) {
    QMessageBox::information(dialogParent(), kTitle, text);
}

bool QtServices::confirm(const QString& text) {
    return QMessageBox::question(dialogParent(), kTitle, text, QMessageBox::Yes | QMessageBox::No) !=
           QMessageBox::No;
}

void QtServices::reportError(const QString& text) {
    QMessageBox::critical(dialogParent(), kTitle, text);
}

QString QtServices::openFileName(const QString& caption, const QString& filter, const QString& start) {
    return QFileDialog::getOpenFileName(dialogParent(), caption, start, filter);
}

QString QtServices::saveFileName(const QString& caption, const QString& filter, const QString& start) {
    return QFileDialog::getSaveFileName(dialogParent(), caption, start, filter);
}

void QtServices::pause(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void QtServices::processEvents() {
    QCoreApplication::processEvents();
}

std::int64_t QtServices::elapsedMs() {
    return clock_.elapsed();
}

bool QtServices::openUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

bool QtServices::startElevated(const QString& program, const QStringList& arguments) {
    // Arguments go as a list, never through a shell.
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty())
        return QProcess::startDetached(program, arguments);
    return QProcess::startDetached(pkexec, QStringList{program} + arguments);
}

Services::HttpReply QtServices::httpGet(const QString& url) {
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(kHttpTimeoutMs);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    HttpReply result;
    result.ok = reply->error() == QNetworkReply::NoError;
    result.body = QString::fromUtf8(reply->readAll());
    result.error = reply->errorString();
    reply->deleteLater();
    return result;
}

QString QtServices::documentsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString QtServices::tempPath() {
    return QDir::tempPath();
}

QString QtServices::executablePath() {
    return QCoreApplication::applicationFilePath();
}
