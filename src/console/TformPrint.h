#pragma once

#include "app/EditorForm.h"
#include "console/ConsoleLog.h"

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
    TformPrint(EditorContext& context, EditorWindows& windows);
    ~TformPrint() override;

    void appendLines(const QStringList& lines, bool scroll) override;

    void btnClearClick();
    void btnScrollTopClick();
    void CheckBox1Change();
    void btnSendClick();

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
