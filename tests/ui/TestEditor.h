#pragma once

#include "Pointer.h"
#include "ProductData.h"
#include "app/EditorApp.h"
#include "app/TformMain.h"
#include "app/TformNewVersionMsg.h"
#include "catalogue/ui/TformFXInfo.h"
#include "catalogue/ui/TformImpulseResponse.h"
#include "console/ui/TformPrint.h"
#include "firmware/ui/TformFirmwareUpgrade.h"
#include "link/system/SystemBridges.h"
#include "params/ui/TformFXParameters.h"
#include "protocol/EditorContext.h"
#include "sim/VirtualDriver.h"
#include "support/FakeDeviceMonitor.h"
#include "support/FakeFtDriver.h"
#include "support/RecordingDriver.h"
#include "support/ScriptedServices.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

// The virtual pedal, holding the catalogue effect with this index, at the other end of the line.
struct WithVirtualPedal {
    int storedEffect = 0x0B;
};

// An editor whose documents folder is this one, so that what one run leaves the next one finds.
struct WithDocuments {
    QString folder;
};

// Every bridge the machine offers, as the editor itself starts with them: the direct driver's,
// the kernel's serial ports, and TARVO_MAX_SERIAL_PORT when it is set.
struct WithSystemBridges {};

// A whole editor on a scripted desktop, built afresh for each test: on scripted bridges that
// answer what a test queues, or linked through the virtual pedal. Either way every byte the
// editor writes is recorded on `wire`. Tests find controls by their object names and drive them
// as a person would.
struct TestEditor {
    TestEditor() : TestEditor(std::vector<FakeFtDriver::Bridge>{}) {}
    TestEditor(std::initializer_list<FakeFtDriver::Bridge> bridges)
        : TestEditor(std::vector<FakeFtDriver::Bridge>(bridges)) {}
    explicit TestEditor(std::vector<FakeFtDriver::Bridge> bridges) : fake_(std::make_unique<FakeFtDriver>()) {
        fake_->bridges = std::move(bridges);
        build(*fake_);
    }
    explicit TestEditor(WithVirtualPedal pedal) {
        VirtualPedal::Options options;
        options.effectNumber = pedal.storedEffect;
        options.programFor = ProductData::effectProgram;
        virtual_ = std::make_unique<VirtualDriver>(options);
        build(*virtual_);
    }
    explicit TestEditor(WithDocuments documents) : fake_(std::make_unique<FakeFtDriver>()) {
        services.documents = documents.folder;
        build(*fake_);
    }
    explicit TestEditor(WithSystemBridges) {
        system_ = makeSystemDriver();
        build(*system_);
    }
    TestEditor(const TestEditor&) = delete;
    TestEditor& operator=(const TestEditor&) = delete;
    ~TestEditor() {
        release();
        app.reset();
        context.reset();
    }

    // The scripted bridges (only for an editor built on them).
    FakeFtDriver& driver() { return *fake_; }
    // The virtual pedal (only for an editor built on it).
    VirtualPedal& pedal() { return virtual_->pedal(); }
    VirtualDriver& virtualDriver() { return *virtual_; }

    // A control of any of the editor's windows, by its object name; nullptr when there is none.
    // The windows are searched in the order they were made, so where two bear the same name (the
    // console's and the new-version notice's "CheckBox1") the earlier one is found.
    template <typename T = QWidget> T* find(const QString& name) {
        const EditorWindows& w = app->windows();
        QList<QWidget*> windows{w.formMain,   w.formFirmwareUpgrade, w.formPrint,        w.formFXParameters,
                                w.formFXInfo, w.formImpulseResponse, w.formNewVersionMsg};
        for (QWidget* window : QApplication::topLevelWidgets())
            if (!windows.contains(window))
                windows << window;
        for (QWidget* window : windows) {
            if (window->parentWidget() != nullptr)
                continue;
            if (window->objectName() == name)
                if (auto* found = qobject_cast<T*>(window))
                    return found;
            if (auto* found = window->findChild<T*>(name))
                return found;
        }
        return nullptr;
    }

    // What the console shows, and would show once opened.
    QStringList logLines() {
        app->windows().formPrint->flushLog();
        auto* log = find<QPlainTextEdit>(QStringLiteral("Memo1"));
        return log ? log->toPlainText().split(u'\n') : QStringList{};
    }

