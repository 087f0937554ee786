#pragma once

#include "base/ConsoleLog.h"
#include "ui/EditorForm.h"

class QPushButton;
class QCheckBox;
class QLineEdit;
class QLabel;
class QComboBox;
class QPlainTextEdit;

// The debug console: the log every subsystem writes to, the raw parameter send and the pedal
// memory tools. Shown only by Ctrl+Shift+P in the main window.
class TformPrint : public EditorForm, public ConsoleView {
    Q_OBJECT
public:
    explicit TformPrint(EditorContext& context);
    ~TformPrint() override;

    void appendLines(const QStringList& lines, bool scroll) override;

    // The log keeps this many lines at most: each memory dump adds 16,384, and a long session
    // would otherwise grow it without end. The oldest go first, with a line that says so.
    static constexpr int kMaxLines = 200000;

private:
    void btnClearClick();
    void btnScrollTopClick();
    void CheckBox1Change();
    void btnSendClick();
    void btnEraseEepromClick();
    void btnReadEEPROMClick();
    // The memory chosen in the combo box; empty, with the user asked to choose, when none is.
    QString chosenMemory();

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
};
