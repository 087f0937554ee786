#include "ResourceGenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString committedData() {
    return qEnvironmentVariable("TARVO_SOURCE_DIR") + QStringLiteral("/resources/data");
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The committed product data must be exactly what the generator makes: a hand edit of a file in
// resources/ is lost the next time the generator runs, so it is caught here instead.
TEST(ResourceGenerator, ReproducesTheCommittedDataByteForByte) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("TARVO_SOURCE_DIR"));
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString error = tarvo::gen::writeProductData(temp.path());
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    const QStringList generated = QDir(temp.path()).entryList(QDir::Files, QDir::Name);
    const QStringList committed = QDir(committedData()).entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(generated.isEmpty());
    for (const QString& name : committed)
        EXPECT_TRUE(generated.contains(name))
            << "resources/data/" << name.toStdString() << " is not made by the generator";
    for (const QString& name : generated) {
        const QByteArray fresh = contents(temp.filePath(name));
        const QByteArray stored = contents(committedData() + QLatin1Char('/') + name);
        ASSERT_TRUE(fresh == stored) << "resources/data/" << name.toStdString()
                                     << " differs from the generator's output (" << stored.size()
                                     << " bytes stored, " << fresh.size()
                                     << " generated); run tarvo-gen-resources resources/data";
    }
}

TEST(ResourceGenerator, ReportsAFolderItCannotWrite) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // A plain file where the folder should be.
    const QString blocked = temp.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString error = tarvo::gen::writeProductData(blocked + QStringLiteral("/data"));
    EXPECT_TRUE(error.contains(QStringLiteral("blocked"))) << error.toStdString();
    EXPECT_EQ(contents(blocked), QByteArray());
}

} // namespace
