#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

struct EffectControls;
struct StoredEffectReply;

// A whole pedal as the editor can read it, kept in a file (the format is described in
// docs/backup-format.md): the stored effect, the firmware version, everything Request reads, and
// both settings memories for the record.

inline const QString kBackupFormatName = QStringLiteral("tarvo-max-backup");
inline constexpr int kBackupFormatVersion = 1;
// A backup with both memories is under 100 KB; anything far larger is not one.
inline constexpr qint64 kMaxBackupFileBytes = 4 * 1024 * 1024;

struct BackupParameter {
    int index = 0;
    QString caption;
    QString kind; // pot, switch, button or selector
    std::int32_t level = 0;
    std::uint8_t assignment = 0xFF;
    // 1 reversed, 0xFF not; anything else is kept as the pedal held it.
    std::uint8_t reverse = 0xFF;
};

struct BackupReadback {
    QString name;
    std::uint8_t indicator = 0xFF;
};

// What the pedal holds and says: the stored effect's reply and the running effect's state block,
// in the words of its layout.
struct PedalSnapshot {
    std::int32_t effectNumber = 0;
    std::int32_t effectVersion = 0;
    QString effectName;
    std::int32_t firmwareVersion = 0;
    std::vector<BackupParameter> parameters;
    std::uint8_t bypassCode = 0xFF;
    std::uint8_t presetCode = 0xFF;
    std::vector<BackupReadback> readbacks;
    std::uint8_t mode = 0; // 0 preset, 1 bank, anything else as read
    std::uint8_t bankOrPreset = 0;
    std::uint8_t midiChannel = 0;

    bool bankMode() const { return mode == 1; }
};

struct BackupMemory {
    QString address; // "50" or "51"
    QByteArray bytes;
};

struct PedalBackup {
    QDateTime created;
    QString editorVersion;
    PedalSnapshot pedal;
    std::vector<BackupMemory> memories;
};

// The pedal's state in the words of the effect's layout: the stored effect's numbers, and for each
// parameter its level, assignment and reverse flag from the state block.
PedalSnapshot snapshotOf(const StoredEffectReply& stored, const QString& effectName,
                         const EffectControls& controls, const QByteArray& block);

// Every way the pedal differs from the backup, one sentence each, by the names a player knows:
// "Time: 512 in the backup, 0 on the pedal". Empty when they agree. The MIDI channel is compared
// by what it means (0 and 255 are both OMNI).
QStringList snapshotDifferences(const PedalSnapshot& backup, const PedalSnapshot& pedal);

// The backup as the file holds it: indented JSON, in UTF-8.
QByteArray backupJson(const PedalBackup& backup);

// A backup read back, or why it is none; refused whole, never in part.
struct BackupParse {
    std::optional<PedalBackup> backup;
    QString error;
    bool ok() const { return backup.has_value(); }
};
BackupParse parseBackupJson(const QByteArray& bytes);
// Reads and parses the file; the error names what is wrong with it.
BackupParse readBackupFile(const QString& path);
// Writes the file whole or not at all, as every file the editor writes for the user; the error
// says why not.
bool writeBackupFile(const QString& path, const PedalBackup& backup, QString* error);
