#include "catalogue/ResourceStore.h"

#include "app/Services.h"
#include "console/ConsoleLog.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>

namespace {

// Stored names are upper case, callers pass any case. The compiled-in set never changes while the
// editor runs, so it is indexed once, on first use.
const QHash<QString, QString>& resourceIndex() {
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> paths;
        QDirIterator it(ResourceStore::resourceFolder(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            paths.insert(it.fileName().toUpper(), it.filePath());
        }
        return paths;
    }();
    return index;
}

QString pathOf(const QString& name) {
    return resourceIndex().value(name.toUpper());
}

} // namespace

ResourceStore::ResourceStore(Services& services, ConsoleLog& log) : services_(services), log_(log) {}

QString ResourceStore::format_resource_name(const QString& displayName) {
    QString name = displayName;
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    name.replace(QLatin1Char('+'), QLatin1String("plus"));
    name.replace(QLatin1Char('X'), QLatin1String("mult"), Qt::CaseSensitive);
    return name;
}

QStringList ResourceStore::splitLines(const QByteArray& text) {
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

bool ResourceStore::readLines(const QString& name, QStringList& into) {
    const QString path = pathOf(name);
    if (path.isEmpty()) {
        services_.showMessage(QStringLiteral("Error loading resource: ") +
                              QStringLiteral("Resource %1 not found").arg(name));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        services_.showMessage(QStringLiteral("Error loading resource: ") + file.errorString());
        return false;
    }
    into = splitLines(file.readAll());
    return true;
}

bool ResourceStore::read_file_from_stream(const QString& name) {
    return readLines(name, resource_lines);
}

bool ResourceStore::read_file_from_stream2(const QString& name) {
    return readLines(name, size_check_lines);
}

std::uint16_t ResourceStore::get_effect_size(const QString& displayName) {
    const QString base = format_resource_name(displayName);
    log_.log(QStringLiteral("resource name: ") + base);
    // A failed read leaves the previous program's lines in the list; its size would be a wrong
    // answer for this effect, so a program that cannot be read counts as empty.
    if (!read_file_from_stream2(base))
        return 0;
    return static_cast<std::uint16_t>(size_check_lines.value(0).size() / 2);
}

QString ResourceStore::catalogueName(int catalogueIndex) {
    // The pedal reports the index, so it may be anything: a line that is not there names no effect.
    if (!read_file_from_stream(QStringLiteral("effect_list")) || catalogueIndex < 0 ||
        catalogueIndex >= resource_lines.size())
        return {};
    const QString& line = resource_lines[catalogueIndex];
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : line.mid(colon + 1);
}

std::optional<QByteArray> ResourceStore::rawResource(const QString& name) {
    const QString path = pathOf(name);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool ResourceStore::contains(const QString& name) {
    return !pathOf(name).isEmpty();
}

std::optional<QByteArray> ResourceStore::effectProgram(int catalogueIndex) {
    const std::optional<QByteArray> list = rawResource(QStringLiteral("effect_list"));
    if (!list || catalogueIndex <= 0)
        return std::nullopt;
    const QStringList lines = splitLines(*list);
    if (catalogueIndex >= lines.size())
        return std::nullopt;
    const QString& line = lines[catalogueIndex];
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const std::optional<QByteArray> text =
        rawResource(format_resource_name(colon < 0 ? line : line.mid(colon + 1)));
    if (!text)
        return std::nullopt;
    const QByteArray hex = text->trimmed();
    const QByteArray program = QByteArray::fromHex(hex);
    if (program.size() * 2 != hex.size())
        return std::nullopt;
    return program;
}
