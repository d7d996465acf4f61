#pragma once

#include "ProblemIndex.h"

#include <QAbstractTableModel>

namespace spawn {

// The Problems window's rows: the problem index's, laid out anew after every change of it.
class ProblemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `document` and `names` must outlive the model; the file's problems are listed at once.
    ProblemListModel(const SpawnDocument& document, const ElementNameTables* names, QObject* parent = nullptr);

    const ProblemIndex& problemIndex() const { return m_index; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // After every change of the list (the model was reset).
    void problemsChanged();

private:
    ProblemIndex m_index;
    Subscription m_changes;
};

} // namespace spawn
