#include "base/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>

namespace {

// /dev/stdout, /dev/fd/N and /proc/self/fd/N name a descriptor the caller handed over, even
// when it leads to a regular file: the shell's redirection is to be written, not replaced.
bool namesDescriptor(const QString& path) {
    QString hop = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int links = 0; links < 16; ++links) {
        if (hop.startsWith(QLatin1String("/proc/")) || hop.startsWith(QLatin1String("/dev/fd/")))
            return true;
        const QFileInfo info(hop);
        if (!info.isSymLink())
            return false;
        hop = QDir::cleanPath(info.symLinkTarget());
    }
    return false;
}

bool isRegularFile(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

OutputFile::OutputFile(QString path) : path_(std::move(path)) {}

OutputFile::~OutputFile() = default;

bool OutputFile::writesInPlace(const QString& path) {
    return namesDescriptor(path) || (QFileInfo::exists(path) && !isRegularFile(path));
}

bool OutputFile::open() {
    if (file_)
        return true;
    if (writesInPlace(path_)) {
        auto file = std::make_unique<QFile>(path_);
        // A descriptor that leads to a regular file is appended to, so what a shell opened
        // with >> keeps what it held; a FIFO, a terminal or a device has no end to seek to.
        const QIODevice::OpenMode mode =
            isRegularFile(path_) ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly;
        if (!file->open(mode)) {
            error_ = file->errorString();
            return false;
        }
        file_ = std::move(file);
        return true;
    }
    auto file = std::make_unique<QSaveFile>(path_);
    if (!file->open(QIODevice::WriteOnly)) {
        error_ = file->errorString();
        return false;
    }
    file_ = std::move(file);
    return true;
}

bool OutputFile::write(const QByteArray& content) {
    if (!open())
        return false;
    auto* saveFile = qobject_cast<QSaveFile*>(file_.get());
    // A write that lands in the buffer succeeds whatever the disk holds; only the flush tells
    // (and QSaveFile's commit does not check its own), so both are checked here.
    if (file_->write(content) != content.size() || !file_->flush()) {
        error_ = file_->errorString();
        if (error_.isEmpty())
            error_ = QStringLiteral("not all of it could be written; the disk may be full");
        if (saveFile)
            saveFile->cancelWriting();
        file_.reset();
        return false;
    }
    const bool done =
        saveFile ? saveFile->commit() : (file_->close(), file_->error() == QFileDevice::NoError);
    if (!done)
        error_ = file_->errorString();
    file_.reset();
    return done;
}
