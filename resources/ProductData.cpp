// The product data itself is compiled in by qt_add_resources (see CMakeLists.txt).
#include "ProductData.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>

namespace ProductData {

namespace {

// Stored names are upper case, callers pass any case. The compiled-in set never changes while the
// program runs, so it is indexed once, on first use.
const QHash<QString, QString>& index() {
    static const QHash<QString, QString> paths = [] {
        QHash<QString, QString> found;
        QDirIterator it(folder(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            found.insert(it.fileName().toUpper(), it.filePath());
        }
        return found;
    }();
    return paths;
}

} // namespace

std::optional<QByteArray> raw(const QString& name) {
    const QString path = index().value(name.toUpper());
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool contains(const QString& name) {
    return index().contains(name.toUpper());
}

QString baseName(const QString& displayName) {
    QString name = displayName;
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    name.replace(QLatin1Char('+'), QLatin1String("plus"));
    name.replace(QLatin1Char('X'), QLatin1String("mult"), Qt::CaseSensitive);
    return name;
}

QStringList splitLines(const QByteArray& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << QString::fromLatin1(text.constData() + start, i - start);
        if (c == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines << QString::fromLatin1(text.constData() + start, size - start);
    return lines;
}

QString catalogueLineName(const QString& line) {
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    return colon < 0 ? line : line.mid(colon + 1);
}

int catalogueIndexOf(const QString& displayName) {
    const std::optional<QByteArray> list = raw(QStringLiteral("effect_list"));
    if (!list || displayName.isEmpty())
        return -1;
    const QStringList lines = splitLines(*list);
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (catalogueLineName(lines[i]) == displayName)
            return static_cast<int>(i);
    return -1;
}

std::optional<QByteArray> effectProgram(int catalogueIndex) {
    const std::optional<QByteArray> list = raw(QStringLiteral("effect_list"));
    if (!list || catalogueIndex <= 0)
        return std::nullopt;
    const QStringList lines = splitLines(*list);
    if (catalogueIndex >= lines.size())
        return std::nullopt;
    const std::optional<QByteArray> text = raw(baseName(catalogueLineName(lines[catalogueIndex])));
    if (!text)
        return std::nullopt;
    const QByteArray hex = text->trimmed();
    const QByteArray program = QByteArray::fromHex(hex);
    if (program.size() * 2 != hex.size())
        return std::nullopt;
    return program;
}

} // namespace ProductData
