#include "ui/OperationProgress.h"

#include "protocol/PedalWorker.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// A shorter exchange is over before the window would have been read.
constexpr int kShowAfterMs = 400;
} // namespace

OperationProgress::OperationProgress(PedalWorker& worker, QWidget* parent)
    : QDialog(parent, Qt::Dialog), worker_(worker), lblOperation(new QLabel(this)),
      barOperation(new QProgressBar(this)),
      btnCancelOperation(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("formOperationProgress"));
    setWindowTitle(QStringLiteral("Tarvo Max Editor"));
    setModal(false);
    lblOperation->setObjectName(QStringLiteral("lblOperation"));
    barOperation->setObjectName(QStringLiteral("barOperation"));
    barOperation->setAccessibleName(QStringLiteral("Progress"));
    btnCancelOperation->setObjectName(QStringLiteral("btnCancelOperation"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblOperation);
    layout->addWidget(barOperation);
    layout->addWidget(btnCancelOperation, 0, Qt::AlignRight);
    connect(btnCancelOperation, &QPushButton::clicked, this, &OperationProgress::cancel);
    connect(&worker, &PedalWorker::progress, this, [this](int value, int maximum) {
        barOperation->setRange(0, maximum);
        barOperation->setValue(value);
    });
    showLater_.setSingleShot(true);
    showLater_.setInterval(kShowAfterMs);
    connect(&showLater_, &QTimer::timeout, this, [this] {
        show();
        raise();
    });
}

void OperationProgress::begin(const QString& what) {
    lblOperation->setText(what);
    // Busy until the exchange tells how far it has come.
    barOperation->setRange(0, 0);
    btnCancelOperation->setEnabled(true);
    btnCancelOperation->setText(QStringLiteral("Cancel"));
    adjustSize();
    showLater_.start();
}

void OperationProgress::end() {
    showLater_.stop();
    hide();
}

void OperationProgress::cancel() {
    worker_.cancel();
    btnCancelOperation->setEnabled(false);
    btnCancelOperation->setText(QStringLiteral("Cancelling..."));
}
