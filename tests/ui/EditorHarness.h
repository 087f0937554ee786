#pragma once

#include "app/EditorApp.h"
#include "app/EditorContext.h"
#include "app/TformMain.h"
#include "console/TformPrint.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <QPlainTextEdit>
#include <memory>

// A whole editor on a scripted desktop and a fake bridge driver, built afresh for each test.
struct EditorHarness {
    EditorHarness() : EditorHarness(std::vector<FakeFtDriver::Bridge>{}) {}
    EditorHarness(std::initializer_list<FakeFtDriver::Bridge> bridges)
        : EditorHarness(std::vector<FakeFtDriver::Bridge>(bridges)) {}
    explicit EditorHarness(std::vector<FakeFtDriver::Bridge> bridges) {
        driver.bridges = std::move(bridges);
        context = std::make_unique<EditorContext>(services, driver);
        app = std::make_unique<EditorApp>(*context);
    }
    EditorHarness(const EditorHarness&) = delete;
    EditorHarness& operator=(const EditorHarness&) = delete;
    ~EditorHarness() {
        app.reset();
        context.reset();
    }

    TformMain& main() { return app->main(); }
    TformPrint& console() { return *app->windows().formPrint; }
    QStringList logLines() { return console().Memo1->toPlainText().split(u'\n'); }

    ScriptedServices services;
    FakeFtDriver driver;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<EditorApp> app;
};
