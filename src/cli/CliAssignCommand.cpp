// assign: which of the pedal's controls drives a parameter, which footswitches toggle bypass and
// change preset, and which indicator shows a readback; sent all together, as the editor's Assign
// sends them.

#include "cli/CliNames.h"
#include "cli/CliSession.h"

#include "params/Assignments.h"
#include "params/ParameterMessages.h"
#include "protocol/StateBlock.h"

#include <array>

// What AssignControls carries, starting from what the pedal holds.
struct AssignmentCodes {
    std::array<std::uint8_t, kMaxParameters> parameters{};
    std::array<std::uint8_t, kMaxReadbacks> readbacks{};
    std::uint8_t bypass = kNoControl;
    std::uint8_t preset = kNoControl;
    bool bankMode = false;
    // A parameter left without a control stops acting reversed, as the editor's selector sees to.
    std::optional<std::uint32_t> reverseOff;
};

namespace {

// The codes the editor's selectors would send after a Request read this block: a code outside a
// selector's list leaves it with no entry, which sends none.
AssignmentCodes codesHeld(const QByteArray& block, const ControlLayout& layout) {
    const StateBlockOffsets offsets{layout.parameters()};
    const auto byte = [&](std::uint32_t offset) { return stateBlockByte(block, offset); };
    AssignmentCodes codes;
    codes.parameters.fill(kNoControl);
    codes.readbacks.fill(kNoControl);
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(layout.parameters(), kMaxParameters); ++i)
        codes.parameters[i] = assignCodeOfItem(assignItemOfCode(byte(offsets.assignment(i))));
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(layout.readbacks, kMaxReadbacks); ++r)
        codes.readbacks[r] = readbackCodeOfItem(readbackItemOfCode(byte(offsets.readback(r))));
    codes.bankMode = byte(offsets.mode()) == 1;
    // In bank mode the footswitches are fixed: the editor shows and sends FS and FL.
    codes.bypass =
        bypassPresetCodeOfItem(codes.bankMode ? 0 : bypassPresetItemOfCode(byte(offsets.bypass())));
    codes.preset =
        bypassPresetCodeOfItem(codes.bankMode ? 1 : bypassPresetItemOfCode(byte(offsets.preset())));
    return codes;
}

// The words of an item list for the line that refuses another: "FS, FL, RMT or none".
QString itemChoices(const QStringList& items) {
    QStringList words = items.mid(0, items.size() - 1);
    words << QStringLiteral("none");
    return orList(words);
}

} // namespace

int CliSession::assign(const CommandLine& line) {
    // The editor asks before it sends; a script must have answered already.
    if (!line.yes)
        return fail(QStringLiteral("assign replaces the pedal's assignments: add --yes to assign (the editor "
                                   "asks \"Assign parameters?\" first)"),
                    kExitUsage);
    if (!reachRunningEffect(true))
        return status_;
    AssignmentCodes codes = codesHeld(ctx_.state.receiveArray, controls_->layout);
    QString said;
    if (!changeAssignment(line.operands, codes, said))
        return status_;
    if (codes.reverseOff) {
        const QString off = setReverseText(false, *codes.reverseOff);
        ctx_.console.log(off);
        if (!send(off, false))
            return status_;
    }
    const QString text = assignControlsText(codes.parameters, codes.readbacks, codes.bypass, codes.preset);
    ctx_.console.log(text);
    if (!send(text, false))
        return status_;
    services_.pause(kAssignControlsPauseMs);
    out_ << said << Qt::endl;
    return kExitOk;
}

bool CliSession::changeAssignment(const QStringList& words, AssignmentCodes& codes, QString& said) {
    const QString& first = words.at(0);
    if (first.compare(QLatin1String("readback"), Qt::CaseInsensitive) == 0)
        return changeReadback(words, codes, said);
    if (words.size() != 2)
        return stepFailed(QStringLiteral("assign takes PARAM and CONTROL, or readback NAME and INDICATOR "
                                         "(see tarvo-max assign --help)"),
                          kExitUsage);
    if (first.compare(QLatin1String("bypass"), Qt::CaseInsensitive) == 0 ||
        first.compare(QLatin1String("preset"), Qt::CaseInsensitive) == 0)
        return changeFootswitch(words, codes, said);
    return changeParameterAssignment(words, codes, said);
}

