#include "protocol/PedalSettings.h"

#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "base/Services.h"
#include "protocol/Commands.h"
#include "protocol/PedalLine.h"

QString setMidiChannelText(int channel) {
    return commandHex(Command::SetMidiChannel) + intToHex(static_cast<std::uint32_t>(channel) & 0xFF, 2);
}

int midiChannelOfItem(const QString& text) {
    if (text == QLatin1String("OMNI"))
        return 0;
    bool ok = false;
    const int channel = text.toInt(&ok);
    return ok && channel >= 1 && channel <= 16 ? channel : -1;
}

QString setLiveText(bool on) {
    return commandHex(Command::SetLive) + (on ? QStringLiteral("0100") : QStringLiteral("0000"));
}

QString storeSettingsText(std::uint32_t numOfParameters) {
    return commandHex(Command::StoreSettings) + intToHex(numOfParameters % 256, 2);
}

QString setBypassText(bool bypassed) {
    return commandHex(Command::SetBypass) + (bypassed ? QStringLiteral("01") : QStringLiteral("00"));
}

QString eraseSettingsQuestion() {
    return QStringList{
        QStringLiteral("Are you sure you want to delete all settings?"),
        QStringLiteral(
            "This action will delete the current stored algorithm and any other settings like presets "
            "and assignments"),
        QStringLiteral("Erase settings is suggested in the following cases:"),
        QStringLiteral("- the pedal is unresponsive/freezed after updates"),
        QStringLiteral("- unexpected behaviour or bugs which afflicts the pedal functionalities"),
        QStringLiteral("- you want to switch to the Hollin MK3 pedal"),
    }
        .join(QStringLiteral("\r\n"));
}

void storeSettings(PedalLine& line, std::uint32_t numOfParameters, bool purgeFirst) {
    const QString text = storeSettingsText(numOfParameters);
    line.console.log(QStringLiteral("Store settings message (HEX): ") + text);
    line.comm.SendHexMessage(text, 2, purgeFirst);
    line.services.pause(kStoreSettingsPauseMs);
}
