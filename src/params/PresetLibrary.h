#pragma once

#include "params/PresetFile.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <map>

// The preset library: every preset file of the preset folder, listed with what it holds, and the
// few things a player does to them by name. A NAME is a file of the folder with ".txt" added.

// One file of the preset folder as the library lists it.
struct LibraryEntry {
    QString name; // the file's name without ".txt"
    QString path;
    QDateTime modified;
    // A file that is not a preset is listed all the same, with the reason, and never loaded.
    bool preset = false;
    QString problem;
    std::int32_t effectNumber = 0;
    QString effectName; // the catalogue's display name; empty when it has no such effect
    std::int32_t effectVersion = 0;
    std::uint32_t parameterCount = 0;
    std::vector<std::int32_t> values;

    // The effect as the library shows it: its name, or "unknown effect N".
    QString effectText() const;
};

// The catalogue as the library needs it: each effect's name and parameter count, read from the
// built-in data once per listing, however many presets there are. Nothing is shown or logged.
class LibraryCatalogue {
public:
    LibraryCatalogue();
    // Empty when the catalogue has no effect of that number.
    QString name(std::int32_t number) const;
    // -1 when the effect or its layout is unknown.
    int parameterCount(std::int32_t number);

private:
    QStringList lines_;
    std::map<std::int32_t, int> counts_;
};

// Every ".txt" file of the folder, by name without regard to letter case. A folder that cannot be
// read lists nothing.
QList<LibraryEntry> listPresetLibrary(const QString& folder, LibraryCatalogue& catalogue);

// Why a name cannot be a preset of the library (empty when it can): it must be a plain file name,
// neither empty nor hidden, without a path separator, and short enough for the file system.
QString libraryNameProblem(const QString& name);
// The file a name stands for: the name with ".txt" added, unless it ends in ".txt" already.
QString libraryFileName(const QString& name);
QString libraryPath(const QString& folder, const QString& name);
// A file's name in the library: without its ".txt".
QString libraryNameOf(const QString& fileName);

// Each says why it failed in a sentence that names the preset; nothing is replaced or lost.
// Writes a new preset; one already of that name is replaced only when `replace` says so.
FileResult saveLibraryPreset(const QString& folder, const QString& name, const QString& text, bool replace);
FileResult renameLibraryPreset(const QString& folder, const QString& from, const QString& to);
// A copy under the first free name of "NAME copy", "NAME copy 2", ...; `text` is that name.
FileResult duplicateLibraryPreset(const QString& folder, const QString& name);
// Moves the preset to the desktop's trash, from where it can be taken back.
FileResult trashLibraryPreset(const QString& folder, const QString& name);
// Reads a preset of the library by name for a load: its fields, or why it cannot be loaded.
struct LibraryPreset {
    LibraryEntry entry;
    QString text; // the file's text, lines ended by CR LF
    bool ok() const { return entry.preset; }
};
LibraryPreset readLibraryPreset(const QString& folder, const QString& name, LibraryCatalogue& catalogue);
