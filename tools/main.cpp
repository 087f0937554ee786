#include "ResourceGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>

// Refreshes the committed product data: tarvo-gen-resources resources/data
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: tarvo-gen-resources <output folder>\n");
        return 2;
    }
    const QString folder = args[1];
    const QString error = tarvo::gen::writeProductData(folder);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    // Files that the generator no longer makes would still be compiled in; name them so they can
    // be removed by hand rather than deleting anything here.
    const auto files = tarvo::gen::productData();
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        if (!files.count(name))
            std::fprintf(stderr, "warning: %s is not made by the generator\n", qPrintable(name));
    }
    std::printf("wrote %zu files to %s\n", files.size(), qPrintable(folder));
    return 0;
}
