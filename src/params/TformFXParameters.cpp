#include "params/TformFXParameters.h"

#include "app/TformMain.h"
#include "app/ToggleSwitch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>

const QStringList TformFXParameters::assignItems = {"KI", "KII", "KIII", "KIV", "KV",  "B1", "B2",
                                                    "B3", "FS",  "FL",   "RMT", "EXP", "--"};
const QStringList TformFXParameters::bypassPresetItems = {"FS", "FL", "RMT", "--"};
const QStringList TformFXParameters::readbackItems = {"SX", "DX", "RED", "GREEN", "--"};

namespace {
constexpr int kAssignNone = 12;
constexpr int kBypassPresetNone = 3;
constexpr int kReadbackNone = 4;
} // namespace

TformFXParameters::TformFXParameters(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formFXParameters"), QStringLiteral("FX Parameters"),
                 QSize(kWindowWidth, 300), QPoint(436, 31)) {}

void TformFXParameters::showEvent(QShowEvent* event) {
    EditorForm::showEvent(event);
    // Only a show asked for by the editor rebuilds; restoring a minimised window does not.
    if (!event->spontaneous() && !built_)
        runGuarded(ctx.services, [this] { OnShow(); });
}

void TformFXParameters::closeEvent(QCloseEvent* event) {
    OnClose();
    EditorForm::closeEvent(event);
}

void TformFXParameters::OnClose() {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
    built_ = false;
    if (windows.formMain) {
        windows.formMain->btnRequest->setEnabled(false);
        windows.formMain->btnAssign->setEnabled(false);
    }
}

void TformFXParameters::ParseControlLayout() {
    ResourceStore& resources = ctx.resources;
    resources.read_file_from_stream(ResourceStore::format_resource_name(ctx.state.selectedEffectName) +
                                    QStringLiteral("_ctrls"));
    const ControlLayout layout = ::ParseControlLayout(resources.resource_lines);
    ctx.console.logLines(layout.log);
    ctx.state.numOfPots = layout.pots;
    ctx.state.numOfSwitches = layout.switches;
    ctx.state.numOfMultiSwitches = layout.multiSwitches;
    ctx.state.numOfParameters = layout.parameters();
    ctx.state.numOfReadbacks = layout.readbacks;
    for (qsizetype i = 0; i < layout.controlLines.size(); ++i)
        controlLines[static_cast<std::size_t>(i)] = layout.controlLines.at(i);
    for (qsizetype j = 0; j < layout.readbackLines.size(); ++j)
        readbackLines[static_cast<std::size_t>(j)] = layout.readbackLines.at(j);
}

void TformFXParameters::ReadParameterAddresses() {
    ResourceStore& resources = ctx.resources;
    const QString name = ResourceStore::format_resource_name(ctx.state.selectedEffectName);
    ctx.console.log(QStringLiteral("resource name: ") + name);
    resources.read_file_from_stream(name);
    const QString program = resources.resource_lines.value(0);
    QStringList lines;
    lines << QStringLiteral("content: ") + program;
    lines << QStringLiteral("file content size: %1").arg(program.size() / 2);
    const QStringList addresses = ::ReadParameterAddresses(program);
    for (int i = 0; i < kMaxParameters; ++i) {
        parameterAddresses[static_cast<std::size_t>(i)] = addresses.at(i);
        lines << QStringLiteral("parameter address: ") + addresses.at(i);
    }
    ctx.console.logLines(lines);
}

QLabel* TformFXParameters::captionLabel(const QString& text, int row, int width) {
    auto* label = new QLabel(text, this);
    label->setGeometry(10, rowY(row), width, 20);
    label->setToolTip(text);
    label->show();
    return label;
}

QComboBox* TformFXParameters::selector(const char* name, const QString& accessibleName,
                                       const QStringList& items, int row) {
    auto* box = place(new QComboBox(this), name, accessibleName, {300, rowY(row), 70, 20});
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEnabled(ctx.state.effectOnPedalSelected);
    box->show();
    return box;
}

