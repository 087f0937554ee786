#include "params/PresetLibrary.h"

#include "ProductData.h"
#include "params/ControlLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {

const QString kExtension = QStringLiteral(".txt");
// The longest file name the file systems the editor meets take, in bytes.
constexpr qsizetype kMaxFileNameBytes = 255;

LibraryEntry readEntry(const QString& path, LibraryCatalogue& catalogue, QString* text) {
    LibraryEntry entry;
    const QFileInfo info(path);
    entry.path = path;
    entry.name = libraryNameOf(info.fileName());
    entry.modified = info.lastModified();
    const FileResult read = readPresetFile(path);
    if (!read.ok) {
        entry.problem = QStringLiteral("It cannot be read: %1.").arg(read.error);
        return entry;
    }
    const CheckedPreset checked = checkPresetFile(read.text);
    if (!checked.ok()) {
        entry.problem = checked.error;
        return entry;
    }
    const PresetFields& fields = *checked.fields;
    entry.effectNumber = fields.effectNumber;
    entry.effectName = catalogue.name(fields.effectNumber);
    entry.effectVersion = fields.effectVersion;
    entry.parameterCount = fields.parameterCount;
    entry.values = fields.values;
    // A preset whose count is not its effect's would be refused by every load: it is none.
    const int count = catalogue.parameterCount(fields.effectNumber);
    if (count >= 0 && static_cast<std::uint32_t>(count) != fields.parameterCount) {
        entry.problem = QStringLiteral("It lists %1 parameters, but %2 has %3.")
                            .arg(fields.parameterCount)
                            .arg(entry.effectName)
                            .arg(count);
        return entry;
    }
    entry.preset = true;
    if (text)
        *text = read.text;
    return entry;
}

QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

} // namespace

QString LibraryEntry::effectText() const {
    return effectName.isEmpty() ? QStringLiteral("unknown effect %1").arg(effectNumber) : effectName;
}

LibraryCatalogue::LibraryCatalogue() {
    if (const std::optional<QByteArray> list = ProductData::raw(QStringLiteral("effect_list")))
        lines_ = ProductData::splitLines(*list);
}

QString LibraryCatalogue::name(std::int32_t number) const {
    // Line 0 is the catalogue's placeholder for no effect.
    if (number <= 0 || number >= lines_.size())
        return {};
    return ProductData::catalogueLineName(lines_.at(number));
}

int LibraryCatalogue::parameterCount(std::int32_t number) {
    if (const auto known = counts_.find(number); known != counts_.end())
        return known->second;
    int count = -1;
    const QString effect = name(number);
    if (!effect.isEmpty())
        if (const std::optional<QByteArray> layout =
                ProductData::raw(ProductData::baseName(effect) + QStringLiteral("_ctrls")))
            count = static_cast<int>(parseLayoutLines(ProductData::splitLines(*layout)).parameters());
    counts_.emplace(number, count);
    return count;
}

