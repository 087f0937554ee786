#pragma once

#include <QString>
#include <optional>

class Services;

// The editor's small settings files below the user's documents folder: one word or number each,
// UTF-8 without a byte-order mark and without a line end, compared exactly.
namespace SettingsFile {

// The path of a settings file or folder below the documents folder, with "/" separators, as in
// "Merrow/Tarvo Max/Mode.txt".
QString path(Services& services, const QString& relative);

// The whole text of the file (a byte-order mark, if any, selects the encoding; otherwise UTF-8);
// nothing when it does not exist or cannot be read, with the reason in `error` for the latter.
std::optional<QString> read(const QString& path, QString* error = nullptr);

// Replaces the file's whole content with `text`, creating its folders when they are missing. The
// old content stays until the new one is completely written. False, with the reason in `error`,
// when it cannot be written.
bool write(const QString& path, const QString& text, QString* error = nullptr);

} // namespace SettingsFile
