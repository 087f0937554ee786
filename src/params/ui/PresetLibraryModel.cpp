#include "params/ui/PresetLibraryModel.h"

#include <QLocale>

namespace {

const QString kNotAPreset = QStringLiteral("not a preset");

} // namespace

void PresetLibraryModel::setEntries(QList<LibraryEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

int PresetLibraryModel::rowOf(const QString& name) const {
    for (qsizetype row = 0; row < entries_.size(); ++row)
        if (entries_.at(row).name == name)
            return static_cast<int>(row);
    return -1;
}

int PresetLibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int PresetLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PresetLibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries_.size())
        return {};
    const LibraryEntry& e = entries_.at(index.row());
    if (role == Qt::ToolTipRole)
        return e.preset ? QVariant() : QVariant(QStringLiteral("Not a preset: ") + e.problem);
    if (role == Qt::AccessibleDescriptionRole && !e.preset)
        return QStringLiteral("Not a preset: ") + e.problem;
    const bool display = role == Qt::DisplayRole;
    if (!display && role != kSortRole)
        return {};
    switch (index.column()) {
    case Name:
        return display ? QVariant(e.name) : QVariant(e.name.toLower());
    case Effect:
        if (!e.preset)
            return kNotAPreset;
        return display ? QVariant(e.effectText()) : QVariant(e.effectText().toLower());
    case Version:
        if (!e.preset)
            return display ? QVariant() : QVariant(-1);
        return e.effectVersion;
    case Parameters:
        if (!e.preset)
            return display ? QVariant() : QVariant(-1);
        return static_cast<int>(e.parameterCount);
    case Modified:
        return display ? QVariant(QLocale().toString(e.modified, QStringLiteral("yyyy-MM-dd HH:mm")))
                       : QVariant(e.modified);
    default:
        return {};
    }
}

QVariant PresetLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList headers = {QStringLiteral("Name"), QStringLiteral("Effect"),
                                        QStringLiteral("Version"), QStringLiteral("Parameters"),
                                        QStringLiteral("Modified")};
    return headers.value(section);
}

PresetLibraryFilter::PresetLibraryFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    collator_.setNumericMode(true);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

bool PresetLibraryFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const QVariant a = left.data(sortRole());
    const QVariant b = right.data(sortRole());
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return collator_.compare(a.toString(), b.toString()) < 0;
    return QSortFilterProxyModel::lessThan(left, right);
}

void PresetLibraryFilter::setSearch(const QString& text) {
    search_ = text.trimmed();
    invalidateFilter();
}

bool PresetLibraryFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    if (search_.isEmpty())
        return true;
    const auto* model = static_cast<const PresetLibraryModel*>(sourceModel());
    const LibraryEntry& e = model->entry(sourceRow);
    return e.name.contains(search_, Qt::CaseInsensitive) ||
           (e.preset ? e.effectText() : kNotAPreset).contains(search_, Qt::CaseInsensitive);
}