QList<LibraryEntry> listPresetLibrary(const QString& folder, LibraryCatalogue& catalogue) {
    const QFileInfoList files = QDir(folder).entryInfoList(
        {QStringLiteral("*") + kExtension}, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot);
    QList<LibraryEntry> entries;
    entries.reserve(files.size());
    for (const QFileInfo& file : files)
        // The pattern takes any letter case; the library's names end in ".txt" exactly.
        if (file.fileName().endsWith(kExtension, Qt::CaseSensitive))
            entries << readEntry(file.filePath(), catalogue, nullptr);
    std::sort(entries.begin(), entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        const int order = a.name.compare(b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return entries;
}

QString libraryNameProblem(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("A preset needs a name.");
    if (name.contains(u'/') || name.contains(QChar(u'\0')))
        return QStringLiteral("A preset's name cannot hold a \"/\": %1.").arg(quoted(name));
    if (name.startsWith(u'.'))
        return QStringLiteral("A preset's name cannot begin with a dot: %1.").arg(quoted(name));
    if (name != name.trimmed())
        return QStringLiteral("A preset's name cannot begin or end with a space: %1.").arg(quoted(name));
    if (libraryFileName(name).toUtf8().size() > kMaxFileNameBytes)
        return QStringLiteral("The name %1 is too long for a file name.").arg(quoted(name));
    return {};
}

QString libraryFileName(const QString& name) {
    return name.endsWith(kExtension, Qt::CaseSensitive) ? name : name + kExtension;
}

QString libraryPath(const QString& folder, const QString& name) {
    return folder + u'/' + libraryFileName(name);
}

QString libraryNameOf(const QString& fileName) {
    return fileName.endsWith(kExtension, Qt::CaseSensitive) ? fileName.chopped(kExtension.size()) : fileName;
}

FileResult saveLibraryPreset(const QString& folder, const QString& name, const QString& text, bool replace) {
    if (const QString problem = libraryNameProblem(name); !problem.isEmpty())
        return {false, {}, problem};
    const QString path = libraryPath(folder, name);
    if (!replace && QFileInfo::exists(path))
        return {
            false, path,
            QStringLiteral("A preset called %1 is in the library already.").arg(quoted(libraryNameOf(name)))};
    const FileResult written = writePresetFile(path, text);
    if (!written.ok)
        return {false, path,
                QStringLiteral("The preset %1 could not be saved: %2.")
                    .arg(quoted(libraryNameOf(name)), written.error)};
    return {true, path, {}};
}

FileResult renameLibraryPreset(const QString& folder, const QString& from, const QString& to) {
    if (const QString problem = libraryNameProblem(to); !problem.isEmpty())
        return {false, {}, problem};
    const QString source = libraryPath(folder, from);
    const QString target = libraryPath(folder, to);
    if (!QFileInfo::exists(source))
        return {false, {}, QStringLiteral("There is no preset called %1 in the library.").arg(quoted(from))};
    if (source == target)
        return {true, target, {}};
    // QFile::rename never replaces, but says only that it failed: name the reason that matters.
    if (QFileInfo::exists(target))
        return {
            false,
            {},
            QStringLiteral("A preset called %1 is in the library already.").arg(quoted(libraryNameOf(to)))};
    QFile file(source);
    if (!file.rename(target))
        return {
            false,
            {},
            QStringLiteral("The preset %1 could not be renamed: %2.").arg(quoted(from), file.errorString())};
    return {true, target, {}};
}

FileResult duplicateLibraryPreset(const QString& folder, const QString& name) {
    const QString source = libraryPath(folder, name);
    if (!QFileInfo::exists(source))
        return {false, {}, QStringLiteral("There is no preset called %1 in the library.").arg(quoted(name))};
    const QString base = libraryNameOf(name) + QStringLiteral(" copy");
    for (int n = 1; n < 1000; ++n) {
        const QString copy = n == 1 ? base : base + QStringLiteral(" %1").arg(n);
        if (!libraryNameProblem(copy).isEmpty())
            break;
        if (QFileInfo::exists(libraryPath(folder, copy)))
            continue;
        QFile file(source);
        if (!file.copy(libraryPath(folder, copy)))
            return {false,
                    {},
                    QStringLiteral("The preset %1 could not be copied: %2.")
                        .arg(quoted(name), file.errorString())};
        return {true, copy, {}};
    }
    return {false, {}, QStringLiteral("No free name was found for a copy of %1.").arg(quoted(name))};
}

FileResult trashLibraryPreset(const QString& folder, const QString& name) {
    const QString path = libraryPath(folder, name);
    if (!QFileInfo::exists(path))
        return {false, {}, QStringLiteral("There is no preset called %1 in the library.").arg(quoted(name))};
    const auto kept = [&](const QString& why) {
        return FileResult{false,
                          {},
                          QStringLiteral("The preset %1 could not be moved to the trash, so it was kept: %2.")
                              .arg(quoted(name), why)};
    };
    // The desktop's trash lives in the data folder; Qt makes the trash inside it but not the folder
    // itself, and without one it puts the file in "files" below the working folder instead.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data))
        return kept(QStringLiteral("there is no data folder to keep a trash in"));
    QFile file(path);
    // Only the trash, never a deletion: a desktop without one keeps the file, and says so.
    if (!file.moveToTrash())
        return kept(file.errorString());
    const QString inTrash = file.fileName();
    if (!QFileInfo(inTrash).isAbsolute()) {
        // Moved somewhere that is no trash: put back where it was.
        QFile::rename(inTrash, path);
        return kept(QStringLiteral("the desktop's trash could not be found"));
    }
    return {true, inTrash, {}};
}

LibraryPreset readLibraryPreset(const QString& folder, const QString& name, LibraryCatalogue& catalogue) {
    LibraryPreset preset;
    if (const QString problem = libraryNameProblem(name); !problem.isEmpty()) {
        preset.entry.name = name;
        preset.entry.problem = problem;
        return preset;
    }
    const QString path = libraryPath(folder, name);
    if (!QFileInfo::exists(path)) {
        preset.entry.name = libraryNameOf(name);
        preset.entry.problem =
            QStringLiteral("There is no preset called %1 in the library.").arg(quoted(name));
        return preset;
    }
    preset.entry = readEntry(path, catalogue, &preset.text);
    return preset;
}
