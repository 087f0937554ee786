#include "backup/PedalBackup.h"

#include "base/OutputFile.h"
#include "params/Assignments.h"
#include "params/EffectControls.h"
#include "protocol/ReadBack.h"
#include "protocol/StateBlock.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

namespace {

// A memory's bytes as lines of hexadecimal digits, so a person (or diff) can read them.
constexpr qsizetype kMemoryLineBytes = 32;

// ---- Codes as words ----

// How a code shows: an item of its list by name, null for none, the number itself otherwise, so
// that every code the pedal may hold comes back as it was.
QJsonValue codeJson(const QStringList& items, int item, std::uint8_t code) {
    if (code == kNoControl)
        return QJsonValue();
    if (item >= 0 && item < items.size() - 1)
        return items.at(item);
    return code;
}

QJsonValue assignmentJson(std::uint8_t code) {
    return codeJson(assignItems, assignItemOfCode(code), code);
}
QJsonValue footswitchJson(std::uint8_t code) {
    return codeJson(bypassPresetItems, bypassPresetItemOfCode(code), code);
}
QJsonValue indicatorJson(std::uint8_t code) {
    return codeJson(readbackItems, readbackItemOfCode(code), code);
}
QJsonValue reverseJson(std::uint8_t code) {
    if (code == 1)
        return true;
    if (code == 0xFF)
        return false;
    return code;
}
QJsonValue midiJson(std::uint8_t channel) {
    const int item = midiChannelItem(channel);
    if (item == 0)
        return QStringLiteral("OMNI");
    return channel;
}

QString codeText(const QStringList& items, int item, std::uint8_t code) {
    if (code == kNoControl || item == items.size() - 1)
        return QStringLiteral("none");
    if (item >= 0 && item < items.size())
        return items.at(item);
    return QStringLiteral("code %1").arg(code);
}

QString reverseText(std::uint8_t code) {
    if (code == 1)
        return QStringLiteral("yes");
    if (code == 0xFF)
        return QStringLiteral("no");
    return QStringLiteral("code %1").arg(code);
}

QString modeText(const PedalSnapshot& s) {
    if (s.mode == 1)
        return QStringLiteral("bank %1").arg(s.bankOrPreset + 1);
    if (s.mode == 0)
        return QStringLiteral("preset %1").arg(s.bankOrPreset);
    return QStringLiteral("mode code %1, number %2").arg(s.mode).arg(s.bankOrPreset);
}

QString midiText(std::uint8_t channel) {
    const int item = midiChannelItem(channel);
    if (item == 0)
        return QStringLiteral("OMNI");
    return item > 0 ? QString::number(item) : QStringLiteral("code %1").arg(channel);
}

// ---- Reading, with the first fault named by where it is ----

class Reader {
public:
    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }

    void fail(const QString& where, const QString& what) {
        if (error_.isEmpty())
            error_ = where + QStringLiteral(": ") + what;
    }

    QJsonValue need(const QJsonObject& object, const QString& key, const QString& where) {
        if (!object.contains(key))
            fail(where + key, QStringLiteral("missing"));
        return object.value(key);
    }

    std::int32_t integer(const QJsonValue& value, const QString& where, double low, double high) {
        const double d = value.toDouble(std::nan(""));
        if (!value.isDouble() || std::floor(d) != d || d < low || d > high) {
            fail(where, QStringLiteral("must be a whole number from %1 to %2").arg(low).arg(high));
            return 0;
        }
        return static_cast<std::int32_t>(d);
    }

    QString text(const QJsonValue& value, const QString& where) {
        if (!value.isString())
            fail(where, QStringLiteral("must be a text"));
        return value.toString();
    }

    // A code as codeJson writes it: an item's name (any letter case), null for none, or a number.
    std::uint8_t code(const QJsonValue& value, const QString& where, const QStringList& items, int offset) {
        if (value.isNull())
            return kNoControl;
        if (value.isString()) {
            for (int i = 0; i < items.size() - 1; ++i)
                if (items.at(i).compare(value.toString(), Qt::CaseInsensitive) == 0)
                    return static_cast<std::uint8_t>(i + offset);
            fail(where,
                 QStringLiteral("\"%1\" is none of %2 or null")
                     .arg(value.toString(), items.mid(0, items.size() - 1).join(QStringLiteral(", "))));
            return kNoControl;
        }
        return static_cast<std::uint8_t>(integer(value, where, 0, 255));
    }

