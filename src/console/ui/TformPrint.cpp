#include "console/ui/TformPrint.h"

#include "ui/BusyGate.h"
#include "ui/OperationProgress.h"

#include "console/FilterCoefficients.h"
#include "console/MemoryTools.h"
#include "console/RawSend.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <utility>

TformPrint::TformPrint(EditorContext& context)
    : EditorForm(context, QStringLiteral("formPrint"), QStringLiteral("Debug Console"), QSize(506, 676),
                 QPoint(1075, 0), Sizing::Resizable) {
    btnClear = place(new QPushButton(QStringLiteral("Clear"), body()), "btnClear", QStringLiteral("Clear"),
                     {8, 5, 37, 25});
    btnScrollTop = place(new QPushButton(QStringLiteral("UP"), body()), "btnScrollTop", QStringLiteral("UP"),
                         {53, 5, 25, 25});
    CheckBox1 = place(new QCheckBox(QStringLiteral("scroll"), body()), "CheckBox1", QStringLiteral("scroll"),
                      {86, 7, 0, 0});
    CheckBox1->setChecked(true);
    // The two memory buttons are twice a button's height and too narrow for their captions on
    // one line: they take two, and a screen reader still hears the caption whole.
    btnEraseEeprom = place(new QPushButton(QStringLiteral("Erase\nEEPROM"), body()), "btnEraseEeprom",
                           QStringLiteral("Erase EEPROM"), {184, 5, 73, 32});
    btnReadEEPROM = place(new QPushButton(QStringLiteral("Read\nEEPROM"), body()), "btnReadEEPROM",
                          QStringLiteral("Read EEPROM"), {265, 4, 62, 32});
    // From its place to the address box: it grows into the box's place, pushing it along, when a
    // look's font needs more.
    lblI2Caddr = place(new QLabel(QStringLiteral("E2P addr"), body()), "lblI2Caddr",
                       QStringLiteral("E2P addr"), {387, 8, 48, 17});
    cmbI2Caddr = place(new QComboBox(body()), "cmbI2Caddr", QStringLiteral("E2P addr"), {438, 4, 43, 22});
    cmbI2Caddr->addItems({kMemoryA, kMemoryB});
    cmbI2Caddr->setCurrentIndex(-1); // no memory is chosen until the user chooses one
    lblI2Caddr->setBuddy(cmbI2Caddr);

    // The raw send stays hidden: it is a maintainer's tool, reached only from code or tests.
    btnSend = place(new QPushButton(QStringLiteral("Send"), body()), "btnSend", QStringLiteral("Send"),
                    {8, 34, 45, 22});
    edtAddress = place(new QLineEdit(QStringLiteral("addr"), body()), "edtAddress", QStringLiteral("Address"),
                       {58, 34, 60, 22});
    edtData = place(new QLineEdit(QStringLiteral("data"), body()), "edtData", QStringLiteral("Data"),
                    {123, 34, 100, 22});
    btnSend->hide();
    edtAddress->hide();
    edtData->hide();

    Memo1 = place(new QPlainTextEdit(body()), "Memo1", QStringLiteral("Log"), {8, 61, 489, 607});
    // The log takes whatever room the person gives the window.
    stretchWithWindow(Memo1);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setUndoRedoEnabled(false);
    Memo1->setMaximumBlockCount(kMaxLines);

    on(btnClear, &QPushButton::clicked, [this] { btnClearClick(); });
    on(btnScrollTop, &QPushButton::clicked, [this] { btnScrollTopClick(); });
    on(CheckBox1, &QCheckBox::toggled, [this] { CheckBox1Change(); });
    on(btnSend, &QPushButton::clicked, [this] { btnSendClick(); });
    on(btnEraseEeprom, &QPushButton::clicked, [this] { btnEraseEepromClick(); });
    on(btnReadEEPROM, &QPushButton::clicked, [this] { btnReadEEPROMClick(); });

    buildCalculator();
    // The memory tools and the raw send speak to the pedal: not while another exchange runs.
    gate_ = new BusyGate(ctx.worker(), this);
    for (QWidget* control : {static_cast<QWidget*>(btnEraseEeprom), static_cast<QWidget*>(btnReadEEPROM),
                             static_cast<QWidget*>(btnSend)})
        gate_->add(control);
    ctx.console.setAutoScroll(CheckBox1->isChecked());
    ctx.console.attach(this);
}

TformPrint::~TformPrint() {
    ctx.console.detach(this);
}

void TformPrint::appendLines(const QStringList& lines, bool scroll) {
    if (!isVisible()) {
        // Nobody reads a hidden console: its lines wait, so that two memory dumps (32,768 lines)
        // logged while it is closed cost the windows nothing until it is opened.
        hiddenLines_ += lines;
        if (hiddenLines_.size() > kMaxLines) {
            const qsizetype excess = hiddenLines_.size() - kMaxLines;
            hiddenLines_.remove(0, excess);
            droppedHidden_ += excess;
        }
        return;
    }
    showLines(lines, scroll);
}

void TformPrint::flushLog() {
    if (hiddenLines_.isEmpty())
        return;
    const QStringList lines = std::exchange(hiddenLines_, {});
    showLines(lines, ctx.console.autoScroll());
}

void TformPrint::showEvent(QShowEvent* event) {
    EditorForm::showEvent(event);
    flushLog();
}

void TformPrint::showLines(const QStringList& lines, bool scroll) {
    QScrollBar* bar = Memo1->verticalScrollBar();
    const int keep = bar->value();
    const qsizetype overflow =
        Memo1->blockCount() + lines.size() - kMaxLines + std::exchange(droppedHidden_, 0);
    QString text = lines.join(u'\n');
    if (overflow > 0)
        text += QStringLiteral("\n(the console keeps the last %1 lines; the oldest %2 were dropped)")
                    .arg(kMaxLines)
                    .arg(overflow + 1);
    // One append for the whole batch: a 16,384-line dump goes in at once, not line by line.
    Memo1->appendPlainText(text);
    if (scroll)
        bar->setValue(bar->maximum());
    else
        bar->setValue(keep);
}

