#include "HistoryListModel.h"

#include "RecordEditor.h"
#include "SpawnDocument.h"

namespace spawn {

HistoryListModel::HistoryListModel(const SpawnDocument& document, RecordEditor& editor, QObject* parent)
    : QAbstractListModel(parent), m_document(document), m_editor(editor),
      m_rows(document.history().count() + 1) {
    m_subscriptions += document.history().indexChanged.connect([this](int index) {
        const int rows = m_document.history().count() + 1;
        if (rows != m_rows) {
            beginResetModel();
            m_rows = rows;
            endResetModel();
        } else {
            emit dataChanged(this->index(0), this->index(m_rows - 1));
        }
        emit currentRowChanged(index);
    });
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_rows) {
        return {};
    }
    if (index.row() == 0) {
        return QStringLiteral("Loaded file");
    }
    return QString::fromStdString(m_document.history().step(index.row() - 1).name());
}

int HistoryListModel::currentRow() const {
    return m_document.history().index();
}

void HistoryListModel::pick(int row) {
    if (row != currentRow()) {
        m_editor.moveHistoryTo(row);
    }
}

} // namespace spawn
