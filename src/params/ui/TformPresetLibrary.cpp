#include "params/ui/TformPresetLibrary.h"

#include "params/ui/PresetLibraryModel.h"
#include "ui/BusyGate.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kRelistAfterMs = 50;

} // namespace

TformPresetLibrary::TformPresetLibrary(EditorContext& context)
    : EditorForm(context, QStringLiteral("formPresetLibrary"), QStringLiteral("Preset Library"),
                 QSize(500, 330), QPoint(436, 360), Sizing::Resizable),
      model_(new PresetLibraryModel(this)), filter_(new PresetLibraryFilter(this)),
      watcher_(new QFileSystemWatcher(this)), gate_(new BusyGate(context.worker(), this)) {
    filter_->setSourceModel(model_);
    filter_->setSortRole(PresetLibraryModel::kSortRole);
    relist_.setSingleShot(true);
    relist_.setInterval(kRelistAfterMs);
    buildControls();
    connectControls();
}

void TformPresetLibrary::buildControls() {
    // A list of any length, so laid out by Qt on a pane that fills the window as the person sizes
    // it (and scrolls when the window is made smaller than the design).
    auto* pane = new QWidget(body());
    pane->setObjectName(QStringLiteral("libraryPane"));
    auto* layout = new QVBoxLayout(pane);
    auto* search = new QHBoxLayout;
    auto* lblSearch = place(new QLabel(QStringLiteral("Search:"), pane), QStringLiteral("lblSearch"),
                            QStringLiteral("Search:"), {});
    edtSearch = place(new QLineEdit(pane), QStringLiteral("edtSearch"), QStringLiteral("Search presets"), {});
    edtSearch->setPlaceholderText(QStringLiteral("name or effect"));
    edtSearch->setClearButtonEnabled(true);
    lblSearch->setBuddy(edtSearch);
    search->addWidget(lblSearch);
    search->addWidget(edtSearch, 1);
    layout->addLayout(search);

    tblPresets = place(new QTableView(pane), QStringLiteral("tblPresets"), QStringLiteral("Presets"), {});
    tblPresets->setModel(filter_);
    tblPresets->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPresets->setSelectionMode(QAbstractItemView::SingleSelection);
    tblPresets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPresets->setSortingEnabled(true);
    tblPresets->sortByColumn(PresetLibraryModel::Name, Qt::AscendingOrder);
    tblPresets->verticalHeader()->hide();
    tblPresets->setTabKeyNavigation(false);
    tblPresets->setWordWrap(false);
    // Widths set once: measuring a thousand rows each time the folder changes would cost more
    // than listing them.
    QHeaderView* header = tblPresets->horizontalHeader();
    header->setSectionResizeMode(PresetLibraryModel::Name, QHeaderView::Stretch);
    for (const auto& [column, width] : {std::pair{PresetLibraryModel::Effect, 130},
                                        {PresetLibraryModel::Version, 60},
                                        {PresetLibraryModel::Parameters, 80},
                                        {PresetLibraryModel::Modified, 110}})
        header->resizeSection(column, width);
    layout->addWidget(tblPresets, 1);

    lblPresetInfo =
        place(new QLabel(pane), QStringLiteral("lblPresetInfo"), QStringLiteral("Selected preset"), {});
    lblPresetInfo->setWordWrap(true);
    lblPresetInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblPresetInfo);

    auto* name = new QHBoxLayout;
    lblPresetName = place(new QLabel(QStringLiteral("Name:"), pane), QStringLiteral("lblPresetName"),
                          QStringLiteral("Name:"), {});
    edtPresetName =
        place(new QLineEdit(pane), QStringLiteral("edtPresetName"), QStringLiteral("Preset name"), {});
    edtPresetName->setPlaceholderText(QStringLiteral("for Save as New and Rename"));
    lblPresetName->setBuddy(edtPresetName);
    name->addWidget(lblPresetName);
    name->addWidget(edtPresetName, 1);
    layout->addLayout(name);

    auto* buttons = new QGridLayout;
    const auto button = [this, pane](const char* objectName, const QString& text) {
        return place(new QPushButton(text, pane), QString::fromLatin1(objectName), text, {});
    };
    btnLoadPreset = button("btnLoadPreset", QStringLiteral("Load"));
    btnSaveAsNew = button("btnSaveAsNew", QStringLiteral("Save as New"));
    btnRenamePreset = button("btnRenamePreset", QStringLiteral("Rename"));
    btnDuplicatePreset = button("btnDuplicatePreset", QStringLiteral("Duplicate"));
    btnDeletePreset = button("btnDeletePreset", QStringLiteral("Delete"));
    btnShowInFileManager = button("btnShowInFileManager", QStringLiteral("Show in File Manager"));
    btnLoadPreset->setToolTip(QStringLiteral("Load the preset into the pedal (Enter)"));
    btnSaveAsNew->setToolTip(
        QStringLiteral("Save the pedal's current settings as a new preset of this name"));
    btnRenamePreset->setToolTip(QStringLiteral("Give the preset the name typed above (F2)"));
    btnDeletePreset->setToolTip(QStringLiteral("Move the preset to the trash (Delete)"));
    buttons->addWidget(btnLoadPreset, 0, 0);
    buttons->addWidget(btnSaveAsNew, 0, 1);
    buttons->addWidget(btnRenamePreset, 0, 2);
    buttons->addWidget(btnDuplicatePreset, 1, 0);
    buttons->addWidget(btnDeletePreset, 1, 1);
    buttons->addWidget(btnShowInFileManager, 1, 2);
    layout->addLayout(buttons);
    design(pane, QRect(QPoint(0, 0), designSize()));
    stretchWithWindow(pane);
    gate_->add(btnLoadPreset);
    setTabOrder(edtSearch, tblPresets);
    setTabOrder(tblPresets, edtPresetName);
}

