#pragma once

#include "base/Services.h"

#include <QString>
#include <QStringList>
#include <optional>

// Asking the maker's web site for the newest editor version, and starting the updater.
namespace VersionCheck {

// The web site, unless TARVO_MAX_WEB_HOST names another (scheme, host and optional port, such
// as http://127.0.0.1:8765).
inline const QString kDefaultWebHost = QStringLiteral("https://www.merrowaudio.com");
inline const QString kVersionPath = QStringLiteral("/download/tarvomax/tarvo-max-version.php");
inline const QString kWhatsNewPath = QStringLiteral("/download/updatetarvomax/whatsnew.html");
inline const QString kSupportPath = QStringLiteral("/contact-us/");
// A version is a few digits and dots; anything longer is some other page.
inline constexpr int kMaxVersionLength = 64;

inline const QString kUpdaterProgram = QStringLiteral("TARVO_MAX_Win_Updater.exe");
inline const QString kUpdateDownload = QStringLiteral("TARVO_MAX_Editor_Update.exe");

QString webHost();
// The full address of a page of the web site.
QString webAddress(const QString& path);

// A version text as a number to compare: the dots removed and the rest read as decimal, so 1.10
// is 110 and 2.0 is 20. Nothing when the text is not digits and dots.
std::optional<qint64> versionNumber(const QString& text);

struct WebVersion {
    // The version the web site names; empty when the answer gave none.
    QString version;
    // Why not: the one message to show.
    QString problem;
    // No answer at all goes to the general error report; an answer that is no version, to a
    // message box.
    bool noAnswer = false;
};
WebVersion readVersionReply(const Services::HttpReply& reply);

// Whether the web's version is newer than the running one; nothing when either is no version.
std::optional<bool> isNewer(const QString& webVersion, const QString& appVersion);

struct UpdaterLaunch {
    QString program;
    QStringList arguments;
};
// The updater beside the editor, given where to download to and which editor to replace.
UpdaterLaunch updaterLaunch(const QString& executablePath, const QString& tempPath);

} // namespace VersionCheck
