#include "params/PresetFile.h"

#include "base/Convert.h"
#include "base/OutputFile.h"
#include "base/Services.h"
#include "params/ParameterMessages.h"
#include "protocol/EditorState.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>

namespace {

// Where the fields a load reads begin, counting from 0 in a text whose lines end in CR LF.
constexpr qsizetype kEffectAt = 0;
constexpr qsizetype kVersionAt = 6;
constexpr qsizetype kCountAt = 10;
constexpr qsizetype kFirstValueAt = 14;
constexpr qsizetype kValuePitch = 10;
constexpr int kValueDigits = 8;
// The file's lines, counting from 1: the first value is on line 4.
constexpr int kFirstValueLine = 4;

const QByteArray kByteOrderMark("\xEF\xBB\xBF");
const QString kCrLf = QStringLiteral("\r\n");
const QString kNothingLoaded = QStringLiteral("Nothing was loaded; choose a preset saved for this effect.");

qsizetype valueAt(std::uint32_t a) {
    return kFirstValueAt + kValuePitch * static_cast<qsizetype>(a);
}

QString field(std::int32_t value, int digits) {
    return intToHex(static_cast<std::uint32_t>(value), digits) + u'\r';
}

// Lower-case digits are hex digits too: a file edited by hand may hold them.
int hexDigitAt(const QString& text, qsizetype i) {
    if (i >= text.size())
        return -1;
    const char16_t c = text.at(i).unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// Two digits make a byte, most significant first. A pair that is not two hex digits ends the
// field, so the bytes from there on keep what the target held.
std::uint32_t readHexField(const QString& text, qsizetype start, int bytes, std::uint32_t previous) {
    for (int k = 0; k < bytes; ++k) {
        const int high = hexDigitAt(text, start + 2 * k);
        const int low = hexDigitAt(text, start + 2 * k + 1);
        if (high < 0 || low < 0)
            break;
        const int shift = 8 * (bytes - 1 - k);
        previous = (previous & ~(0xFFu << shift)) | (static_cast<std::uint32_t>(high * 16 + low) << shift);
    }
    return previous;
}

bool isHexRun(const QString& text, qsizetype start, int digits) {
    for (int i = 0; i < digits; ++i)
        if (hexDigitAt(text, start + i) < 0)
            return false;
    return true;
}

bool endsLineAt(const QString& text, qsizetype i) {
    return QStringView(text).mid(i, 2) == kCrLf;
}

// A field as the editor writes it: its digits exactly, then the line's end.
bool isCompleteField(const QString& text, qsizetype start, int digits) {
    return isHexRun(text, start, digits) && endsLineAt(text, start + digits);
}

bool hasPresetHeader(const QString& text) {
    return isCompleteField(text, kEffectAt, 4) && isCompleteField(text, kVersionAt, 2) &&
           isCompleteField(text, kCountAt, 2);
}

// A field cut short by the end of the text or of its line is a truncated file; anything else in
// it, or after it before the line's end, is not a level at all.
bool isCutShort(const QString& text, qsizetype start, int digits) {
    for (qsizetype i = start; i < start + digits; ++i)
        if (i >= text.size() || text.at(i) == u'\r' || text.at(i) == u'\n')
            return true;
    return false;
}

QString lineFrom(const QString& text, qsizetype start) {
    qsizetype end = start;
    while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
        ++end;
    const QString line = text.mid(start, end - start);
    return line.size() > 20 ? line.left(20) + QStringLiteral("...") : line;
}

QString valueProblem(const QString& text, std::uint32_t a, std::size_t count) {
    const qsizetype start = valueAt(a);
    const int line = kFirstValueLine + static_cast<int>(a);
    const QString parameter = QStringLiteral("parameter %1 of %2").arg(a + 1).arg(count);
    if (isCutShort(text, start, kValueDigits))
        return QStringLiteral("The preset file ends early: line %1, the level of %2, is missing or shorter "
                              "than %3 digits.")
            .arg(line)
            .arg(parameter)
            .arg(kValueDigits);
    if (!isCompleteField(text, start, kValueDigits))
        return QStringLiteral("Line %1 of the preset file should hold the level of %2 as %3 hexadecimal "
                              "digits, but it holds \"%4\".")
            .arg(line)
            .arg(parameter)
            .arg(kValueDigits)
            .arg(lineFrom(text, start));
    // Any level is one: a save writes what the pedal read back, which a knob on the pedal may
    // have put off a control's grid (a selector at 500) or below 0, and the window places each as
    // it places a level read from the pedal.
    return {};
}

CheckedPreset refuse(const QString& message) {
    return {std::nullopt, message};
}

// A load that refuses says what the player can do about it.
CheckedPreset refuseLoad(const QString& reason) {
    return refuse(reason + u' ' + kNothingLoaded);
}

// What kind of file, and how many parameters it lists; empty when it is laid out as a preset.
QString layoutProblem(const QString& text) {
    if (!hasPresetHeader(text))
        return QStringLiteral("This file is not a preset saved by the editor: it must begin with the "
                              "effect number, its version and the number of parameters, in hexadecimal, "
                              "one to a line.");
    const std::uint32_t count = readHexField(text, kCountAt, 1, 0);
    if (count > static_cast<std::uint32_t>(kMaxParameters))
        return QStringLiteral("The preset file lists %1 parameters, but an effect has at most %2.")
            .arg(count)
            .arg(kMaxParameters);
    return {};
}

// The whole-file checks, before any level is looked at: what kind of file, which effect, how many
// parameters. Empty when the file may be for the effect shown.
QString headerProblem(const QString& text, std::int32_t shownEffect, std::size_t shownCount) {
    if (QString problem = layoutProblem(text); !problem.isEmpty())
        return problem;
    const std::uint32_t count = readHexField(text, kCountAt, 1, 0);
    const auto effect = static_cast<std::int32_t>(readHexField(text, kEffectAt, 2, 0));
    if (effect != shownEffect)
        return QStringLiteral("This preset was saved for effect number %1, but the effect shown is number "
                              "%2.")
            .arg(effect)
            .arg(shownEffect);
    if (count != shownCount)
        return QStringLiteral("The preset file lists %1 parameters, but the effect shown has %2.")
            .arg(count)
            .arg(shownCount);
    return {};
}

} // namespace

QString composePresetText(const PresetContent& content) {
    QString text = field(content.effectNumber, 4) + field(content.effectVersion, 2) +
                   field(static_cast<std::int32_t>(content.values.size()), 2);
    for (const std::int32_t value : content.values)
        text += field(value, kValueDigits);
    for (std::size_t i = 0; i < content.values.size(); ++i)
        text += field(i < content.assignCodes.size() ? content.assignCodes.at(i) : kNoAssignment, 2);
    for (const std::int32_t code : content.readbackCodes)
        text += field(code, 2);
    return text;
}

PresetFields parsePresetFields(const QString& text, PresetFields previous) {
    PresetFields fields = std::move(previous);
    fields.effectNumber = static_cast<std::int32_t>(
        readHexField(text, kEffectAt, 2, static_cast<std::uint32_t>(fields.effectNumber)));
    fields.effectVersion = static_cast<std::int32_t>(
        readHexField(text, kVersionAt, 1, static_cast<std::uint32_t>(fields.effectVersion)));
    fields.parameterCount = readHexField(text, kCountAt, 1, fields.parameterCount);
    fields.values.resize(fields.parameterCount, 0);
    for (std::uint32_t a = 0; a < fields.parameterCount; ++a)
        fields.values[a] = static_cast<std::int32_t>(
            readHexField(text, valueAt(a), 4, static_cast<std::uint32_t>(fields.values[a])));
    return fields;
}

std::vector<ControlScale> controlScalesOf(const EffectControls& controls) {
    std::vector<ControlScale> scales;
    for (const ControlInfo& control : controls.parameters)
        scales.push_back({control.kind, static_cast<std::uint32_t>(control.items.size())});
    return scales;
}

CheckedPreset checkPresetText(const QString& text, std::int32_t shownEffect,
                              const std::vector<ControlScale>& controls) {
    const QString problem = headerProblem(text, shownEffect, controls.size());
    if (!problem.isEmpty())
        return refuseLoad(problem);
    for (std::uint32_t a = 0; a < controls.size(); ++a) {
        const QString levelProblem = valueProblem(text, a, controls.size());
        if (!levelProblem.isEmpty())
            return refuseLoad(levelProblem);
    }
    return {parsePresetFields(text, {}), {}};
}

CheckedPreset checkPresetFile(const QString& text) {
    if (const QString problem = layoutProblem(text); !problem.isEmpty())
        return refuse(problem);
    const std::uint32_t count = readHexField(text, kCountAt, 1, 0);
    for (std::uint32_t a = 0; a < count; ++a)
        if (const QString levelProblem = valueProblem(text, a, count); !levelProblem.isEmpty())
            return refuse(levelProblem);
    return {parsePresetFields(text, {}), {}};
}

CheckedPreset checkPresetText(const QString& text, std::int32_t shownEffect, const EffectControls& controls) {
    return checkPresetText(text, shownEffect, controlScalesOf(controls));
}

QString presetFolderPath(const QString& documentsPath) {
    return QStringList{documentsPath, QStringLiteral("Merrow"), QStringLiteral("Tarvo Max"),
                       QStringLiteral("Preset")}
        .join(u'/');
}

FileResult ensurePresetFolder(Services& services) {
    const QString documents = services.documentsPath();
    // Without a documents folder the path would start at the file system's root.
    if (documents.isEmpty())
        return {false, {}, QStringLiteral("No documents folder is known, so there is no preset folder")};
    const QString folder = presetFolderPath(documents);
    if (!QDir().mkpath(folder))
        return {false, folder, QStringLiteral("The folder %1 could not be created").arg(folder)};
    return {true, folder, {}};
}

QString presetPathWithExtension(const QString& chosenName) {
    static const QString extension = QStringLiteral(".txt");
    return chosenName.endsWith(extension, Qt::CaseSensitive) ? chosenName : chosenName + extension;
}

QByteArray presetFileBytes(const QString& text) {
    return kByteOrderMark + text.toUtf8();
}

FileResult writePresetFile(const QString& path, const QString& text) {
    OutputFile file(path);
    if (!file.write(presetFileBytes(text)))
        return {false, {}, file.error()};
    return {true, {}, {}};
}

FileResult readPresetFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, {}, file.errorString()};
    QByteArray bytes = file.read(kMaxPresetFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {false, {}, file.errorString()};
    if (bytes.size() > kMaxPresetFileBytes)
        return {false,
                {},
                QStringLiteral("The file is larger than any preset file (over %1 KB)")
                    .arg(kMaxPresetFileBytes / 1024)};
    if (bytes.startsWith(kByteOrderMark))
        bytes.remove(0, kByteOrderMark.size());
    return {true, joinLinesWithCrLf(QString::fromUtf8(bytes)), {}};
}

QString joinLinesWithCrLf(const QString& text) {
    QString joined;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'\r' && text.at(i) != u'\n')
            continue;
        joined += text.mid(start, i - start) + kCrLf;
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        joined += text.mid(start) + kCrLf;
    return joined;
}
