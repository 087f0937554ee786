#include "params/EffectControls.h"

#include "catalogue/ResourceStore.h"
#include "params/ParameterMessages.h"

namespace {

ControlInfo describe(const ControlLayout& layout, int i, const QString& address) {
    ControlInfo info;
    info.index = i;
    info.address = address;
    const QString& line = layout.controlLines.at(i);
    const auto index = static_cast<std::uint32_t>(i);
    if (index < layout.pots) {
        info.kind = ControlInfo::Kind::Pot;
        info.caption = line;
    } else if (index < layout.pots + layout.switches && isButtonLine(line)) {
        info.kind = ControlInfo::Kind::Button;
        info.caption = lineName(line, u':');
    } else if (index < layout.pots + layout.switches) {
        const SwitchLine parsed = parseSwitchLine(line);
        info.kind = ControlInfo::Kind::Switch;
        info.caption = parsed.name;
        info.offText = parsed.offText;
        info.onText = parsed.onText;
    } else {
        const MultiSwitchLine parsed = parseMultiSwitchLine(line);
        info.kind = ControlInfo::Kind::MultiSwitch;
        info.caption = parsed.name;
        info.items = parsed.items;
    }
    return info;
}

} // namespace

std::optional<EffectControls> loadEffectControls(ResourceStore& resources, const QString& displayName) {
    const QString base = ResourceStore::format_resource_name(displayName);
    if (!resources.read_file_from_stream(base + QStringLiteral("_ctrls")))
        return std::nullopt;
    EffectControls controls;
    controls.layout = parseLayoutLines(resources.resource_lines);
    if (!resources.read_file_from_stream(base))
        return std::nullopt;
    const QStringList addresses = parameterAddressesOf(resources.resource_lines.value(0));
    for (int i = 0; i < controls.layout.controlLines.size(); ++i)
        controls.parameters << describe(controls.layout, i, addresses.at(i));
    return controls;
}

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

const ControlInfo* findControl(const EffectControls& controls, const QString& name) {
    for (const ControlInfo& control : controls.parameters)
        if (control.caption.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &control;
    bool isNumber = false;
    const int index = name.toInt(&isNumber);
    if (isNumber && index >= 0 && index < controls.parameters.size())
        return &controls.parameters.at(index);
    return nullptr;
}

std::optional<std::int32_t> levelFromText(const ControlInfo& control, const QString& text) {
    const QString t = text.trimmed();
    bool isNumber = false;
    const int number = t.toInt(&isNumber);
    switch (control.kind) {
    case ControlInfo::Kind::Pot:
        if (isNumber && number >= 0 && number <= 1023)
            return number;
        return std::nullopt;
    case ControlInfo::Kind::Switch:
    case ControlInfo::Kind::Button:
        if (t.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 || t == control.onText ||
            t == QLatin1String("1"))
            return 1024;
        if (t.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0 || t == control.offText ||
            t == QLatin1String("0"))
            return 0;
        return std::nullopt;
    case ControlInfo::Kind::MultiSwitch:
        break;
    }
    const auto positions = static_cast<std::uint32_t>(control.items.size());
    for (int i = 0; i < control.items.size(); ++i)
        if (control.items.at(i).compare(t, Qt::CaseInsensitive) == 0)
            return multiSwitchLevel(i, positions);
    if (isNumber && number >= 0 && number < control.items.size())
        return multiSwitchLevel(number, positions);
    return std::nullopt;
}

QString levelText(const ControlInfo& control, std::int32_t level) {
    switch (control.kind) {
    case ControlInfo::Kind::Pot:
        return QString::number(level);
    case ControlInfo::Kind::Switch:
        return level > 0 ? control.onText : control.offText;
    case ControlInfo::Kind::Button:
        return level > 0 ? QStringLiteral("on") : QStringLiteral("off");
    case ControlInfo::Kind::MultiSwitch:
        break;
    }
    const int position = multiSwitchPosition(level, static_cast<std::uint32_t>(control.items.size()));
    return position >= 0 ? control.items.at(position) : QString();
}
