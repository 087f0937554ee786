#include "catalogue/ResourceStore.h"

#include "app/Services.h"
#include "console/ConsoleLog.h"

ResourceStore::ResourceStore(Services& services, ConsoleLog& log) : services_(services), log_(log) {}

QString ResourceStore::format_resource_name(const QString& displayName) { return displayName; }

QStringList ResourceStore::splitLines(const QByteArray& text) { return QString::fromLatin1(text).split('\n'); }

bool ResourceStore::read_file_from_stream(const QString&) { return false; }
bool ResourceStore::read_file_from_stream2(const QString&) { return false; }
std::uint16_t ResourceStore::get_effect_size(const QString&) { return 0; }
QString ResourceStore::catalogueName(int) { return {}; }
std::optional<QByteArray> ResourceStore::rawResource(const QString&) const { return std::nullopt; }
