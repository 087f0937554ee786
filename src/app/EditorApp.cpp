#include "app/EditorApp.h"

#include "app/TformMain.h"
#include "app/TformNewVersionMsg.h"
#include "catalogue/ui/TformFXInfo.h"
#include "catalogue/ui/TformImpulseResponse.h"
#include "console/ui/TformPrint.h"
#include "firmware/ui/TformFirmwareUpgrade.h"
#include "params/ui/TformFXParameters.h"
#include "params/ui/TformPresetLibrary.h"
#include "protocol/EditorContext.h"

#include <QApplication>
#include <QIcon>

EditorApp::EditorApp(EditorContext& context) : context_(context) {
    // Every window wears the editor's icon; window managers that do not read the menu entry
    // take it from the window.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    windows_.formMain = new TformMain(context, windows_);
    windows_.formFirmwareUpgrade = new TformFirmwareUpgrade(context);
    windows_.formPrint = new TformPrint(context);
    windows_.formFXParameters = new TformFXParameters(context);
    windows_.formFXInfo = new TformFXInfo(context);
    windows_.formImpulseResponse = new TformImpulseResponse(context);
    windows_.formNewVersionMsg = new TformNewVersionMsg(context);
    windows_.formPresetLibrary = new TformPresetLibrary(context);
    windows_.formMain->windowsCreated();
}

EditorApp::~EditorApp() {
    // An exchange still running works for the windows (the firmware window's flasher, say): it
    // is stopped at its next safe step before they go.
    context_.stopWorker();
    delete windows_.formPresetLibrary;
    delete windows_.formNewVersionMsg;
    delete windows_.formImpulseResponse;
    delete windows_.formFXInfo;
    delete windows_.formFXParameters;
    delete windows_.formPrint;
    delete windows_.formFirmwareUpgrade;
    delete windows_.formMain;
}
