#include "SpawnEditorWindow.h"

#include "BulkEditDialog.h"
#include "ClientPosition.h"
#include "CommandsWindow.h"
#include "CoordinateBoxes.h"
#include "DialogUnits.h"
#include "DiskWatch.h"
#include "FieldPanel.h"
#include "HistoryListModel.h"
#include "FileCommands.h"
#include "MapView.h"
#include "ProblemListModel.h"
#include "ProblemsWindow.h"
#include "QtDialogService.h"
#include "RecordClipboard.h"
#include "RecordEditor.h"
#include "RecordListModel.h"
#include "RecoveryKeeper.h"
#include "SpawnVersion.h"
#include "WindowCommands.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace spawn {

namespace {

// The window's size in dialog units.
constexpr int kWindowWidthUnits = 601;
constexpr int kWindowHeightUnits = 447;
constexpr int kRecordRowHeight = 16;
// The dialog units above are those of an 8-point font.
constexpr int kDialogFontPoints = 8;

// The table's undo and redo keys as shortcuts of `window`, each calling step(isRedo).
template <class Step> void addHistoryKeys(QWidget* window, Step step) {
    for (const auto& [command, isRedo] :
         {std::pair{&windowCommand("Undo"), false}, std::pair{&windowCommand("Redo"), true}}) {
        for (const QKeySequence& key : commandKeys(*command)) {
            QObject::connect(new QShortcut(key, window), &QShortcut::activated, window,
                             [step, isRedo = isRedo] { step(isRedo); });
        }
    }
}

QString textOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <class Control> Control* place(Control* control, int id, int x, int y, int w, int h) {
    if (id != 0) {
        control->setObjectName(QString::number(id));
    }
    control->setGeometry(unitsToPixels(x, y, w, h));
    return control;
}

} // namespace

SpawnEditorWindow::SpawnEditorWindow(DialogService* dialogs, QWidget* parent)
    : QDialog(parent), m_ownDialogs(dialogs ? nullptr : std::make_unique<QtDialogService>(this)),
      m_dialogs(dialogs ? dialogs : m_ownDialogs.get()),
      m_session(SessionPlatform{*m_dialogs, m_loop, m_worker, m_fileWatcher, defaultRecoveryFolder()}),
      m_names(m_session.names()), m_document(m_session.document()), m_editor(&m_session.editor()),
      m_clipboard(&m_session.clipboard()), m_recovery(&m_session.recovery()), m_diskWatch(&m_session.diskWatch()) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    // The first size is the smallest; larger, the list and the map take the room.
    setMinimumSize(unitsToPixelsX(kWindowWidthUnits), unitsToPixelsY(kWindowHeightUnits));
    resize(minimumSize());
    setWindowIcon(QIcon(QString::fromLatin1(MapResources::kAppIcon)));
    QFont dialogFont = font();
    dialogFont.setPointSize(kDialogFontPoints);
    setFont(dialogFont);
    for (const WindowCommand& command : kWindowCommands) {
        if (!command.action.empty() && !command.textBoxKeepsKeys) {
            for (const QKeySequence& key : commandKeys(command)) {
                m_keysPastTextBoxes.push_back(key[0]);
            }
        }
    }
    buildControls();
    buildMapControls();
    m_subscriptions += m_document.modifiedChanged.connect([this](bool) { updateCaption(); });
    m_subscriptions += m_session.fileOpened.connect([this] { updateCaption(); });
    updateCaption();
}

SpawnEditorWindow::~SpawnEditorWindow() {
    // The list model, the views and the coordinate boxes refer to the document, a member that
    // would otherwise go before them (QObject deletes its children after our members). So they go
    // here, newest first, as what refers to another child is made after it; the list is read anew
    // each time in case a child takes others with it. Nothing they do while going may reach this
    // window's event filter or slots, which use the controls being deleted.
    m_subscriptions.clear();
    for (QObject* child : findChildren<QObject*>()) {
        child->removeEventFilter(this);
        disconnect(child, nullptr, this, nullptr);
    }
    while (!children().isEmpty()) {
        delete children().constLast();
    }
}

