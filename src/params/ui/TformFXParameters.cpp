#include "params/ui/TformFXParameters.h"

#include "base/Convert.h"
#include "params/Assignments.h"
#include "params/ParameterMessages.h"
#include "protocol/PedalSettings.h"
#include "protocol/StateBlock.h"
#include "ui/ToggleSwitch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>

TformFXParameters::TformFXParameters(EditorContext& context)
    : EditorForm(context, QStringLiteral("formFXParameters"), QStringLiteral("FX Parameters"),
                 QSize(kWindowWidth, 300), QPoint(436, 31), Sizing::Resizable),
      resources_(context.services, context.console), stock_(body()) {
    // Each effect opens at the size its rows need.
    resizeOnEveryShow();
    // Enough of each kind of control for the largest layout, made while the editor is idle; the
    // assignment selectors with their items, which are the same for every effect.
    const auto selectorWith = [](const QStringList& items) {
        return [items](QWidget* parent) {
            auto* box = new QComboBox(parent);
            box->addItems(items);
            box->setCurrentIndex(-1);
            return box;
        };
    };
    stock_.keep<QSlider>(kPot, kMaxParameters,
                         [](QWidget* parent) { return new QSlider(Qt::Horizontal, parent); });
    stock_.keep<QLabel>(kLabel, 2 * kMaxParameters + 2 + kMaxReadbacks,
                        [](QWidget* parent) { return new QLabel(parent); });
    stock_.keep<ToggleSwitch>(kSwitch, kMaxParameters,
                              [](QWidget* parent) { return new ToggleSwitch(parent); });
    stock_.keep<QPushButton>(kButton, kMaxParameters,
                             [](QWidget* parent) { return new QPushButton(parent); });
    stock_.keep<QComboBox>(kPositions, kMaxParameters, [](QWidget* parent) { return new QComboBox(parent); });
    stock_.keep<QComboBox>(kAssign, kMaxParameters, selectorWith(assignItems));
    stock_.keep<QComboBox>(kBypassPreset, 2, selectorWith(bypassPresetItems));
    stock_.keep<QComboBox>(kReadback, kMaxReadbacks, selectorWith(readbackItems));
    stock_.keep<QCheckBox>(kReverse, kMaxParameters, [](QWidget* parent) { return new QCheckBox(parent); });
    stock_.keep<QFrame>(kLine, 1, [](QWidget* parent) { return new QFrame(parent); });
    // The first stock once the editor has started and is waiting for the person; later ones as
    // soon as an opened window is on the screen (a timer runs after the paint it waits for).
    restock_.setSingleShot(true);
    connect(&restock_, &QTimer::timeout, this, [this] { stock_.refill(); });
    restock_.start(kFirstStockMs);
    createHistoryShortcuts();
}

void TformFXParameters::setVisible(bool visible) {
    // Only a show asked for by the editor rebuilds; restoring a minimised window does not. The
    // rows are built while the window is still hidden, so they come on screen with it in one go,
    // and the window is sized and placed for them.
    if (visible && !built_)
        runGuarded(ctx.services, [this] { OnShow(); });
    EditorForm::setVisible(visible);
}

void TformFXParameters::showEvent(QShowEvent* event) {
    EditorForm::showEvent(event);
    // What this build took from the stock is made again once the window is on screen.
    restock_.start(0);
}

void TformFXParameters::keepWidth(int width) {
    resize(width, height());
    placeOnScreen(pos());
}

void TformFXParameters::closeEvent(QCloseEvent* event) {
    OnClose();
    EditorForm::closeEvent(event);
}

void TformFXParameters::OnClose() {
    forgetControls(designSize());
    for (QWidget* child : body()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!stock_.holds(child))
            delete child;
    built_ = false;
    ++builds_;
    emit closed();
}

std::uint32_t TformFXParameters::parameterRows() const {
    return std::min<std::uint32_t>(ctx.state.numOfParameters, kMaxParameters);
}

// ---- Build ----

