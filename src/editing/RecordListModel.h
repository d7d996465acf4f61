#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <optional>
#include <vector>

namespace spawn {

class SpawnDocument;

// The record list: one row per record, with its number, creature ID, entry count and display
// name. In the full view row r shows the record at position r + 1; in the filtered view row k
// shows the k-th hit of the last search and is numbered k + 1. Rows are read from the document on
// demand, so 50,000 records cost nothing until they are on screen.
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

    // Every record, in list order.
    void showAll();
    // The records at these 0-based positions (in list order), one row each.
    void showHits(std::vector<std::int32_t> positions);
    bool isFiltered() const { return m_filtered; }
    const std::vector<std::int32_t>& hits() const { return m_hits; }

    // The 1-based list position of the record a row shows; nothing for a row not shown.
    std::optional<std::int32_t> positionOfRow(int row) const;
    // The row that shows the record at a 1-based position, or -1.
    int rowOfPosition(std::int32_t position) const;

private:
    const SpawnDocument& m_document;
    bool m_filtered = false;
    std::vector<std::int32_t> m_hits; // 0-based positions of the rows of the filtered view
};

} // namespace spawn
