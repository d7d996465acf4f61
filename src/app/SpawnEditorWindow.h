#pragma once

#include "DialogService.h"
#include "EditorSession.h"
#include "ElementNameTables.h"
#include "FileCommands.h"
#include "QtEventLoop.h"
#include "SpawnDocument.h"
#include "SpawnDots.h"
#include "WindowLayout.h"
#include "WorkerThread.h"

#include <QDialog>
#include <QKeyCombination>
#include <QList>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTableView;

namespace spawn {

class CommandsWindow;
class CoordinateBoxes;
class DiskWatch;
class FieldPanel;
class MapView;
class RecordClipboard;
class ProblemListModel;
class ProblemsWindow;
class RecordEditor;
class RecordListModel;
class RecoveryKeeper;
struct WindowCommand;

// Control IDs of the main window; each control carries its ID as its objectName.
namespace ControlId {
inline constexpr int kSave = 3;
inline constexpr int kRecordList = 1000;
inline constexpr int kFormFrame = 1001;
inline constexpr int kFormScrollBar = 1002;
inline constexpr int kNew = 1003;
inline constexpr int kApply = 1004;
inline constexpr int kCountLabel = 1005;
inline constexpr int kAddEntry = 1006;
inline constexpr int kSearchById = 1007;
inline constexpr int kSearchByName = 1008;
inline constexpr int kSearchText = 1009;
inline constexpr int kSearch = 1010;
inline constexpr int kLogout = 1011;
inline constexpr int kWorldX = 1012;
inline constexpr int kWorldY = 1013;
inline constexpr int kWorldZ = 1014;
inline constexpr int kRemoveEntry = 1015;
inline constexpr int kRefresh = 1016;
inline constexpr int kMapX = 1017;
inline constexpr int kMapY = 1018;
inline constexpr int kMapHeight = 1019;
inline constexpr int kSetCoordinates = 1020;
inline constexpr int kRemoveRecord = 1021;
inline constexpr int kClientProfile = 1022;
inline constexpr int kReadClientPosition = 1023;
inline constexpr int kMapPicture = 1024;
inline constexpr int kShowSpawnDots = 1025; // "All NPC": the dots of every area on the map
} // namespace ControlId

// Controls named rather than numbered.
namespace ControlName {
inline constexpr auto kShowRanges = "ShowRanges"; // "Ranges": every dot's movement range, zoomed in
} // namespace ControlName

// Where the window's size and place are remembered between runs (QSettings of the application).
namespace WindowSettings {
inline constexpr auto kGeometryKey = "window/geometry";
} // namespace WindowSettings

inline constexpr const char* kProgramName = "Spawn Editor";

// The editor's one window. It owns the editing session and every control, draws what the session
// holds and routes each command to it.
class SpawnEditorWindow : public QDialog {
    Q_OBJECT
public:
    // `dialogs` stands in for the real dialogs when given (tests script them).
    explicit SpawnEditorWindow(DialogService* dialogs = nullptr, QWidget* parent = nullptr);
    ~SpawnEditorWindow() override;

    // Start-up: reads the names and loads the spawn file, looking in `folder` first; `spawnFile`,
    // when given, is opened instead of the folder's "mobset.data", and the element database is
    // looked for beside it before `folder`. False when the program is to end before the window is
    // shown.
    bool initialise(const std::string& folder, const std::string& spawnFile = {});

    EditorSession& session() { return m_session; }
    SpawnDocument& document() { return m_document; }
    const ElementNameTables& names() const { return m_names; }
    CoordinateBoxes& coordinates() { return *m_coordinates; }
    RecordEditor& editor() { return *m_editor; }
    RecordClipboard& clipboard() { return *m_clipboard; }
    FieldPanel& fieldPanel() { return *m_fieldPanel; }
    RecoveryKeeper& recovery() { return *m_recovery; }
    DiskWatch& diskWatch() { return *m_diskWatch; }