void TformPrint::btnClearClick() {
    hiddenLines_.clear();
    droppedHidden_ = 0;
    Memo1->clear();
}

void TformPrint::btnScrollTopClick() {
    Memo1->verticalScrollBar()->setValue(0);
}

void TformPrint::CheckBox1Change() {
    ctx.console.setAutoScroll(CheckBox1->isChecked());
}

void TformPrint::btnSendClick() {
    const QString text = rawSendText(edtAddress->text(), edtData->text());
    ctx.console.log(text);
    // Always seven bytes: a short text leaves the tail of the previous message in txBuffer.
    ctx.worker().send(text, 7, false);
}

QString TformPrint::chosenMemory() {
    const QString address = cmbI2Caddr->currentText();
    // Without an address the messages would go out a byte short.
    if (!isMemoryAddress(address)) {
        ctx.services.showMessage(QStringLiteral("Choose the memory first: 50 or 51 in \"E2P addr\"."));
        return {};
    }
    return address;
}

void TformPrint::btnEraseEepromClick() {
    const QString address = chosenMemory();
    if (address.isEmpty())
        return;
    ctx.worker().start(
        this,
        [address](PedalLine& line) {
            EraseEEPROM(line, address);
            return true;
        },
        [](bool, const PedalWorker::Said&) {});
}

void TformPrint::btnReadEEPROMClick() {
    const QString address = chosenMemory();
    if (address.isEmpty())
        return;
    // The dump comes back while the pedal is given its time; the poll shows it afterwards.
    if (!progress_)
        progress_ = new OperationProgress(ctx.worker(), this);
    progress_->begin(QStringLiteral("Reading memory %1").arg(address));
    ctx.worker().start(
        this,
        [address](PedalLine& line) {
            ReadEEPROM(line, address);
            return true;
        },
        [this](bool, const PedalWorker::Said&) { progress_->end(); });
}

void TformPrint::setPedalToolsEnabled(bool on) {
    gate_->setEnabled(btnEraseEeprom, on);
    gate_->setEnabled(btnReadEEPROM, on);
    gate_->setEnabled(btnSend, on);
}

// ---- The filter coefficient calculator, hidden in the console's layout ----

void TformPrint::buildCalculator() {
    // A maintainer's tool: the note picker is hidden and the other three sit inside it.
    cmbNotePicker = place(new QComboBox(body()), "cmbNotePicker", QStringLiteral("Note"), {8, 34, 120, 22});
    edtQ = place(new QLineEdit(QStringLiteral("1.41"), cmbNotePicker), "edtQ", QStringLiteral("Q"),
                 {0, 0, 40, 22});
    edtBoost = place(new QLineEdit(QStringLiteral("0"), cmbNotePicker), "edtBoost", QStringLiteral("Boost"),
                     {40, 0, 40, 22});
    btnGetNoteFrequency = place(new QPushButton(QStringLiteral("Calc Coeff."), cmbNotePicker),
                                "btnGetNoteFrequency", QStringLiteral("Calc Coeff."), {80, 0, 40, 22});
    cmbNotePicker->hide();
    on(cmbNotePicker, &QComboBox::currentIndexChanged, [this] { cmbNotePickerChange(); });
    on(edtQ, &QLineEdit::textChanged, [this] { edtQChange(); });
    on(edtBoost, &QLineEdit::textChanged, [this] { edtBoostChange(); });
    on(btnGetNoteFrequency, &QPushButton::clicked, [this] { btnGetNoteFrequencyClick(); });
    cmbNotePicker->addItems(noteNames());
    cmbNotePicker->setCurrentIndex(0);
    cmbNotePickerChange();
}

void TformPrint::cmbNotePickerChange() {
    semitones_ = cmbNotePicker->currentIndex() - kReferenceNoteIndex;
}

std::optional<double> TformPrint::settingFrom(QLineEdit* box, const QString& what) {
    const std::optional<double> value = numberFromText(box->text());
    if (!value)
        ctx.services.showMessage(
            QStringLiteral("'%1' is not a number; %2 stays %3.")
                .arg(box->text(), what, generalNumber(what == QLatin1String("Q") ? q_ : boost_)));
    return value;
}

void TformPrint::edtQChange() {
    const std::optional<double> q = settingFrom(edtQ, QStringLiteral("Q"));
    if (!q)
        return;
    if (!isQualityFactor(*q)) {
        ctx.services.showMessage(kQualityFactorRule +
                                 QStringLiteral("; it stays %1.").arg(generalNumber(q_)));
        return;
    }
    q_ = *q;
    ctx.console.log(QStringLiteral("Q: ") + generalNumber(q_));
}

void TformPrint::edtBoostChange() {
    const std::optional<double> boost = settingFrom(edtBoost, QStringLiteral("boost"));
    if (!boost)
        return;
    boost_ = *boost;
    ctx.console.log(QStringLiteral("boost: ") + generalNumber(boost_));
}

void TformPrint::btnGetNoteFrequencyClick() {
    const int note = semitones_ + kReferenceNoteIndex;
    const std::optional<PeakingFilter> filter = peakingFilter(noteFrequency(note), q_, boost_);
    if (!filter) {
        ctx.services.showMessage(
            QStringLiteral("These settings give no filter (its coefficients are not numbers)."));
        return;
    }
    ctx.console.logLines(coefficientTable(cmbNotePicker->itemText(note), boost_, q_, *filter));
}
