#include "RecordListModel.h"

#include "SpawnDocument.h"

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
        const int row = position - 1;
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    });
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_document.records().count();
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) {
        return {};
    }
    const SpawnRecord& record = m_document.records().atIndex(static_cast<std::size_t>(index.row()));
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

} // namespace spawn
