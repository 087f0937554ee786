// What info, state and watch print: as lines a person reads, or as one JSON object.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "params/Assignments.h"
#include "protocol/StateBlock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A code the state block holds, as one of a selector's items shows it.
struct Shown {
    const QStringList& items;
    int item;
    std::uint8_t code;

    QString text() const { return itemText(items, item, code); }
    bool none() const { return item == items.size() - 1; }
    // In JSON: the item, null for none, the code itself for one outside the list.
    QJsonValue json() const {
        if (item < 0 || item >= items.size())
            return code;
        return none() ? QJsonValue() : QJsonValue(items.at(item));
    }
};

// The running effect's state block, read in the words the output uses.
struct StateView {
    const QByteArray& block;
    const EffectControls& controls;
    StateBlockOffsets offsets{controls.layout.parameters()};

    std::uint8_t byte(std::uint32_t offset) const { return stateBlockByte(block, offset); }
    std::int32_t level(const ControlInfo& c) const {
        return stateBlockParameterValue(block, static_cast<std::uint32_t>(c.index));
    }
    Shown assignment(const ControlInfo& c) const {
        const std::uint8_t code = byte(offsets.assignment(static_cast<std::uint32_t>(c.index)));
        return {assignItems, assignItemOfCode(code), code};
    }
    // The pedal keeps 1 for reversed and 0xFF for not; anything else it holds says neither.
    std::uint8_t reverseFlag(const ControlInfo& c) const {
        return byte(offsets.reverse(static_cast<std::uint32_t>(c.index)));
    }
    Shown footswitch(std::uint32_t offset) const {
        return {bypassPresetItems, bypassPresetItemOfCode(byte(offset)), byte(offset)};
    }
    Shown readback(std::uint32_t r) const {
        const std::uint8_t code = byte(offsets.readback(r));
        return {readbackItems, readbackItemOfCode(code), code};
    }
    int midiChannel() const { return midiChannelItem(byte(offsets.midiChannel())); }
};

QJsonObject parameterJson(const StateView& view, const ControlInfo& c) {
    const std::int32_t level = view.level(c);
    const std::uint8_t reverse = view.reverseFlag(c);
    QJsonObject p{{"index", c.index},
                  {"caption", c.caption},
                  {"kind", kindName(c.kind)},
                  {"level", level},
                  {"assignment", view.assignment(c).json()},
                  {"reversed", reverse == 1      ? QJsonValue(true)
                               : reverse == 0xFF ? QJsonValue(false)
                                                 : QJsonValue()}};
    if (c.kind != ControlInfo::Kind::Pot)
        p.insert(QStringLiteral("text"), levelText(c, level));
    return p;
}

QJsonArray readbacksJson(const StateView& view) {
    QJsonArray readbacks;
    const QStringList& names = view.controls.layout.readbackLines;
    for (qsizetype r = 0; r < names.size(); ++r)
        readbacks.append(QJsonObject{{"index", r},
                                     {"name", names.at(r)},
                                     {"indicator", view.readback(static_cast<std::uint32_t>(r)).json()}});
    return readbacks;
}

// The mode by the pedal's mode byte: 1 bank, 0 preset; with the bank (1 to 3, as upload --bank
// names it) or the preset number.
void insertModeJson(const StateView& view, QJsonObject& all) {
    const std::uint8_t mode = view.byte(view.offsets.mode());
    const int number = view.byte(view.offsets.bankOrPreset());
    if (mode == 1) {
        all.insert(QStringLiteral("mode"), QStringLiteral("bank"));
        all.insert(QStringLiteral("bank"), number + 1);
    } else if (mode == 0) {
        all.insert(QStringLiteral("mode"), QStringLiteral("preset"));
        all.insert(QStringLiteral("preset"), number);
    } else {
        all.insert(QStringLiteral("mode"), QJsonValue());
    }
}

QString modeText(const StateView& view) {
    const std::uint8_t mode = view.byte(view.offsets.mode());
    const int number = view.byte(view.offsets.bankOrPreset());
    if (mode == 1)
        return QStringLiteral("bank ") + bankName(number);
    if (mode == 0)
        return QStringLiteral("preset %1").arg(number);
    return QStringLiteral("unknown (%1)").arg(mode);
}

// "Time KI (reversed), Trails FS": the parameters a control drives, or that act reversed.
QString assignedText(const StateView& view) {
    QStringList assigned;
    for (const ControlInfo& c : view.controls.parameters) {
        const Shown control = view.assignment(c);
        const bool reversed = view.reverseFlag(c) == 1;
        if (!control.none() || reversed)
            assigned << c.caption + u' ' + control.text() +
                            (reversed ? QStringLiteral(" (reversed)") : QString());
    }
    return assigned.isEmpty() ? QStringLiteral("none") : assigned.join(QStringLiteral(", "));
}

} // namespace