bool CliSession::changeParameterAssignment(const QStringList& words, AssignmentCodes& codes, QString& said) {
    const ControlInfo* control = parameterNamed(words.at(0));
    if (!control)
        return false;
    const int item = itemNamed(assignItems, words.at(1));
    if (item < 0)
        return stepFailed(QStringLiteral("%1 is no control of the pedal; a parameter takes %2")
                              .arg(words.at(1), itemChoices(assignItems)),
                          kExitUsage);
    const auto index = static_cast<std::uint32_t>(control->index);
    codes.parameters[index] = assignCodeOfItem(item);
    const StateBlockOffsets offsets{parameterCount()};
    if (item == kAssignNoneItem && stateBlockByte(ctx_.state.receiveArray, offsets.reverse(index)) == 1)
        codes.reverseOff = index;
    said = control->caption + QStringLiteral(": ") +
           (item == kAssignNoneItem ? QStringLiteral("no control") : assignItems.at(item)) +
           (codes.reverseOff ? QStringLiteral(" (no longer reversed)") : QString());
    return true;
}

bool CliSession::changeFootswitch(const QStringList& words, AssignmentCodes& codes, QString& said) {
    const bool bypassRow = words.at(0).compare(QLatin1String("bypass"), Qt::CaseInsensitive) == 0;
    if (codes.bankMode)
        return stepFailed(QStringLiteral("the pedal is in bank mode, where FS toggles bypass and FL changes "
                                         "preset; they cannot be assigned then"),
                          kExitUsage);
    const int item = itemNamed(bypassPresetItems, words.at(1));
    if (item < 0)
        return stepFailed(QStringLiteral("%1 is no footswitch for %2; it takes %3")
                              .arg(words.at(1),
                                   bypassRow ? QStringLiteral("bypass") : QStringLiteral("preset"),
                                   itemChoices(bypassPresetItems)),
                          kExitUsage);
    (bypassRow ? codes.bypass : codes.preset) = bypassPresetCodeOfItem(item);
    said = (bypassRow ? QStringLiteral("bypass toggle: ") : QStringLiteral("preset change: ")) +
           itemText(bypassPresetItems, item, 0);
    return true;
}

bool CliSession::changeReadback(const QStringList& words, AssignmentCodes& codes, QString& said) {
    if (words.size() != 3)
        return stepFailed(
            QStringLiteral("assign readback takes NAME and INDICATOR (see tarvo-max assign --help)"),
            kExitUsage);
    const QStringList& names = controls_->layout.readbackLines;
    bool isNumber = false;
    const int number = words.at(1).toInt(&isNumber);
    qsizetype r = isNumber && number >= 0 && number < names.size() ? number : -1;
    for (qsizetype i = 0; i < names.size() && r < 0; ++i)
        if (names.at(i).compare(words.at(1).trimmed(), Qt::CaseInsensitive) == 0)
            r = i;
    if (r < 0)
        return stepFailed(names.isEmpty()
                              ? QStringLiteral("%1 has no readbacks").arg(effectName_)
                              : QStringLiteral("%1 has no readback %2; its readbacks are %3")
                                    .arg(effectName_, words.at(1), names.join(QStringLiteral(", "))),
                          kExitUsage);
    const int item = itemNamed(readbackItems, words.at(2));
    if (item < 0)
        return stepFailed(QStringLiteral("%1 is no indicator of the pedal; a readback takes %2")
                              .arg(words.at(2), itemChoices(readbackItems)),
                          kExitUsage);
    codes.readbacks[static_cast<std::size_t>(r)] = readbackCodeOfItem(item);
    said = QStringLiteral("readback %1: %2").arg(names.at(r), itemText(readbackItems, item, 0));
    return true;
}