void TformFXParameters::OnShow() {
    ParseControlLayout();
    ReadParameterAddresses();
    EditorState& s = ctx.state;
    const bool enabled = s.effectOnPedalSelected;
    const int p = static_cast<int>(s.numOfPots);
    const int sw = static_cast<int>(s.numOfSwitches);
    const int n = static_cast<int>(s.numOfParameters);
    const int r = static_cast<int>(s.numOfReadbacks);

    for (int i = 0; i < p; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        auto* bar =
            place(new QSlider(Qt::Horizontal, this), "potBar", controlLines[k], {160, rowY(i), 100, 20});
        bar->setObjectName(QStringLiteral("potBar%1").arg(i));
        bar->setRange(0, 1023);
        bar->setEnabled(enabled);
        bar->show();
        on(bar, &QSlider::valueChanged, [this, bar] { PotParameterChange(bar); });
        potBars[k] = bar;
        nameLabels[k] = captionLabel(controlLines[k], i, 150);
        nameLabels[k]->setBuddy(bar);
    }

    isButton.fill(false);
    buttonStates.fill(false);
    for (int i = p; i < p + sw; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const QString& line = controlLines[k];
        if (IsButtonLine(line)) {
            const QString name = LineName(line, u':');
            auto* button = place(new QPushButton(name, this), "paramButton", name, {190, rowY(i), 40, 20});
            button->setObjectName(QStringLiteral("paramButton%1").arg(i));
            button->setEnabled(enabled);
            button->show();
            on(button, &QPushButton::clicked, [this, button] { ButtonParameterClick(button); });
            paramButtons[k] = button;
            nameLabels[k] = captionLabel(name, i, 150);
            // A button line carries no texts of its own: its value label stays empty.
            valueLabels[k] = new QLabel(QString(), this);
            valueLabels[k]->setGeometry(120, rowY(i), 100, 20);
            valueLabels[k]->show();
            isButton[k] = true;
        } else {
            const SwitchLine parsed = ParseSwitchLine(line);
            auto* toggle =
                place(new ToggleSwitch(this), "switchControl", parsed.name, {190, rowY(i), 40, 20});
            toggle->setObjectName(QStringLiteral("switchControl%1").arg(i));
            toggle->setEnabled(enabled);
            toggle->show();
            on(toggle, &ToggleSwitch::clicked, [this, toggle] { SwitchParameterClick(toggle); });
            switchControls[k] = toggle;
            nameLabels[k] = captionLabel(parsed.name, i, 150);
            offTexts[k] = parsed.offText;
            onTexts[k] = parsed.onText;
            ctx.console.log(offTexts[k]);
            ctx.console.log(onTexts[k]);
            valueLabels[k] = new QLabel(offTexts[k], this);
            valueLabels[k]->setGeometry(120, rowY(i), 100, 20);
            valueLabels[k]->show();
        }
    }

    for (int i = p + sw; i < n; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const MultiSwitchLine parsed = ParseMultiSwitchLine(controlLines[k]);
        auto* box = place(new QComboBox(this), "multiSwitchBox", parsed.name, {160, rowY(i), 100, 20});
        box->setObjectName(QStringLiteral("multiSwitchBox%1").arg(i));
        box->setEnabled(enabled);
        nameLabels[k] = captionLabel(parsed.name, i, 100);
        nameLabels[k]->setWordWrap(true);
        nameLabels[k]->setBuddy(box);
        const qsizetype semicolon = controlLines[k].indexOf(u';');
        ctx.console.log(semicolon < 0 ? QString() : controlLines[k].mid(semicolon + 1));
        multiSwitchItemCounts[k] = static_cast<std::uint32_t>(parsed.items.size());
        ctx.console.logLines(parsed.items);
        box->addItems(parsed.items);
        box->setCurrentIndex(-1);
        box->show();
        on(box, &QComboBox::currentIndexChanged, [this, box] { MultiSwitchOnChange(box); });
        multiSwitchBoxes[k] = box;
    }

    for (int i = 0; i < n; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const QString caption = nameLabels[k] ? nameLabels[k]->text() : controlLines[k];
        QComboBox* box = selector("assignBox", QStringLiteral("Assign ") + caption, assignItems, i);
        box->setObjectName(QStringLiteral("assignBox%1").arg(i));
        on(box, &QComboBox::currentIndexChanged, [this, i] { AssignBoxChanged(i); });
        assignBoxes[k] = box;
    }

    separatorLine = new QFrame(this);
    separatorLine->setObjectName(QStringLiteral("separatorLine"));
    separatorLine->setFrameShape(QFrame::VLine);
    separatorLine->setGeometry(280, 10, 1, static_cast<int>(n * 24.5));
    separatorLine->show();

    bypassLabel = captionLabel(QStringLiteral("Bypass Toggle"), n, 150);
    bypassAssignBox = selector("bypassAssignBox", QStringLiteral("Bypass Toggle"), bypassPresetItems, n);
    on(bypassAssignBox.data(), &QComboBox::currentIndexChanged, [this] { BypassPresetChanged(true); });
    presetLabel = captionLabel(QStringLiteral("Preset Change"), n + 1, 150);
    presetAssignBox = selector("presetAssignBox", QStringLiteral("Preset Change"), bypassPresetItems, n + 1);
    on(presetAssignBox.data(), &QComboBox::currentIndexChanged, [this] { BypassPresetChanged(false); });
    DisableBypassAndPresetAssignInBankMode();

    for (int j = 0; j < r; ++j) {
        const std::size_t k = static_cast<std::size_t>(j);
        readbackLabels[k] = captionLabel(readbackLines[k], n + 2 + j, 150);
        QComboBox* box = selector("readbackBox", readbackLines[k], readbackItems, n + 2 + j);
        box->setObjectName(QStringLiteral("readbackBox%1").arg(j));
        on(box, &QComboBox::currentIndexChanged, [this, j] { ReadbackBoxChanged(j); });
        readbackBoxes[k] = box;
    }

    for (int i = 0; i < n; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const QString caption = nameLabels[k] ? nameLabels[k]->text() : controlLines[k];
        auto* box = place(new QCheckBox(this), "reverseBox", QStringLiteral("Reverse ") + caption,
                          {380, rowY(i), 20, 20});
        box->setObjectName(QStringLiteral("reverseBox%1").arg(i));
        box->setToolTip(QStringLiteral("Toggle the Reverse function for the current parameter"));
        box->setEnabled(false);
        box->show();
        on(box, &QCheckBox::toggled, [this, box] { ReverseCheckBoxOnClick(box); });
        reverseBoxes[k] = box;
    }
    built_ = true;
}