    // Lets the worker finish every exchange started (for 10 s at most: the pedal program on a
    // real line takes real time), and the receive poll and anything else queued run, a few
    // rounds over, since what one round shows may start another exchange.
    void settle() {
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < 5; ++round) {
            QCoreApplication::processEvents();
            // A worker the test holds finishes nothing until released.
            while (!context->worker().linkFree() && !holding() && clock.elapsed() < 10000) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                QThread::msleep(1);
            }
        }
    }

    // Holds the worker at the next pause an exchange takes, until release(), so that a test can
    // act while an exchange runs, as a person's click during one would.
    void holdAtNextPause() {
        std::lock_guard lock(hold_.mutex);
        hold_.armed = true;
        hold_.held = false;
        hold_.released = false;
        services.onPause = [this](int) { holdHere(); };
    }
    // Holds the worker when an exchange reports this much progress (the firmware run before
    // that block), until release().
    void holdAtProgress(int value) {
        {
            std::lock_guard lock(hold_.mutex);
            hold_.armed = true;
            hold_.held = false;
            hold_.released = false;
        }
        QObject::connect(
            &context->worker(), &PedalWorker::progress, &context->worker(),
            [this, value](int at, int) {
                if (at == value)
                    holdHere();
            },
            Qt::DirectConnection);
    }
    // Lets the windows run until the worker is held; false when it never got there.
    bool waitUntilHeld() {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            {
                std::lock_guard lock(hold_.mutex);
                if (hold_.held)
                    return true;
            }
            if (clock.elapsed() > 5000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
    }
    void release() {
        {
            std::lock_guard lock(hold_.mutex);
            hold_.released = true;
            hold_.armed = false;
        }
        hold_.changed.notify_all();
    }

    // Lets the receive poll and timers run until `done` holds, for 5 s at most: what arrives
    // through the poll may take several of its turns on a loaded machine.
    template <typename F> bool settleUntil(F done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    // A person's actions, on controls found by name: a click in the middle of the control through
    // its window (whatever lies on top there takes it), a menu item chosen from the menu bar.
    void click(const QString& button) {
        auto* b = find<QAbstractButton>(button);
        if (!b)
            throw std::runtime_error("no button " + button.toStdString());
        Pointer::click(b);
        settle();
    }
    // A pointer's click at the middle of a control, hit-tested through its window as a real
    // pointer's is, with nothing waited for afterwards.
    void press(const QString& control) {
        auto* w = find<QWidget>(control);
        if (!w)
            throw std::runtime_error("no control " + control.toStdString());
        Pointer::click(w);
    }
    void trigger(const QString& item) {
        auto* a = find<QAction>(item);
        if (!a)
            throw std::runtime_error("no menu item " + item.toStdString());
        Pointer::choose(a);
        settle();
    }
    // Clicks the row of a list that shows `text`.
    void clickRow(const QString& list, const QString& text) {
        auto* l = find<QListWidget>(list);
        const auto rows = l ? l->findItems(text, Qt::MatchExactly) : QList<QListWidgetItem*>{};
        if (rows.isEmpty())
            throw std::runtime_error("no row " + text.toStdString() + " in " + list.toStdString());
        Pointer::clickRow(l, rows.first());
        settle();
    }
    QString text(const QString& label) {
        if (auto* l = find<QLabel>(label))
            return l->text();
        if (auto* b = find<QAbstractButton>(label))
            return b->text();
        if (auto* a = find<QAction>(label))
            return a->text();
        return QStringLiteral("<no control %1>").arg(label);
    }
    bool enabled(const QString& name) {
        if (auto* w = find<QWidget>(name))
            return w->isEnabled();
        if (auto* a = find<QAction>(name))
            return a->isEnabled();
        throw std::runtime_error("no control " + name.toStdString());
    }
    // Bytes from the scripted bridge, read by the receive poll as one message.
    void arrive(const QByteArray& bytes) {
        driver().queueReply(bytes);
        settle();
    }

    // Bridges plugged in and pulled out, as the machine's device monitor tells the editor; the
    // editor follows it from the first call on.
    FakeDeviceMonitor& plugging() {
        if (!monitor_) {
            monitor_ = std::make_unique<FakeDeviceMonitor>();
            app->main().followDevices(*monitor_);
        }
        return *monitor_;
    }

    ScriptedServices services;
    std::unique_ptr<RecordingDriver> wire;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<EditorApp> app;

private:
    void build(FtDriver& driver) {
        wire = std::make_unique<RecordingDriver>(driver);
        context = std::make_unique<EditorContext>(services, *wire);
        app = std::make_unique<EditorApp>(*context);
        app->main().show();
        settle();
    }

    bool holding() {
        std::lock_guard lock(hold_.mutex);
        return hold_.held && !hold_.released;
    }
    // On the worker's thread: waits there, once armed, until the test releases it.
    void holdHere() {
        std::unique_lock lock(hold_.mutex);
        if (!hold_.armed)
            return;
        hold_.armed = false;
        hold_.held = true;
        hold_.changed.notify_all();
        hold_.changed.wait(lock, [this] { return hold_.released; });
    }

    struct Hold {
        std::mutex mutex;
        std::condition_variable changed;
        bool armed = false;
        bool held = false;
        bool released = false;
    } hold_;

    std::unique_ptr<FakeFtDriver> fake_;
    std::unique_ptr<VirtualDriver> virtual_;
    std::unique_ptr<FtDriver> system_;
    std::unique_ptr<FakeDeviceMonitor> monitor_;
};
