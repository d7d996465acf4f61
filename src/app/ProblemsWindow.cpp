#include "ProblemsWindow.h"

#include "ProblemListModel.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

namespace spawn {

namespace {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 360;
constexpr int kRowHeight = 18;

} // namespace

ProblemsWindow::ProblemsWindow(ProblemListModel& model, QWidget* parent) : QDialog(parent), m_model(model) {
    setObjectName(QStringLiteral("ProblemsWindow"));
    // A window of its own beside the editor, not a modal dialog: editing goes on while it is open.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(kWindowWidth, kWindowHeight);

    m_list = new QTableView(this);
    m_list->setObjectName(QString::fromLatin1(kListName));
    m_list->setModel(&m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(false);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < ProblemIndex::ColumnCount; ++column) {
        m_list->setColumnWidth(column, ProblemIndex::kColumnWidths[column]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { activateRow(index.row()); });
    connect(&m_model, &ProblemListModel::problemsChanged, this, &ProblemsWindow::updateTitle);
    updateTitle();
}

void ProblemsWindow::updateTitle() {
    const int count = m_model.problemIndex().problemCount();
    setWindowTitle(count == 1 ? QStringLiteral("Problems (1 problem)")
                              : QStringLiteral("Problems (%1 problems)").arg(count));
}

void ProblemsWindow::activateRow(int row) {
    const auto position = m_model.problemIndex().recordPositionOfRow(row);
    if (position) {
        emit problemActivated(*position, m_model.problemIndex().problemAt(row).field);
    }
}

} // namespace spawn