void TformFXParameters::ParseControlLayout() {
    resources_.read_file_from_stream(ResourceStore::format_resource_name(ctx.state.selectedEffectName) +
                                     QStringLiteral("_ctrls"));
    const ControlLayout layout = parseLayoutLines(resources_.resource_lines);
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
    const QString name = ResourceStore::format_resource_name(ctx.state.selectedEffectName);
    ctx.console.log(QStringLiteral("resource name: ") + name);
    resources_.read_file_from_stream(name);
    const QString program = resources_.resource_lines.value(0);
    QStringList lines;
    lines << QStringLiteral("content: ") + program;
    lines << QStringLiteral("file content size: %1").arg(program.size() / 2);
    const QStringList addresses = parameterAddressesOf(program);
    for (int i = 0; i < kMaxParameters; ++i) {
        parameterAddresses[static_cast<std::size_t>(i)] = addresses.at(i);
        lines << QStringLiteral("parameter address: ") + addresses.at(i);
    }
    ctx.console.logLines(lines);
}

QLabel* TformFXParameters::captionLabel(const QString& text, int row, int width) {
    auto* label = stock_.take<QLabel>(kLabel);
    label->setText(text);
    label->setObjectName(QStringLiteral("nameLabel%1").arg(row));
    design(label, {10, rowY(row), width, 20});
    label->setToolTip(text);
    label->show();
    return label;
}

QLabel* TformFXParameters::valueLabel(const QString& offText, const QString& onText, int row) {
    auto* label = stock_.take<QLabel>(kLabel);
    label->setText(offText);
    label->setObjectName(QStringLiteral("valueLabel%1").arg(row));
    // From its column to the switch's: the label must not lie over the switch and take its
    // clicks. It is as wide as the longer of its two texts, so turning the switch moves nothing.
    design(label, {kValueColumn, rowY(row), kTwoStateColumn - kValueColumn, 20});
    label->ensurePolished();
    const QFontMetrics metrics = label->fontMetrics();
    label->setMinimumWidth(std::max(metrics.horizontalAdvance(offText), metrics.horizontalAdvance(onText)));
    label->show();
    return label;
}

QComboBox* TformFXParameters::selector(const QString& kind, const QString& name,
                                       const QString& accessibleName, int row) {
    // It comes with its items and no entry selected.
    auto* box = place(stock_.take<QComboBox>(kind), name, accessibleName, {300, rowY(row), 70, 20});
    box->setEnabled(ctx.state.effectOnPedalSelected);
    box->show();
    return box;
}

void TformFXParameters::OnShow() {
    const HistoryScope rows(*this, HistoryEvent::Settle);
    if (history_.effect() != ctx.state.selectedEffectName)
        history_.restart(ctx.state.selectedEffectName);
    requested_.reset();
    ParseControlLayout();
    // The window's design for this effect: a row for each parameter, the bypass and preset rows,
    // a row for each readback.
    forgetControls(QSize(kWindowWidth, windowHeight(ctx.state.numOfParameters, ctx.state.numOfReadbacks)));
    ReadParameterAddresses();
    buildPotRows();
    isButton.fill(false);
    buttonStates.fill(false);
    buildTwoStateRows();
    buildMultiSwitchRows();
    buildAssignmentColumn();
    separatorLine = stock_.take<QFrame>(kLine);
    separatorLine->setObjectName(QStringLiteral("separatorLine"));
    separatorLine->setFrameShape(QFrame::VLine);
    design(separatorLine, {280, 10, 1, static_cast<int>(ctx.state.numOfParameters * 24.5)});
    // Beside every parameter row, however much the look has made the rows taller.
    if (const int n = static_cast<int>(parameterRows()); n > 0 && nameLabels[static_cast<std::size_t>(n - 1)])
        reachDownTo(separatorLine, nameLabels[static_cast<std::size_t>(n - 1)]);
    separatorLine->show();
    buildBypassAndPresetRows();
    buildReadbackRows();
    buildReverseColumn();
    buildHistoryRow();
    built_ = true;
}

