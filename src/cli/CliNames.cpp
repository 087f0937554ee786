#include "cli/CliNames.h"

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

QString bankName(int bank) {
    static const QStringList names = {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")};
    return bank >= 0 && bank < names.size() ? names.at(bank) : QString::number(bank);
}
