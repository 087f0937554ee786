#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QFileDevice;

// A file the program writes whole for the user: a preset, a memory dump, an effect program, a
// settings file. Whatever happens, a failure is never taken for success and never costs what
// was there before:
// - a path that does not exist yet, or names a regular file, gets the content through a
//   temporary file beside it, which takes the name only once everything is written and
//   flushed; a failed write (a full disk, say) leaves the old file as it was;
// - a path that exists and is anything else (a FIFO, a terminal, a device such as /dev/full,
//   or a descriptor such as /dev/stdout) is written in place and never replaced, as the user
//   who named it means.
class OutputFile {
public:
    explicit OutputFile(QString path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the way in: false, with error(), when the path cannot be written. Opening before the
    // content is ready lets a caller say so before it does any long work.
    bool open();
    // Writes the whole content and finishes the file (open() first if it was not). False, with
    // error(), when any of it did not go.
    bool write(const QByteArray& content);
    const QString& error() const { return error_; }
    const QString& path() const { return path_; }

    // Whether a path is written in place rather than replaced.
    static bool writesInPlace(const QString& path);

private:
    QString path_;
    std::unique_ptr<QFileDevice> file_;
    QString error_;
};