void TformFXParameters::buildPotRows() {
    for (int i = 0; i < static_cast<int>(ctx.state.numOfPots); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        auto* bar = place(stock_.take<QSlider>(kPot), QStringLiteral("potBar%1").arg(i), controlLines[k],
                          {160, rowY(i), 100, 20});
        bar->setRange(0, 1023);
        bar->setEnabled(ctx.state.effectOnPedalSelected);
        bar->show();
        on(bar, &QSlider::valueChanged, [this, bar] { PotParameterChange(bar); });
        potBars[k] = bar;
        nameLabels[k] = captionLabel(controlLines[k], i, 150);
        nameLabels[k]->setBuddy(bar);
    }
}

void TformFXParameters::buildTwoStateRows() {
    const int p = static_cast<int>(ctx.state.numOfPots);
    for (int i = p; i < p + static_cast<int>(ctx.state.numOfSwitches); ++i) {
        const QString& line = controlLines[static_cast<std::size_t>(i)];
        if (isButtonLine(line))
            buildButtonRow(i, line);
        else
            buildSwitchRow(i, line);
    }
}

void TformFXParameters::buildButtonRow(int i, const QString& line) {
    const std::size_t k = static_cast<std::size_t>(i);
    const QString name = lineName(line, u':');
    auto* button = stock_.take<QPushButton>(kButton);
    button->setText(name);
    place(button, QStringLiteral("paramButton%1").arg(i), name, {kTwoStateColumn, rowY(i), 40, 20});
    button->setEnabled(ctx.state.effectOnPedalSelected);
    button->show();
    on(button, &QPushButton::clicked, [this, button] { ButtonParameterClick(button); });
    paramButtons[k] = button;
    nameLabels[k] = captionLabel(name, i, kValueColumn - 10);
    // A button line carries no texts of its own: its value label stays empty rather than
    // showing what an earlier layout left in the slot.
    valueLabels[k] = valueLabel(QString(), QString(), i);
    isButton[k] = true;
}

void TformFXParameters::buildSwitchRow(int i, const QString& line) {
    const std::size_t k = static_cast<std::size_t>(i);
    const SwitchLine parsed = parseSwitchLine(line);
    auto* toggle = place(stock_.take<ToggleSwitch>(kSwitch), QStringLiteral("switchControl%1").arg(i),
                         parsed.name, {kTwoStateColumn, rowY(i), 40, 20});
    toggle->setEnabled(ctx.state.effectOnPedalSelected);
    toggle->show();
    on(toggle, &ToggleSwitch::clicked, [this, toggle] { SwitchParameterClick(toggle); });
    switchControls[k] = toggle;
    nameLabels[k] = captionLabel(parsed.name, i, kValueColumn - 10);
    offTexts[k] = parsed.offText;
    onTexts[k] = parsed.onText;
    ctx.console.log(offTexts[k]);
    ctx.console.log(onTexts[k]);
    valueLabels[k] = valueLabel(offTexts[k], onTexts[k], i);
}

