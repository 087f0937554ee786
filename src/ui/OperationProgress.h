#pragma once

#include <QDialog>
#include <QTimer>

class PedalWorker;
class QLabel;
class QProgressBar;
class QPushButton;

// How far a long exchange with the pedal has come (an upload, Erase Settings), with the Cancel
// button that stops it at its next safe step. It shows only when the exchange takes long enough
// to be worth watching, and never stops the windows from being used.
class OperationProgress : public QDialog {
public:
    OperationProgress(PedalWorker& worker, QWidget* parent);

    void begin(const QString& what);
    void end();

private:
    void cancel();

    PedalWorker& worker_;
    QLabel* lblOperation;
    QProgressBar* barOperation;
    QPushButton* btnCancelOperation;
    QTimer showLater_;
};