void SpawnEditorWindow::buildControls() {
    auto button = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* b = place(new QPushButton(QString::fromUtf8(text), this), id, x, y, w, h);
        b->setAutoDefault(false); // Enter in an edit box must not press a button
        b->setDefault(false);
        return b;
    };
    auto group = [this](const char* text, int x, int y, int w, int h) {
        return place(new QGroupBox(QString::fromUtf8(text), this), 0, x, y, w, h);
    };
    auto label = [this](const char* text, int x, int y, int w, int h) {
        return place(new QLabel(QString::fromUtf8(text), this), 0, x, y, w, h);
    };
    auto edit = [this](int id, int x, int y, int w, int h) {
        auto* box = place(new QLineEdit(this), id, x, y, w, h);
        box->installEventFilter(this); // the window's keys pass it by
        return box;
    };

    m_listGroup = group("List", 7, 7, 147, 131);
    m_countLabel = place(new QLabel(this), ControlId::kCountLabel, 12, 19, 87, 13);
    m_countLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_countLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    button(ControlId::kRefresh, "Refresh", 103, 19, 45, 13);
    m_recordList = place(new QTableView(this), ControlId::kRecordList, 12, 38, 137, 95);
    buildRecordList();

    group("Search", 158, 7, 126, 44);
    m_searchById =
        place(new QRadioButton(QStringLiteral("ID"), this), ControlId::kSearchById, 166, 21, 32, 10);
    m_searchByName =
        place(new QRadioButton(QStringLiteral("Name"), this), ControlId::kSearchByName, 166, 35, 40, 10);
    m_searchText = edit(ControlId::kSearchText, 205, 16, 71, 14);
    button(ControlId::kSearch, "Ok->>", 225, 33, 50, 14);
    button(ControlId::kAddEntry, "+", 162, 56, 56, 14);
    button(ControlId::kRemoveEntry, "-", 224, 56, 56, 14);
    button(ControlId::kNew, "New", 162, 79, 56, 14);
    button(ControlId::kRemoveRecord, "Remove", 225, 79, 56, 14);
    button(ControlId::kApply, "Apply", 161, 100, 119, 14);
    auto* save = button(ControlId::kSave, "Save", 161, 120, 61, 17);
    auto* logout = button(ControlId::kLogout, "Logout", 226, 121, 54, 16);

    m_formGroup = group("Options", 7, 142, 280, 298);
    m_formFrame = place(new QFrame(this), ControlId::kFormFrame, 12, 152, 269, 273);
    m_fieldPanel = new FieldPanel(*m_editor, m_formFrame, this);
    m_formScrollBar = place(new QScrollBar(Qt::Horizontal, this), ControlId::kFormScrollBar, 9, 427, 277, 11);
    m_formScrollBar->hide();

    m_mapGroup = group("Location NPC", 291, 7, 301, 353);
    m_mapGroup->setAlignment(Qt::AlignHCenter);
    // The picture takes the bitmap's own size, as a static showing a bitmap does.
    m_mapView = new MapView(this);
    m_mapView->move(unitsToPixels(296, 19, 291, 336).topLeft());
    m_showSpawnDots =
        place(new QCheckBox(QStringLiteral("&All NPC"), this), ControlId::kShowSpawnDots, 296, 340, 60, 12);
    m_showSpawnDots->setChecked(true);

    group("Absolute coordinates", 291, 362, 301, 28);
    label("X:", 296, 373, 27, 12);
    m_coordinateBoxes[0] = edit(ControlId::kWorldX, 327, 372, 61, 12);
    label("Y:", 393, 373, 27, 12);
    m_coordinateBoxes[1] = edit(ControlId::kWorldY, 425, 372, 61, 12);
    label("Z:", 491, 373, 27, 12);
    m_coordinateBoxes[2] = edit(ControlId::kWorldZ, 523, 372, 61, 12);

    group("The coordinates on the map", 291, 394, 301, 26);
    label("X:", 296, 406, 27, 12);
    m_coordinateBoxes[3] = edit(ControlId::kMapX, 328, 405, 61, 12);
    label("Y:", 394, 406, 27, 12);
    m_coordinateBoxes[4] = edit(ControlId::kMapY, 426, 405, 61, 12);
    label("Height:", 492, 404, 28, 12);
    m_coordinateBoxes[5] = edit(ControlId::kMapHeight, 524, 404, 61, 12);

    button(ControlId::kSetCoordinates, "<--Set the coordinates NPC", 291, 425, 110, 15);
    auto* readClient = button(ControlId::kReadClientPosition, "-----", 411, 425, 68, 15);
    label("---:", 482, 428, 37, 12);
    m_clientProfile = place(new QComboBox(this), ControlId::kClientProfile, 524, 428, 70, 51);
    for (const ClientProfile& profile : kClientProfiles) {
        m_clientProfile->addItem(
            QString::fromUtf8(profile.listText.data(), static_cast<qsizetype>(profile.listText.size())));
    }
    // A drop-down list is one line tall; the template's height is that of its open list.
    m_clientProfile->resize(m_clientProfile->width(), unitsToPixelsY(14));
    m_clientProfile->setCurrentIndex(0);

    m_coordinates = new CoordinateBoxes(m_coordinateBoxes, m_mapView, this);
    m_searchById->setChecked(true);

    connect(save, &QPushButton::clicked, this, &SpawnEditorWindow::saveFile);
    connect(logout, &QPushButton::clicked, this, &SpawnEditorWindow::reject);
    connect(readClient, &QPushButton::clicked, this, &SpawnEditorWindow::readClientPosition);
    connectRecordCommands();
    connectMapDots();
}