void TformFXParameters::buildMultiSwitchRows() {
    const int first = static_cast<int>(ctx.state.numOfPots + ctx.state.numOfSwitches);
    for (int i = first; i < static_cast<int>(ctx.state.numOfParameters); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const MultiSwitchLine parsed = parseMultiSwitchLine(controlLines[k]);
        auto* box = place(stock_.take<QComboBox>(kPositions), QStringLiteral("multiSwitchBox%1").arg(i),
                          parsed.name, {160, rowY(i), 100, 20});
        box->setEnabled(ctx.state.effectOnPedalSelected);
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
}

void TformFXParameters::buildAssignmentColumn() {
    for (int i = 0; i < static_cast<int>(ctx.state.numOfParameters); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const QString caption = nameLabels[k] ? nameLabels[k]->text() : controlLines[k];
        QComboBox* box =
            selector(kAssign, QStringLiteral("assignBox%1").arg(i), QStringLiteral("Assign ") + caption, i);
        on(box, &QComboBox::currentIndexChanged, [this, i] { AssignBoxChanged(i); });
        assignBoxes[k] = box;
    }
}

void TformFXParameters::buildBypassAndPresetRows() {
    const int n = static_cast<int>(ctx.state.numOfParameters);
    bypassLabel = captionLabel(QStringLiteral("Bypass Toggle"), n, 150);
    bypassAssignBox =
        selector(kBypassPreset, QStringLiteral("bypassAssignBox"), QStringLiteral("Bypass Toggle"), n);
    on(bypassAssignBox.data(), &QComboBox::currentIndexChanged, [this] { BypassPresetChanged(true); });
    presetLabel = captionLabel(QStringLiteral("Preset Change"), n + 1, 150);
    presetAssignBox =
        selector(kBypassPreset, QStringLiteral("presetAssignBox"), QStringLiteral("Preset Change"), n + 1);
    on(presetAssignBox.data(), &QComboBox::currentIndexChanged, [this] { BypassPresetChanged(false); });
    DisableBypassAndPresetAssignInBankMode();
}

void TformFXParameters::buildReadbackRows() {
    const int n = static_cast<int>(ctx.state.numOfParameters);
    for (int j = 0; j < static_cast<int>(ctx.state.numOfReadbacks); ++j) {
        const std::size_t k = static_cast<std::size_t>(j);
        readbackLabels[k] = captionLabel(readbackLines[k], n + 2 + j, 150);
        QComboBox* box =
            selector(kReadback, QStringLiteral("readbackBox%1").arg(j), readbackLines[k], n + 2 + j);
        on(box, &QComboBox::currentIndexChanged, [this, j] { ReadbackBoxChanged(j); });
        readbackBoxes[k] = box;
    }
}

void TformFXParameters::buildReverseColumn() {
    for (int i = 0; i < static_cast<int>(ctx.state.numOfParameters); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const QString caption = nameLabels[k] ? nameLabels[k]->text() : controlLines[k];
        auto* box = place(stock_.take<QCheckBox>(kReverse), QStringLiteral("reverseBox%1").arg(i),
                          QStringLiteral("Reverse ") + caption, {380, rowY(i), 20, 20});
        box->setToolTip(QStringLiteral("Toggle the Reverse function for the current parameter"));
        box->setEnabled(false);
        box->show();
        on(box, &QCheckBox::toggled, [this, box] { ReverseCheckBoxOnClick(box); });
        reverseBoxes[k] = box;
    }
}

// ---- Values ----

void TformFXParameters::update_FXParameters() {
    EditorState& s = ctx.state;
    s.parameterValues.assign(s.numOfParameters, 0);
    ctx.console.log(QString::number(s.receiveArray.size()));
    for (std::uint32_t i = 0; i < s.numOfParameters; ++i)
        s.parameterValues[i] = stateBlockParameterValue(s.receiveArray, i);
    s.parameterValuesEffect = s.selectedEffectName;
    setItems();
}

void TformFXParameters::setItems() {
    const EditorState& s = ctx.state;
    const HistoryScope shown(*this, s.requestInProgress ? HistoryEvent::Settle : HistoryEvent::Preset);
    const auto value = [&](std::uint32_t i) {
        return i < s.parameterValues.size() ? s.parameterValues[i] : 0;
    };
    const std::uint32_t rows = parameterRows();
    const std::uint32_t p = std::min(s.numOfPots, rows);
    const std::uint32_t twoState = std::min(p + s.numOfSwitches, rows);
    for (std::uint32_t i = 0; i < p; ++i)
        if (potBars[i])
            potBars[i]->setValue(std::clamp(value(i), 0, 1023));
    for (std::uint32_t i = p; i < twoState; ++i) {
        if (isButton[i] || !switchControls[i])
            continue;
        if (value(i) == 0)
            switchControls[i]->setChecked(false);
        else if (value(i) > 0)
            switchControls[i]->setChecked(true);
        ShowSwitchText(static_cast<int>(i));
    }
    for (std::uint32_t i = twoState; i < rows; ++i)
        if (multiSwitchBoxes[i])
            multiSwitchBoxes[i]->setCurrentIndex(multiSwitchPosition(value(i), multiSwitchItemCounts[i]));
    emit valuesShown();
}

void TformFXParameters::EnableDisableControls(bool AEnable) {
    for (QWidget* child : body()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!stock_.holds(child))
            child->setEnabled(AEnable);
    controlsEnabled_ = AEnable;
    updateHistoryControls();
}

void TformFXParameters::ShowSwitchText(int i) {
    const std::size_t k = static_cast<std::size_t>(i);
    if (!switchControls[k] || !valueLabels[k])
        return;
    valueLabels[k]->setText(switchControls[k]->isChecked() ? onTexts[k] : offTexts[k]);
}

void TformFXParameters::ApplyLiveReport(const LiveReport& report) {
    EditorState& s = ctx.state;
    const std::uint8_t index = report.index;
    // Reports for indices that name no control of the reported kind are dropped, and so is
    // everything while the window is closed (the slots are empty then).
    if (index >= parameterRows())
        return;
    const HistoryScope reported(*this, HistoryEvent::Pedal, liveMergeKey(index));
    s.liveReportInProgress = true;
    const std::uint32_t twoState = s.numOfPots + s.numOfSwitches;
    if (report.control < 5 || report.control == 11) {
        if (index < twoState) {
            if (potBars[index])
                potBars[index]->setValue(std::min<int>(report.value, 1023));
        } else if (multiSwitchBoxes[index]) {
            const int position = multiSwitchPosition(report.value, multiSwitchItemCounts[index]);
            if (position >= 0)
                multiSwitchBoxes[index]->setCurrentIndex(position);
        }
    } else if (report.control <= 10) {
        if (switchControls[index]) {
            switchControls[index]->setChecked(report.value > 0);
            ShowSwitchText(index);
        }
    }
    s.liveReportInProgress = false;
}

// ---- Parameter messages ----

void TformFXParameters::sendParameter(int i, std::int32_t level, const QString& kind, bool direct) {
    const QString& address = parameterAddresses[static_cast<std::size_t>(i)];
    if (!isParameterAddress(address)) {
        ctx.console.log(QStringLiteral("no parameter address for control %1; nothing sent").arg(i));
        return;
    }
    // In its turn after whatever exchange runs, so a move never lands inside one.
    ctx.worker().post([kind, i, address, level, direct](PedalLine& line) {
        sendParameterChange(line, kind, i, address, level, direct);
    });
}

void TformFXParameters::PotParameterChange(QSlider* sender) {
    if (ctx.state.requestInProgress || ctx.state.liveReportInProgress || applyingHistory_)
        return;
    for (std::uint32_t i = 0; i < std::min(ctx.state.numOfPots, parameterRows()); ++i)
        if (potBars[i] == sender) {
            const HistoryScope moved(*this, HistoryEvent::Player, potMergeKey(static_cast<int>(i)));
            SendPot(static_cast<int>(i));
            return;
        }
}

void TformFXParameters::SendPot(int i) {
    QSlider* bar = potBars[static_cast<std::size_t>(i)];
    if (!bar)
        return;
    sendParameter(i, potLevel(bar->value()), QStringLiteral("pot"), false);
}

void TformFXParameters::SwitchParameterClick(ToggleSwitch* sender) {
    if (ctx.state.requestInProgress || applyingHistory_)
        return;
    const HistoryScope switched(*this, HistoryEvent::Player);
    const std::uint32_t p = ctx.state.numOfPots;
    for (std::uint32_t i = p; i < std::min(p + ctx.state.numOfSwitches, parameterRows()); ++i)
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
    for (std::uint32_t i = p; i < std::min(p + ctx.state.numOfSwitches, parameterRows()); ++i)
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
    if (ctx.state.requestInProgress || applyingHistory_)
        return;
    const HistoryScope chosen(*this, HistoryEvent::Player);
    const std::uint32_t from = ctx.state.numOfPots + ctx.state.numOfSwitches;
    for (std::uint32_t i = from; i < parameterRows(); ++i)
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
    sendParameter(i, multiSwitchLevel(box->currentIndex(), multiSwitchItemCounts[k]),
                  QStringLiteral("multiswitch"), false);
}

// ---- Assignment columns ----

void TformFXParameters::AssignBoxChanged(int i) {
    const HistoryScope chosen(*this, HistoryEvent::Player);
    const std::size_t k = static_cast<std::size_t>(i);
    QComboBox* box = assignBoxes[k];
    QCheckBox* reverse = reverseBoxes[k];
    if (!box || box->currentIndex() < 0)
        return;
    ctx.state.assignCodes[k] = assignCodeOfItem(box->currentIndex());
    if (!reverse)
        return;
    const bool assigned = box->currentIndex() != kAssignNoneItem;
    reverse->setEnabled(assigned);
    if (!assigned && reverse->isChecked())
        reverse->setChecked(false);
}

void TformFXParameters::BypassPresetChanged(bool bypassRow) {
    const HistoryScope chosen(*this, HistoryEvent::Player);
    QComboBox* box = bypassRow ? bypassAssignBox : presetAssignBox;
    if (!box)
        return;
    // No entry selected (a code read back that the list does not hold) is none, 0xFF: Assign must
    // not send the code an earlier read left behind.
    const std::uint8_t code = bypassPresetCodeOfItem(box->currentIndex());
    (bypassRow ? ctx.state.bypassAssignCode : ctx.state.presetAssignCode) = code;
    ctx.console.log(
        (bypassRow ? QStringLiteral("BypassAssignment: ") : QStringLiteral("PresetAssignment: ")) +
        intToHex(code, 2));
}

void TformFXParameters::ReadbackBoxChanged(int r) {
    const HistoryScope chosen(*this, HistoryEvent::Player);
    QComboBox* box = readbackBoxes[static_cast<std::size_t>(r)];
    if (!box)
        return;
    // Only the changed readback's code is replaced; the others keep theirs. "--" is kept as its
    // index, as the pedal's own read-back does.
    const int index = box->currentIndex();
    const std::int32_t code = index < 0 ? kNoAssignment : index;
    ctx.state.readbackCodes[static_cast<std::size_t>(r)] = code;
    ctx.console.log(intToHex(static_cast<std::uint32_t>(code), 2));
}

void TformFXParameters::ReverseCheckBoxOnClick(QCheckBox* sender) {
    if (ctx.state.requestInProgress || applyingHistory_)
        return;
    const HistoryScope reversed(*this, HistoryEvent::Player);
    for (std::uint32_t i = 0; i < parameterRows(); ++i)
        if (reverseBoxes[i] == sender) {
            const QString text = setReverseText(sender->isChecked(), i);
            ctx.console.log(text);
            ctx.worker().send(text);
            return;
        }
}

void TformFXParameters::EnableRevCheckBoxes() {
    for (std::uint32_t i = 0; i < parameterRows(); ++i) {
        if (!reverseBoxes[i] || !assignBoxes[i])
            continue;
        const bool enable = assignBoxes[i]->currentIndex() != kAssignNoneItem;
        reverseBoxes[i]->setEnabled(enable);
        ctx.console.log(enable ? QStringLiteral("True") : QStringLiteral("False"));
    }
}

void TformFXParameters::DisableBypassAndPresetAssignInBankMode() {
    const HistoryScope read(*this, HistoryEvent::Settle);
    if (!ctx.state.bankMode || !bypassAssignBox || !presetAssignBox)
        return;
    bypassAssignBox->setCurrentIndex(0);
    presetAssignBox->setCurrentIndex(1);
    bypassAssignBox->setEnabled(false);
    presetAssignBox->setEnabled(false);
}

void TformFXParameters::bypass(bool setBypass) {
    ctx.worker().send(setBypassText(setBypass));
}

TformFXParameters::Assignments TformFXParameters::takeAssignments() {
    Assignments codes;
    codes.parameters.fill(kNoControl);
    codes.readbacks.fill(kNoControl);
    for (std::uint32_t i = 0; i < parameterRows(); ++i) {
        codes.parameters[i] = assignCodeOfItem(assignBoxes[i] ? assignBoxes[i]->currentIndex() : -1);
        ctx.state.assignCodes[i] = codes.parameters[i];
    }
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(ctx.state.numOfReadbacks, kMaxReadbacks); ++r) {
        codes.readbacks[r] = readbackCodeOfItem(readbackBoxes[r] ? readbackBoxes[r]->currentIndex() : -1);
        ctx.state.readbackCodes[r] = codes.readbacks[r];
    }
    return codes;
}

