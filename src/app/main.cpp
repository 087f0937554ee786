#include "app/EditorApp.h"
#include "app/QtServices.h"
#include "app/TformMain.h"
#include "link/system/SystemBridges.h"
#include "protocol/EditorContext.h"
#include "sim/DemoDriver.h"

#include <QApplication>
#include <QTimer>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvo Max Editor"));
    QApplication::setOrganizationName(QStringLiteral("Merrow"));
    // Ties the windows to the installed menu entry, which is how Wayland desktops find the icon.
    QApplication::setDesktopFileName(QStringLiteral("com.merrowaudio.TarvoMaxEditor"));

    QtServices services;
    // Every bridge the machine offers, the named port last; with TARVO_MAX_VIRTUAL_PEDAL=1 the
    // virtual pedal before them all.
    std::unique_ptr<FtDriver> driver = makeEditorDriver(makeSystemDriver());
    EditorContext context(services, *driver);
    EditorApp editor(context);
    editor.main().show();
    // The start-up benchmark times a whole start by the process's life: with this set, the
    // editor leaves as soon as its main window is up.
    if (qEnvironmentVariable("TARVO_MAX_QUIT_WHEN_SHOWN") == QLatin1String("1"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
