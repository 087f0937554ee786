#pragma once

#include "base/ConsoleLog.h"

#include "ui/EditorForm.h"
#include <optional>

class QPushButton;
class QCheckBox;
class QLineEdit;
class QLabel;
class QComboBox;
class QPlainTextEdit;
class BusyGate;
class OperationProgress;

// The debug console: the log every subsystem writes to, the raw parameter send and the pedal
// memory tools. Shown only by Ctrl+Shift+P in the main window.
class TformPrint : public EditorForm, public ConsoleView {
    Q_OBJECT
public:
    explicit TformPrint(EditorContext& context);
    ~TformPrint() override;

    void appendLines(const QStringList& lines, bool scroll) override;
    // Shows at once the lines logged while the console was closed.
    void flushLog();
    // The tools that speak to the pedal: off while it is in its bootloader.
    void setPedalToolsEnabled(bool on);

    // The log keeps this many lines at most: each memory dump adds 16,384, and a long session
    // would otherwise grow it without end. The oldest go first, with a line that says so.
    static constexpr int kMaxLines = 200000;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showLines(const QStringList& lines, bool scroll);
    void btnClearClick();
    void btnScrollTopClick();
    void CheckBox1Change();
    void btnSendClick();
    void btnEraseEepromClick();
    void btnReadEEPROMClick();
    // The memory chosen in the combo box; empty, with the user asked to choose, when none is.
    QString chosenMemory();

    // The hidden filter coefficient calculator.
    void buildCalculator();
    void cmbNotePickerChange();
    void edtQChange();
    void edtBoostChange();
    void btnGetNoteFrequencyClick();
    // The number an edit box holds; nothing, with the user told why, when it holds none.
    std::optional<double> settingFrom(QLineEdit* box, const QString& what);

    QPushButton* btnClear;
    QPushButton* btnScrollTop;
    QCheckBox* CheckBox1;
    QPushButton* btnEraseEeprom;
    QPushButton* btnReadEEPROM;
    QLabel* lblI2Caddr;
    QComboBox* cmbI2Caddr;
    QPushButton* btnSend;
    QLineEdit* edtAddress;
    QLineEdit* edtData;
    QPlainTextEdit* Memo1;
    QComboBox* cmbNotePicker;
    QLineEdit* edtQ;
    QLineEdit* edtBoost;
    QPushButton* btnGetNoteFrequency;

    // The calculator's settings: they start from what the boxes show.
    double q_ = 1.41;
    double boost_ = 0.0;
    int semitones_ = 0;
    BusyGate* gate_ = nullptr;
    OperationProgress* progress_ = nullptr;
    // What was logged while the console was closed, and how much of it did not fit.
    QStringList hiddenLines_;
    qsizetype droppedHidden_ = 0;
};
