#pragma once

#include <QDialog>

#include <cstddef>
#include <cstdint>
#include <optional>

class QTableView;

namespace spawn {

class ProblemListModel;

// The Problems window: the open file's problems, one row each, its title giving their number. A
// double-click on a record's problem asks the main window to show that record and field.
class ProblemsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kListName = "ProblemList";

    // `model` must outlive the window.
    ProblemsWindow(ProblemListModel& model, QWidget* parent);

    QTableView& list() { return *m_list; }

signals:
    // A double-click on a problem of the record at `position`; `field` is its form field, if any.
    void problemActivated(std::int32_t position, std::optional<std::size_t> field);

private:
    void updateTitle();
    void activateRow(int row);

    ProblemListModel& m_model;
    QTableView* m_list = nullptr;
};

} // namespace spawn
