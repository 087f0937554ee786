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
#include <algorithm>

namespace {
const QString kTitle = QStringLiteral("Tarvo Max Editor");
// More than any page this editor asks for; an answer beyond it is not the one expected.
constexpr qint64 kHttpMaxBodyBytes = 64 * 1024;
} // namespace

QtServices::QtServices(int httpTimeoutMs) : httpTimeoutMs_(httpTimeoutMs) {
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

void QtServices::pauseUnless(int milliseconds, const std::function<bool()>& stop) {
    constexpr int kLookMs = 20;
    while (milliseconds > 0 && !stop()) {
        const int slice = std::min(milliseconds, kLookMs);
        pause(slice);
        milliseconds -= slice;
    }
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
    QNetworkReply* reply = manager.get(request);
    HttpReply result;
    QEventLoop loop;
    // The whole request is bounded, not only the gaps between bytes: a server that trickles its
    // answer must not hold the window either. Nor is an endless answer read to its end.
    bool timedOut = false;
    bool tooLarge = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64) {
        if (received > kHttpMaxBodyBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(httpTimeoutMs_);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.statusText = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    result.ok = reply->error() == QNetworkReply::NoError;
    if (reply->isOpen())
        result.body = QString::fromUtf8(reply->read(kHttpMaxBodyBytes));
    if (timedOut) {
        result.status = 0;
        result.error = QStringLiteral("no answer within %1 seconds").arg(httpTimeoutMs_ / 1000.0);
    } else if (tooLarge) {
        result.ok = false;
        result.error = QStringLiteral("the answer is larger than %1 bytes").arg(kHttpMaxBodyBytes);
    } else {
        result.error = reply->errorString();
    }
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