    // The Problems window ("Problems..." in the list's menu, Ctrl+P), made when first opened.
    void openProblems();
    ProblemsWindow* problemsWindow() { return m_problemsWindow; }
    // The window's size and place (maximised or not), in and out of the application's settings;
    // the program restores them before the window shows and saves them once it has closed.
    void savePlacement() const;
    void restorePlacement();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override; // the file on disk is checked when the window is activated

public slots:
    void accept() override; // Enter does nothing
    void reject() override; // Escape, the close box and Logout: asks first when work is unsaved

private:
    void buildControls();
    void buildRecordList();
    void connectRecordCommands();
    void formRebuilt();
    void scrollBarAction(int action);
    void markCurrentRow();
    // The editor made another row current (after a history step): mark it and bring it into view,
    // or mark none.
    void followCurrentRow(int row);
    void connectMapDots();
    // A click that shows a row's record in the form (kNoRow for none).
    void showRecordOfRow(int row);
    // A click on a record's dot: its row is marked and scrolled to, and the record shown.
    void showRecordOfDot(std::int32_t position);
    void refreshMapDots();
    void highlightFormRecord();
    void buildHistoryActions();
    void buildChangedRecordsAction();
    // Copy, paste and append records: actions of the list (its keys) and of its context menu.
    void buildClipboardActions();
    void addClipboardActions(QMenu& menu);
    void historyKey(bool redo);
    void buildProblemsAction();
    void addProblemsItem(QMenu& menu);
    // Shows the record at `position` as a click on its row does (in the full view when the search
    // hides it), then brings field j into view with its box focused.
    void showProblem(std::int32_t position, std::optional<std::size_t> field);
    // The commands on the records the list shows, and the history window.
    void buildListedActions();
    void editListedRecords();
    void showHistory();
    // An action made from its command's row of the table (text, objectName, keys), added to the
    // window so that its keys work anywhere in it.
    QAction* commandAction(const WindowCommand& command, std::function<void()> run);
    // The list of every command with its keys and place (F1).
    void showCommands();
    void saveFile();
    void readClientPosition(); // button 1023
    void updateCaption();
    void followDocumentChange(const DocumentChange& change);
    // The map's own controls and commands, and how the controls follow the window's size
    // (SpawnEditorWindowMap.cpp).
    void buildMapControls();
    QString describeDot(std::int32_t position) const;

    std::unique_ptr<DialogService> m_ownDialogs;
    DialogService* m_dialogs;
    QtEventLoop m_loop;
    QtFileWatcher m_fileWatcher;
    WorkerThread m_worker; // writes the recovery copies
    EditorSession m_session;
    // The session's parts the window works with.
    ElementNameTables& m_names;
    SpawnDocument& m_document;
    RecordEditor* m_editor;
    RecordClipboard* m_clipboard;
    RecoveryKeeper* m_recovery;
    DiskWatch* m_diskWatch;
    RecordListModel* m_recordModel = nullptr;

    QLabel* m_countLabel = nullptr;
    QTableView* m_recordList = nullptr;
    QRadioButton* m_searchById = nullptr;
    QRadioButton* m_searchByName = nullptr;
    QLineEdit* m_searchText = nullptr;
    QFrame* m_formFrame = nullptr;
    FieldPanel* m_fieldPanel = nullptr;
    QScrollBar* m_formScrollBar = nullptr;
    MapView* m_mapView = nullptr;
    std::array<QLineEdit*, 6> m_coordinateBoxes{};
    CoordinateBoxes* m_coordinates = nullptr;
    QComboBox* m_clientProfile = nullptr;
    QCheckBox* m_showSpawnDots = nullptr;
    QCheckBox* m_showRanges = nullptr;
    QGroupBox* m_mapGroup = nullptr;
    QGroupBox* m_listGroup = nullptr;
    QGroupBox* m_formGroup = nullptr;
    WindowLayout m_layout;
    std::vector<QAction*> m_clipboardActions; // in the record list's context menu
    QAction* m_undoAction = nullptr;          // in the record list's context menu
    QAction* m_redoAction = nullptr;
    QAction* m_problemsAction = nullptr;
    ProblemListModel* m_problemModel = nullptr;
    ProblemsWindow* m_problemsWindow = nullptr;
    QAction* m_showChangedRecords = nullptr; // in the record list's context menu
    std::vector<QAction*> m_listedActions; // in the record list's context menu, after Undo and Redo
    QDialog* m_historyWindow = nullptr;
    CommandsWindow* m_commandsWindow = nullptr;
    // The window's keys that a text box with the focus lets pass to the window.
    QList<QKeyCombination> m_keysPastTextBoxes;
    // The window's connections to the session; dropped first when the window goes.
    Subscriptions m_subscriptions;
};

} // namespace spawn