void TformFXParameters::update_FXParameters() {
    EditorState& s = ctx.state;
    s.parameterValues.assign(s.numOfParameters, 0);
    ctx.console.log(QString::number(s.receiveArray.size()));
    for (std::uint32_t i = 0; i < s.numOfParameters; ++i)
        s.parameterValues[i] = StateBlockParameterValue(s.receiveArray, i);
    setItems();
}

void TformFXParameters::setItems() {
    const EditorState& s = ctx.state;
    const auto value = [&](std::uint32_t i) {
        return i < s.parameterValues.size() ? s.parameterValues[i] : 0;
    };
    const std::uint32_t p = s.numOfPots;
    const std::uint32_t two = p + s.numOfSwitches;
    for (std::uint32_t i = 0; i < p; ++i)
        if (potBars[i])
            potBars[i]->setValue(std::clamp(value(i), 0, 1023));
    for (std::uint32_t i = p; i < two; ++i) {
        if (isButton[i] || !switchControls[i])
            continue;
        if (value(i) == 0)
            switchControls[i]->setChecked(false);
        else if (value(i) > 0)
            switchControls[i]->setChecked(true);
        ShowSwitchText(static_cast<int>(i));
    }
    for (std::uint32_t i = two; i < s.numOfParameters; ++i)
        if (multiSwitchBoxes[i])
            multiSwitchBoxes[i]->setCurrentIndex(MultiSwitchPosition(value(i), multiSwitchItemCounts[i]));
    if (windows.formMain)
        windows.formMain->btnRequest->setEnabled(true);
}

void TformFXParameters::EnableDisableControls(bool AEnable) {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(AEnable);
}

void TformFXParameters::ShowSwitchText(int i) {
    const std::size_t k = static_cast<std::size_t>(i);
    if (!switchControls[k] || !valueLabels[k])
        return;
    valueLabels[k]->setText(switchControls[k]->isChecked() ? onTexts[k] : offTexts[k]);
}

