#pragma once

#include "RecordListView.h"

#include <QAbstractTableModel>

namespace spawn {

// The record list's rows for a QTableView: the view's cells, read on demand, so 50,000 records
// cost nothing until they are on screen.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `view` must outlive the model.
    explicit RecordListModel(RecordListView& view, QObject* parent = nullptr);

    RecordListView& view() { return m_view; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    RecordListView& m_view;
    Subscriptions m_subscriptions;
};

} // namespace spawn