void SpawnEditorWindow::connectRecordCommands() {
    auto onClick = [this](int id, auto handler) {
        connect(findChild<QPushButton*>(QString::number(id)), &QPushButton::clicked, this, handler);
    };
    onClick(ControlId::kSearch, [this] { m_editor->searchRecords(m_searchText->text().toStdString()); });
    onClick(ControlId::kRefresh, [this] { m_editor->refreshRecordList(); });
    onClick(ControlId::kRemoveRecord, [this] { m_editor->removeRecord(); });
    onClick(ControlId::kApply, [this] { m_editor->applyForm(); });
    onClick(ControlId::kNew, [this] { m_editor->newRecord(); });
    onClick(ControlId::kAddEntry, [this] { m_editor->addEntry(); });
    onClick(ControlId::kRemoveEntry, [this] { m_editor->removeLastEntry(); });
    onClick(ControlId::kSetCoordinates, [this] {
        m_editor->copyPositionToForm(m_coordinateBoxes[0]->text().toStdString(),
                                     m_coordinateBoxes[1]->text().toStdString(),
                                     m_coordinateBoxes[2]->text().toStdString());
    });
    connect(m_searchById, &QRadioButton::clicked, this, [this] { m_editor->setSearchMode(SearchMode::Id); });
    connect(m_searchByName, &QRadioButton::clicked, this,
            [this] { m_editor->setSearchMode(SearchMode::Name); });

    m_subscriptions += m_editor->countLabelChanged.connect(
        [this] { m_countLabel->setText(QString::fromStdString(m_editor->countLabel())); });
    m_subscriptions += m_editor->formRebuilt.connect([this] { formRebuilt(); });
    m_subscriptions += m_editor->formFilled.connect([this] { m_fieldPanel->refill(); });
    m_subscriptions += m_editor->worldPositionShown.connect(
        [this](double x, double y, double z) { m_coordinates->setWorldPosition(x, y, z); });
    connect(m_recordModel, &QAbstractItemModel::modelReset, this, &SpawnEditorWindow::markCurrentRow);
    m_subscriptions += m_editor->currentRowFollowed.connect([this](int row) { followCurrentRow(row); });
    m_subscriptions += m_editor->rowAppended.connect([this](int row) {
        m_recordList->scrollTo(m_recordModel->index(row, 0), QAbstractItemView::EnsureVisible);
    });

    // A line is one pixel and a page ten, whatever the bar's page (the visible width) is.
    connect(m_formScrollBar, &QScrollBar::actionTriggered, this, &SpawnEditorWindow::scrollBarAction);
    connect(m_formScrollBar, &QScrollBar::valueChanged, m_fieldPanel, &FieldPanel::scrollTo);

    // Only a mouse click picks a record; moving the selection with the keys does not.
    m_recordList->viewport()->installEventFilter(this);
    buildChangedRecordsAction();
    buildHistoryActions();
    buildClipboardActions();
    buildProblemsAction();
    commandAction(windowCommand("Commands"), [this] { showCommands(); });
}

