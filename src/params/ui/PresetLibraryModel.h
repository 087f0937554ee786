#pragma once

#include "params/PresetLibrary.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QSortFilterProxyModel>

// The library's presets as the window's table shows them: one row a file, in the columns Name,
// Effect, Version, Parameters and Modified. Each column sorts by what it holds (numbers as
// numbers, times as times), through the sort role.
class PresetLibraryModel : public QAbstractTableModel {
public:
    enum Column { Name, Effect, Version, Parameters, Modified, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(QList<LibraryEntry> entries);
    const QList<LibraryEntry>& entries() const { return entries_; }
    const LibraryEntry& entry(int row) const { return entries_.at(row); }
    // The row of a preset by its name; -1 when there is none.
    int rowOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<LibraryEntry> entries_;
};

// The search: a row stays when its name or its effect holds the text, letter case aside. Names and
// effects sort as a person counts ("lead 2" before "lead 10").
class PresetLibraryFilter : public QSortFilterProxyModel {
public:
    explicit PresetLibraryFilter(QObject* parent = nullptr);
    void setSearch(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QString search_;
    QCollator collator_;
};
