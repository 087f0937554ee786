// Undo and redo in the parameter window. Every change to the controls is recorded as a step of
// the effect's history once the outermost change that caused it ends: a move of the player's, a
// knob turned on the pedal, a preset loaded. Undo puts the previous values back on the controls
// and sends each level again through the parameter-change operation the controls use.

#include "params/ui/TformFXParameters.h"

#include "params/Assignments.h"
#include "params/ParameterMessages.h"
#include "ui/ToggleSwitch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>

namespace {

// Reports of one knob that follow each other this closely are one turn of it.
constexpr std::int64_t kLiveTurnMs = 1000;

} // namespace

TformFXParameters::HistoryScope::HistoryScope(TformFXParameters& window, HistoryEvent event, QString mergeKey)
    : window_(window) {
    if (window_.historyDepth_++ == 0) {
        window_.historyEvent_ = event;
        window_.historyMergeKey_ = std::move(mergeKey);
    }
}

TformFXParameters::HistoryScope::~HistoryScope() {
    if (--window_.historyDepth_ == 0)
        window_.historyEventEnded();
}

void TformFXParameters::historyEventEnded() {
    // Without rows there is nothing shown to compare: a report that comes while the window is
    // closed is no step.
    if (!built_)
        return;
    switch (historyEvent_) {
    case HistoryEvent::Quiet:
        break;
    case HistoryEvent::Settle:
        history_.settle(snapshot());
        // What a Request shows is what Revert to Pedal goes back to.
        if (ctx.state.requestInProgress)
            requested_ = history_.current();
        break;
    case HistoryEvent::Player:
        history_.record(EditOrigin::Player, snapshot(), historyMergeKey_);
        break;
    case HistoryEvent::Pedal:
        history_.record(EditOrigin::Pedal, snapshot(), historyMergeKey_);
        break;
    case HistoryEvent::Preset:
        history_.record(EditOrigin::Preset, snapshot(), historyMergeKey_);
        break;
    case HistoryEvent::Revert:
        history_.record(EditOrigin::Revert, snapshot(), historyMergeKey_);
        break;
    }
    updateHistoryControls();
}

void TformFXParameters::createHistoryShortcuts() {
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    undo->setObjectName(QStringLiteral("shortcutUndo"));
    connect(undo, &QShortcut::activated, this, [this] { runGuarded(ctx.services, [this] { undoEdit(); }); });
    auto* redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this);
    redo->setObjectName(QStringLiteral("shortcutRedo"));
    connect(redo, &QShortcut::activated, this, [this] { runGuarded(ctx.services, [this] { redoEdit(); }); });
}

