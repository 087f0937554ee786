#pragma once

#include "ui/EditorForm.h"

class QCheckBox;
class QLabel;
class QPushButton;

// The new-version notice: offers the updater or the what's-new page. Created at start, shown at
// most once, by the version check.
class TformNewVersionMsg : public EditorForm {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(EditorContext& context);

signals:
    // The updater has been asked to replace the editor, which must end for it (whether or not
    // it started).
    void editorMustEnd();

private:
    void FormCreate();
    void btnLaunchUpdateClick();
    void btnSeeWhatsNewClick();
    void CheckBox1Change();
    void LaunchUpdater();
    QString versionsLine() const;

    QLabel* Label1;
    QLabel* Label2;
    QPushButton* btnLaunchUpdate;
    QPushButton* btnSeeWhatsNew;
    QCheckBox* CheckBox1;
};
