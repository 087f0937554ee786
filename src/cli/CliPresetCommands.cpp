// Preset files: the running effect's settings saved as the editor saves them, and loaded as the
// editor loads them, with only what differs from the pedal sent.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "ProductData.h"
#include "params/ControlLayout.h"
#include "params/ParameterMessages.h"
#include "params/PresetFile.h"
#include "protocol/StateBlock.h"

#include <algorithm>

namespace {

// What one control would send after a load, as its handler in the editor decides it.
struct LevelChange {
    bool sends = false;
    std::int32_t level = 0; // what it sends
    QString said;           // the line that tells the user, empty when nothing differs
};

LevelChange potChange(const ControlInfo& c, std::int32_t held, std::int32_t wanted) {
    // The slider shows the level clamped to its range and sends only when what it shows moves.
    held = std::clamp(held, 0, 1023);
    wanted = std::clamp(wanted, 0, 1023);
    if (held == wanted)
        return {};
    return {true, potLevel(wanted),
            QStringLiteral("sent %1: %2 (was %3)").arg(c.caption).arg(wanted).arg(held)};
}

LevelChange selectorChange(const ControlInfo& c, std::int32_t held, std::int32_t wanted) {
    const auto positions = static_cast<std::uint32_t>(c.items.size());
    const int from = multiSwitchPosition(held, positions);
    const int to = multiSwitchPosition(wanted, positions);
    if (from == to || to < 0)
        return {};
    return {true, multiSwitchLevel(to, positions),
            QStringLiteral("sent %1: %2 (was %3)")
                .arg(c.caption, c.items.at(to), from >= 0 ? c.items.at(from) : QStringLiteral("none"))};
}

// A switch changes on the editor's screen but sends nothing: only a click sends it.
LevelChange switchChange(const ControlInfo& c, std::int32_t held, std::int32_t wanted) {
    if ((held > 0) == (wanted > 0) || wanted < 0)
        return {};
    return {false, wanted,
            QStringLiteral("not sent %1: %2 (was %3; a switch is sent only when switched: tarvo-max set)")
                .arg(c.caption, levelText(c, wanted), levelText(c, held))};
}

LevelChange changeOf(const ControlInfo& c, std::int32_t held, std::int32_t wanted) {
    switch (c.kind) {
    case ControlInfo::Kind::Pot:
        return potChange(c, held, wanted);
    case ControlInfo::Kind::Switch:
        return switchChange(c, held, wanted);
    case ControlInfo::Kind::Button:
        return {};
    case ControlInfo::Kind::MultiSwitch:
        break;
    }
    return selectorChange(c, held, wanted);
}

} // namespace

int CliSession::preset(const CommandLine& line) {
    const QString action = line.operands.at(0).toLower();
    if (action == QLatin1String("save"))
        return savePreset(line.operands.at(1));
    if (action == QLatin1String("load"))
        return loadPreset(line.operands.at(1));
    return fail(QStringLiteral("preset takes save or load, not %1").arg(line.operands.at(0)), kExitUsage);
}

QString CliSession::runningPresetText() {
    const QByteArray& block = ctx_.state.receiveArray;
    const StateBlockOffsets offsets{parameterCount()};
    PresetContent content;
    // By the effect's name, as the editor saves by the effect it shows.
    const int number = ProductData::catalogueIndexOf(effectName_);
    content.effectNumber = number > 0 ? number : stored_->effectNumber;
    content.effectVersion = stored_->effectVersion;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(parameterCount(), kMaxParameters); ++i) {
        content.values.push_back(stateBlockParameterValue(block, i));
        content.assignCodes.push_back(stateBlockByte(block, offsets.assignment(i)));
    }
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(controls_->layout.readbacks, kMaxReadbacks); ++r)
        content.readbackCodes.push_back(stateBlockByte(block, offsets.readback(r)));
    return composePresetText(content);
}

int CliSession::savePreset(const QString& file) {
    // ".txt" makes a name the editor's own; standard output ("-") and what is not a regular file
    // (a FIFO, /dev/stdout) are written as named.
    const QString path =
        file == QLatin1String("-") || OutputFile::writesInPlace(file) ? file : presetPathWithExtension(file);
    if (!openOutput(path) || !reachRunningEffect(true))
        return status_;
    if (!writeOutput(presetFileBytes(runningPresetText())))
        return status_;
    if (!outputOnStandardOutput())
        out_ << "preset of " << effectName_ << " saved to " << path << Qt::endl;
    return kExitOk;
}

int CliSession::loadPreset(const QString& file) {
    // The file first: one that cannot be read costs the pedal nothing.
    const FileResult read = readPresetFile(file);
    if (!read.ok)
        return fail(QStringLiteral("cannot load the preset %1: %2").arg(file, read.error));
    if (!reachRunningEffect(false))
        return status_;
    return applyPresetText(file, read.text);
}

int CliSession::applyPresetText(const QString& name, const QString& text, QStringList said) {
    // Nothing of a file that does not fit the running effect is sent, not even the question.
    const CheckedPreset checked =
        checkPresetText(text, ProductData::catalogueIndexOf(effectName_), *controls_);
    if (!checked.ok())
        return fail(QStringLiteral("cannot load the preset %1: %2").arg(name, checked.error), kExitUsage);
    if (!readState())
        return status_;
    QStringList sent;
    if (!sendPresetLevels(checked.fields->values, sent))
        return status_;
    if (std::none_of(sent.begin(), sent.end(),
                     [](const QString& s) { return s.startsWith(QLatin1String("sent")); }))
        sent.prepend(QStringLiteral("nothing sent: the pedal holds the preset's levels already"));
    said += sent;
    for (const QString& s : said)
        out_ << s << '\n';
    out_.flush();
    return kExitOk;
}

bool CliSession::sendPresetLevels(const std::vector<std::int32_t>& levels, QStringList& said) {
    for (const ControlInfo& c : controls_->parameters) {
        const auto i = static_cast<std::size_t>(c.index);
        const LevelChange change =
            changeOf(c, stateBlockParameterValue(ctx_.state.receiveArray, static_cast<std::uint32_t>(i)),
                     i < levels.size() ? levels.at(i) : 0);
        if (change.said.isEmpty())
            continue;
        if (change.sends && !isParameterAddress(c.address)) {
            said << QStringLiteral("not sent %1: it has no parameter address in its program").arg(c.caption);
            continue;
        }
        if (change.sends) {
            services_.messages.clear();
            sendParameterChange(ctx_.line, kindName(c.kind), c.index, c.address, change.level, false);
            if (!services_.messages.isEmpty())
                return stepFailed(QStringLiteral("the message did not reach the pedal: ") + lastMessage());
        }
        said << change.said;
    }
    return true;
}
