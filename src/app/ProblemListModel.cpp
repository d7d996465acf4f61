#include "ProblemListModel.h"

namespace spawn {

ProblemListModel::ProblemListModel(const SpawnDocument& document, const ElementNameTables* names, QObject* parent)
    : QAbstractTableModel(parent), m_index(document, names), m_changes(m_index.problemsChanged.connect([this] {
          beginResetModel();
          endResetModel();
          emit problemsChanged();
      })) {}

int ProblemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_index.problemCount();
}

int ProblemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ProblemIndex::ColumnCount;
}

QVariant ProblemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_index.problemCount()) {
        return {};
    }
    if (role == Qt::ToolTipRole) {
        const auto name = problemCodeName(m_index.problemAt(index.row()).code);
        return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromStdString(m_index.cellText(index.row(), static_cast<ProblemIndex::Column>(index.column())));
}

QVariant ProblemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= ProblemIndex::ColumnCount) {
        return {};
    }
    return QString::fromLatin1(ProblemIndex::kHeaders[section]);
}

} // namespace spawn