    std::uint8_t reverse(const QJsonValue& value, const QString& where) {
        if (value.isBool())
            return value.toBool() ? 1 : 0xFF;
        return static_cast<std::uint8_t>(integer(value, where, 0, 255));
    }

    std::uint8_t midi(const QJsonValue& value, const QString& where) {
        if (value.isString()) {
            if (value.toString().compare(QLatin1String("OMNI"), Qt::CaseInsensitive) != 0)
                fail(where, QStringLiteral("must be OMNI or a channel from 1 to 16"));
            return 0;
        }
        return static_cast<std::uint8_t>(integer(value, where, 0, 255));
    }

private:
    QString error_;
};

QJsonObject snapshotJson(const PedalSnapshot& s) {
    QJsonArray parameters;
    for (const BackupParameter& p : s.parameters)
        parameters.append(QJsonObject{{"index", p.index},
                                      {"caption", p.caption},
                                      {"kind", p.kind},
                                      {"level", p.level},
                                      {"assignment", assignmentJson(p.assignment)},
                                      {"reversed", reverseJson(p.reverse)}});
    QJsonArray readbacks;
    for (std::size_t r = 0; r < s.readbacks.size(); ++r)
        readbacks.append(QJsonObject{{"index", static_cast<int>(r)},
                                     {"name", s.readbacks[r].name},
                                     {"indicator", indicatorJson(s.readbacks[r].indicator)}});
    QJsonObject all{
        {"effect",
         QJsonObject{{"number", s.effectNumber}, {"name", s.effectName}, {"version", s.effectVersion}}},
        {"firmwareVersion", s.firmwareVersion},
        {"parameters", parameters},
        {"bypassToggle", footswitchJson(s.bypassCode)},
        {"presetChange", footswitchJson(s.presetCode)},
        {"readbacks", readbacks},
        {"midiChannel", midiJson(s.midiChannel)}};
    // As state --json says it: the bank counted from 1, the preset from 0.
    if (s.mode == 1) {
        all.insert(QStringLiteral("mode"), QStringLiteral("bank"));
        all.insert(QStringLiteral("bank"), s.bankOrPreset + 1);
    } else if (s.mode == 0) {
        all.insert(QStringLiteral("mode"), QStringLiteral("preset"));
        all.insert(QStringLiteral("preset"), s.bankOrPreset);
    } else {
        all.insert(QStringLiteral("mode"), s.mode);
        all.insert(QStringLiteral("bankOrPreset"), s.bankOrPreset);
    }
    return all;
}

void readMode(Reader& in, const QJsonObject& all, PedalSnapshot& s) {
    const QJsonValue mode = in.need(all, QStringLiteral("mode"), {});
    if (mode == QJsonValue(QStringLiteral("bank"))) {
        s.mode = 1;
        s.bankOrPreset = static_cast<std::uint8_t>(
            in.integer(in.need(all, QStringLiteral("bank"), {}), QStringLiteral("bank"), 1, 256) - 1);
    } else if (mode == QJsonValue(QStringLiteral("preset"))) {
        s.mode = 0;
        s.bankOrPreset = static_cast<std::uint8_t>(
            in.integer(in.need(all, QStringLiteral("preset"), {}), QStringLiteral("preset"), 0, 255));
    } else if (mode.isDouble()) {
        s.mode = static_cast<std::uint8_t>(in.integer(mode, QStringLiteral("mode"), 2, 255));
        s.bankOrPreset = static_cast<std::uint8_t>(in.integer(
            in.need(all, QStringLiteral("bankOrPreset"), {}), QStringLiteral("bankOrPreset"), 0, 255));
    } else if (!in.failed()) {
        in.fail(QStringLiteral("mode"), QStringLiteral("must be \"preset\", \"bank\" or a mode code"));
    }
}