void TformFXParameters::buildHistoryRow() {
    // The first free row below the readbacks, which the window's height leaves for it. The
    // buttons sit in a row of their own layout, so they keep fitting their captions in any look.
    const int y = rowY(static_cast<int>(parameterRows() + ctx.state.numOfReadbacks) + 2);
    auto* row = new QWidget(body());
    row->setObjectName(QStringLiteral("historyRow"));
    row->setAccessibleName(QStringLiteral("History"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](const char* name, const QString& text, const QString& tip) {
        auto* b = place(new QPushButton(text, row), QString::fromLatin1(name), text, {});
        b->setToolTip(tip);
        b->setMinimumWidth(60);
        layout->addWidget(b);
        return b;
    };
    btnUndo = button("btnUndo", QStringLiteral("Undo"), QStringLiteral("Undo the last change (Ctrl+Z)"));
    btnRedo =
        button("btnRedo", QStringLiteral("Redo"), QStringLiteral("Redo what was undone (Ctrl+Shift+Z)"));
    btnRevertToPedal = button("btnRevertToPedal", QStringLiteral("Revert to Pedal"),
                              QStringLiteral("Send back the values the last Request read"));
    layout->addStretch(1);
    // Taller in a look with bigger captions, pushing nothing: it is the last row.
    design(row, {10, y, kWindowWidth - 20, 24});
    setGrowth(row, Growth::ToText);
    row->show();
    on(btnUndo.data(), &QPushButton::clicked, [this] { undoEdit(); });
    on(btnRedo.data(), &QPushButton::clicked, [this] { redoEdit(); });
    on(btnRevertToPedal.data(), &QPushButton::clicked, [this] { revertToPedal(); });
    updateHistoryControls();
}

void TformFXParameters::updateHistoryControls() {
    // Only while the pedal runs the effect shown and its values are on screen: the steps are sent.
    const bool live = built_ && controlsEnabled_ && ctx.state.effectOnPedalSelected;
    if (btnUndo)
        btnUndo->setEnabled(live && history_.canUndo());
    if (btnRedo)
        btnRedo->setEnabled(live && history_.canRedo());
    if (btnRevertToPedal)
        btnRevertToPedal->setEnabled(live && requested_.has_value());
}

QString TformFXParameters::potMergeKey(int i) {
    // A drag is one step however many values the slider passes; a key or wheel step is a step.
    QSlider* bar = potBars[static_cast<std::size_t>(i)];
    if (!bar || !bar->isSliderDown()) {
        draggedPot_ = -1;
        return {};
    }
    if (draggedPot_ != i) {
        draggedPot_ = i;
        ++gesture_;
    }
    return QStringLiteral("drag %1 %2").arg(i).arg(gesture_);
}

QString TformFXParameters::liveMergeKey(int i) {
    const std::int64_t now = ctx.services.elapsedMs();
    if (liveIndex_ != i || now - liveAtMs_ > kLiveTurnMs) {
        liveIndex_ = i;
        ++gesture_;
    }
    liveAtMs_ = now;
    return QStringLiteral("turn %1 %2").arg(i).arg(gesture_);
}

EditSnapshot TformFXParameters::snapshot() const {
    EditSnapshot s;
    const std::uint32_t rows = parameterRows();
    const std::uint32_t p = std::min(ctx.state.numOfPots, rows);
    const std::uint32_t twoState = std::min(p + ctx.state.numOfSwitches, rows);
    const auto item = [](const QPointer<QComboBox>& box) {
        return box ? box->currentIndex() : EditSnapshot::kNone;
    };
    for (std::uint32_t i = 0; i < rows; ++i) {
        std::int32_t level = EditSnapshot::kNone;
        if (i < p && potBars[i])
            level = potBars[i]->value();
        else if (i >= p && i < twoState && !isButton[i] && switchControls[i])
            level = switchControls[i]->isChecked() ? 1024 : 0;
        else if (i >= twoState && multiSwitchBoxes[i] && multiSwitchBoxes[i]->currentIndex() >= 0)
            level = multiSwitchLevel(multiSwitchBoxes[i]->currentIndex(), multiSwitchItemCounts[i]);
        s.levels.push_back(level);
        s.reverse.push_back(reverseBoxes[i] ? (reverseBoxes[i]->isChecked() ? 1 : 0) : EditSnapshot::kNone);
        s.assignments.push_back(item(assignBoxes[i]));
    }
    s.bypass = item(bypassAssignBox);
    s.preset = item(presetAssignBox);
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(ctx.state.numOfReadbacks, kMaxReadbacks); ++r)
        s.readbacks.push_back(item(readbackBoxes[r]));
    return s;
}

void TformFXParameters::showSnapshot(const EditSnapshot& shown) {
    const std::uint32_t rows = parameterRows();
    const std::uint32_t p = std::min(ctx.state.numOfPots, rows);
    const std::uint32_t twoState = std::min(p + ctx.state.numOfSwitches, rows);
    const auto value = [](const std::vector<std::int32_t>& list, std::size_t i) {
        return i < list.size() ? list[i] : EditSnapshot::kNone;
    };
    for (std::uint32_t i = 0; i < rows; ++i) {
        const std::int32_t level = value(shown.levels, i);
        if (level == EditSnapshot::kNone)
            continue;
        if (i < p && potBars[i]) {
            potBars[i]->setValue(level);
        } else if (i >= p && i < twoState && !isButton[i] && switchControls[i]) {
            switchControls[i]->setChecked(level > 0);
            ShowSwitchText(static_cast<int>(i));
        } else if (i >= twoState && multiSwitchBoxes[i]) {
            multiSwitchBoxes[i]->setCurrentIndex(multiSwitchPosition(level, multiSwitchItemCounts[i]));
        }
    }
    // The assignments before the reverse flags: a parameter given "--" loses its reverse.
    for (std::uint32_t i = 0; i < rows; ++i)
        if (assignBoxes[i] && value(shown.assignments, i) != EditSnapshot::kNone)
            assignBoxes[i]->setCurrentIndex(value(shown.assignments, i));
    if (bypassAssignBox && shown.bypass != EditSnapshot::kNone)
        bypassAssignBox->setCurrentIndex(shown.bypass);
    if (presetAssignBox && shown.preset != EditSnapshot::kNone)
        presetAssignBox->setCurrentIndex(shown.preset);
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(ctx.state.numOfReadbacks, kMaxReadbacks); ++r)
        if (readbackBoxes[r] && value(shown.readbacks, r) != EditSnapshot::kNone)
            readbackBoxes[r]->setCurrentIndex(value(shown.readbacks, r));
    for (std::uint32_t i = 0; i < rows; ++i)
        if (reverseBoxes[i] && value(shown.reverse, i) != EditSnapshot::kNone)
            reverseBoxes[i]->setChecked(value(shown.reverse, i) == 1);
}