void TformFXParameters::ApplyLiveReport(std::uint8_t control, std::uint8_t index, std::uint16_t value) {
    EditorState& s = ctx.state;
    // Reports for indices that name no control of the reported kind are dropped, and so is
    // everything while the window is closed (the slots are empty then).
    if (index >= s.numOfParameters || index >= kMaxParameters)
        return;
    s.liveReportInProgress = true;
    const std::uint32_t twoState = s.numOfPots + s.numOfSwitches;
    if (control < 5 || control == 11) {
        if (index < twoState) {
            if (potBars[index])
                potBars[index]->setValue(std::min<int>(value, 1023));
        } else if (multiSwitchBoxes[index]) {
            const int position = MultiSwitchPosition(value, multiSwitchItemCounts[index]);
            if (position >= 0)
                multiSwitchBoxes[index]->setCurrentIndex(position);
        }
    } else if (control <= 10) {
        if (switchControls[index]) {
            switchControls[index]->setChecked(value > 0);
            ShowSwitchText(index);
        }
    }
    s.liveReportInProgress = false;
}

// ---- Parameter messages ----

void TformFXParameters::sendParameter(int i, std::int32_t level, const QString& kind, bool direct) {
    const QString text = SetParameterText(parameterAddresses[static_cast<std::size_t>(i)], level);
    const QString line = QStringLiteral("data sent ") + kind + QStringLiteral(" %1: ").arg(i) + text;
    if (direct)
        ctx.console.logDirect(line);
    else
        ctx.console.log(line);
    ctx.comm.SendHexMessage(text, 7, false);
}

void TformFXParameters::PotParameterChange(QSlider* sender) {
    if (ctx.state.requestInProgress || ctx.state.liveReportInProgress)
        return;
    for (std::uint32_t i = 0; i < ctx.state.numOfPots && i < kMaxParameters; ++i)
        if (potBars[i] == sender) {
            SendPot(static_cast<int>(i));
            return;
        }
}

void TformFXParameters::SendPot(int i) {
    QSlider* bar = potBars[static_cast<std::size_t>(i)];
    if (!bar)
        return;
    sendParameter(i, PotLevel(bar->value()), QStringLiteral("pot"), false);
    ctx.services.pause(1);
}

void TformFXParameters::SwitchParameterClick(ToggleSwitch* sender) {
    if (ctx.state.requestInProgress)
        return;
    const std::uint32_t p = ctx.state.numOfPots;
    for (std::uint32_t i = p; i < p + ctx.state.numOfSwitches && i < kMaxParameters; ++i)
        if (switchControls[i] == sender) {
            SendSwitch(static_cast<int>(i));
            ShowSwitchText(static_cast<int>(i));
            return;
        }
}

void TformFXParameters::SendSwitch(int i) {
    ToggleSwitch* toggle = switchControls[static_cast<std::size_t>(i)];
    if (!toggle)
        return;
    sendParameter(i, toggle->isChecked() ? 1024 : 0, QStringLiteral("switch"), true);
}

void TformFXParameters::ButtonParameterClick(QPushButton* sender) {
    if (ctx.state.requestInProgress)
        return;
    const std::uint32_t p = ctx.state.numOfPots;
    for (std::uint32_t i = p; i < p + ctx.state.numOfSwitches && i < kMaxParameters; ++i)
        if (paramButtons[i] == sender) {
            SendButton(static_cast<int>(i));
            sender->clearFocus();
            return;
        }
}

void TformFXParameters::SendButton(int i) {
    // Every activation alternates, whether it came from the pointer or from the keyboard, so
    // a player without a mouse drives the button the same way.
    const std::size_t k = static_cast<std::size_t>(i);
    const std::int32_t level = buttonStates[k] ? 0 : 1024;
    buttonStates[k] = !buttonStates[k];
    sendParameter(i, level, QStringLiteral("button"), true);
}

void TformFXParameters::MultiSwitchOnChange(QComboBox* sender) {
    if (ctx.state.requestInProgress)
        return;
    const std::uint32_t from = ctx.state.numOfPots + ctx.state.numOfSwitches;
    for (std::uint32_t i = from; i < ctx.state.numOfParameters && i < kMaxParameters; ++i)
        if (multiSwitchBoxes[i] == sender) {
            SendMultiSwitch(static_cast<int>(i));
            return;
        }
}

