#include "cli/CliSession.h"

#include "base/Convert.h"
#include "link/Bridges.h"
#include "params/Assignments.h"
#include "params/ParameterMessages.h"
#include "protocol/StateBlock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kBanks[] = {"I", "II", "III"};

QString kindName(ControlInfo::Kind kind) {
    switch (kind) {
    case ControlInfo::Kind::Pot:
        return QStringLiteral("pot");
    case ControlInfo::Kind::Switch:
        return QStringLiteral("switch");
    case ControlInfo::Kind::Button:
        return QStringLiteral("button");
    case ControlInfo::Kind::MultiSwitch:
        break;
    }
    return QStringLiteral("selector");
}

// The levels a parameter takes, for the line that refuses another.
QString levelsOf(const ControlInfo& control) {
    switch (control.kind) {
    case ControlInfo::Kind::Pot:
        return QStringLiteral("0 to 1023");
    case ControlInfo::Kind::Switch:
    case ControlInfo::Kind::Button:
        return QStringLiteral("on or off");
    case ControlInfo::Kind::MultiSwitch:
        break;
    }
    return control.items.join(QStringLiteral(", ")) +
           QStringLiteral(", or a position from 0 to %1").arg(control.items.size() - 1);
}

} // namespace

CliSession::CliSession(CliRuntime& runtime, std::unique_ptr<FtDriver> driver, QTextStream& out,
                       QTextStream& err, bool verbose)
    : runtime_(runtime), services_(runtime.services), driver_(std::move(driver)), ctx_(services_, *driver_),
      resources_(services_, ctx_.console), out_(out), err_(err), verbose_(verbose) {
    ctx_.console.attach(this);
    // Every failing driver call says so; the command reports it in its line.
    ctx_.link.reportDriverErrors = true;
    ctx_.link.SetSerialParameters(SerialMode::Normal);
}

CliSession::~CliSession() {
    if (ctx_.link.ftHandle != 0)
        ctx_.link.CloseDevice();
    ctx_.console.detach(this);
}

void CliSession::appendLines(const QStringList& lines, bool) {
    if (!verbose_)
        return;
    for (const QString& line : lines)
        err_ << line << '\n';
    err_.flush();
}

int CliSession::fail(const QString& why, int status) {
    err_ << "tarvo-max: " << why << Qt::endl;
    return status;
}

QString CliSession::lastMessage() const {
    QStringList sentences = services_.messages;
    for (QString& s : sentences)
        s = s.trimmed().replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return sentences.join(QStringLiteral(" "));
}

// ---- The steps ----

bool CliSession::link(const QString& serial) {
    const QList<BridgeInfo> bridges = listBridges(ctx_.link);
    if (bridges.isEmpty()) {
        fail(
            QStringLiteral("no pedal found (is it plugged in? tarvo-max --help tells the other ways to it)"));
        return false;
    }
    const QString chosen = serial.isEmpty() ? bridges.last().serial : serial;
    if (std::none_of(bridges.begin(), bridges.end(),
                     [&](const BridgeInfo& b) { return b.serial == chosen; })) {
        fail(QStringLiteral("no pedal with serial number %1 (tarvo-max devices lists them)").arg(chosen));
        return false;
    }
    services_.messages.clear();
    if (!openBridge(ctx_.link, ctx_.console, services_, chosen)) {
        fail(QStringLiteral("cannot open the pedal %1: %2").arg(chosen, lastMessage()));
        return false;
    }
    return true;
}

bool CliSession::readStoredEffect() {
    services_.messages.clear();
    try {
        stored_ = askStoredEffect(ctx_);
    } catch (const ConversionError& error) {
        fail(QStringLiteral("the pedal's reply does not read: ") + error.text());
        return false;
    }
    if (!stored_) {
        fail(lastMessage().isEmpty() ? QStringLiteral("no reply from the pedal") : lastMessage());
        return false;
    }
    effectName_ = stored_->stored() ? resources_.catalogueName(stored_->effectNumber) : QString();
    return true;
}

bool CliSession::loadControls() {
    if (!stored_ || !stored_->stored()) {
        fail(QStringLiteral("no effect is stored on the pedal"));
        return false;
    }
    controls_ = effectName_.isEmpty() ? std::nullopt : loadEffectControls(resources_, effectName_);
    if (!controls_) {
        fail(QStringLiteral("effect %1 is not in this editor's catalogue").arg(stored_->effectNumber));
        return false;
    }
    return true;
}

