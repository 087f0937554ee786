#pragma once

#include "app/EditorForm.h"
#include "params/ControlLayout.h"

#include <QPointer>
#include <array>

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
    TformFXParameters(EditorContext& context, EditorWindows& windows);

    // Build and teardown.
    void OnShow();
    void OnClose();
    void ParseControlLayout();
    void ReadParameterAddresses();

    // Values.
    void update_FXParameters();
    void setItems();
    void EnableDisableControls(bool AEnable);
    void ShowSwitchText(int i);
    // A knob, switch or the expression input moved on the pedal.
    void ApplyLiveReport(std::uint8_t control, std::uint8_t index, std::uint16_t value);

    // Parameter messages.
    void PotParameterChange(QSlider* sender);
    void SwitchParameterClick(ToggleSwitch* sender);
    void ButtonParameterClick(QPushButton* sender);
    void MultiSwitchOnChange(QComboBox* sender);
    void SendPot(int i);
    void SendSwitch(int i);
    void SendButton(int i);
    void SendMultiSwitch(int i);

    // Assignment columns.
    void AssignBoxChanged(int i);
    void BypassPresetChanged(bool bypassRow);
    void ReadbackBoxChanged(int r);
    void ReverseCheckBoxOnClick(QCheckBox* sender);
    void EnableRevCheckBoxes();
    void DisableBypassAndPresetAssignInBankMode();
    void receive_assignments_from_device();
    void receive_reverse_data_from_device();
    void receive_mode();

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

    static const QStringList assignItems;
    static const QStringList bypassPresetItems;
    static const QStringList readbackItems;

    static constexpr int kRowPitch = 25;
    static constexpr int kTopMargin = 10;
    static constexpr int kWindowWidth = 420;
    static int rowY(int row) { return kTopMargin + kRowPitch * row; }
    // Height for N parameters and R readbacks.
    static int windowHeight(std::uint32_t n, std::uint32_t r) {
        return static_cast<int>(n + r + 4) * kRowPitch + 10;
    }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void sendParameter(int i, std::int32_t level, const QString& kind, bool direct);
    QLabel* captionLabel(const QString& text, int row, int width);
    QComboBox* selector(const char* name, const QString& accessibleName, const QStringList& items, int row);
    bool built_ = false;
};
