#include "backup/BackupRestore.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "catalogue/ResourceStore.h"
#include "console/MemoryTools.h"
#include "params/Assignments.h"
#include "params/ParameterMessages.h"
#include "protocol/PedalLine.h"
#include "protocol/PedalSettings.h"
#include "protocol/ReadBack.h"

#include <array>

namespace {

// What the line kept while an operation ran (a driver's complaint, a reply that did not come), as
// one sentence after the operation's own: the operation ends with a single message.
QString withWhatTheLineSaid(PedalLine& line, const QString& problem) {
    const QStringList said = line.services.takeMessages();
    if (said.isEmpty())
        return problem;
    QStringList sentences;
    for (const QString& s : said)
        sentences << s.simplified();
    return problem + QStringLiteral(" (") + sentences.join(QStringLiteral(" ")) + u')';
}

// The stored effect's reply read and taken apart; nothing, with the reason, when none came or it
// does not read.
std::optional<StoredEffectReply> askStoredEffect(PedalLine& line, QString& reply, QString& problem) {
    reply = askStoredEffectText(line);
    if (reply.isEmpty()) {
        problem = QStringLiteral("The pedal did not say which effect it holds.");
        return std::nullopt;
    }
    try {
        return parseStoredEffectReply(reply);
    } catch (const ConversionError& error) {
        problem = QStringLiteral("The pedal's answer to which effect it holds does not read: %1.")
                      .arg(error.text());
        return std::nullopt;
    }
}

std::optional<QByteArray> requestBlock(PedalLine& line, std::uint32_t n, QString& problem) {
    StateRead read;
    try {
        read = requestState(line, n);
    } catch (const ConversionError& error) {
        problem = QStringLiteral("The pedal's settings do not read: %1.").arg(error.text());
        return std::nullopt;
    }
    if (!read.ok) {
        problem = QStringLiteral("The pedal's settings could not be read.");
        return std::nullopt;
    }
    return read.block;
}

// The editor's words for a parameter's kind in the protocol log.
QString logKind(ControlInfo::Kind kind) {
    return kind == ControlInfo::Kind::MultiSwitch ? QStringLiteral("multiswitch") : kindName(kind);
}

} // namespace

BackupResult backupPedal(PedalLine& line, const QString& editorVersion) {
    BackupResult result;
    const auto stop = [&](const QString& problem) {
        result.problem = withWhatTheLineSaid(line, problem);
        return result;
    };
    const auto cancelled = [&] {
        return stop(QStringLiteral("The backup was cancelled; no file was written."));
    };
    constexpr int kSteps = 4;
    line.progress(0, kSteps);
    QString reply;
    QString problem;
    const std::optional<StoredEffectReply> stored = askStoredEffect(line, reply, problem);
    if (!stored)
        return stop(problem);
    if (!stored->stored())
        return stop(QStringLiteral("No effect found on pedal: there are no settings to back up."));
    ResourceStore resources(line.services, line.console);
    const QString name = resources.catalogueName(stored->effectNumber);
    const std::optional<EffectControls> controls =
        name.isEmpty() ? std::nullopt : loadEffectControls(resources, name);
    if (!controls)
        return stop(
            QStringLiteral("The pedal runs effect %1, which is not in this editor's catalogue, so its "
                           "settings cannot be read.")
                .arg(stored->effectNumber));
    if (line.cancelRequested())
        return cancelled();
    line.progress(1, kSteps);
    const std::optional<QByteArray> block = requestBlock(line, controls->layout.parameters(), problem);
    if (!block)
        return stop(problem);
    result.backup.pedal = snapshotOf(*stored, name, *controls, *block);
    int step = 2;
    for (const QString& address : {kMemoryA, kMemoryB}) {
        if (line.cancelRequested())
            return cancelled();
        line.progress(step++, kSteps);
        const MemoryRead memory = readMemory(line, address);
        if (!memory.ok)
            return stop(memory.problem);
        result.backup.memories.push_back({address, memory.dump});
    }
    line.progress(kSteps, kSteps);
    result.backup.created = QDateTime::currentDateTimeUtc();
    result.backup.editorVersion = editorVersion;
    result.ok = true;
    // Nothing went wrong that needs saying; what the line kept meanwhile was not about this.
    line.services.takeMessages();
    return result;
}

RestorePlan planRestore(const PedalBackup& backup, ResourceStore& resources) {
    RestorePlan plan;
    plan.backup = backup;
    const PedalSnapshot& s = backup.pedal;
    const auto refuse = [&](const QString& why) {
        plan.problem = why + QStringLiteral(" Nothing was sent.");
        return plan;
    };
    plan.effectName = resources.catalogueName(s.effectNumber);
    const std::optional<EffectControls> controls =
        plan.effectName.isEmpty() ? std::nullopt : loadEffectControls(resources, plan.effectName);
    if (!controls)
        return refuse(
            QStringLiteral("The backup holds effect %1 (%2), which is not in this editor's catalogue.")
                .arg(s.effectNumber)
                .arg(s.effectName.isEmpty() ? QStringLiteral("no name") : s.effectName));
    plan.controls = *controls;
    const auto n = static_cast<std::size_t>(controls->parameters.size());
    if (s.parameters.size() != n)
        return refuse(QStringLiteral("The backup lists %1 parameters, but %2 has %3.")
                          .arg(s.parameters.size())
                          .arg(plan.effectName)
                          .arg(n));
    if (s.readbacks.size() != static_cast<std::size_t>(controls->layout.readbacks))
        return refuse(QStringLiteral("The backup lists %1 readbacks, but %2 has %3.")
                          .arg(s.readbacks.size())
                          .arg(plan.effectName)
                          .arg(controls->layout.readbacks));
    for (const ControlInfo& c : controls->parameters)
        if (!isParameterAddress(c.address))
            return refuse(QStringLiteral("The program of %1 gives %2 no parameter address.")
                              .arg(plan.effectName, c.caption));
    if (s.mode == 1 && s.bankOrPreset > 2)
        return refuse(QStringLiteral("The backup names bank %1, and the pedal has banks 1 to 3 only.")
                          .arg(s.bankOrPreset + 1));
    if (s.mode > 1)
        return refuse(QStringLiteral("The backup names mode code %1, which is neither preset nor bank mode.")
                          .arg(s.mode));
    plan.program =
        uploadProgram(plan.effectName, false, {}, s.bankMode(), s.bankMode() ? s.bankOrPreset : -1);
    if (!plan.program.problem.isEmpty())
        return refuse(plan.program.problem.remove(QStringLiteral("; nothing was sent")));
    return plan;
}

