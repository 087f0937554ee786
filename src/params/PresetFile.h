#pragma once

#include "params/EffectControls.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class Services;

// What a preset file keeps of the effect shown: which effect and version it belongs to, the level
// of every parameter in the editor's scale, and the assignment and readback codes.
struct PresetContent {
    std::int32_t effectNumber = 0;
    std::int32_t effectVersion = 0;
    std::vector<std::int32_t> values;        // one per parameter; their count is the file's N
    std::vector<std::int32_t> assignCodes;   // the first N are written; a missing one as 0xFF
    std::vector<std::int32_t> readbackCodes; // all of them are written (R)
};

// The file's text: upper-case hex fields each ended by CR, the last one included. The effect
// number takes at least 4 digits, version and N 2, each value 8 (two's complement when
// negative), each code 2; a number that needs more digits gets them.
QString composePresetText(const PresetContent& content);

// The fields a load takes from a file's text; the rest of the file is not read.
struct PresetFields {
    std::int32_t effectNumber = 0;
    std::int32_t effectVersion = 0;
    std::uint32_t parameterCount = 0;
    std::vector<std::int32_t> values; // parameterCount of them
};

// Reads the fields by character position in a text whose lines end in CR LF (as
// readPresetFile gives it): effect number at 1-4, version at 7-8, N at 11-12, value a at
// 15 + 10a to 22 + 10a (counting from 1). Each field is a big-endian hex number that replaces
// that many low-order bytes of its previous value, two digits per byte, from the first; reading
// stops at the first character that is not a hex digit, and the bytes not reached keep their
// previous value. Values are read for the N that results; slots it adds start at 0.
PresetFields parsePresetFields(const QString& text, PresetFields previous);

// What the editor's scale allows for one parameter: its kind and, for a multi-position switch,
// how many positions it has.
struct ControlScale {
    ControlInfo::Kind kind = ControlInfo::Kind::Pot;
    std::uint32_t positions = 0;
};
std::vector<ControlScale> controlScalesOf(const EffectControls& controls);

// A load that applies nothing unless the whole file fits what the window shows.
struct CheckedPreset {
    std::optional<PresetFields> fields; // when the file fits
    QString error;                      // why it was refused, for the user
    bool ok() const { return fields.has_value(); }
};

// Checks a loaded text against the effect shown and its controls before anything is applied:
// the file must be laid out as the editor writes it, be for the effect shown, list as many
// parameters as it has (16 at most), and hold a complete 8-digit hex level for each. Any level
// is taken, off a control's grid or negative (two's complement) alike: a save writes what the
// pedal read back, and every save must load. The fields are then those parsePresetFields reads.
CheckedPreset checkPresetText(const QString& text, std::int32_t shownEffect,
                              const std::vector<ControlScale>& controls);
CheckedPreset checkPresetText(const QString& text, std::int32_t shownEffect, const EffectControls& controls);
// The checks that need no effect shown: laid out as the editor writes it, at most 16 parameters, and
// a complete level for each it lists. The fields are then those parsePresetFields reads; a refusal
// says why the file is no preset, in a sentence of its own.
CheckedPreset checkPresetFile(const QString& text);

// A file operation's outcome: `text` is what it gives (the file's text, the folder's path) and
// `error` the reason it failed, ready to follow "Error saving file: " or "Error loading file: ".
struct FileResult {
    bool ok = false;
    QString text;
    QString error;
};

// The preset dialogs' folder: Merrow/Tarvo Max/Preset below the documents folder.
QString presetFolderPath(const QString& documentsPath);
// Makes the preset folder, with any missing parents; `text` is its path.
FileResult ensurePresetFolder(Services& services);

// A chosen name keeps its own extension only when it already ends in ".txt" (letter case
// counts, so "x.TXT" becomes "x.TXT.txt").
QString presetPathWithExtension(const QString& chosenName);

// The file's bytes: the text as UTF-8 after a byte-order mark.
QByteArray presetFileBytes(const QString& text);
// Writes the text as UTF-8 with a byte-order mark, as OutputFile writes: an existing regular file
// is replaced only once the new content is completely written, so a failed write leaves it as it
// was; a FIFO, a terminal or a device is written in place.
FileResult writePresetFile(const QString& path, const QString& text);

// A preset is a few hundred bytes; anything much larger is not one, and reading it whole could
// exhaust memory.
inline constexpr qint64 kMaxPresetFileBytes = 64 * 1024;

// Reads a file as UTF-8 (skipping a byte-order mark) and gives its lines, wherever they ended in
// CR, LF or CR LF, each ended by CR LF.
FileResult readPresetFile(const QString& path);
// The same for text already in memory.
QString joinLinesWithCrLf(const QString& text);
