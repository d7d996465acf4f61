#include "RecordListModel.h"

namespace spawn {

RecordListModel::RecordListModel(RecordListView& view, QObject* parent) : QAbstractTableModel(parent), m_view(view) {
    m_subscriptions += view.reset.connect([this] {
        beginResetModel();
        endResetModel();
    });
    m_subscriptions += view.rowsChanged.connect([this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, RecordListView::ColumnCount - 1));
    });
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_view.rowCount();
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RecordListView::ColumnCount;
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_view.rowCount()) {
        return {};
    }
    return QString::fromStdString(m_view.cellText(index.row(), static_cast<RecordListView::Column>(index.column())));
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < RecordListView::ColumnCount) {
        return QString::fromLatin1(RecordListView::kHeaders[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace spawn
