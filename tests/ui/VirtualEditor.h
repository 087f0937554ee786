#pragma once

#include "app/EditorApp.h"
#include "app/EditorContext.h"
#include "app/TformMain.h"
#include "catalogue/ResourceStore.h"
#include "console/TformPrint.h"
#include "params/TformFXParameters.h"
#include "sim/ProgramLibrary.h"
#include "sim/VirtualDriver.h"
#include "support/RecordingDriver.h"
#include "support/ScriptedServices.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <memory>

// A whole editor on a scripted desktop, linked through the virtual pedal's driver.
struct VirtualEditor {
    explicit VirtualEditor(int storedEffect = 0x0B) {
        VirtualPedal::Options options;
        options.effectNumber = storedEffect;
        options.programFor = builtInProgram;
        driver = std::make_unique<VirtualDriver>(options);
        wire = std::make_unique<RecordingDriver>(*driver);
        context = std::make_unique<EditorContext>(services, *wire);
        app = std::make_unique<EditorApp>(*context);
    }
    VirtualEditor(const VirtualEditor&) = delete;
    VirtualEditor& operator=(const VirtualEditor&) = delete;
    ~VirtualEditor() {
        app.reset();
        context.reset();
    }

    TformMain& main() { return app->main(); }
    TformFXParameters& params() { return *app->windows().formFXParameters; }
    VirtualPedal& pedal() { return driver->pedal(); }
    QStringList logLines() { return app->windows().formPrint->Memo1->toPlainText().split(u'\n'); }
    // Lets the receive poll run for what the pedal has sent.
    void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    ScriptedServices services;
    std::unique_ptr<VirtualDriver> driver;
    std::unique_ptr<RecordingDriver> wire;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<EditorApp> app;
};
