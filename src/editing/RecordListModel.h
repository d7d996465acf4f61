#pragma once

#include <QAbstractTableModel>

namespace spawn {

class SpawnDocument;

// The record list: one row per record, in list order, with its number, creature ID, entry count
// and display name. Rows are read from the document on demand, so 50,000 records cost nothing
// until they are on screen.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NumberColumn, IdColumn, EntriesColumn, NameColumn, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {40, 40, 40, 300};

    explicit RecordListModel(const SpawnDocument& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const SpawnDocument& m_document;
};

} // namespace spawn