RestoreResult restorePedal(PedalLine& line, const RestorePlan& plan) {
    RestoreResult result;
    const PedalSnapshot& s = plan.backup.pedal;
    const auto n = static_cast<int>(s.parameters.size());
    const int steps = 1 + n + 3 + 2;
    int step = 0;
    const auto stop = [&](RestoreResult::End end, const QString& problem) {
        result.end = end;
        result.problem = withWhatTheLineSaid(line, problem);
        return result;
    };
    // After the upload the pedal holds the effect with only some of the backup's settings.
    const auto cancelledPartWay = [&] {
        return stop(RestoreResult::End::Cancelled,
                    QStringLiteral("The restore was cancelled: the pedal runs %1 now, but without all of "
                                   "the backup's settings. Restore it again to finish.")
                        .arg(plan.effectName));
    };

    line.progress(step++, steps);
    const UploadResult upload = uploadEffect(line, plan.effectName, false, plan.program);
    if (upload.end == UploadResult::End::Cancelled)
        return stop(RestoreResult::End::Cancelled,
                    QStringLiteral("The restore was cancelled during the upload; upload the effect again or "
                                   "restore again."));
    if (upload.end != UploadResult::End::Complete)
        return stop(RestoreResult::End::NotRestored,
                    upload.problem + QStringLiteral(" The pedal was not restored."));

    for (const ControlInfo& c : plan.controls.parameters) {
        if (line.cancelRequested())
            return cancelledPartWay();
        line.progress(step++, steps);
        const bool direct = c.kind == ControlInfo::Kind::Switch || c.kind == ControlInfo::Kind::Button;
        sendParameterChange(line, logKind(c.kind), c.index, c.address,
                            s.parameters[static_cast<std::size_t>(c.index)].level, direct);
    }

    if (line.cancelRequested())
        return cancelledPartWay();
    line.progress(step++, steps);
    std::array<std::uint8_t, 16> assignments{};
    assignments.fill(kNoControl);
    std::array<std::uint8_t, 4> readbacks{};
    readbacks.fill(kNoControl);
    for (std::size_t i = 0; i < s.parameters.size(); ++i)
        assignments[i] = s.parameters[i].assignment;
    for (std::size_t r = 0; r < s.readbacks.size(); ++r)
        readbacks[r] = s.readbacks[r].indicator;
    const QString assign = assignControlsText(assignments, readbacks, s.bypassCode, s.presetCode);
    line.console.log(assign);
    assignControls(line, assign);

    if (line.cancelRequested())
        return cancelledPartWay();
    line.progress(step++, steps);
    // The pedal takes 1 (reversed) and 0xFF (not); another flag it once held cannot be sent.
    for (const BackupParameter& p : s.parameters)
        if (p.reverse == 1 || p.reverse == 0xFF) {
            const QString reverse = setReverseText(p.reverse == 1, static_cast<std::uint32_t>(p.index));
            line.console.log(reverse);
            line.comm.SendHexMessage(reverse, false);
        }
    if (const int channel = midiChannelItem(s.midiChannel); channel >= 0) {
        const QString midi = setMidiChannelText(channel);
        line.console.logDirect(QStringLiteral("Midi channel: ") +
                               (channel == 0 ? QStringLiteral("OMNI") : QString::number(channel)));
        line.comm.SendHexMessage(midi, false);
    }

    if (line.cancelRequested())
        return cancelledPartWay();
    line.progress(step++, steps);
    // The reverse flags and the channel may still be on their way: purging the transmit queue, as
    // Store Settings On Pedal does, would throw them away unsent.
    storeSettings(line, static_cast<std::uint32_t>(n), false);

    // Read back, as Get FX Stored on Pedal and Request read it, and compared.
    line.progress(step++, steps);
    QString problem;
    const std::optional<StoredEffectReply> stored = askStoredEffect(line, result.storedReply, problem);
    if (!stored)
        return stop(RestoreResult::End::NotRestored,
                    QStringLiteral("Everything was sent and stored, but the pedal could not be read back: ") +
                        problem);
    line.progress(step++, steps);
    const std::optional<QByteArray> block = requestBlock(line, static_cast<std::uint32_t>(n), problem);
    if (!block)
        return stop(RestoreResult::End::NotRestored,
                    QStringLiteral("Everything was sent and stored, but the pedal could not be read back: ") +
                        problem);
    result.block = *block;
    line.progress(steps, steps);
    ResourceStore resources(line.services, line.console);
    const QString onPedal = stored->stored() ? resources.catalogueName(stored->effectNumber) : QString();
    result.differences = snapshotDifferences(s, snapshotOf(*stored, onPedal, plan.controls, *block));
    result.end = RestoreResult::End::Restored;
    line.services.takeMessages();
    return result;
}