void readParameters(Reader& in, const QJsonObject& all, PedalSnapshot& s) {
    const QJsonValue list = in.need(all, QStringLiteral("parameters"), {});
    if (!list.isArray() || list.toArray().size() > 16) {
        in.fail(QStringLiteral("parameters"), QStringLiteral("must be a list of at most 16 parameters"));
        return;
    }
    const QJsonArray parameters = list.toArray();
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        const QString where = QStringLiteral("parameters[%1].").arg(i);
        const QJsonObject p = parameters.at(i).toObject();
        BackupParameter parameter;
        parameter.index = static_cast<int>(i);
        if (p.contains(QStringLiteral("index")) &&
            in.integer(p.value(QStringLiteral("index")), where + QStringLiteral("index"), 0, 15) != i)
            in.fail(where + QStringLiteral("index"),
                    QStringLiteral("must be %1, its place in the list").arg(i));
        parameter.caption = p.value(QStringLiteral("caption")).toString();
        parameter.kind = p.value(QStringLiteral("kind")).toString();
        parameter.level = in.integer(in.need(p, QStringLiteral("level"), where),
                                     where + QStringLiteral("level"), -262144, 262143);
        parameter.assignment = in.code(in.need(p, QStringLiteral("assignment"), where),
                                       where + QStringLiteral("assignment"), assignItems, 0);
        parameter.reverse =
            in.reverse(in.need(p, QStringLiteral("reversed"), where), where + QStringLiteral("reversed"));
        s.parameters.push_back(parameter);
    }
}

void readReadbacks(Reader& in, const QJsonObject& all, PedalSnapshot& s) {
    const QJsonValue list = in.need(all, QStringLiteral("readbacks"), {});
    if (!list.isArray() || list.toArray().size() > 4) {
        in.fail(QStringLiteral("readbacks"), QStringLiteral("must be a list of at most 4 readbacks"));
        return;
    }
    const QJsonArray readbacks = list.toArray();
    for (qsizetype r = 0; r < readbacks.size(); ++r) {
        const QString where = QStringLiteral("readbacks[%1].").arg(r);
        const QJsonObject o = readbacks.at(r).toObject();
        s.readbacks.push_back({o.value(QStringLiteral("name")).toString(),
                               in.code(in.need(o, QStringLiteral("indicator"), where),
                                       where + QStringLiteral("indicator"), readbackItems, 0)});
    }
}

void readMemories(Reader& in, const QJsonObject& all, PedalBackup& backup) {
    const QJsonValue list = all.value(QStringLiteral("memories"));
    if (list.isUndefined())
        return;
    if (!list.isArray()) {
        in.fail(QStringLiteral("memories"), QStringLiteral("must be a list"));
        return;
    }
    const QJsonArray memories = list.toArray();
    for (qsizetype m = 0; m < memories.size(); ++m) {
        const QString where = QStringLiteral("memories[%1].").arg(m);
        const QJsonObject o = memories.at(m).toObject();
        BackupMemory memory;
        memory.address =
            in.text(in.need(o, QStringLiteral("address"), where), where + QStringLiteral("address"));
        QByteArray hex;
        for (const QJsonValue line : o.value(QStringLiteral("hex")).toArray())
            hex += line.toString().toLatin1();
        memory.bytes = QByteArray::fromHex(hex);
        if (memory.bytes.size() * 2 != hex.size())
            in.fail(where + QStringLiteral("hex"), QStringLiteral("must be lines of hexadecimal digits"));
        backup.memories.push_back(memory);
    }
}

} // namespace

PedalSnapshot snapshotOf(const StoredEffectReply& stored, const QString& effectName,
                         const EffectControls& controls, const QByteArray& block) {
    PedalSnapshot s;
    s.effectNumber = stored.effectNumber;
    s.effectVersion = stored.effectVersion;
    s.effectName = effectName;
    s.firmwareVersion = stored.firmwareVersion;
    const StateBlockOffsets at{controls.layout.parameters()};
    for (const ControlInfo& c : controls.parameters) {
        const auto i = static_cast<std::uint32_t>(c.index);
        s.parameters.push_back({c.index, c.caption, kindName(c.kind), stateBlockParameterValue(block, i),
                                stateBlockByte(block, at.assignment(i)),
                                stateBlockByte(block, at.reverse(i))});
    }
    s.bypassCode = stateBlockByte(block, at.bypass());
    s.presetCode = stateBlockByte(block, at.preset());
    for (qsizetype r = 0; r < controls.layout.readbackLines.size() && r < 4; ++r)
        s.readbacks.push_back({controls.layout.readbackLines.at(r),
                               stateBlockByte(block, at.readback(static_cast<std::uint32_t>(r)))});
    s.mode = stateBlockByte(block, at.mode());
    s.bankOrPreset = stateBlockByte(block, at.bankOrPreset());
    s.midiChannel = stateBlockByte(block, at.midiChannel());
    return s;
}

