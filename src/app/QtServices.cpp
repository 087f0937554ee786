#include "app/QtServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
const QString kTitle = QStringLiteral("Tarvo Max Editor");
// More than any page this editor asks for; an answer beyond it is not the one expected.
constexpr qint64 kHttpMaxBodyBytes = 64 * 1024;

// pkexec's own failures: the user dismissed its question (126), or it was not authorised or
// could not run the program (127). Any other status is the program's, which means it ran.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecFailed = 127;

// Every box shows the text as it is: what comes from outside (a web server's reason, a file's
// name, the pedal's reply) must never be read as markup.
QMessageBox::StandardButton showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, kTitle, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The body as text in the answer's own character set (UTF-8 when it names none, or one unknown).
QString decodedBody(const QByteArray& body, const QString& contentType) {
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*\"?([^\";\\s]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = charset.match(contentType);
    if (match.hasMatch()) {
        QStringDecoder decoder(match.captured(1).toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

// The name the kernel gives a running process: its program's file name, cut to 15 characters.
QByteArray processName(pid_t pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
}
} // namespace

QtServices::QtServices(int httpTimeoutMs, int elevationWaitMs)
    : httpTimeoutMs_(httpTimeoutMs), elevationWaitMs_(elevationWaitMs) {
    clock_.start();
}

QWidget* QtServices::dialogParent() const {
    return QApplication::activeWindow();
}

void QtServices::showMessage(const QString& text) {
    showBox(dialogParent(), QMessageBox::Information, text, QMessageBox::Ok);
}

bool QtServices::confirm(const QString& text) {
    return showBox(dialogParent(), QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) !=
           QMessageBox::No;
}

void QtServices::reportError(const QString& text) {
    showBox(dialogParent(), QMessageBox::Critical, text, QMessageBox::Ok);
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
    // pkexec would ask for a password first and only then find nothing it can run.
    const QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable())
        return false;
    // Arguments go as a list, never through a shell.
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty())
        return QProcess::startDetached(program, arguments);
    return startThroughPkexec(pkexec, program, arguments);
}

bool QtServices::startThroughPkexec(const QString& pkexec, const QString& program,
                                    const QStringList& arguments) {
    QList<QByteArray> words{QFile::encodeName(pkexec), QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    // In a session of its own, so the updater outlives the editor that ends for it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return false;
    // Authorised, pkexec becomes the updater (its process takes the updater's name); refused, it
    // ends with its own status. Whichever comes first decides. (An updater of the same name as
    // pkexec or the editor would be seen only by its end or the time limit.)
    const QByteArray pkexecName = QFile::encodeName(QFileInfo(pkexec).fileName()).left(15);
    const QByteArray ownName = processName(getpid());
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < elevationWaitMs_) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) != kPkexecDismissed &&
                   WEXITSTATUS(status) != kPkexecFailed;
        // Until the kernel has renamed it the new process may still bear the editor's name.
        const QByteArray name = processName(pid);
        if (!name.isEmpty() && name != pkexecName && name != ownName)
            return true;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(20);
    }
    // Still asking after all this time: it is left to ask, and counts as started.
    return true;
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
    const QByteArray body = reply->isOpen() ? reply->read(kHttpMaxBodyBytes) : QByteArray();
    result.body = decodedBody(body, reply->header(QNetworkRequest::ContentTypeHeader).toString());
    // A connection closed before the promised length is a cut answer, not a shorter one. (A
    // compressed answer promises its compressed length, which the body no longer has.)
    const QVariant promised = reply->header(QNetworkRequest::ContentLengthHeader);
    const bool cut = !timedOut && !tooLarge && promised.isValid() &&
                     reply->rawHeader("Content-Encoding").isEmpty() && body.size() < promised.toLongLong();
    if (cut) {
        result.ok = false;
        result.error = QStringLiteral("the answer was cut short (%1 of %2 bytes came)")
                           .arg(body.size())
                           .arg(promised.toLongLong());
    } else if (timedOut) {
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
