// The one way the program writes a file for the user: a regular file is replaced only once the
// new content is all there; anything else the user names is written in place, never replaced.

#include "base/OutputFile.h"
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

bool isFifo(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool isCharacterDevice(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode);
}

// A device node of the test's own, as /dev/full (1, 7) or /dev/null (1, 3) are: making one
// needs root, so elsewhere the test that needs it is skipped. The machine's own nodes are never
// written by a test.
bool makeDevice(const QString& path, unsigned minor) {
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

TEST(OutputFile, ARegularFileIsReplacedWholeOrNotAtAll) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    OutputFile fresh(path);
    ASSERT_TRUE(fresh.write("first")) << fresh.error().toStdString();
    EXPECT_EQ(fileBytes(path), "first");

    const QByteArray big(64 * 1024, 'x');
    {
        const FileSizeLimit nearlyFull(1000);
        OutputFile full(path);
        EXPECT_FALSE(full.write(big));
        EXPECT_FALSE(full.error().isEmpty());
    }
    EXPECT_EQ(fileBytes(path), "first") << "a failed write keeps the old file";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.bin"})
        << "no leftover";

    OutputFile missingFolder(dir.filePath("missing/out.bin"));
    EXPECT_FALSE(missingFolder.open());
    EXPECT_FALSE(missingFolder.error().isEmpty());
}

TEST(OutputFile, AFifoIsWrittenAndStaysAFifo) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray read;
    std::thread reader([&] {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            read.append(buffer, n);
        ::close(fd);
    });
    const QByteArray content(20000, 'y');
    OutputFile out(fifo);
    const bool written = out.write(content);
    // Had the write never opened the FIFO, the reader would wait for ever.
    if (const int unblock = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK); unblock >= 0)
        ::close(unblock);
    reader.join();
    EXPECT_TRUE(written) << out.error().toStdString();
    EXPECT_EQ(read, content);
    EXPECT_TRUE(isFifo(fifo));
    EXPECT_TRUE(OutputFile::writesInPlace(fifo));
}

TEST(OutputFile, ADeviceIsWrittenInPlaceAndAFullOneFails) {
    QTemporaryDir dir;
    const QString full = dir.filePath("full");
    const QString null = dir.filePath("null");
    if (!makeDevice(full, 7) || !makeDevice(null, 3))
        GTEST_SKIP() << "making device nodes needs root";
    OutputFile toFull(full);
    EXPECT_FALSE(toFull.write(QByteArray(16384, 'z')));
    EXPECT_TRUE(toFull.error().contains("space")) << toFull.error().toStdString();
    OutputFile toNull(null);
    EXPECT_TRUE(toNull.write("gone")) << toNull.error().toStdString();
    EXPECT_TRUE(isCharacterDevice(full)) << "never replaced by a file";
    EXPECT_TRUE(isCharacterDevice(null));
}

TEST(OutputFile, DescriptorsAndLinksToThemAreWrittenInPlace) {
    QTemporaryDir dir;
    const QString regular = dir.filePath("plain.txt");
    putBytes(regular, "x");
    const QString linkToRegular = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(regular, linkToRegular));
    const QString linkToStdout = dir.filePath("out");
    ASSERT_TRUE(QFile::link("/dev/stdout", linkToStdout));
    EXPECT_TRUE(OutputFile::writesInPlace("/dev/stdout"));
    EXPECT_TRUE(OutputFile::writesInPlace("/dev/fd/1"));
    EXPECT_TRUE(OutputFile::writesInPlace("/proc/self/fd/1"));
    EXPECT_TRUE(OutputFile::writesInPlace(linkToStdout));
    EXPECT_TRUE(OutputFile::writesInPlace(dir.path())) << "a folder is no file to replace";
    EXPECT_FALSE(OutputFile::writesInPlace(regular));
    EXPECT_FALSE(OutputFile::writesInPlace(dir.filePath("new.txt")));

    // A link to a regular file is followed: the file it names is replaced, the link stays.
    OutputFile throughLink(linkToRegular);
    ASSERT_TRUE(throughLink.write("new")) << throughLink.error().toStdString();
    EXPECT_TRUE(QFileInfo(linkToRegular).isSymLink());
    EXPECT_EQ(fileBytes(regular), "new");
}

} // namespace
