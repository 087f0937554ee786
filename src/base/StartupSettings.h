#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class Services;

// The settings the editor keeps between runs, each a file of its own below the documents folder:
// whether the new-version notice opens by itself, the pedal's preset or bank mode, the look, and
// whether a firmware run reads the flash back. Each file holds one word or number, compared
// exactly.
namespace StartupSettings {

inline const QString kSettingsFolder = QStringLiteral("Merrow");
inline const QString kEditorFolder = QStringLiteral("Tarvo Max");
inline const QString kNoticeFile = QStringLiteral("Merrow/Tarvo Max/ShowMessageVersionAtStartup.txt");
inline const QString kModeFile = QStringLiteral("Merrow/Tarvo Max/Mode.txt");
// The look belongs to every Merrow editor on the machine, so it sits one folder up.
inline const QString kStyleFile = QStringLiteral("Merrow/style.txt");
// Made only when the item is first clicked: without it a run writes as it always has.
inline const QString kVerifyFile = QStringLiteral("Merrow/Tarvo Max/VerifyAfterWriting.txt");

inline QString noticeWord(bool show) {
    return show ? QStringLiteral("YES") : QStringLiteral("NO");
}
inline QString modeWord(bool bankMode) {
    return bankMode ? QStringLiteral("BANK") : QStringLiteral("PRESET");
}

// Creates the folder (relative to the documents folder) unless it exists; the reason when it
// cannot be made, empty otherwise. A documents folder that is not there yet is made with it: on
// Linux it is often missing.
QString ensureFolder(Services& services, const QString& relative);

struct Loaded {
    // Nothing where the file is missing or holds something else: the default stays.
    std::optional<bool> showUpdateMessage;
    std::optional<bool> bankMode;
    std::optional<bool> verifyAfterWriting;
    // A sentence for each file that could not be read or created.
    QStringList problems;
};
// Reads the notice and mode files, creating each with its default word when it is missing, and
// the verify file when it is there.
Loaded load(Services& services);

struct Look {
    int number = 0;
    // Why the file's number was not taken (look 0 then); empty when all went well.
    QString problem;
};
// The saved look: 0 when no style file exists.
Look readLook(Services& services);
// Replaces the style file with the look's number; the reason when it cannot be written.
QString writeLook(Services& services, int look);
// Writes "YES" or "NO" into the notice file, but only when it exists: the file is made at start,
// and one that is gone stays gone. The reason when it cannot be written.
QString writeNotice(Services& services, bool show);
// Writes "YES" or "NO" into the verify file, making it when it is missing. The reason when it
// cannot be written.
QString writeVerify(Services& services, bool verify);

// The name of the built-in style sheet of a look.
inline QString lookSheetName(int look) {
    return QStringLiteral("Style_%1").arg(look);
}

// The name a look's sheet gives itself in its opening comment ("/* Tarvo Max look: Studio Light:
// ... */" names "Studio Light"); empty for a sheet that names no look.
QString lookTitle(const QByteArray& sheet);

} // namespace StartupSettings
