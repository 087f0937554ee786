#pragma once

#include "params/PresetLibrary.h"
#include "ui/EditorForm.h"

#include <QTimer>
#include <optional>

class BusyGate;
class PresetLibraryFilter;
class PresetLibraryModel;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The preset library: every preset of the preset folder with its effect, version, number of
// parameters and when it changed, sortable by any of them and searched by name and effect. It
// follows the folder as files come and go. Loading and saving the pedal's settings is the main
// window's to do (it knows the pedal); renaming, copying, putting in the trash and showing the
// folder are this window's.
class TformPresetLibrary : public EditorForm {
    Q_OBJECT
public:
    explicit TformPresetLibrary(EditorContext& context);

    // Lists the folder again now; the window does it by itself whenever the folder changes.
    void refresh();
    const QString& folder() const { return folder_; }
    // Writes a preset the main window composed under a name given here, asking before it
    // replaces one, then selects it. False when nothing was written.
    bool saveComposed(const QString& name, const QString& text);

signals:
    // Load: the preset's file, for the main window to load into the pedal.
    void loadRequested(const QString& path);
    // Save as New: the name typed, for the main window to compose the pedal's settings under.
    void saveRequested(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void connectControls();
    bool ensureFolder();
    std::optional<LibraryEntry> selectedEntry() const;
    void select(const QString& name);
    void selectionChanged();
    void folderChanged();

    void btnLoadPresetClick();
    void btnSaveAsNewClick();
    void btnRenamePresetClick();
    void btnDuplicatePresetClick();
    void btnDeletePresetClick();
    void btnShowInFileManagerClick();

    QString folder_;
    QString folderProblem_;
    PresetLibraryModel* model_;
    PresetLibraryFilter* filter_;
    QFileSystemWatcher* watcher_;
    // Files rarely come alone (a save writes a temporary file, then renames it): the changes of a
    // moment are listed once.
    QTimer relist_;
    BusyGate* gate_;

    QLineEdit* edtSearch;
    QTableView* tblPresets;
    QLabel* lblPresetInfo;
    QLabel* lblPresetName;
    QLineEdit* edtPresetName;
    QPushButton* btnLoadPreset;
    QPushButton* btnSaveAsNew;
    QPushButton* btnRenamePreset;
    QPushButton* btnDuplicatePreset;
    QPushButton* btnDeletePreset;
    QPushButton* btnShowInFileManager;
};
