#pragma once

#include "Notifier.h"

#include <QAbstractListModel>

namespace spawn {

class RecordEditor;
class SpawnDocument;

// The "History…" window's rows: "Loaded file" for the file as loaded, then one row per step, named as
// Undo names it. The current row is where the history stands; the view's selection model is kept
// on it, and a row the user picks (mouse or keys) moves the history there through the editor, so
// the list and form follow as for Undo and Redo.
class HistoryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Both must outlive the model.
    HistoryListModel(const SpawnDocument& document, RecordEditor& editor, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The row that stands for where the history is now.
    int currentRow() const;
    // The user picked `row`.
    void pick(int row);

signals:
    // The history moved, or got other steps: the view marks currentRow().
    void currentRowChanged(int row);

private:
    const SpawnDocument& m_document;
    RecordEditor& m_editor;
    int m_rows = 0;
    Subscriptions m_subscriptions;
};

} // namespace spawn
