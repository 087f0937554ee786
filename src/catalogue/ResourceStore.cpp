#include "catalogue/ResourceStore.h"

#include "ProductData.h"
#include "base/ConsoleLog.h"
#include "base/Services.h"

#include <QFile>

ResourceStore::ResourceStore(Services& services, ConsoleLog& log) : services_(services), log_(log) {}

QString ResourceStore::format_resource_name(const QString& displayName) {
    return ProductData::baseName(displayName);
}

bool ResourceStore::readLines(const QString& name, QStringList& into) {
    into.clear();
    const std::optional<QByteArray> text = ProductData::raw(name);
    if (!text) {
        services_.showMessage(QStringLiteral("Error loading resource: ") +
                              QStringLiteral("Resource %1 not found").arg(name));
        return false;
    }
    into = ProductData::splitLines(*text);
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
    // A program that cannot be read counts as empty.
    if (!read_file_from_stream2(base))
        return 0;
    return static_cast<std::uint16_t>(size_check_lines.value(0).size() / 2);
}

QString ResourceStore::catalogueLine(int catalogueIndex) {
    // The pedal reports the index, so it may be anything: a line that is not there names no effect.
    if (!read_file_from_stream(QStringLiteral("effect_list")) || catalogueIndex < 0 ||
        catalogueIndex >= resource_lines.size())
        return {};
    return resource_lines[catalogueIndex];
}

QString ResourceStore::catalogueName(int catalogueIndex) {
    return ProductData::catalogueLineName(catalogueLine(catalogueIndex));
}
