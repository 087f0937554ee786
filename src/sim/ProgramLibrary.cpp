#include "sim/ProgramLibrary.h"

#include "catalogue/ResourceStore.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

// Built-in resources are found by name without regard to case, with or without an extension.
QString findResource(const QString& name) {
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> map;
        QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info(path);
            map.insert(info.fileName().toLower(), path);
            map.insert(info.completeBaseName().toLower(), path);
        }
        return map;
    }();
    return index.value(name.toLower());
}

std::optional<QByteArray> readResource(const QString& name) {
    const QString path = findResource(name);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

std::optional<QByteArray> builtInProgram(int effectNumber) {
    const std::optional<QByteArray> list = readResource(QStringLiteral("effect_list"));
    if (!list || effectNumber <= 0)
        return std::nullopt;
    const QStringList lines = ResourceStore::splitLines(*list);
    if (effectNumber >= lines.size())
        return std::nullopt;
    const QString& line = lines[effectNumber];
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? line : line.mid(colon + 1);
    const std::optional<QByteArray> text = readResource(ResourceStore::format_resource_name(name));
    if (!text)
        return std::nullopt;
    const QByteArray hex = text->trimmed();
    const QByteArray program = QByteArray::fromHex(hex);
    if (program.size() * 2 != hex.size())
        return std::nullopt;
    return program;
}
