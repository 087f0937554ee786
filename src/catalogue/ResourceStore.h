#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

class Services;
class ConsoleLog;

// The catalogue routines over the built-in product data: the naming rule, and the two lists of
// lines that resources are read into, with the message a missing resource gets.
class ResourceStore {
public:
    ResourceStore(Services& services, ConsoleLog& log);

    // Display name -> base resource name.
    static QString format_resource_name(const QString& displayName);

    // Reads the named text resource into resource_lines (or size_check_lines). A missing
    // resource is reported to the user and leaves the list empty, so that no caller takes the
    // lines of the resource read before it for its own; returns whether it was read.
    bool read_file_from_stream(const QString& name);
    bool read_file_from_stream2(const QString& name);
    // Byte count of an effect's program; 0 when the program cannot be read.
    std::uint16_t get_effect_size(const QString& displayName);
    // The catalogue's line at an index (read into resource_lines); empty when the catalogue
    // cannot be read or has no such line.
    QString catalogueLine(int catalogueIndex);
    // Display name of the effect at a catalogue index; empty when there is no such line.
    QString catalogueName(int catalogueIndex);

    QStringList resource_lines;
    QStringList size_check_lines;

private:
    bool readLines(const QString& name, QStringList& into);

    Services& services_;
    ConsoleLog& log_;
};