void TformFXParameters::receive_assignments_from_device() {
    const HistoryScope read(*this, HistoryEvent::Settle);
    const QByteArray& block = ctx.state.receiveArray;
    const StateBlockOffsets offsets{ctx.state.numOfParameters};
    ctx.state.assignCodes.fill(kNoAssignment);
    for (std::uint32_t i = 0; i < parameterRows(); ++i) {
        const std::uint8_t b = stateBlockByte(block, offsets.assignment(i));
        // A code outside the list leaves the selector with no entry.
        if (assignBoxes[i])
            assignBoxes[i]->setCurrentIndex(assignItemOfCode(b));
        ctx.state.assignCodes[i] = b;
    }
    // A selector already showing no entry raises no change, so the codes are set here as well.
    if (bypassAssignBox) {
        bypassAssignBox->setCurrentIndex(bypassPresetItemOfCode(stateBlockByte(block, offsets.bypass())));
        ctx.state.bypassAssignCode = bypassPresetCodeOfItem(bypassAssignBox->currentIndex());
    }
    if (presetAssignBox) {
        presetAssignBox->setCurrentIndex(bypassPresetItemOfCode(stateBlockByte(block, offsets.preset())));
        ctx.state.presetAssignCode = bypassPresetCodeOfItem(presetAssignBox->currentIndex());
    }
    ctx.state.readbackCodes.fill(kNoAssignment);
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(ctx.state.numOfReadbacks, kMaxReadbacks); ++r) {
        const std::uint8_t b = stateBlockByte(block, offsets.readback(r));
        if (readbackBoxes[r])
            readbackBoxes[r]->setCurrentIndex(readbackItemOfCode(b));
        ctx.state.readbackCodes[r] = b;
    }
}

