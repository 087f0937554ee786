#include "catalogue/FXInfo.h"

#include "ProductData.h"
#include "catalogue/ResourceStore.h"

#include <QSaveFile>

namespace {

QString pageResource(const QString& displayName) {
    return ResourceStore::format_resource_name(displayName) + QStringLiteral("_info");
}

} // namespace

InfoPages::InfoPages(const QString& tempFolder)
    : dir_(tempFolder + QStringLiteral("/tarvo-max-info-XXXXXX")) {}

QString InfoPages::folder() const {
    return dir_.isValid() ? dir_.path() : QString();
}

QString InfoPages::pagePath(const QString& displayName) const {
    return folder() + QLatin1Char('/') + displayName + QStringLiteral("-info.html");
}

QString InfoPages::joinedPage(ResourceStore& resources, const QString& displayName) {
    resources.read_file_from_stream(pageResource(displayName));
    return resources.resource_lines.join(QString());
}

bool InfoPages::writePage(const QString& displayName, QString* error) const {
    const std::optional<QByteArray> page = ProductData::raw(pageResource(displayName));
    if (!page)
        return true;
    const auto fail = [error](const QString& why) {
        if (error != nullptr)
            *error = why;
        return false;
    };
    if (!dir_.isValid())
        return fail(QStringLiteral("the folder for information pages could not be made: ") +
                    dir_.errorString());
    // A display name is one file name; one that would climb into other folders gets no page.
    if (displayName.contains(QLatin1Char('/')))
        return fail(QStringLiteral("\"%1\" cannot name a file").arg(displayName));
    QSaveFile file(pagePath(displayName));
    if (!file.open(QIODevice::WriteOnly) || file.write(*page) != page->size() || !file.commit())
        return fail(file.errorString());
    return true;
}
