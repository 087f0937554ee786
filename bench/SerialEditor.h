#pragma once

// The whole editor on the product's own desktop services, linked through a pseudo-terminal to
// the virtual pedal program running at the speed of a real serial line: what the line
// benchmarks drive through its windows.

#include "LineCounting.h"
#include "app/EditorApp.h"
#include "app/QtServices.h"
#include "app/TformMain.h"
#include "link/system/SystemBridges.h"
#include "protocol/EditorContext.h"
#include "virtual_pedal_process.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <chrono>
#include <memory>

// The desktop as the product has it, answering Yes, keeping messages rather than opening boxes
// nobody would close, and counting the pauses.
class BenchServices : public PauseCounting<QtServices> {
public:
    void showMessage(const QString& text) override { messages << text; }
    void reportError(const QString& text) override { messages << text; }
    bool confirm(const QString&) override { return true; }
    QStringList messages;
};

struct SerialEditor {
    ServedPedal pedal;
    BenchServices services;
    double bytes = 0;
    std::unique_ptr<CountingDriver> wire;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<EditorApp> app;

    explicit SerialEditor(std::vector<std::string> pedalArgs = {"--line-speed", "--effect", "11"})
        : pedal(std::move(pedalArgs)) {
        qputenv("TARVO_MAX_SERIAL_PORT", QByteArray::fromStdString(pedal.pty));
        wire = std::make_unique<CountingDriver>(makeSystemDriver(), bytes);
        qunsetenv("TARVO_MAX_SERIAL_PORT");
        context = std::make_unique<EditorContext>(services, *wire);
        app = std::make_unique<EditorApp>(*context);
        app->main().show();
    }
    template <typename T> T* find(const char* name) {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* found = window->findChild<T*>(QString::fromLatin1(name)))
                return found;
        return nullptr;
    }
    // Lets the windows run until the worker has finished every exchange started and its results
    // are shown, for 20 s at most.
    bool waitForWorker() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!context->worker().linkFree() && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QCoreApplication::processEvents();
        return context->worker().linkFree();
    }
    void link() {
        find<QAction>("menuConnect")->trigger();
        waitForWorker();
    }
    // A click on a row, as the player makes it.
    void choose(const char* list, const char* row) {
        auto* widget = find<QListWidget>(list);
        const QList<QListWidgetItem*> items = widget->findItems(QString::fromLatin1(row), Qt::MatchExactly);
        if (items.isEmpty())
            return;
        widget->setCurrentItem(items.first());
        emit widget->itemClicked(items.first());
    }
};