void TformFXParameters::sendLevel(int i, std::int32_t level) {
    const auto k = static_cast<std::uint32_t>(i);
    const std::uint32_t p = ctx.state.numOfPots;
    if (k < p)
        sendParameter(i, level, QStringLiteral("pot"), false);
    else if (k < p + ctx.state.numOfSwitches)
        sendParameter(i, level, QStringLiteral("switch"), true);
    else
        sendParameter(i, level, QStringLiteral("multiswitch"), false);
}

void TformFXParameters::sendChanges(const std::vector<EditChange>& changes, bool forward) {
    // Levels go out as a move of the control would send them, and reverse flags as a click on
    // their box; the assignments reach the pedal with Assign, as ever.
    for (const EditChange& c : changes) {
        const std::int32_t value = forward ? c.to : c.from;
        if (value == EditSnapshot::kNone)
            continue;
        if (c.what == EditChange::What::Level) {
            sendLevel(c.index, value);
        } else if (c.what == EditChange::What::Reverse) {
            const QString text = setReverseText(value == 1, static_cast<std::uint32_t>(c.index));
            ctx.console.log(text);
            ctx.worker().send(text);
        }
    }
}

void TformFXParameters::undoEdit() {
    if (btnUndo && btnUndo->isEnabled())
        stepThroughHistory(history_.undo(), false);
}

void TformFXParameters::redoEdit() {
    if (btnRedo && btnRedo->isEnabled())
        stepThroughHistory(history_.redo(), true);
}

void TformFXParameters::stepThroughHistory(const std::optional<EditStep>& step, bool forward) {
    if (!step)
        return;
    {
        const HistoryScope quiet(*this, HistoryEvent::Quiet);
        applyingHistory_ = true;
        showSnapshot(history_.current());
        applyingHistory_ = false;
    }
    sendChanges(step->changes, forward);
    updateHistoryControls();
}

void TformFXParameters::revertToPedal() {
    if (!btnRevertToPedal || !btnRevertToPedal->isEnabled() || !requested_)
        return;
    const EditSnapshot requested = *requested_;
    const std::vector<EditChange> changes = snapshotChanges(history_.current(), requested);
    {
        // A step like any other, so a revert can be undone too.
        const HistoryScope reverted(*this, HistoryEvent::Revert);
        applyingHistory_ = true;
        showSnapshot(requested);
        applyingHistory_ = false;
    }
    // Every level the Request read goes back, whatever the editor believes the pedal holds now.
    for (std::size_t i = 0; i < requested.levels.size(); ++i)
        if (requested.levels[i] != EditSnapshot::kNone)
            sendLevel(static_cast<int>(i), requested.levels[i]);
    std::vector<EditChange> reverse;
    for (const EditChange& c : changes)
        if (c.what == EditChange::What::Reverse)
            reverse.push_back(c);
    sendChanges(reverse, true);
}

std::vector<std::int32_t> TformFXParameters::shownLevels() const {
    const EditSnapshot shown = snapshot();
    std::vector<std::int32_t> levels = ctx.state.parameterValues;
    levels.resize(parameterRows(), 0);
    const std::uint32_t p = ctx.state.numOfPots;
    for (std::uint32_t i = 0; i < parameterRows(); ++i) {
        const std::int32_t now = shown.levels[i];
        if (now == EditSnapshot::kNone)
            continue;
        // What the held level shows as on this control: while the control still shows that, the
        // held level (read from the pedal or a preset) is the truer one.
        std::int32_t held = levels[i];
        if (i < p)
            held = std::clamp(held, 0, 1023);
        else if (i < p + ctx.state.numOfSwitches)
            held = held > 0 ? 1024 : 0;
        else
            held = multiSwitchLevel(multiSwitchPosition(held, multiSwitchItemCounts[i]),
                                    multiSwitchItemCounts[i]);
        if (held != now)
            levels[i] = now;
    }
    return levels;
}
