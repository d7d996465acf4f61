#include "RecordListModel.h"

#include "SpawnDocument.h"

#include <algorithm>

namespace spawn {

namespace {

const char* const kHeaders[RecordListModel::ColumnCount] = {"Num.", "ID", "----", "Name"};

} // namespace

RecordListModel::RecordListModel(const SpawnDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {
    connect(&document, &SpawnDocument::recordsReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&document, &SpawnDocument::recordChanged, this, [this](std::int32_t position) {
        const int row = rowOfPosition(position);
        if (row >= 0) {
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        }
    });
    connect(&document, &SpawnDocument::recordsReplaced, this, [this] {
        if (rowCount() > 0) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
        }
    });
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_filtered ? static_cast<int>(m_hits.size()) : m_document.records().count();
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    const auto position = positionOfRow(index.row());
    if (!position) {
        return {};
    }
    const SpawnRecord& record = m_document.records().at(*position);
    switch (index.column()) {
    case NumberColumn:
        return QString::number(index.row() + 1);
    case IdColumn:
        return QString::number(record.creatureId);
    case EntriesColumn:
        return QString::number(record.entryCount);
    case NameColumn:
        return QString::fromStdString(record.displayName);
    default:
        return {};
    }
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount) {
        return QString::fromLatin1(kHeaders[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void RecordListModel::showAll() {
    beginResetModel();
    m_filtered = false;
    m_hits.clear();
    endResetModel();
}

void RecordListModel::showHits(std::vector<std::int32_t> positions) {
    beginResetModel();
    m_filtered = true;
    m_hits = std::move(positions);
    endResetModel();
}

std::optional<std::int32_t> RecordListModel::positionOfRow(int row) const {
    if (row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    const std::int32_t position = m_filtered ? m_hits[static_cast<std::size_t>(row)] + 1 : row + 1;
    // A hit list is only read while no record has moved, but a position past the end is never used.
    if (position > m_document.records().count()) {
        return std::nullopt;
    }
    return position;
}

int RecordListModel::rowOfPosition(std::int32_t position) const {
    if (position < 1 || position > m_document.records().count()) {
        return -1;
    }
    if (!m_filtered) {
        return position - 1;
    }
    const auto it = std::lower_bound(m_hits.begin(), m_hits.end(), position - 1);
    return it != m_hits.end() && *it == position - 1 ? static_cast<int>(it - m_hits.begin()) : -1;
}

} // namespace spawn
