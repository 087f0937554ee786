#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The built-in product data as stored: the effect catalogue, category lists, effect programs,
// control layouts, information pages, the firmware image and the looks. Lookups go by name
// without regard to letter case and never show anything to anyone; the editor's catalogue
// routines add their messages on top, and the virtual pedal reads its programs straight from here.
namespace ProductData {

// Where the compiled-in product data lives among the application's resources.
inline QString folder() {
    return QStringLiteral(":/tarvo");
}

// The raw bytes of a resource; nothing when there is no such resource.
std::optional<QByteArray> raw(const QString& name);
bool contains(const QString& name);

// An effect's display name -> its base resource name: spaces and "-" become "_", "+" becomes
// "plus" and an upper-case X "mult", each over the whole text, in that order.
QString baseName(const QString& displayName);
// Splits a text resource into lines at CR LF, LF or CR; a break at the very end adds no line.
QStringList splitLines(const QByteArray& text);
// The display name on a catalogue line: the text after its first colon, the whole line when it
// has none.
QString catalogueLineName(const QString& line);
// The catalogue index of the effect with that display name; -1 when the catalogue has none.
int catalogueIndexOf(const QString& displayName);
// The program bytes of the effect at a catalogue index; nothing when there is no such effect or
// its program is not hex text.
std::optional<QByteArray> effectProgram(int catalogueIndex);

} // namespace ProductData