void TformFXParameters::SendMultiSwitch(int i) {
    const std::size_t k = static_cast<std::size_t>(i);
    QComboBox* box = multiSwitchBoxes[k];
    if (!box || box->currentIndex() < 0)
        return;
    sendParameter(i, MultiSwitchLevel(box->currentIndex(), multiSwitchItemCounts[k]),
                  QStringLiteral("multiswitch"), false);
}

// ---- Assignment columns ----

void TformFXParameters::AssignBoxChanged(int i) {
    const std::size_t k = static_cast<std::size_t>(i);
    QComboBox* box = assignBoxes[k];
    QCheckBox* reverse = reverseBoxes[k];
    if (!box)
        return;
    if (box->currentIndex() == kAssignNone) {
        ctx.state.assignCodes[k] = kNoAssignment;
        if (reverse) {
            reverse->setEnabled(false);
            if (reverse->isChecked())
                reverse->setChecked(false);
        }
    } else if (box->currentIndex() >= 0) {
        ctx.state.assignCodes[k] = box->currentIndex();
        if (reverse)
            reverse->setEnabled(true);
    }
}

void TformFXParameters::BypassPresetChanged(bool bypassRow) {
    QComboBox* box = bypassRow ? bypassAssignBox : presetAssignBox;
    if (!box || box->currentIndex() < 0)
        return;
    const int index = box->currentIndex();
    const std::uint8_t code = index == kBypassPresetNone ? 0xFF : static_cast<std::uint8_t>(index + 8);
    (bypassRow ? ctx.state.bypassAssignCode : ctx.state.presetAssignCode) = code;
    ctx.console.log(
        (bypassRow ? QStringLiteral("BypassAssignment: ") : QStringLiteral("PresetAssignment: ")) +
        IntToHex(code, 2));
}

void TformFXParameters::ReadbackBoxChanged(int r) {
    QComboBox* box = readbackBoxes[static_cast<std::size_t>(r)];
    if (!box)
        return;
    // Only the changed readback's code is replaced; the others keep theirs.
    const int index = box->currentIndex();
    const std::int32_t code = index < 0 ? kNoAssignment : index;
    ctx.state.readbackCodes[static_cast<std::size_t>(r)] = code;
    ctx.console.log(IntToHex(static_cast<std::uint32_t>(code), 2));
}

void TformFXParameters::ReverseCheckBoxOnClick(QCheckBox* sender) {
    if (ctx.state.requestInProgress)
        return;
    for (std::uint32_t i = 0; i < ctx.state.numOfParameters && i < kMaxParameters; ++i)
        if (reverseBoxes[i] == sender) {
            const QString text =
                (sender->isChecked() ? QStringLiteral("0801") : QStringLiteral("08FF")) + IntToHex(i, 2);
            ctx.console.log(text);
            ctx.comm.SendHexMessage(text, false);
            return;
        }
}

void TformFXParameters::EnableRevCheckBoxes() {
    for (std::uint32_t i = 0; i < ctx.state.numOfParameters && i < kMaxParameters; ++i) {
        if (!reverseBoxes[i] || !assignBoxes[i])
            continue;
        const bool enable = assignBoxes[i]->currentIndex() != kAssignNone;
        reverseBoxes[i]->setEnabled(enable);
        ctx.console.log(enable ? QStringLiteral("True") : QStringLiteral("False"));
    }
}

void TformFXParameters::DisableBypassAndPresetAssignInBankMode() {
    if (!ctx.state.bankMode || !bypassAssignBox || !presetAssignBox)
        return;
    bypassAssignBox->setCurrentIndex(0);
    presetAssignBox->setCurrentIndex(1);
    bypassAssignBox->setEnabled(false);
    presetAssignBox->setEnabled(false);
}

// Showing the pedal's stored assignments, reverse flags and mode comes with the assignment work.
void TformFXParameters::receive_assignments_from_device() {}
void TformFXParameters::receive_reverse_data_from_device() {}
void TformFXParameters::receive_mode() {}
