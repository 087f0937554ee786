#include "app/EditorApp.h"

#include "app/TformMain.h"
#include "app/TformNewVersionMsg.h"
#include "catalogue/TformFXInfo.h"
#include "catalogue/TformImpulseResponse.h"
#include "console/TformPrint.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "params/TformFXParameters.h"

EditorApp::EditorApp(EditorContext& context) {
    windows_.formMain = new TformMain(context, windows_);
    windows_.formFirmwareUpgrade = new TformFirmwareUpgrade(context, windows_);
    windows_.formPrint = new TformPrint(context, windows_);
    windows_.formFXParameters = new TformFXParameters(context, windows_);
    windows_.formFXInfo = new TformFXInfo(context, windows_);
    windows_.formImpulseResponse = new TformImpulseResponse(context, windows_);
    windows_.formNewVersionMsg = new TformNewVersionMsg(context, windows_);
}

EditorApp::~EditorApp() {
    delete windows_.formNewVersionMsg;
    delete windows_.formImpulseResponse;
    delete windows_.formFXInfo;
    delete windows_.formFXParameters;
    delete windows_.formPrint;
    delete windows_.formFirmwareUpgrade;
    delete windows_.formMain;
}
