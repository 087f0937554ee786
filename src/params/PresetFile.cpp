#include "params/PresetFile.h"

#include "base/Convert.h"
#include "base/Services.h"
#include "protocol/EditorState.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

// Where the fields a load reads begin, counting from 0 in a text whose lines end in CR LF.
constexpr qsizetype kEffectAt = 0;
constexpr qsizetype kVersionAt = 6;
constexpr qsizetype kCountAt = 10;
constexpr qsizetype kFirstValueAt = 14;
constexpr qsizetype kValuePitch = 10;
constexpr int kValueDigits = 8;

const QByteArray kByteOrderMark("\xEF\xBB\xBF");
const QString kCrLf = QStringLiteral("\r\n");

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

FileResult writePresetFile(const QString& path, const QString& text) {
    // The new content goes to a temporary file beside the old one and takes its name only once
    // complete: a full disk or a lost folder must not leave a truncated preset behind.
    QSaveFile file(path);
    const QByteArray bytes = kByteOrderMark + text.toUtf8();
    if (!file.open(QIODevice::WriteOnly))
        return {false, {}, file.errorString()};
    // commit() does not see a short write when it flushes what is still buffered (a full disk
    // then looks like success), so the whole content is pushed out and checked first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return {false, {}, QStringLiteral("Not all of the preset could be written; the disk may be full")};
    }
    if (!file.commit())
        return {false, {}, file.errorString()};
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
