#pragma once

#include <memory>

struct EditorContext;
class TformMain;
class TformFirmwareUpgrade;
class TformPrint;
class TformFXParameters;
class TformFXInfo;
class TformImpulseResponse;
class TformNewVersionMsg;
class TformPresetLibrary;

// The editor's windows, each created once for the whole run. The main window reaches the others
// through this; they answer it with signals.
struct EditorWindows {
    TformMain* formMain = nullptr;
    TformFirmwareUpgrade* formFirmwareUpgrade = nullptr;
    TformPrint* formPrint = nullptr;
    TformFXParameters* formFXParameters = nullptr;
    TformFXInfo* formFXInfo = nullptr;
    TformImpulseResponse* formImpulseResponse = nullptr;
    TformNewVersionMsg* formNewVersionMsg = nullptr;
    TformPresetLibrary* formPresetLibrary = nullptr;
};

// Creates the seven windows in their start-up order (the main window first, which runs its
// creation handler at once), then the preset library, and destroys them in reverse.
class EditorApp {
public:
    explicit EditorApp(EditorContext& context);
    ~EditorApp();
    EditorApp(const EditorApp&) = delete;
    EditorApp& operator=(const EditorApp&) = delete;

    EditorWindows& windows() { return windows_; }
    TformMain& main() { return *windows_.formMain; }

private:
    EditorContext& context_;
    EditorWindows windows_;
};
