#include "base/SettingsFile.h"

#include "base/OutputFile.h"
#include "base/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace SettingsFile {

QString path(Services& services, const QString& relative) {
    return QDir::cleanPath(services.documentsPath() + QLatin1Char('/') + relative);
}

std::optional<QString> read(const QString& path, QString* error) {
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    const auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    if (!text.isEmpty() && text.front() == QChar(0xFEFF))
        text.remove(0, 1);
    return text;
}

bool write(const QString& path, const QString& text, QString* error) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    OutputFile file(path);
    if (!file.write(text.toUtf8())) {
        if (error)
            *error = file.error();
        return false;
    }
    return true;
}

} // namespace SettingsFile
