#pragma once

#include "catalogue/ResourceStore.h"
#include "params/ControlLayout.h"
#include "params/EditHistory.h"
#include "protocol/RealTimeFunctions.h"
#include "ui/ControlStock.h"
#include "ui/EditorForm.h"

#include <QPointer>
#include <QTimer>
#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class ToggleSwitch;

// The parameter editor: one row per control of the selected effect, built from its layout every
// time the window is shown and destroyed when it closes. The slots are guarded pointers, so a
// late update after closing finds them empty instead of touching a destroyed control.
class TformFXParameters : public EditorForm {
    Q_OBJECT
public:
    explicit TformFXParameters(EditorContext& context);

    // Values.
    void update_FXParameters();
    bool isBuilt() const { return built_; }
    // Which build of the rows is on screen: it changes with every close, so values read for one
    // build are never shown on another.
    int shownEffect() const { return builds_; }
    void setItems();
    void EnableDisableControls(bool AEnable);
    // After a show: the window keeps the width it had (an opener that leaves the width alone).
    void keepWidth(int width);
    // A knob, switch or the expression input moved on the pedal.
    void ApplyLiveReport(const LiveReport& report);

    // Assignment columns, as the read-back shows them.
    void EnableRevCheckBoxes();
    // SetBypass: the effect bypassed (true) or active.
    void bypass(bool setBypass);
    // What the selectors show, as the codes Assign sends (0xFF for "--" and for every slot
    // beyond the effect's); the stored codes take the same values.
    struct Assignments {
        std::array<std::uint8_t, kMaxParameters> parameters;
        std::array<std::uint8_t, kMaxReadbacks> readbacks;
    };
    Assignments takeAssignments();
    void DisableBypassAndPresetAssignInBankMode();
    void receive_assignments_from_device();
    void receive_reverse_data_from_device();
    void receive_mode();

    // Undo and redo of the edits made to the pedal's effect, and Revert to Pedal
    // (TformFXParametersHistory.cpp).
    void undoEdit();
    void redoEdit();
    void revertToPedal();
    const EditHistory& history() const { return history_; }
    // The level of each parameter as the window shows it now, in the editor's scale; a level read
    // or loaded is kept exactly while its control still shows it (a button keeps its read level).
    std::vector<std::int32_t> shownLevels() const;

    static constexpr int kRowPitch = 25;
    static constexpr int kTopMargin = 10;
    static constexpr int kWindowWidth = 420;
    // The columns of a two-state row: its value label, then its switch or button.
    static constexpr int kValueColumn = 120;
    static constexpr int kTwoStateColumn = 190;
    static int rowY(int row) { return kTopMargin + kRowPitch * row; }
    // Height for N parameters and R readbacks.
    static int windowHeight(std::uint32_t n, std::uint32_t r) {
        return static_cast<int>(n + r + 4) * kRowPitch + 10;
    }

signals:
    // The rows are gone: Request and Assign have nothing to work on.
    void closed();
    // The pedal's values are on screen: Request may be pressed again.
    void valuesShown();
    // The state block says which mode the pedal is in: bank mode and its bank, or preset mode
    // and its preset number.
    void pedalModeRead(bool bankMode, int bankOrPreset);

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Build and teardown.
    void OnShow();
    void OnClose();
    void ParseControlLayout();
    void ReadParameterAddresses();
    void buildPotRows();
    void buildTwoStateRows();
    void buildButtonRow(int i, const QString& line);
    void buildSwitchRow(int i, const QString& line);
    void buildMultiSwitchRows();
    void buildAssignmentColumn();
    void buildBypassAndPresetRows();
    void buildReadbackRows();
    void buildReverseColumn();
    QLabel* captionLabel(const QString& text, int row, int width);
    QLabel* valueLabel(const QString& offText, const QString& onText, int row);
    QComboBox* selector(const QString& kind, const QString& name, const QString& accessibleName, int row);
    void ShowSwitchText(int i);

    // Parameter messages.
    void PotParameterChange(QSlider* sender);
    void SwitchParameterClick(ToggleSwitch* sender);
    void ButtonParameterClick(QPushButton* sender);
    void MultiSwitchOnChange(QComboBox* sender);
    void SendPot(int i);
    void SendSwitch(int i);
    void SendButton(int i);
    void SendMultiSwitch(int i);
    void sendParameter(int i, std::int32_t level, const QString& kind, bool direct);

    // Assignment columns.
    void AssignBoxChanged(int i);
    void BypassPresetChanged(bool bypassRow);
    void ReadbackBoxChanged(int r);
    void ReverseCheckBoxOnClick(QCheckBox* sender);