void SpawnEditorWindow::buildHistoryActions() {
    constexpr const WindowCommand& undo = windowCommand("Undo");
    constexpr const WindowCommand& redo = windowCommand("Redo");
    m_undoAction = new QAction(this);
    m_undoAction->setObjectName(textOf(undo.action));
    m_undoAction->setShortcuts(commandKeys(undo)); // shown in the menu; the keys are the shortcuts below
    m_redoAction = new QAction(this);
    m_redoAction->setObjectName(textOf(redo.action));
    m_redoAction->setShortcuts(commandKeys(redo));
    auto follow = [this] {
        const History& history = m_document.history();
        // Each names its step, e.g. "Undo Apply record 12"; greyed out with nothing to take.
        m_undoAction->setText(history.canUndo()
                                  ? textOf(undo.name) + QLatin1Char(' ') + QString::fromStdString(history.undoText())
                                  : textOf(undo.name));
        m_undoAction->setEnabled(history.canUndo());
        m_redoAction->setText(history.canRedo()
                                  ? textOf(redo.name) + QLatin1Char(' ') + QString::fromStdString(history.redoText())
                                  : textOf(redo.name));
        m_redoAction->setEnabled(history.canRedo());
    };
    m_subscriptions += m_document.history().indexChanged.connect([follow](int) { follow(); });
    m_subscriptions += m_document.history().cleanChanged.connect([follow](bool) { follow(); });
    follow();
    buildListedActions();
    connect(m_undoAction, &QAction::triggered, this, [this] { m_editor->undo(); });
    connect(m_redoAction, &QAction::triggered, this, [this] { m_editor->redo(); });

    m_recordList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_recordList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // A right-click on a row picks it as a left click does, so that the menu's commands and
        // Remove act on the row that is marked; on empty space it changes nothing.
        const QModelIndex index = m_recordList->indexAt(pos);
        if (index.isValid()) {
            m_recordList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                       QItemSelectionModel::Rows);
            showRecordOfRow(index.row());
        }
        QMenu menu(this);
        menu.addAction(m_undoAction);
        menu.addAction(m_redoAction);
        menu.addAction(m_showChangedRecords);
        menu.addSeparator();
        for (QAction* action : m_listedActions) {
            menu.addAction(action);
        }
        addClipboardActions(menu);
        addProblemsItem(menu);
        menu.exec(m_recordList->viewport()->mapToGlobal(pos));
    });

    // The keys work anywhere in the window. A text box claims Ctrl+Z and Ctrl+Shift+Z for its own
    // typing before these shortcuts see them; any key that still arrives here while a text box
    // has the focus goes to that box.
    addHistoryKeys(this, [this](bool isRedo) { historyKey(isRedo); });
}

void SpawnEditorWindow::buildChangedRecordsAction() {
    m_showChangedRecords =
        commandAction(windowCommand("ShowChangedRecords"), [this] { m_editor->showChangedRecords(); });
}

void SpawnEditorWindow::buildClipboardActions() {
    m_subscriptions += m_clipboard->recordsAppended.connect([this](int row) { followCurrentRow(row); });
    auto putOnClipboard = [](const std::string& text) {
        if (!text.empty()) {
            QGuiApplication::clipboard()->setText(QString::fromStdString(text));
        }
    };
    // The keys act anywhere in the window; a text box keeps its own copy and paste.
    m_clipboardActions = {
        commandAction(windowCommand("Copy record"),
                      [this, putOnClipboard] { putOnClipboard(m_clipboard->copyShownRecord()); }),
        commandAction(windowCommand("Copy listed records"),
                      [this, putOnClipboard] { putOnClipboard(m_clipboard->copyListedRecords()); }),
        commandAction(windowCommand("Paste records"),
                      [this] { m_clipboard->paste(QGuiApplication::clipboard()->text().toStdString()); }),
        commandAction(windowCommand("Append records from file…"), [this] { m_clipboard->appendFromFile(); }),
    };
}

void SpawnEditorWindow::addClipboardActions(QMenu& menu) {
    menu.addSeparator();
    for (QAction* action : m_clipboardActions) {
        menu.addAction(action);
    }
}

void SpawnEditorWindow::buildProblemsAction() {
    m_problemsAction = commandAction(windowCommand("Problems"), [this] { openProblems(); });
}

void SpawnEditorWindow::addProblemsItem(QMenu& menu) {
    menu.addSeparator();
    menu.addAction(m_problemsAction);
}

