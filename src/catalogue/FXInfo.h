#pragma once

#include <QString>
#include <QTemporaryDir>

class ResourceStore;

// The folder the effect information pages are shown from. A page is the effect's "_info"
// resource written out as it is stored, into a file named after the display name exactly as the
// list shows it (spaces and "+" kept) plus "-info.html". The folder is private to this run of the
// editor and goes with it, so a page is never one a previous version of the editor left behind.
class InfoPages {
public:
    // The folder is made inside `tempFolder`.
    explicit InfoPages(const QString& tempFolder);

    // Empty when the folder could not be made.
    QString folder() const;
    QString pagePath(const QString& displayName) const;

    // Reads the effect's page resource through the store (a missing one gets the store's message)
    // and gives its lines joined with nothing between them, for the log.
    static QString joinedPage(ResourceStore& resources, const QString& displayName);

    // Writes the effect's page to its file so the view can show it. Nothing is written when the
    // effect has no page; false, with the reason in `error`, when the file cannot be written.
    bool writePage(const QString& displayName, QString* error = nullptr) const;

private:
    QTemporaryDir dir_;
};
