#include "base/StartupSettings.h"

#include "base/Convert.h"
#include "base/Services.h"
#include "base/SettingsFile.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace StartupSettings {

namespace {

QString cannotRead(const QString& path, const QString& error) {
    return QStringLiteral("Cannot read %1: %2").arg(path, error);
}

QString cannotWrite(const QString& path, const QString& error) {
    return QStringLiteral("Cannot write %1: %2").arg(path, error);
}

// The file's text, creating it with `initial` first when it is missing; nothing when it can be
// neither read nor made, with the reason added to `problems`.
std::optional<QString> readOrCreate(const QString& path, const QString& initial, QStringList& problems) {
    QString error;
    if (!QFileInfo::exists(path)) {
        if (!SettingsFile::write(path, initial, &error)) {
            problems << cannotWrite(path, error);
            return std::nullopt;
        }
    }
    std::optional<QString> text = SettingsFile::read(path, &error);
    if (!text && !error.isEmpty())
        problems << cannotRead(path, error);
    return text;
}

} // namespace

QString ensureFolder(Services& services, const QString& relative) {
    const std::filesystem::path folder = SettingsFile::path(services, relative).toStdString();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return {};
    std::filesystem::create_directories(folder, error);
    if (error)
        return QString::fromStdString(error.message());
    return {};
}

Loaded load(Services& services) {
    Loaded loaded;
    if (const std::optional<QString> notice =
            readOrCreate(SettingsFile::path(services, kNoticeFile), noticeWord(true), loaded.problems)) {
        if (*notice == noticeWord(true))
            loaded.showUpdateMessage = true;
        else if (*notice == noticeWord(false))
            loaded.showUpdateMessage = false;
    }
    if (const std::optional<QString> mode =
            readOrCreate(SettingsFile::path(services, kModeFile), modeWord(false), loaded.problems)) {
        if (*mode == modeWord(false))
            loaded.bankMode = false;
        else if (*mode == modeWord(true))
            loaded.bankMode = true;
    }
    QString error;
    const QString verifyPath = SettingsFile::path(services, kVerifyFile);
    if (const std::optional<QString> verify = SettingsFile::read(verifyPath, &error)) {
        if (*verify == noticeWord(true))
            loaded.verifyAfterWriting = true;
        else if (*verify == noticeWord(false))
            loaded.verifyAfterWriting = false;
    } else if (!error.isEmpty()) {
        loaded.problems << cannotRead(verifyPath, error);
    }
    return loaded;
}

Look readLook(Services& services) {
    const QString path = SettingsFile::path(services, kStyleFile);
    QString error;
    const std::optional<QString> text = SettingsFile::read(path, &error);
    if (!text)
        return {0, error.isEmpty() ? QString() : cannotRead(path, error)};
    try {
        return {strToInt(*text), {}};
    } catch (const ConversionError&) {
        return {0, QStringLiteral("%1 does not hold a look number; look 0 is used").arg(path)};
    }
}

QString writeLook(Services& services, int look) {
    const QString path = SettingsFile::path(services, kStyleFile);
    QString error;
    if (!SettingsFile::write(path, QString::number(look), &error))
        return cannotWrite(path, error);
    return {};
}

QString writeNotice(Services& services, bool show) {
    const QString path = SettingsFile::path(services, kNoticeFile);
    if (!QFileInfo::exists(path))
        return {};
    QString error;
    if (!SettingsFile::write(path, noticeWord(show), &error))
        return cannotWrite(path, error);
    return {};
}

QString lookTitle(const QByteArray& sheet) {
    static const QByteArray opening = "/* Tarvo Max look: ";
    if (!sheet.startsWith(opening))
        return {};
    const qsizetype end = sheet.indexOf(':', opening.size());
    const qsizetype lineEnd = sheet.indexOf('\n');
    if (end < 0 || (lineEnd >= 0 && end > lineEnd))
        return {};
    return QString::fromUtf8(sheet.mid(opening.size(), end - opening.size())).trimmed();
}

QString writeVerify(Services& services, bool verify) {
    const QString path = SettingsFile::path(services, kVerifyFile);
    QString error;
    if (!SettingsFile::write(path, noticeWord(verify), &error))
        return cannotWrite(path, error);
    return {};
}

} // namespace StartupSettings