void SpawnEditorWindow::openProblems() {
    if (!m_problemsWindow) {
        m_problemModel = new ProblemListModel(m_document, &m_names, this);
        m_problemsWindow = new ProblemsWindow(*m_problemModel, this);
        connect(m_problemsWindow, &ProblemsWindow::problemActivated, this, &SpawnEditorWindow::showProblem);
    }
    m_problemsWindow->show();
    m_problemsWindow->raise();
    m_problemsWindow->activateWindow();
}

void SpawnEditorWindow::showProblem(std::int32_t position, std::optional<std::size_t> field) {
    if (position < 1 || position > m_document.records().count()) {
        return;
    }
    if (m_session.listView().rowOfPosition(position) < 0 && m_session.listView().isFiltered()) {
        m_editor->refreshRecordList();
    }
    showRecordOfDot(position);
    const RecordForm& form = m_editor->form();
    if (!field || *field < 1 || *field > form.fieldCount() ||
        form.sourceSerial() != m_document.records().at(position).serial) {
        return;
    }
    // The field's whole column comes into view, moving the form as little as it can.
    if (!m_formScrollBar->isHidden()) {
        const int left = FormGeometry::cellOf(*field).column * FormGeometry::kColumnWidth;
        const int width = m_formFrame->contentsRect().width();
        int value = m_formScrollBar->value();
        if (left < value) {
            value = left;
        } else if (left + FormGeometry::kColumnWidth > value + width) {
            value = left + FormGeometry::kColumnWidth - width;
        }
        m_formScrollBar->setValue(std::clamp(value, 0, m_formScrollBar->maximum()));
    }
    const auto editId = FormGeometry::kEditIdBase + static_cast<int>(*field);
    if (auto* box = m_fieldPanel->findChild<QLineEdit*>(QString::number(editId))) {
        // The window takes the keys but is not raised, so that the Problems list stays in sight.
        activateWindow();
        box->setFocus(Qt::OtherFocusReason);
    }
}

void SpawnEditorWindow::buildListedActions() {
    m_listedActions = {
        commandAction(windowCommand("EditListed"), [this] { editListedRecords(); }),
        commandAction(windowCommand("RemoveListed"), [this] { m_editor->removeListedRecords(); }),
        commandAction(windowCommand("History"), [this] { showHistory(); }),
    };
}

QAction* SpawnEditorWindow::commandAction(const WindowCommand& command, std::function<void()> run) {
    auto* action = new QAction(textOf(command.name), this);
    action->setObjectName(textOf(command.action));
    action->setShortcuts(commandKeys(command));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action); // the keys work anywhere in the window, not only while the menu is open
    connect(action, &QAction::triggered, this, std::move(run));
    return action;
}

void SpawnEditorWindow::editListedRecords() {
    BulkEditDialog dialog([this](const BulkEditSpec& spec) { return m_editor->planListedEdit(spec); },
                          static_cast<std::size_t>(m_recordModel->rowCount()), this);
    if (dialog.exec() == QDialog::Accepted) {
        m_editor->editListedRecords(dialog.spec());
    }
}