void TformPresetLibrary::connectControls() {
    on(edtSearch, &QLineEdit::textChanged, [this](const QString& text) {
        filter_->setSearch(text);
        selectionChanged();
    });
    // What is selected, not where the cursor is: focus alone puts the cursor on a row.
    on(tblPresets->selectionModel(), &QItemSelectionModel::selectionChanged, [this] { selectionChanged(); });
    on(tblPresets, &QTableView::doubleClicked, [this] { btnLoadPresetClick(); });
    on(btnLoadPreset, &QPushButton::clicked, [this] { btnLoadPresetClick(); });
    on(btnSaveAsNew, &QPushButton::clicked, [this] { btnSaveAsNewClick(); });
    on(edtPresetName, &QLineEdit::returnPressed, [this] { btnSaveAsNewClick(); });
    on(btnRenamePreset, &QPushButton::clicked, [this] { btnRenamePresetClick(); });
    on(btnDuplicatePreset, &QPushButton::clicked, [this] { btnDuplicatePresetClick(); });
    on(btnDeletePreset, &QPushButton::clicked, [this] { btnDeletePresetClick(); });
    on(btnShowInFileManager, &QPushButton::clicked, [this] { btnShowInFileManagerClick(); });
    on(watcher_, &QFileSystemWatcher::directoryChanged, [this] { relist_.start(); });
    on(&relist_, &QTimer::timeout, [this] { folderChanged(); });
    // The keyboard's ways to what the buttons do, on the list itself.
    const auto key = [this](const QKeySequence& sequence, QWidget* scope, auto handler) {
        auto* shortcut = new QShortcut(sequence, scope);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        on(shortcut, &QShortcut::activated, handler);
    };
    key(QKeySequence(Qt::Key_Return), tblPresets, [this] { btnLoadPresetClick(); });
    key(QKeySequence(Qt::Key_Enter), tblPresets, [this] { btnLoadPresetClick(); });
    key(QKeySequence(QKeySequence::Delete), tblPresets, [this] { btnDeletePresetClick(); });
    key(QKeySequence(Qt::Key_F2), this, [this] { btnRenamePresetClick(); });
    key(QKeySequence(QKeySequence::Find), this, [this] {
        edtSearch->setFocus();
        edtSearch->selectAll();
    });
}

void TformPresetLibrary::showEvent(QShowEvent* event) {
    EditorForm::showEvent(event);
    if (!event->spontaneous())
        runGuarded(ctx.services, [this] { refresh(); });
}

bool TformPresetLibrary::ensureFolder() {
    const FileResult folder = ensurePresetFolder(ctx.services);
    folder_ = folder.text;
    folderProblem_ = folder.ok ? QString() : folder.error;
    if (folder.ok && !watcher_->directories().contains(folder_)) {
        if (!watcher_->directories().isEmpty())
            watcher_->removePaths(watcher_->directories());
        watcher_->addPath(folder_);
    }
    return folder.ok;
}

void TformPresetLibrary::refresh() {
    const std::optional<LibraryEntry> was = selectedEntry();
    LibraryCatalogue catalogue;
    model_->setEntries(ensureFolder() ? listPresetLibrary(folder_, catalogue) : QList<LibraryEntry>{});
    if (was)
        select(was->name);
    selectionChanged();
}

void TformPresetLibrary::folderChanged() {
    // A folder taken away (and made again) must be watched again.
    if (isVisible())
        refresh();
}

std::optional<LibraryEntry> TformPresetLibrary::selectedEntry() const {
    const QModelIndex current = tblPresets->selectionModel()->currentIndex();
    if (!current.isValid() || !tblPresets->selectionModel()->isRowSelected(current.row(), {}))
        return std::nullopt;
    const QModelIndex source = filter_->mapToSource(current);
    if (!source.isValid())
        return std::nullopt;
    return model_->entry(source.row());
}

