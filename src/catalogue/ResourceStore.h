#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class Services;
class ConsoleLog;

// The built-in product data, found by name without regard to letter case, and the two shared
// lists of lines that the catalogue routines read resources into.
class ResourceStore {
public:
    ResourceStore(Services& services, ConsoleLog& log);

    // Display name -> base resource name.
    static QString format_resource_name(const QString& displayName);
    // Splits a text resource into lines at CR LF, LF or CR; a break at the very end adds no line.
    static QStringList splitLines(const QByteArray& text);

    // Reads the named text resource into resource_lines (or size_check_lines). A missing
    // resource is reported to the user and leaves the list as it was; returns whether it was read.
    bool read_file_from_stream(const QString& name);
    bool read_file_from_stream2(const QString& name);
    // Byte count of an effect's program; 0 when the program cannot be read.
    std::uint16_t get_effect_size(const QString& displayName);
    // Display name of the effect at a catalogue index (the text after the first colon); empty
    // when the catalogue cannot be read or has no such line.
    QString catalogueName(int catalogueIndex);

    // The raw bytes of a resource (the firmware image, the looks), without any message.
    static std::optional<QByteArray> rawResource(const QString& name);
    // The program bytes of the effect at a catalogue index, without any message or change to
    // the shared lists; nothing when there is no such effect or its program is not hex text.
    static std::optional<QByteArray> effectProgram(int catalogueIndex);
    // Whether a resource of that name exists, in any letter case.
    static bool contains(const QString& name);

    // Where the compiled-in product data lives among the application's resources.
    static QString resourceFolder() { return QStringLiteral(":/tarvo"); }

    QStringList resource_lines;
    QStringList size_check_lines;

private:
    bool readLines(const QString& name, QStringList& into);

    Services& services_;
    ConsoleLog& log_;
};
