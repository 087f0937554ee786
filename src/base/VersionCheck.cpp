#include "base/VersionCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace VersionCheck {

QString webHost() {
    QString host = qEnvironmentVariable("TARVO_MAX_WEB_HOST").trimmed();
    if (host.isEmpty())
        host = kDefaultWebHost;
    while (host.endsWith(u'/'))
        host.chop(1);
    return host;
}

QString webAddress(const QString& path) {
    return webHost() + path;
}

std::optional<qint64> versionNumber(const QString& text) {
    if (text.size() > kMaxVersionLength)
        return std::nullopt;
    QString digits = text;
    digits.remove(u'.');
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

WebVersion readVersionReply(const Services::HttpReply& reply) {
    if (reply.status == 0) {
        const QString why = reply.error.isEmpty() ? QStringLiteral("no answer") : reply.error;
        return {{}, QStringLiteral("Cannot check for a new version: ") + why, true};
    }
    if (reply.status != 200) {
        // HTTP/2 answers carry no reason phrase; the number still says what happened.
        const QString status = reply.statusText.isEmpty() ? QString::number(reply.status) : reply.statusText;
        return {{}, QStringLiteral("Error: ") + status, false};
    }
    // A 200 whose transfer failed (cut short, say) is no answer to read a version from.
    if (!reply.ok) {
        const QString why =
            reply.error.isEmpty() ? QStringLiteral("the answer did not come whole") : reply.error;
        return {{}, QStringLiteral("Cannot check for a new version: ") + why, true};
    }
    // A web server may well end its answer with a line break; the version is still the version.
    const QString version = reply.body.trimmed();
    if (!versionNumber(version))
        return {{},
                QStringLiteral("The web site's answer is not a version number; no new version is known"),
                false};
    return {version, {}, false};
}

std::optional<bool> isNewer(const QString& webVersion, const QString& appVersion) {
    const std::optional<qint64> web = versionNumber(webVersion);
    const std::optional<qint64> app = versionNumber(appVersion);
    if (!web || !app)
        return std::nullopt;
    return *web > *app;
}

UpdaterLaunch updaterLaunch(const QString& executablePath, const QString& tempPath) {
    const QString editor = QFileInfo(executablePath).absoluteFilePath();
    const QString updater = QDir(QFileInfo(editor).absolutePath()).filePath(kUpdaterProgram);
    const QString download = QDir(tempPath).filePath(kUpdateDownload);
    // Two arguments, download target first. On a command line each would be quoted to keep a path
    // with blanks whole; passed as a list they already are, and quotes would reach the updater as
    // part of the path.
    return {updater, {download, editor}};
}

} // namespace VersionCheck
