// What info, state and watch print: as lines a person reads, or as one JSON object.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "params/Assignments.h"
#include "protocol/StateBlock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    const QByteArray& block = ctx_.state.receiveArray;
    const StateBlockOffsets offsets{ctx_.state.numOfParameters};
    const std::uint8_t channelByte = stateBlockByte(block, offsets.midiChannel());
    const int channel = midiChannelItem(channelByte);
    const QJsonValue midi = channel == 0  ? QJsonValue(QStringLiteral("OMNI"))
                            : channel > 0 ? QJsonValue(channel)
                                          : QJsonValue();
    if (json) {
        QJsonArray parameters;
        for (const ControlInfo& c : controls_->parameters) {
            const std::int32_t level = stateBlockParameterValue(block, static_cast<std::uint32_t>(c.index));
            QJsonObject p{
                {"index", c.index}, {"caption", c.caption}, {"kind", kindName(c.kind)}, {"level", level}};
            if (c.kind != ControlInfo::Kind::Pot)
                p.insert(QStringLiteral("text"), levelText(c, level));
            parameters.append(p);
        }
        const QJsonObject effect{
            {"number", stored_->effectNumber}, {"name", effectName_}, {"version", stored_->effectVersion}};
        const QJsonObject all{{"effect", effect},
                              {"firmwareVersion", stored_->firmwareVersion},
                              {"parameters", parameters},
                              {"midiChannel", midi}};
        out_ << QJsonDocument(all).toJson(QJsonDocument::Compact) << Qt::endl;
        return;
    }
    printEffect(false);
    for (const ControlInfo& c : controls_->parameters) {
        const std::int32_t level = stateBlockParameterValue(block, static_cast<std::uint32_t>(c.index));
        out_ << c.caption << ": " << level;
        if (c.kind != ControlInfo::Kind::Pot)
            out_ << " (" << levelText(c, level) << ")";
        out_ << '\n';
    }
    out_ << "MIDI channel: "
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