    // The parameters the current build has rows for: never more than the tables hold, whatever
    // count a layout or a preset file set.
    std::uint32_t parameterRows() const;

    // The history (TformFXParametersHistory.cpp). Every change to the controls happens inside an
    // event; the outermost one decides what it is: a step of the player's, the pedal's, a preset's
    // or Revert to Pedal's, a state taken as it is (rows built, a Request shown), or the history's
    // own doing.
    enum class HistoryEvent { Player, Pedal, Preset, Revert, Settle, Quiet };
    class HistoryScope {
    public:
        HistoryScope(TformFXParameters& window, HistoryEvent event, QString mergeKey = {});
        ~HistoryScope();
        HistoryScope(const HistoryScope&) = delete;
        HistoryScope& operator=(const HistoryScope&) = delete;

    private:
        TformFXParameters& window_;
    };
    void createHistoryShortcuts();
    void buildHistoryRow();
    void historyEventEnded();
    void updateHistoryControls();
    EditSnapshot snapshot() const;
    void showSnapshot(const EditSnapshot& shown);
    // Shows where undo or redo has taken the history and sends what changed on the way.
    void stepThroughHistory(const std::optional<EditStep>& step, bool forward);
    void sendChanges(const std::vector<EditChange>& changes, bool forward);
    void sendLevel(int i, std::int32_t level);
    QString potMergeKey(int i);
    QString liveMergeKey(int i);

    EditHistory history_;
    int historyDepth_ = 0;
    HistoryEvent historyEvent_ = HistoryEvent::Quiet;
    QString historyMergeKey_;
    // Set while the history puts values back: the handlers neither send nor record then.
    bool applyingHistory_ = false;
    bool controlsEnabled_ = false;
    std::optional<EditSnapshot> requested_;
    int gesture_ = 0;
    int draggedPot_ = -1;
    int liveIndex_ = -1;
    std::int64_t liveAtMs_ = 0;
    QPointer<QPushButton> btnUndo;
    QPointer<QPushButton> btnRedo;
    QPointer<QPushButton> btnRevertToPedal;

    ResourceStore resources_;
    // The rows' controls, made ahead while the editor is idle: opening the window only fills
    // them in. Under a look's style sheet making them is what takes the time.
    ControlStock stock_;
    QTimer restock_;
    static constexpr int kFirstStockMs = 500;
    // The kinds of control the stock keeps.
    static inline const QString kPot = QStringLiteral("pot");
    static inline const QString kLabel = QStringLiteral("label");
    static inline const QString kSwitch = QStringLiteral("switch");
    static inline const QString kButton = QStringLiteral("button");
    static inline const QString kPositions = QStringLiteral("positions");
    static inline const QString kAssign = QStringLiteral("assign");
    static inline const QString kBypassPreset = QStringLiteral("bypass or preset");
    static inline const QString kReadback = QStringLiteral("readback");
    static inline const QString kReverse = QStringLiteral("reverse");
    static inline const QString kLine = QStringLiteral("line");

    // Per-layout tables, by control index (readbacks by readback number).
    std::array<QString, kMaxParameters> controlLines;
    std::array<QString, kMaxReadbacks> readbackLines;
    std::array<QString, kMaxParameters> offTexts;
    std::array<QString, kMaxParameters> onTexts;
    std::array<bool, kMaxParameters> isButton{};
    std::array<bool, kMaxParameters> buttonStates{};
    std::array<std::uint32_t, kMaxParameters> multiSwitchItemCounts{};
    std::array<QString, kMaxParameters> parameterAddresses;

    // Control slots.
    std::array<QPointer<QSlider>, kMaxParameters> potBars;
    std::array<QPointer<ToggleSwitch>, kMaxParameters> switchControls;
    std::array<QPointer<QPushButton>, kMaxParameters> paramButtons;
    std::array<QPointer<QComboBox>, kMaxParameters> multiSwitchBoxes;
    std::array<QPointer<QLabel>, kMaxParameters> nameLabels;
    std::array<QPointer<QLabel>, kMaxParameters> valueLabels;
    std::array<QPointer<QComboBox>, kMaxParameters> assignBoxes;
    std::array<QPointer<QCheckBox>, kMaxParameters> reverseBoxes;
    std::array<QPointer<QLabel>, kMaxReadbacks> readbackLabels;
    std::array<QPointer<QComboBox>, kMaxReadbacks> readbackBoxes;
    QPointer<QLabel> bypassLabel;
    QPointer<QComboBox> bypassAssignBox;
    QPointer<QLabel> presetLabel;
    QPointer<QComboBox> presetAssignBox;
    QPointer<QFrame> separatorLine;

    bool built_ = false;
    int builds_ = 0;
};
