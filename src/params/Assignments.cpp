#include "params/Assignments.h"

#include "base/Convert.h"
#include "base/Services.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"

std::uint8_t assignCodeOfItem(int item) {
    return item < 0 || item >= kAssignNoneItem ? kNoControl : static_cast<std::uint8_t>(item);
}

std::uint8_t bypassPresetCodeOfItem(int item) {
    return item < 0 || item >= kBypassPresetNoneItem ? kNoControl : static_cast<std::uint8_t>(item + 8);
}

std::uint8_t readbackCodeOfItem(int item) {
    return item < 0 || item >= kReadbackNoneItem ? kNoControl : static_cast<std::uint8_t>(item);
}

int assignItemOfCode(std::uint8_t code) {
    if (code == kNoControl)
        return kAssignNoneItem;
    return code <= kAssignNoneItem ? code : -1;
}

int bypassPresetItemOfCode(std::uint8_t code) {
    if (code == kNoControl)
        return kBypassPresetNoneItem;
    return code >= 8 && code - 8 <= kBypassPresetNoneItem ? code - 8 : -1;
}

int readbackItemOfCode(std::uint8_t code) {
    if (code == kNoControl)
        return kReadbackNoneItem;
    return code <= kReadbackNoneItem ? code : -1;
}

QString assignControlsText(const std::array<std::uint8_t, 16>& assignments,
                           const std::array<std::uint8_t, 4>& readbacks, std::uint8_t bypassCode,
                           std::uint8_t presetCode) {
    QString text = commandHex(Command::AssignControls);
    for (std::uint8_t code : assignments)
        text += intToHex(code, 2);
    for (std::uint8_t code : readbacks)
        text += intToHex(code, 2);
    return text + intToHex(bypassCode, 2) + intToHex(presetCode, 2);
}

void assignControls(PedalLine& line, const QString& text) {
    line.comm.SendHexMessage(text, false);
    line.services.pause(kAssignControlsPauseMs);
}
