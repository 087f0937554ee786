#pragma once

#include "params/ControlLayout.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class ResourceStore;

// One parameter of an effect as its layout and program describe it.
struct ControlInfo {
    enum class Kind { Pot, Switch, Button, MultiSwitch };
    int index = 0;
    Kind kind = Kind::Pot;
    QString caption;
    QString offText;   // a switch's
    QString onText;    // a switch's
    QStringList items; // a multi-position switch's positions
    QString address;   // four hex digits, as the program holds it
};

// Everything the layout and the program say about an effect's controls, in control index order.
struct EffectControls {
    ControlLayout layout;
    QList<ControlInfo> parameters;
};

// Reads the effect's layout and program (the layout's "_ctrls" resource and the program found by
// the naming rule) and describes its parameters. Nothing when either cannot be read.
std::optional<EffectControls> loadEffectControls(ResourceStore& resources, const QString& displayName);

// A parameter's kind, as state --json and backups call it: pot, switch, button or selector.
QString kindName(ControlInfo::Kind kind);

// The parameter a name picks: its caption, without regard to letter case, or its index.
const ControlInfo* findControl(const EffectControls& controls, const QString& name);

// The level a text means for a control, in the editor's scale: 0 to 1023 for a pot; on or off
// (1 or 0) for a switch or a button; an item's text or position for a multi-position switch.
// Nothing when the text means no level of this control.
std::optional<std::int32_t> levelFromText(const ControlInfo& control, const QString& text);

// What a level shows on a control: the number for a pot, the on or off text for a switch, the
// item for a multi-position switch.
QString levelText(const ControlInfo& control, std::int32_t level);