void SpawnEditorWindow::showHistory() {
    if (!m_historyWindow) {
        m_historyWindow = new QDialog(this);
        m_historyWindow->setObjectName(QStringLiteral("HistoryWindow"));
        m_historyWindow->setWindowTitle(QStringLiteral("History"));
        auto* model = new HistoryListModel(m_document, *m_editor, m_historyWindow);
        auto* view = new QListView(m_historyWindow);
        view->setObjectName(QStringLiteral("HistoryView"));
        view->setModel(model);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        const auto mark = [view, model](int row) {
            view->selectionModel()->setCurrentIndex(model->index(row),
                                                    QItemSelectionModel::ClearAndSelect);
        };
        mark(model->currentRow());
        // A click or a key that moves the view's current row moves the history there; the editor
        // runs the steps, and the list and the form follow as they do for undo and redo.
        connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                [model](const QModelIndex& current) {
                    if (current.isValid()) {
                        model->pick(current.row());
                    }
                });
        connect(model, &HistoryListModel::currentRowChanged, view, mark);
        connect(model, &QAbstractItemModel::modelReset, view, [mark, model] { mark(model->currentRow()); });
        auto* layout = new QVBoxLayout(m_historyWindow);
        layout->addWidget(view);
        m_historyWindow->resize(unitsToPixelsX(160), unitsToPixelsY(180));
        // The window's undo and redo keys step through the history here too.
        addHistoryKeys(m_historyWindow,
                       [this](bool isRedo) { isRedo ? m_editor->redo() : m_editor->undo(); });
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void SpawnEditorWindow::showCommands() {
    if (!m_commandsWindow) {
        m_commandsWindow = new CommandsWindow(this);
    }
    m_commandsWindow->show();
    m_commandsWindow->raise();
    m_commandsWindow->activateWindow();
}

void SpawnEditorWindow::historyKey(bool redo) {
    // Only a box that can take the keys undoes its own typing; a read-only one passes them on.
    if (auto* box = qobject_cast<QLineEdit*>(focusWidget()); box && !box->isReadOnly()) {
        redo ? box->redo() : box->undo();
        return;
    }
    redo ? m_editor->redo() : m_editor->undo();
}

bool SpawnEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit*>(watched)) {
        // A text box claims keys such as Ctrl+E (end of line) for itself before the window's
        // shortcuts see them; the window's command keys pass it by, but for its own editing keys.
        if (m_keysPastTextBoxes.contains(static_cast<QKeyEvent*>(event)->keyCombination())) {
            event->ignore();
            return true;
        }
        return false;
    }
    if (watched == m_recordList->viewport() && event->type() == QEvent::MouseButtonPress) {
        // A right-click on empty list space leaves the marked row as it is.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton &&
            !m_recordList->indexAt(mouse->position().toPoint()).isValid()) {
            return true;
        }
    }
    if (watched == m_recordList->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QModelIndex index = m_recordList->indexAt(mouse->position().toPoint());
            const bool marked = index.isValid() && m_recordList->selectionModel()->isRowSelected(index.row());
            showRecordOfRow(marked ? index.row() : RecordEditor::kNoRow);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SpawnEditorWindow::formRebuilt() {
    m_fieldPanel->rebuild();
    const auto maximum =
        FormGeometry::scrollMaximum(m_editor->form().columnCount(), m_formFrame->contentsRect().width());
    const QSignalBlocker blocker(m_formScrollBar);
    if (!maximum) {
        m_formScrollBar->hide();
        m_formScrollBar->setValue(0);
        return;
    }
    m_formScrollBar->setRange(0, *maximum);
    m_formScrollBar->setPageStep(m_formFrame->contentsRect().width());
    m_formScrollBar->setSingleStep(FormGeometry::kLineStep);
    m_formScrollBar->setValue(0);
    m_formScrollBar->show();
}

void SpawnEditorWindow::scrollBarAction(int action) {
    using FormGeometry::ScrollRequest;
    ScrollRequest request = ScrollRequest::Other;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        request = ScrollRequest::LineLeft;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        request = ScrollRequest::LineRight;
        break;
    case QAbstractSlider::SliderPageStepSub:
        request = ScrollRequest::PageLeft;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        request = ScrollRequest::PageRight;
        break;
    case QAbstractSlider::SliderMove:
        request = ScrollRequest::ThumbTrack;
        break;
    default:
        break;
    }
    // The bar has already moved its slider by its own steps; put it where the form's steps say.
    m_formScrollBar->setSliderPosition(FormGeometry::scrollPosition(
        request, m_formScrollBar->value(), m_formScrollBar->sliderPosition(), m_formScrollBar->maximum()));
}