void TformPresetLibrary::select(const QString& name) {
    const int row = model_->rowOf(name);
    if (row < 0)
        return;
    const QModelIndex shown = filter_->mapFromSource(model_->index(row, 0));
    if (!shown.isValid())
        return;
    tblPresets->selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    tblPresets->scrollTo(shown);
}

void TformPresetLibrary::selectionChanged() {
    const std::optional<LibraryEntry> entry = selectedEntry();
    gate_->setEnabled(btnLoadPreset, entry && entry->preset);
    btnRenamePreset->setEnabled(entry.has_value());
    btnDuplicatePreset->setEnabled(entry.has_value());
    btnDeletePreset->setEnabled(entry.has_value());
    btnSaveAsNew->setEnabled(folderProblem_.isEmpty());
    btnShowInFileManager->setEnabled(folderProblem_.isEmpty());
    if (!folderProblem_.isEmpty()) {
        lblPresetInfo->setText(folderProblem_);
    } else if (!entry) {
        const qsizetype presets = std::count_if(model_->entries().begin(), model_->entries().end(),
                                                [](const LibraryEntry& e) { return e.preset; });
        lblPresetInfo->setText(QStringLiteral("%1 presets in %2").arg(presets).arg(folder_));
    } else if (!entry->preset) {
        lblPresetInfo->setText(QStringLiteral("%1 is not a preset: %2").arg(entry->name, entry->problem));
    } else {
        lblPresetInfo->setText(QStringLiteral("%1: %2 v%3, %4 parameters")
                                   .arg(entry->name, entry->effectText())
                                   .arg(entry->effectVersion)
                                   .arg(entry->parameterCount));
    }
}

void TformPresetLibrary::btnLoadPresetClick() {
    const std::optional<LibraryEntry> entry = selectedEntry();
    if (!entry || !btnLoadPreset->isEnabled())
        return;
    emit loadRequested(entry->path);
}

void TformPresetLibrary::btnSaveAsNewClick() {
    const QString name = edtPresetName->text();
    if (const QString problem = libraryNameProblem(name); !problem.isEmpty()) {
        ctx.services.showMessage(problem + QStringLiteral(" Type the new preset's name in the Name box."));
        edtPresetName->setFocus();
        return;
    }
    emit saveRequested(name);
}

bool TformPresetLibrary::saveComposed(const QString& name, const QString& text) {
    if (!ensureFolder()) {
        ctx.services.showMessage(folderProblem_);
        return false;
    }
    const bool exists = QFileInfo::exists(libraryPath(folder_, name));
    if (exists && !ctx.services.confirm(QStringLiteral("A preset called \"%1\" is in the library already. "
                                                       "Replace it?")
                                            .arg(libraryNameOf(libraryFileName(name)))))
        return false;
    const FileResult saved = saveLibraryPreset(folder_, name, text, true);
    if (!saved.ok) {
        ctx.services.showMessage(saved.error);
        return false;
    }
    refresh();
    select(libraryNameOf(libraryFileName(name)));
    edtPresetName->clear();
    return true;
}

void TformPresetLibrary::btnRenamePresetClick() {
    const std::optional<LibraryEntry> entry = selectedEntry();
    if (!entry)
        return;
    const QString to = edtPresetName->text();
    if (to.isEmpty()) {
        // The name to change is put where the new one is typed.
        edtPresetName->setText(entry->name);
        edtPresetName->setFocus();
        edtPresetName->selectAll();
        lblPresetInfo->setText(
            QStringLiteral("Type the new name of %1, then press Rename.").arg(entry->name));
        return;
    }
    const FileResult renamed = renameLibraryPreset(folder_, entry->name, to);
    if (!renamed.ok) {
        ctx.services.showMessage(renamed.error);
        return;
    }
    edtPresetName->clear();
    refresh();
    select(libraryNameOf(libraryFileName(to)));
}

void TformPresetLibrary::btnDuplicatePresetClick() {
    const std::optional<LibraryEntry> entry = selectedEntry();
    if (!entry)
        return;
    const FileResult copy = duplicateLibraryPreset(folder_, entry->name);
    if (!copy.ok) {
        ctx.services.showMessage(copy.error);
        return;
    }
    refresh();
    select(copy.text);
}

void TformPresetLibrary::btnDeletePresetClick() {
    const std::optional<LibraryEntry> entry = selectedEntry();
    if (!entry)
        return;
    if (!ctx.services.confirm(QStringLiteral("Move the preset \"%1\" to the trash?").arg(entry->name)))
        return;
    const FileResult trashed = trashLibraryPreset(folder_, entry->name);
    if (!trashed.ok)
        ctx.services.showMessage(trashed.error);
    refresh();
}

void TformPresetLibrary::btnShowInFileManagerClick() {
    if (!ensureFolder()) {
        ctx.services.showMessage(folderProblem_);
        return;
    }
    if (!ctx.services.openUrl(QUrl::fromLocalFile(folder_).toString()))
        ctx.services.showMessage(QStringLiteral("The file manager could not be opened on %1.").arg(folder_));
}