void CliSession::printEffect(bool json) {
    const StoredEffectReply& r = *stored_;
    if (json) {
        QJsonObject effect{{"number", r.effectNumber}, {"name", effectName_}, {"version", r.effectVersion}};
        const QJsonObject all{{"effect", r.stored() ? QJsonValue(effect) : QJsonValue()},
                              {"firmwareVersion", r.firmwareVersion}};
        out_ << QJsonDocument(all).toJson(QJsonDocument::Compact) << Qt::endl;
        return;
    }
    if (r.stored())
        out_ << "effect: " << r.effectNumber << ' '
             << (effectName_.isEmpty() ? QStringLiteral("(not in the catalogue)") : effectName_) << '\n'
             << "effect version: " << r.effectVersion << '\n';
    else
        out_ << "effect: none\n";
    out_ << "firmware version: " << r.firmwareVersion << Qt::endl;
}

void CliSession::printState(bool json) {
    const StateView view{ctx_.state.receiveArray, *controls_};
    const int channel = view.midiChannel();
    const std::uint8_t channelByte = view.byte(view.offsets.midiChannel());
    if (json) {
        QJsonArray parameters;
        for (const ControlInfo& c : controls_->parameters)
            parameters.append(parameterJson(view, c));
        QJsonObject all{{"effect", QJsonObject{{"number", stored_->effectNumber},
                                               {"name", effectName_},
                                               {"version", stored_->effectVersion}}},
                        {"firmwareVersion", stored_->firmwareVersion},
                        {"parameters", parameters},
                        {"bypassToggle", view.footswitch(view.offsets.bypass()).json()},
                        {"presetChange", view.footswitch(view.offsets.preset()).json()},
                        {"readbacks", readbacksJson(view)},
                        {"midiChannel", channel == 0  ? QJsonValue(QStringLiteral("OMNI"))
                                        : channel > 0 ? QJsonValue(channel)
                                                      : QJsonValue()}};
        insertModeJson(view, all);
        out_ << QJsonDocument(all).toJson(QJsonDocument::Compact) << Qt::endl;
        return;
    }
    printEffect(false);
    for (const ControlInfo& c : controls_->parameters) {
        out_ << c.caption << ": " << view.level(c);
        if (c.kind != ControlInfo::Kind::Pot)
            out_ << " (" << levelText(c, view.level(c)) << ")";
        out_ << '\n';
    }
    out_ << "assigned: " << assignedText(view) << '\n'
         << "bypass toggle: " << view.footswitch(view.offsets.bypass()).text() << '\n'
         << "preset change: " << view.footswitch(view.offsets.preset()).text() << '\n';
    for (qsizetype r = 0; r < controls_->layout.readbackLines.size(); ++r)
        out_ << "readback " << controls_->layout.readbackLines.at(r) << ": "
             << view.readback(static_cast<std::uint32_t>(r)).text() << '\n';
    out_ << "mode: " << modeText(view) << '\n'
         << "MIDI channel: "
         << (channel == 0  ? QStringLiteral("OMNI")
             : channel > 0 ? QString::number(channel)
                           : QStringLiteral("unknown (%1)").arg(channelByte))
         << Qt::endl;
}

void CliSession::printReports(const QByteArray& read) {
    // Knobs turned quickly send reports faster than they are read; each is a line of its own.
    QByteArray rest = read;
    const QList<LiveReport> reports =
        read.startsWith(char(0xAA)) ? takeLiveReports(rest) : QList<LiveReport>{};
    if (reports.isEmpty() || !rest.isEmpty()) {
        printReport(ctx_.incoming.decode(read));
        return;
    }
    for (const LiveReport& report : reports) {
        IncomingMessage message;
        message.kind = IncomingMessage::Kind::Live;
        message.live = report;
        printReport(message);
    }
}

void CliSession::printReport(const IncomingMessage& message) {
    switch (message.kind) {
    case IncomingMessage::Kind::Bank:
        out_ << "bank " << bankName(message.number);
        break;
    case IncomingMessage::Kind::Effect: {
        const QString name = message.number == 0 ? QString() : resources_.catalogueName(message.number);
        out_ << "effect " << message.number << ' '
             << (message.number == 0 ? QStringLiteral("(no effect)")
                 : name.isEmpty()    ? QStringLiteral("(not in the catalogue)")
                                     : name);
        controls_ = name.isEmpty() ? std::nullopt : loadEffectControls(resources_, name);
        break;
    }
    case IncomingMessage::Kind::UploadComplete:
        out_ << "upload complete";
        break;
    case IncomingMessage::Kind::Live: {
        const LiveReport& r = message.live;
        const QString control =
            r.control < assignItems.size() - 1 ? assignItems.at(r.control) : QString::number(r.control);
        const bool position = r.control < 5 || r.control == 11;
        const QString caption = controls_ && r.index < controls_->parameters.size()
                                    ? controls_->parameters.at(r.index).caption
                                    : QStringLiteral("parameter %1").arg(r.index);
        out_ << "live " << control << ' ' << caption << ' '
             << (position      ? QString::number(r.value)
                 : r.value > 0 ? QStringLiteral("on")
                               : QStringLiteral("off"));
        break;
    }
    case IncomingMessage::Kind::MemoryDump:
        out_ << "memory dump: " << message.dump.size() << " bytes"
             << (isErasedMemory(message.dump) ? ", all erased" : "");
        break;
    case IncomingMessage::Kind::Nothing:
        return;
    }
    out_ << Qt::endl;
}