void TformFXParameters::receive_reverse_data_from_device() {
    const HistoryScope read(*this, HistoryEvent::Settle);
    const StateBlockOffsets offsets{ctx.state.numOfParameters};
    for (std::uint32_t i = 0; i < parameterRows(); ++i) {
        // Anything but on or off leaves the box as it was.
        const std::uint8_t b = stateBlockByte(ctx.state.receiveArray, offsets.reverse(i), 0);
        if (reverseBoxes[i] && (b == 1 || b == 0xFF))
            reverseBoxes[i]->setChecked(b == 1);
    }
}

void TformFXParameters::receive_mode() {
    const StateBlockOffsets offsets{ctx.state.numOfParameters};
    const std::uint8_t mode = stateBlockByte(ctx.state.receiveArray, offsets.mode());
    const std::uint8_t number = stateBlockByte(ctx.state.receiveArray, offsets.bankOrPreset());
    if (mode == 1) {
        ctx.console.log(QStringLiteral("Mode: Bank"));
        emit pedalModeRead(true, number);
        ctx.console.log(QStringLiteral("Bank Num: %1").arg(number));
    } else if (mode == 0) {
        ctx.console.log(QStringLiteral("Mode: Preset"));
        emit pedalModeRead(false, number);
        ctx.console.log(QStringLiteral("Preset Num: %1").arg(number));
    }
}