QStringList snapshotDifferences(const PedalSnapshot& backup, const PedalSnapshot& pedal) {
    QStringList differences;
    const auto differ = [&](const QString& what, const QString& inBackup, const QString& onPedal) {
        if (inBackup != onPedal)
            differences
                << QStringLiteral("%1: %2 in the backup, %3 on the pedal").arg(what, inBackup, onPedal);
    };
    // The pedal knows its effect by number; a name is only what the catalogue of the day calls it.
    if (backup.effectNumber != pedal.effectNumber)
        differences
            << QStringLiteral("effect: %1 in the backup, %2 on the pedal")
                   .arg(QStringLiteral("%1 %2").arg(backup.effectNumber).arg(backup.effectName).trimmed(),
                        QStringLiteral("%1 %2").arg(pedal.effectNumber).arg(pedal.effectName).trimmed());
    differ(QStringLiteral("effect version"), QString::number(backup.effectVersion),
           QString::number(pedal.effectVersion));
    differ(QStringLiteral("firmware version"), QString::number(backup.firmwareVersion),
           QString::number(pedal.firmwareVersion));
    // Another effect's parameters are not this one's: comparing them would only mislead.
    if (backup.effectNumber != pedal.effectNumber || backup.parameters.size() != pedal.parameters.size())
        return differences;
    for (std::size_t i = 0; i < backup.parameters.size(); ++i) {
        const BackupParameter& b = backup.parameters[i];
        const BackupParameter& p = pedal.parameters[i];
        differ(b.caption, QString::number(b.level), QString::number(p.level));
        differ(b.caption + QStringLiteral("'s control"),
               codeText(assignItems, assignItemOfCode(b.assignment), b.assignment),
               codeText(assignItems, assignItemOfCode(p.assignment), p.assignment));
        differ(b.caption + QStringLiteral(" reversed"), reverseText(b.reverse), reverseText(p.reverse));
    }
    differ(QStringLiteral("bypass toggle"),
           codeText(bypassPresetItems, bypassPresetItemOfCode(backup.bypassCode), backup.bypassCode),
           codeText(bypassPresetItems, bypassPresetItemOfCode(pedal.bypassCode), pedal.bypassCode));
    differ(QStringLiteral("preset change"),
           codeText(bypassPresetItems, bypassPresetItemOfCode(backup.presetCode), backup.presetCode),
           codeText(bypassPresetItems, bypassPresetItemOfCode(pedal.presetCode), pedal.presetCode));
    for (std::size_t r = 0; r < backup.readbacks.size() && r < pedal.readbacks.size(); ++r) {
        const std::uint8_t b = backup.readbacks[r].indicator;
        const std::uint8_t p = pedal.readbacks[r].indicator;
        differ(QStringLiteral("readback ") + backup.readbacks[r].name,
               codeText(readbackItems, readbackItemOfCode(b), b),
               codeText(readbackItems, readbackItemOfCode(p), p));
    }
    differ(QStringLiteral("mode"), modeText(backup), modeText(pedal));
    differ(QStringLiteral("MIDI channel"), midiText(backup.midiChannel), midiText(pedal.midiChannel));
    return differences;
}

