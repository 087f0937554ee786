// The pedal-wide settings (reverse, MIDI channel, storing the settings) and the editor's mode.

#include "cli/CliSession.h"

#include "base/SettingsFile.h"
#include "params/Assignments.h"
#include "params/ParameterMessages.h"
#include "protocol/PedalSettings.h"
#include "protocol/StateBlock.h"

int CliSession::reverse(const CommandLine& line) {
    const QString& typed = line.operands.at(1);
    const bool on = typed.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0;
    if (!on && typed.compare(QLatin1String("off"), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("reverse takes on or off, not %1").arg(typed), kExitUsage);
    if (!reachRunningEffect(true))
        return status_;
    const ControlInfo* control = parameterNamed(line.operands.at(0));
    if (!control)
        return status_;
    const auto index = static_cast<std::uint32_t>(control->index);
    const StateBlockOffsets offsets{parameterCount()};
    // The editor offers reverse only beside a parameter that has a control to reverse.
    const std::uint8_t assigned = stateBlockByte(ctx_.state.receiveArray, offsets.assignment(index));
    if (on && assignItemOfCode(assigned) == kAssignNoneItem)
        return fail(QStringLiteral("%1 has no control assigned to reverse (tarvo-max assign gives it one)")
                        .arg(control->caption),
                    kExitUsage);
    const QString text = setReverseText(on, index);
    ctx_.console.log(text);
    if (!send(text, false))
        return status_;
    out_ << control->caption << ": " << (on ? "reversed" : "not reversed") << Qt::endl;
    return kExitOk;
}

int CliSession::midi(const CommandLine& line) {
    const QString typed = line.operands.at(0).trimmed().toUpper();
    const int channel = midiChannelOfItem(typed);
    if (channel < 0)
        return fail(QStringLiteral("%1 is no MIDI channel: give OMNI or 1 to 16").arg(line.operands.at(0)),
                    kExitUsage);
    // The question first: a channel sent into a line with no pedal on it would pass for set.
    if (!link() || !readStoredEffect())
        return status_;
    ctx_.console.logDirect(QStringLiteral("Midi channel: ") + typed);
    if (!send(setMidiChannelText(channel), false))
        return status_;
    out_ << "MIDI channel: " << (channel == 0 ? QStringLiteral("OMNI") : QString::number(channel))
         << Qt::endl;
    return kExitOk;
}

int CliSession::mode(const CommandLine& line) {
    const QString& typed = line.operands.at(0);
    const bool bank = typed.compare(QLatin1String("bank"), Qt::CaseInsensitive) == 0;
    if (!bank && typed.compare(QLatin1String("preset"), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("mode takes preset or bank, not %1").arg(typed), kExitUsage);
    // The editor's own setting: nothing goes to the pedal.
    if (services_.documentsPath().isEmpty())
        return fail(QStringLiteral("no documents folder is known, so the editor's mode file has no place"));
    const QString path = SettingsFile::path(services_, kModeFile);
    QString error;
    if (!SettingsFile::write(path, modeWord(bank), &error))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, error));
    out_ << "mode: " << (bank ? "bank" : "preset") << " (in " << path << ")" << Qt::endl;
    return kExitOk;
}

int CliSession::store(const CommandLine&) {
    if (!reachRunningEffect(false))
        return status_;
    const QString text = storeSettingsText(parameterCount());
    ctx_.console.log(QStringLiteral("Store settings message (HEX): ") + text);
    if (!send(text, true, 2))
        return status_;
    services_.pause(kStoreSettingsPauseMs);
    out_ << "settings stored on the pedal: " << effectName_ << ", " << parameterCount() << " parameters"
         << Qt::endl;
    return kExitOk;
}