void SpawnEditorWindow::markCurrentRow() {
    // After the list is drawn anew the row the commands act on stays marked.
    const int row = m_editor->currentRow();
    if (row >= 0 && row < m_recordModel->rowCount()) {
        m_recordList->selectionModel()->select(
            m_recordModel->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void SpawnEditorWindow::followCurrentRow(int row) {
    QItemSelectionModel* selection = m_recordList->selectionModel();
    if (row < 0 || row >= m_recordModel->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_recordModel->index(row, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_recordList->scrollTo(index);
    highlightFormRecord();
}

void SpawnEditorWindow::readClientPosition() {
    // The client is looked up afresh on every press, on a thread of its own: a display server that
    // is slow to answer must not freeze the window. The button waits for the answer.
    const auto profile = static_cast<std::size_t>(std::max(0, m_clientProfile->currentIndex()));
    auto* button = findChild<QPushButton*>(QString::number(ControlId::kReadClientPosition));
    button->setEnabled(false);
    const auto answer = std::make_shared<std::optional<Result<ClientPosition>>>();
    QThread* lookup = QThread::create([profile, answer] {
        const auto connector = makeClientConnector();
        answer->emplace(spawn::readClientPosition(*connector, profile));
    });
    connect(lookup, &QThread::finished, lookup, &QObject::deleteLater);
    connect(lookup, &QThread::finished, this, [this, button, answer] {
        button->setEnabled(true);
        const auto& position = answer->value();
        if (!position) {
            m_dialogs->showMessage(position.error().message);
            return;
        }
        m_coordinates->setWorldPosition(position.value().x, position.value().y, position.value().z);
    });
    lookup->start();
}

void SpawnEditorWindow::connectMapDots() {
    // The dots follow the list's view (load, search, refresh, New, Remove all reset it) and every
    // changed record; the ring follows the record the form shows.
    connect(m_recordModel, &QAbstractItemModel::modelReset, this, &SpawnEditorWindow::refreshMapDots);
    m_subscriptions += m_document.changed.connect([this](const DocumentChange& change) {
        if (change.kind == DocumentChange::Kind::Replaced) {
            refreshMapDots();
        }
    });
    m_subscriptions += m_editor->formFilled.connect([this] { highlightFormRecord(); });
    connect(m_mapView, &MapView::dotClicked, this, &SpawnEditorWindow::showRecordOfDot);
    connect(m_mapView, &MapView::mapPositionClicked, m_coordinates, &CoordinateBoxes::enterMapPosition);
    connect(m_showSpawnDots, &QCheckBox::toggled, m_mapView, &MapView::setDotsShown);
}

void SpawnEditorWindow::showRecordOfRow(int row) {
    m_editor->selectRecord(row);
    // The form names its record only once it is filled.
    highlightFormRecord();
}

void SpawnEditorWindow::showRecordOfDot(std::int32_t position) {
    const int row = m_session.listView().rowOfPosition(position);
    if (row < 0) {
        return;
    }
    const QModelIndex index = m_recordModel->index(row, 0);
    m_recordList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
    m_recordList->scrollTo(index);
    showRecordOfRow(row);
}

void SpawnEditorWindow::refreshMapDots() {
    m_mapView->setSpawnDots(m_session.listedDots());
    highlightFormRecord();
}

void SpawnEditorWindow::highlightFormRecord() {
    const auto serial = m_editor->form().sourceSerial();
    m_mapView->setHighlightedDot(serial ? m_document.records().positionOf(*serial) : std::nullopt);
}

void SpawnEditorWindow::buildRecordList() {
    m_recordModel = new RecordListModel(m_session.listView(), this);
    m_recordList->setModel(m_recordModel);
    m_recordList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_recordList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_recordList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_recordList->setShowGrid(false);
    m_recordList->setWordWrap(false);
    m_recordList->setFrameShadow(QFrame::Sunken);
    m_recordList->verticalHeader()->hide();
    m_recordList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_recordList->verticalHeader()->setDefaultSectionSize(kRecordRowHeight);
    m_recordList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_recordList->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < RecordListView::ColumnCount; ++column) {
        m_recordList->setColumnWidth(column, RecordListView::kColumnWidths[column]);
    }
    m_recordList->setStyleSheet(QStringLiteral("QTableView { background-color: #000000; color: #00FF00; }"));
}

bool SpawnEditorWindow::initialise(const std::string& folder, const std::string& spawnFile) {
    return m_session.start(folder, spawnFile);
}

void SpawnEditorWindow::accept() {}

void SpawnEditorWindow::reject() {
    if (m_session.mayClose()) {
        QDialog::reject();
    }
}

void SpawnEditorWindow::saveFile() {
    m_session.save();
}

void SpawnEditorWindow::updateCaption() {
    // The open file's name, so that two windows can be told apart.
    const std::string& path = m_document.spawnPath();
    const QString name =
        path.empty()
            ? QString::fromUtf8(SpawnLayout::kDefaultFileName.data(),
                                static_cast<qsizetype>(SpawnLayout::kDefaultFileName.size()))
            : QFile::decodeName(QByteArray::fromStdString(std::filesystem::path(path).filename().string()));
    // "[*]" in a name is text, not the place of the unsaved mark.
    setWindowTitle(QStringLiteral("%1 %2 - %3[*]")
                       .arg(QString::fromUtf8(kProgramName), QString::fromUtf8(kProgramVersion),
                            QString(name).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"))));
    setWindowModified(m_document.isModified());
}

} // namespace spawn
