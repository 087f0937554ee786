#include "app/TformNewVersionMsg.h"

#include "base/StartupSettings.h"
#include "base/VersionCheck.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {
const QString kNewVersionText = QStringLiteral("A new version of the Tarvo Max Editor is available");
const QRect kLabel1Geometry{4, 8, 274, 17};
const QRect kLaunchUpdateGeometry{99, 56, 84, 30};
const QRect kSeeWhatsNewGeometry{105, 97, 72, 25};
} // namespace

TformNewVersionMsg::TformNewVersionMsg(EditorContext& context)
    : EditorForm(context, QStringLiteral("formNewVersionMsg"), QStringLiteral("New Version"), QSize(282, 151),
                 QPoint(450, 25)) {
    // The labels are made with their texts so a screen reader follows the texts themselves.
    Label1 = place(new QLabel(kNewVersionText, body()), "Label1", kNewVersionText, kLabel1Geometry);
    Label1->setAlignment(Qt::AlignCenter);
    // A look with a larger font breaks the line rather than cutting it off.
    Label1->setWordWrap(true);
    Label2 = place(new QLabel(versionsLine(), body()), "Label2", versionsLine(), {0, 34, 282, 17});
    Label2->setAlignment(Qt::AlignCenter);
    Label2->hide();
    btnLaunchUpdate = place(new QPushButton(QStringLiteral("Update Now"), body()), "btnLaunchUpdate",
                            QStringLiteral("Update Now"), kLaunchUpdateGeometry);
    btnSeeWhatsNew = place(new QPushButton(QStringLiteral("What's New?"), body()), "btnSeeWhatsNew",
                           QStringLiteral("What's New?"), kSeeWhatsNewGeometry);
    // The two buttons stand centred under the message, as designed, however wide they grow.
    keepCentred(btnLaunchUpdate);
    keepCentred(btnSeeWhatsNew);
    CheckBox1 = place(new QCheckBox(QStringLiteral("Don't Show This Message Again"), body()), "CheckBox1",
                      QStringLiteral("Don't Show This Message Again"), {46, 132, 200, 17});
    on(btnLaunchUpdate, &QPushButton::clicked, [this] { btnLaunchUpdateClick(); });
    on(btnSeeWhatsNew, &QPushButton::clicked, [this] { btnSeeWhatsNewClick(); });
    on(CheckBox1, &QCheckBox::toggled, [this] { CheckBox1Change(); });
    FormCreate();
}

void TformNewVersionMsg::FormCreate() {
    Label1->setText(kNewVersionText);
    Label2->setText(versionsLine());
}

QString TformNewVersionMsg::versionsLine() const {
    // The web's version is not known yet when the window is made, so the line ends empty.
    return QStringLiteral("Your version: ") + ctx.state.appVersion + QStringLiteral("     ") +
           QStringLiteral("New version: ");
}

void TformNewVersionMsg::btnLaunchUpdateClick() {
    LaunchUpdater();
}

void TformNewVersionMsg::btnSeeWhatsNewClick() {
    ctx.services.openUrl(VersionCheck::webAddress(VersionCheck::kWhatsNewPath));
}

void TformNewVersionMsg::CheckBox1Change() {
    if (!CheckBox1->isChecked())
        return;
    const QString problem = StartupSettings::writeNotice(ctx.services, false);
    if (!problem.isEmpty())
        ctx.services.reportError(problem);
}

void TformNewVersionMsg::LaunchUpdater() {
    if (!ctx.services.confirm(QStringLiteral(
            "This action will update the Tarvo Max Editor to the latest version. Do you want to continue?")))
        return;
    const VersionCheck::UpdaterLaunch launch =
        VersionCheck::updaterLaunch(ctx.services.executablePath(), ctx.services.tempPath());
    if (!ctx.services.startElevated(launch.program, launch.arguments))
        ctx.services.showMessage(QStringLiteral("Failed to launch updater. Please run as administrator."));
    emit editorMustEnd();
}
