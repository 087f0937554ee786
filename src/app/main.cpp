#include "app/EditorApp.h"
#include "app/QtServices.h"
#include "app/TformMain.h"
#include "link/system/SystemBridges.h"
#include "link/udev/UdevMonitor.h"
#include "protocol/EditorContext.h"
#include "sim/DemoDriver.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// The editor's one option, read from what Qt leaves of the command line once it has taken its
// own (-platform, -style, ...). --demo lists the virtual pedal first, as TARVO_MAX_VIRTUAL_PEDAL=1
// does, so the menu entry can ask for it without a shell or `env` in between. Returns whether
// it was given, or nothing (having said so on stderr) for anything else on the line.
std::optional<bool> demoOption(int argc, char** argv) {
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") != 0) {
            std::fputs("usage: tarvo-max-editor [--demo]\n", stderr);
            return std::nullopt;
        }
        demo = true;
    }
    return demo;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::optional<bool> demo = demoOption(argc, argv);
    if (!demo)
        return 2;
    QApplication::setApplicationName(QStringLiteral("Tarvo Max Editor"));
    QApplication::setOrganizationName(QStringLiteral("Merrow"));
    // Ties the windows to the installed menu entry, which is how Wayland desktops find the icon.
    QApplication::setDesktopFileName(QStringLiteral("com.merrowaudio.TarvoMaxEditor"));

    QtServices services;
    // Every bridge the machine offers, the named port last; with --demo or
    // TARVO_MAX_VIRTUAL_PEDAL=1 the virtual pedal before them all.
    std::unique_ptr<FtDriver> driver = makeEditorDriver(makeSystemDriver(), *demo || virtualPedalWanted());
    EditorContext context(services, *driver);
    // Made before the windows, so that it outlives them.
    const std::unique_ptr<DeviceMonitor> monitor = makeUdevMonitor();
    EditorApp editor(context);
    editor.main().followDevices(*monitor);
    editor.main().show();
    // The start-up benchmark times a whole start by the process's life: with this set, the
    // editor leaves as soon as its main window is up.
    if (qEnvironmentVariable("TARVO_MAX_QUIT_WHEN_SHOWN") == QLatin1String("1"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
