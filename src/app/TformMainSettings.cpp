// The main window's settings kept between runs, its looks, and the check for a newer version.

#include "app/TformMain.h"

#include "ProductData.h"
#include "app/EditorApp.h"
#include "app/TformNewVersionMsg.h"
#include "base/StartupSettings.h"
#include "base/VersionCheck.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>

// ---- The version check ----

void TformMain::checkmostrecentversiononwebsite() {
    TimerCheckWebVersion->stop();
    if (!WebRequestCompleted(ctx.services.httpGet(versionAddress_))) {
        // No newer version is known: there is nothing to update to.
        menuUpdateNow->setEnabled(false);
        return;
    }
    menuNewAppVersion->setText(TformMain::kNewAppVersionText + QStringLiteral(" ") + webVersion);
    const std::optional<bool> newer = VersionCheck::isNewer(webVersion, ctx.state.appVersion);
    if (!newer) {
        // Only an editor built without its version gets here; comparing would be guesswork.
        ctx.services.reportError(
            QStringLiteral("This editor's version (%1) cannot be compared with the web site's (%2)")
                .arg(ctx.state.appVersion, webVersion));
        menuUpdateNow->setEnabled(false);
        return;
    }
    if (*newer) {
        if (showUpdateMessage)
            windows.formNewVersionMsg->show();
        menuUpdateNow->setEnabled(true);
    } else {
        menuNewAppVersion->setText(QStringLiteral("No update available"));
        menuUpdateNow->setEnabled(false);
    }
}

bool TformMain::WebRequestCompleted(const Services::HttpReply& response) {
    const VersionCheck::WebVersion reply = VersionCheck::readVersionReply(response);
    if (reply.version.isEmpty()) {
        if (reply.noAnswer)
            ctx.services.reportError(reply.problem);
        else
            ctx.services.showMessage(reply.problem);
        return false;
    }
    webVersion = reply.version;
    return true;
}

QString TformMain::GetAppVersionText() const {
    const QStringList parts = QStringLiteral(TARVO_FILE_VERSION).split(u'.');
    if (parts.size() < 2)
        return QStringLiteral("Version info not available");
    return parts.at(0) + u'.' + parts.at(1);
}

void TformMain::menuSupportClick() {
    ctx.services.openUrl(VersionCheck::webAddress(VersionCheck::kSupportPath));
}

// ---- Settings kept between runs, and the look ----

void TformMain::EnsureDocumentsFolder(const QString& name) {
    const QString error = StartupSettings::ensureFolder(ctx.services, name);
    if (!error.isEmpty()) {
        settingsFolderMissing_ = true;
        ctx.services.showMessage(QStringLiteral("Error creating folder: ") + error);
    }
}

void TformMain::EnsureDocumentsSubfolder(const QString& name, const QString& subname) {
    // Without its folder the subfolder fails for the same reason, already shown.
    if (settingsFolderMissing_)
        return;
    const QString error = StartupSettings::ensureFolder(ctx.services, name + u'/' + subname);
    if (!error.isEmpty()) {
        settingsFolderMissing_ = true;
        ctx.services.showMessage(QStringLiteral("Error creating subfolder: ") + error);
    }
}

void TformMain::LoadStartupSettings() {
    const StartupSettings::Loaded loaded = StartupSettings::load(ctx.services);
    settingsProblems_ << loaded.problems;
    if (loaded.showUpdateMessage)
        showUpdateMessage = *loaded.showUpdateMessage;
    menuVerifyAfterWriting->setChecked(loaded.verifyAfterWriting.value_or(false));
    if (!loaded.bankMode)
        return;
    // The mode as it was left: shown without touching the pedal or writing the file back.
    ctx.state.bankMode = *loaded.bankMode;
    menuModePreset->setChecked(!ctx.state.bankMode);
    menuModeBank->setChecked(ctx.state.bankMode);
    lblBankNum->setEnabled(ctx.state.bankMode);
    if (ctx.state.bankMode)
        rdbtnBank1->setChecked(true);
}

void TformMain::LoadLook() {
    const StartupSettings::Look look = StartupSettings::readLook(ctx.services);
    if (!look.problem.isEmpty())
        settingsProblems_ << look.problem;
    applyLook(look.number);
}

void TformMain::applyLook(int look) {
    // Every window wears the application's sheet, so one call restyles them all at once. A look
    // without a sheet changes nothing.
    const std::optional<QByteArray> sheet = ProductData::raw(StartupSettings::lookSheetName(look));
    if (!sheet)
        return;
    qApp->setStyleSheet(QString::fromUtf8(*sheet));
    // Every window lays its controls out again for the look's font when it takes the new style.
    // The menu ticks the look worn now; look 7, which it does not offer, ticks none.
    for (QAction* item : menuLook->actions())
        item->setChecked(menuLook->actions().indexOf(item) == look);
}

void TformMain::reportSettingsProblems() {
    // Told once, all together, and start-up goes on with the defaults. When a settings folder
    // could not be made the files failed for the reason already shown.
    if (!settingsProblems_.isEmpty() && !settingsFolderMissing_)
        ctx.services.reportError(settingsProblems_.join(u'\n') +
                                 QStringLiteral("\nThe editor goes on with the default settings."));
    settingsProblems_.clear();
}

void TformMain::CreateLookMenu() {
    // One look at a time, and the menu shows which; none where the look is one it does not offer.
    auto* looks = new QActionGroup(menuLook);
    looks->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i <= 6; ++i) {
        // Each look by its number and the name its sheet gives it.
        const QString title = StartupSettings::lookTitle(
            ProductData::raw(StartupSettings::lookSheetName(i)).value_or(QByteArray()));
        QAction* look = menuLook->addAction(title.isEmpty() ? QString::number(i)
                                                            : QStringLiteral("%1: %2").arg(i).arg(title));
        look->setObjectName(QStringLiteral("menuLook%1").arg(i));
        look->setCheckable(true);
        looks->addAction(look);
        on(look, &QAction::triggered, [this, look] { menuLookClickItem(look); });
    }
}

void TformMain::menuLookClickItem(QAction* item) {
    const int look = static_cast<int>(menuLook->actions().indexOf(item));
    if (look < 0)
        return;
    applyLook(look);
    const QString problem = StartupSettings::writeLook(ctx.services, look);
    if (!problem.isEmpty())
        ctx.services.reportError(problem);
}

void TformMain::menuShowUpdateMsgClick() {
    // The item ticks and unticks itself; the file takes the new state for the next start.
    const QString problem = StartupSettings::writeNotice(ctx.services, menuShowUpdateMsg->isChecked());
    if (!problem.isEmpty())
        ctx.services.reportError(problem);
}