// ---- The commands ----

int CliSession::devices() {
    const QList<BridgeInfo> bridges = listBridges(ctx_.link);
    if (bridges.isEmpty())
        return fail(QStringLiteral("no pedal found"));
    for (const BridgeInfo& bridge : bridges)
        out_ << bridge.serial << '\t' << bridge.route << '\t' << bridge.description << '\n';
    out_.flush();
    return kExitOk;
}

int CliSession::info(const QString& serial, bool json) {
    if (!link(serial) || !readStoredEffect())
        return kExitFailed;
    printEffect(json);
    return kExitOk;
}

int CliSession::state(const QString& serial, bool json) {
    if (!link(serial) || !readStoredEffect() || !loadControls())
        return kExitFailed;
    const std::uint32_t n = controls_->layout.parameters();
    ctx_.state.numOfParameters = n;
    services_.messages.clear();
    bool read = false;
    try {
        read = askState(ctx_, n);
    } catch (const ConversionError& error) {
        return fail(QStringLiteral("the pedal's reply does not read: ") + error.text());
    }
    if (!read)
        return fail(lastMessage().isEmpty() ? QStringLiteral("no reply from the pedal") : lastMessage());
    const StateBlockOffsets offsets{n};
    if (static_cast<std::uint32_t>(ctx_.state.receiveArray.size()) < offsets.size())
        return fail(QStringLiteral("the pedal's reply was incomplete (%1 of %2 bytes)")
                        .arg(ctx_.state.receiveArray.size())
                        .arg(offsets.size()));
    printState(json);
    return kExitOk;
}

int CliSession::set(const QString& serial, const QString& parameter, const QString& levelText) {
    if (!link(serial) || !readStoredEffect() || !loadControls())
        return kExitFailed;
    const ControlInfo* control = findControl(*controls_, parameter);
    if (!control) {
        QStringList captions;
        for (const ControlInfo& c : controls_->parameters)
            captions << c.caption;
        return fail(QStringLiteral("%1 has no parameter %2; its parameters are %3")
                        .arg(effectName_, parameter, captions.join(QStringLiteral(", "))),
                    kExitUsage);
    }
    const std::optional<std::int32_t> level = levelFromText(*control, levelText);
    if (!level)
        return fail(QStringLiteral("%1 is no level of %2, which takes %3")
                        .arg(levelText, control->caption, levelsOf(*control)),
                    kExitUsage);
    if (!isParameterAddress(control->address))
        return fail(QStringLiteral("%1 has no parameter address in its program").arg(control->caption));
    services_.messages.clear();
    const QString text = setParameterText(control->address, *level);
    ctx_.console.log(QStringLiteral("data sent %1 %2: ").arg(kindName(control->kind)).arg(control->index) +
                     text);
    ctx_.comm.SendHexMessage(text, 7, false);
    if (!services_.messages.isEmpty())
        return fail(QStringLiteral("the message did not reach the pedal: ") + lastMessage());
    out_ << control->caption << ": " << *level;
    if (control->kind != ControlInfo::Kind::Pot)
        out_ << " (" << ::levelText(*control, *level) << ")";
    out_ << Qt::endl;
    return kExitOk;
}

int CliSession::watch(const QString& serial) {
    if (!link(serial) || !readStoredEffect())
        return kExitFailed;
    if (stored_->stored() && !effectName_.isEmpty())
        controls_ = loadEffectControls(resources_, effectName_);
    while (!runtime_.interrupted()) {
        services_.messages.clear();
        if (ctx_.link.GetDeviceQueueStatus() != FT_OK)
            return fail(QStringLiteral("the pedal is gone: ") + lastMessage());
        if (ctx_.link.rxQueueBytes == 0) {
            services_.pause(2);
            continue;
        }
        const std::uint32_t n = ctx_.link.ReadDevice();
        try {
            printReports(QByteArray(reinterpret_cast<const char*>(ctx_.link.rxBuffer.data()), n));
        } catch (const std::exception& error) {
            // A garbled report is the pedal's fault, not the end of watching.
            err_ << "tarvo-max: a report that does not read: " << error.what() << Qt::endl;
        }
    }
    return kExitOk;
}

// ---- Output ----

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
        out_ << "bank "
             << (message.number >= 0 && message.number <= 2 ? QString::fromLatin1(kBanks[message.number])
                                                            : QString::number(message.number));
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
