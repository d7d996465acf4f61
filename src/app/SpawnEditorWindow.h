#pragma once

#include "DialogService.h"
#include "ElementNameTables.h"
#include "SpawnDocument.h"
#include "SpawnDots.h"

#include <QDialog>

#include <array>
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

class CoordinateBoxes;
class FieldPanel;
class MapView;
class RecordClipboard;
class RecordEditor;
class RecordListModel;

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

inline constexpr const char* kProgramName = "Spawn Editor";

// The editor's one window. It owns the document and every control, and routes each command to
// the logic that carries it out.
class SpawnEditorWindow : public QDialog {
    Q_OBJECT
public:
    // `dialogs` stands in for the real dialogs when given (tests script them).
    explicit SpawnEditorWindow(DialogService* dialogs = nullptr, QWidget* parent = nullptr);
    ~SpawnEditorWindow() override;

    // Start-up: reads the names and loads the spawn file, looking in `folder` first; `spawnFile`,
    // when given, is opened instead of the folder's "mobset.data". False when the program is to end
    // before the window is shown.
    bool initialise(const std::string& folder, const std::string& spawnFile = {});

    SpawnDocument& document() { return m_document; }
    const ElementNameTables& names() const { return m_names; }
    CoordinateBoxes& coordinates() { return *m_coordinates; }
    RecordEditor& editor() { return *m_editor; }
    RecordClipboard& clipboard() { return *m_clipboard; }
    FieldPanel& fieldPanel() { return *m_fieldPanel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    // Copy, paste and append records: actions of the list (its keys) and of its context menu.
    void buildClipboardActions();
    void addClipboardActions(QMenu& menu);
    void historyKey(bool redo);
    // The commands on the records the list shows, and the history window.
    void buildListedActions();
    void editListedRecords();
    void showHistory();
    void saveFile();
    void readClientPosition(); // button 1023
    void updateCaption();

    std::unique_ptr<DialogService> m_ownDialogs;
    DialogService* m_dialogs;
    std::string m_folder;
    ElementNameTables m_names;
    SpawnDocument m_document;
    RecordListModel* m_recordModel = nullptr;
    RecordEditor* m_editor = nullptr;

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
    RecordMapPoints m_mapPoints;
    RecordClipboard* m_clipboard = nullptr;
    std::vector<QAction*> m_clipboardActions; // in the record list's context menu
    QAction* m_undoAction = nullptr;          // in the record list's context menu
    QAction* m_redoAction = nullptr;
    std::vector<QAction*> m_listedActions; // in the record list's context menu, after Undo and Redo
    QDialog* m_historyWindow = nullptr;
};

} // namespace spawn