QByteArray backupJson(const PedalBackup& backup) {
    QJsonObject all = snapshotJson(backup.pedal);
    all.insert(QStringLiteral("format"), kBackupFormatName);
    all.insert(QStringLiteral("formatVersion"), kBackupFormatVersion);
    all.insert(QStringLiteral("created"), backup.created.toUTC().toString(Qt::ISODate));
    all.insert(QStringLiteral("editorVersion"), backup.editorVersion);
    QJsonArray memories;
    for (const BackupMemory& memory : backup.memories) {
        QJsonArray lines;
        for (qsizetype at = 0; at < memory.bytes.size(); at += kMemoryLineBytes)
            lines.append(QString::fromLatin1(memory.bytes.mid(at, kMemoryLineBytes).toHex().toUpper()));
        memories.append(
            QJsonObject{{"address", memory.address}, {"bytes", memory.bytes.size()}, {"hex", lines}});
    }
    all.insert(QStringLiteral("memories"), memories);
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

BackupParse parseBackupJson(const QByteArray& bytes) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, QStringLiteral("it is not JSON (%1 at byte %2)")
                                  .arg(parseError.errorString())
                                  .arg(parseError.offset)};
    const QJsonObject all = document.object();
    if (!document.isObject() || all.value(QStringLiteral("format")) != QJsonValue(kBackupFormatName))
        return {std::nullopt, QStringLiteral("it is not a Tarvo Max backup (its \"format\" is not \"%1\")")
                                  .arg(kBackupFormatName)};
    // Another version may mean anything by its fields: it is refused before any is read.
    const QJsonValue version = all.value(QStringLiteral("formatVersion"));
    if (version != QJsonValue(kBackupFormatVersion))
        return {std::nullopt,
                QStringLiteral("it is in backup format version %1, and this editor reads version %2 "
                               "only")
                    .arg(version.isDouble() ? QString::number(version.toDouble())
                                            : QStringLiteral("\"%1\"").arg(version.toVariant().toString()))
                    .arg(kBackupFormatVersion)};
    Reader in;
    PedalBackup backup;
    backup.created = QDateTime::fromString(all.value(QStringLiteral("created")).toString(), Qt::ISODate);
    backup.editorVersion = all.value(QStringLiteral("editorVersion")).toString();
    PedalSnapshot& s = backup.pedal;
    const QJsonValue effectValue = in.need(all, QStringLiteral("effect"), {});
    const QJsonObject effect = effectValue.toObject();
    if (!in.failed() && !effectValue.isObject())
        in.fail(QStringLiteral("effect"),
                QStringLiteral("must be an object with its number, name and version"));
    s.effectNumber = in.integer(in.need(effect, QStringLiteral("number"), QStringLiteral("effect.")),
                                QStringLiteral("effect.number"), 1, 65535);
    s.effectName = effect.value(QStringLiteral("name")).toString();
    s.effectVersion = in.integer(in.need(effect, QStringLiteral("version"), QStringLiteral("effect.")),
                                 QStringLiteral("effect.version"), 0, 255);
    s.firmwareVersion = in.integer(in.need(all, QStringLiteral("firmwareVersion"), {}),
                                   QStringLiteral("firmwareVersion"), 0, 255);
    readParameters(in, all, s);
    s.bypassCode = in.code(in.need(all, QStringLiteral("bypassToggle"), {}), QStringLiteral("bypassToggle"),
                           bypassPresetItems, 8);
    s.presetCode = in.code(in.need(all, QStringLiteral("presetChange"), {}), QStringLiteral("presetChange"),
                           bypassPresetItems, 8);
    readReadbacks(in, all, s);
    readMode(in, all, s);
    s.midiChannel = in.midi(in.need(all, QStringLiteral("midiChannel"), {}), QStringLiteral("midiChannel"));
    readMemories(in, all, backup);
    if (in.failed())
        return {std::nullopt, in.error()};
    return {backup, {}};
}

BackupParse readBackupFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, file.errorString()};
    const QByteArray bytes = file.read(kMaxBackupFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, file.errorString()};
    if (bytes.size() > kMaxBackupFileBytes)
        return {std::nullopt, QStringLiteral("it is larger than any backup (over %1 MB)")
                                  .arg(kMaxBackupFileBytes / (1024 * 1024))};
    return parseBackupJson(bytes);
}

bool writeBackupFile(const QString& path, const PedalBackup& backup, QString* error) {
    OutputFile file(path);
    if (file.write(backupJson(backup)))
        return true;
    if (error)
        *error = file.error();
    return false;
}
