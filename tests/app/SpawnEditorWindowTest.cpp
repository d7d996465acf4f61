#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "MapView.h"
#include "NumberText.h"
#include "RecordClipboard.h"
#include "RecordEditor.h"
#include "RecordFields.h"
#include "SpawnEditorWindow.h"
#include "SpawnLayout.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <bit>
#include <filesystem>
#include <memory>

using namespace spawn;
using namespace spawn::testing;

namespace {

std::vector<std::uint8_t> sampleFile() {
    return fileBytes(3, {recordBytes(1, 16), recordBytes(0), recordBytes(5, 321)}, {1, 2, 3, 4, 5});
}

// A folder holding the spawn file and an element database that names creature 321.
void writeWorld(const TempFolder& dir) {
    writeBytes(dir.file("mobset.data"), sampleFile());
    ElementBytes db;
    db.npcs = {{7, utf16(u"Ferryman")}, {321, utf16(u"Marsh Heron")}};
    writeBytes(dir.file("elements.data"), db.build());
}

// The editor on a fresh folder holding the sample world, with scripted dialogs.
struct EditorOnSampleWorld {
    EditorOnSampleWorld() { writeWorld(dir); }
    bool start() { return window.initialise(dir.path().string()); }
    bool startShown() {
        if (!start()) {
            return false;
        }
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    const TempFolder dir;
    ScriptedDialogs dialogs;
    SpawnEditorWindow window{&dialogs};
};

template <class T> T* control(QWidget& window, int id) {
    return window.findChild<T*>(QString::number(id));
}

QWidget* map(QWidget& window) {
    return control<QWidget>(window, 1024);
}

} // namespace

class SpawnEditorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowListsEveryRecordWithTheCountLabel();
    void controlsCarryTheirIdsKindsAndTexts_data();
    void controlsCarryTheirIdsKindsAndTexts();
    void controlsArePlacedInScaledDialogUnits();
    void startUpStateHasIdCheckedScrollBarHiddenAndFirstProfile();
    void saveWritesTheBackupAndTheSameBytesThroughTheDialogs();
    void cancelledOpenDialogEndsStartUp();
    void aNamedFileNamesTheCaptionAndFindsTheDatabaseBesideIt();
    void enterInAnEditBoxLeavesTheWindowOpen();
    void escapeClosesAtOnceWithNothingUnsaved();
    void unsavedWorkIsKeptUnlessTheUserDiscardsIt();
    void typingIntoTheMapBoxesConvertsAndMovesTheMarker();
    void clickedRowsShowTheirFieldsInTheScrollingGridAndTheirPositionOnTheMap();
    void searchRefreshAndRemoveWorkThroughTheButtons();
    void editedRecordIsAppliedAddedSavedAndReadBackFieldForField();
    void mapDotsShowTheViewPickTheirRecordsAndClicksElsewhereEnterThePosition();
    void undoAndRedoTakeBackApplyNewAndRemoveByteForByte();
    void theUnsavedMarkFollowsTheHistoryAcrossASave();
    void historyKeysServeTheTextBoxWithTheFocusAndTheRecordsElsewhere();
    void removeActsOnTheMarkedRowAfterRightClicksUndoAndRedo();
    void listedRecordsAreEditedAndRemovedInOneStepEachAndTheHistoryWindowGoesBack();
    void historyWindowKeysMoveListFormAndDotsAsUndoDoesAndApplyThenKeepsTheRedoSteps();
    void typedTextOutlivesCommandsOnOtherRecordsIsAskedAboutOtherwiseAndBeforeClosing();
    void commandKeysPassTextBoxesButTheirEditingKeysAndF1ListsEveryCommand();
    void documentOutlivesEverythingThatRefersToIt();
};

void SpawnEditorWindowTest::windowListsEveryRecordWithTheCountLabel() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.start());
    auto& [dir, dialogs, window] = editor;

    const QAbstractItemModel* model = control<QTableView>(window, 1000)->model();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("3"));
    QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("321"));
    QCOMPARE(model->index(2, 2).data().toString(), QStringLiteral("5"));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("0"));
    QCOMPARE(model->index(1, 3).data().toString(), QString::fromUtf8("没有找到！"));
    QCOMPARE(model->index(2, 3).data().toString(), QStringLiteral("Marsh Heron"));
    QCOMPARE(control<QLabel>(window, 1005)->text(), QStringLiteral("Total NPC-->3"));
    QVERIFY(window.windowTitle().contains(QStringLiteral("1.4.0")));
    QVERIFY(window.windowTitle().contains(QStringLiteral("mobset.data")));
    QVERIFY(dialogs.messages.empty());
}

void SpawnEditorWindowTest::controlsCarryTheirIdsKindsAndTexts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    const struct {
        int id;
        const char* kind;
        const char* text;
    } rows[] = {
        {1005, "QLabel", ""},
        {1016, "QPushButton", "Refresh"},
        {1000, "QTableView", ""},
        {1007, "QRadioButton", "ID"},
        {1008, "QRadioButton", "Name"},
        {1009, "QLineEdit", ""},
        {1010, "QPushButton", "Ok->>"},
        {1006, "QPushButton", "+"},
        {1015, "QPushButton", "-"},
        {1003, "QPushButton", "New"},
        {1021, "QPushButton", "Remove"},
        {1004, "QPushButton", "Apply"},
        {3, "QPushButton", "Save"},
        {1011, "QPushButton", "Logout"},
        {1001, "QFrame", ""},
        {1002, "QScrollBar", ""},
        {1024, "QLabel", ""},
        {1012, "QLineEdit", "0"},
        {1013, "QLineEdit", "0"},
        {1014, "QLineEdit", "0"},
        {1017, "QLineEdit", "0"},
        {1018, "QLineEdit", "0"},
        {1019, "QLineEdit", "0"},
        {1020, "QPushButton", "<--Set the coordinates NPC"},
        {1023, "QPushButton", "-----"},
        {1022, "QComboBox", ""},
        {1025, "QCheckBox", "&All NPC"},
    };
    for (const auto& row : rows) {
        QTest::newRow(QByteArray::number(row.id).constData())
            << row.id << QString::fromLatin1(row.kind) << QString::fromLatin1(row.text);
    }
}

void SpawnEditorWindowTest::controlsCarryTheirIdsKindsAndTexts() {
    QFETCH(int, id);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    SpawnEditorWindow window(nullptr);
    QWidget* widget = control<QWidget>(window, id);
    QVERIFY2(widget, "no control with that ID");
    QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && !text.isEmpty()) {
        QCOMPARE(edit->text(), text);
    }
}

void SpawnEditorWindowTest::controlsArePlacedInScaledDialogUnits() {
    SpawnEditorWindow window(nullptr);
    // Apply sits at 161, 100 and is 119 by 14 units: 1.5 pixels a unit across, 1.625 down.
    QCOMPARE(control<QWidget>(window, 1004)->geometry(), QRect(242, 163, 178, 22));
    // The record list: 12, 38, 137 by 95 units; its right edge 149 units rounds to 224 pixels.
    QCOMPARE(control<QWidget>(window, 1000)->geometry(), QRect(18, 62, 206, 154));
    QCOMPARE(window.size(), QSize(902, 726));
    const auto groups = window.findChildren<QGroupBox*>();
    QStringList titles;
    for (const auto* g : groups) {
        titles << g->title();
    }
    QCOMPARE(titles, (QStringList{"List", "Search", "Options", "Location NPC", "Absolute coordinates",
                                  "The coordinates on the map"}));
}

void SpawnEditorWindowTest::startUpStateHasIdCheckedScrollBarHiddenAndFirstProfile() {
    SpawnEditorWindow window(nullptr);
    window.show();
    QVERIFY(control<QRadioButton>(window, 1007)->isChecked());
    QVERIFY(!control<QRadioButton>(window, 1008)->isChecked());
    QVERIFY(!control<QScrollBar>(window, 1002)->isVisible());
    auto* profiles = control<QComboBox>(window, 1022);
    QCOMPARE(profiles->currentIndex(), 0);
    QCOMPARE(profiles->currentText(), QString::fromUtf8("官服 105"));
    window.hide();
}

void SpawnEditorWindowTest::saveWritesTheBackupAndTheSameBytesThroughTheDialogs() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.start());
    auto& [dir, dialogs, window] = editor;
    dialogs.saveAnswers = {dir.file("saved.data")};

    QTest::mouseClick(control<QPushButton>(window, 3), Qt::LeftButton);
    QCOMPARE(readBytes(dir.file("saved.data")), sampleFile());
    QCOMPARE(readBytes(dir.file("mobset.data.bak")), sampleFile());
    QCOMPARE(dialogs.messages, std::vector<std::string>{"3  Saved!"});
    QVERIFY(dialogs.unexpected.empty());
}

void SpawnEditorWindowTest::cancelledOpenDialogEndsStartUp() {
    for (const bool withDatabase : {false, true}) {
        const TempFolder dir;
        if (withDatabase) {
            writeWorld(dir);
            std::filesystem::remove(dir.file("mobset.data"));
        }
        ScriptedDialogs dialogs;
        dialogs.openAnswers = {std::nullopt};
        SpawnEditorWindow window(&dialogs);
        QVERIFY(!window.initialise(dir.path().string()));
        QCOMPARE(dialogs.openRequests.size(), std::size_t{1});
        QCOMPARE(dialogs.openRequests[0].initialName,
                 std::string(withDatabase ? "mobset.data" : "elements.data"));
    }
}

void SpawnEditorWindowTest::aNamedFileNamesTheCaptionAndFindsTheDatabaseBesideIt() {
    const TempFolder current; // the folder the editor is started in
    std::filesystem::create_directory(current.path() / "w2");
    const std::string besideIt = (current.path() / "w2").string();
    writeBytes(current.file("w2/other.data"), sampleFile());
    const auto writeDatabase = [](const std::string& path, const char16_t* name) {
        ElementBytes db;
        db.npcs = {{321, utf16(name)}};
        writeBytes(path, db.build());
    };
    writeDatabase(current.file("w2/elements.data"), u"Marsh Heron");
    writeDatabase(current.file("elements.data"), u"Grey Heron");
    const auto nameOfThird = [](SpawnEditorWindow& window) {
        return control<QTableView>(window, 1000)->model()->index(2, 3).data().toString();
    };
    // What the window system shows: the unsaved mark in place of "[*]".
    const auto shownCaption = [](SpawnEditorWindow& window) { return window.windowHandle()->title(); };
    const QString program = QStringLiteral("Spawn Editor 1.4.0 - ");
    {
        ScriptedDialogs dialogs;
        SpawnEditorWindow window(&dialogs);
        QVERIFY(window.initialise(current.path().string(), "w2/other.data"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(dialogs.openRequests.empty());
        QCOMPARE(nameOfThird(window), QStringLiteral("Marsh Heron"));
        QCOMPARE(shownCaption(window), program + QStringLiteral("other.data"));
        window.document().removeRecord(1);
        QCOMPARE(shownCaption(window), program + QStringLiteral("other.data*"));
        // Saved under another name, the caption names that file.
        dialogs.saveAnswers = {current.file("w2/mobset.data")};
        QTest::mouseClick(control<QPushButton>(window, 3), Qt::LeftButton);
        QCOMPARE(shownCaption(window), program + QStringLiteral("mobset.data"));
        window.document().undo();
        QCOMPARE(shownCaption(window), program + QStringLiteral("mobset.data*"));
        dialogs.discardAnswers = {true};
        QVERIFY(window.close());
        QVERIFY(dialogs.unexpected.empty());
    }
    // None beside the file: the current folder's.
    std::filesystem::remove(current.file("w2/elements.data"));
    {
        ScriptedDialogs dialogs;
        SpawnEditorWindow window(&dialogs);
        QVERIFY(window.initialise(current.path().string(), "w2/other.data"));
        QVERIFY(dialogs.openRequests.empty());
        QCOMPARE(nameOfThird(window), QStringLiteral("Grey Heron"));
    }
    // Neither: the dialog, opening beside the file.
    std::filesystem::remove(current.file("elements.data"));
    {
        ScriptedDialogs dialogs;
        dialogs.openAnswers = {std::nullopt};
        SpawnEditorWindow window(&dialogs);
        QVERIFY(!window.initialise(current.path().string(), "w2/other.data"));
        QCOMPARE(dialogs.openRequests.size(), std::size_t{1});
        QCOMPARE(dialogs.openRequests[0].initialName, std::string("elements.data"));
        QCOMPARE(dialogs.openRequests[0].directory, besideIt);
    }
}

void SpawnEditorWindowTest::enterInAnEditBoxLeavesTheWindowOpen() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    for (const int id : {1009, 1012, 1017}) {
        auto* edit = control<QLineEdit>(window, id);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(window.isVisible());
    }
    QVERIFY(dialogs.messages.empty());
    QVERIFY(dialogs.saveRequests.empty());
    QVERIFY(!window.document().isModified());
    window.hide();
}

void SpawnEditorWindowTest::escapeClosesAtOnceWithNothingUnsaved() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(dialogs.discardQuestions, 0);
    QCOMPARE(readBytes(dir.file("mobset.data")), sampleFile());
}

void SpawnEditorWindowTest::unsavedWorkIsKeptUnlessTheUserDiscardsIt() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    window.document().removeRecord(1);
    QVERIFY(window.isWindowModified());

    dialogs.discardAnswers = {false, false, false, true};
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QTest::mouseClick(control<QPushButton>(window, 1011), Qt::LeftButton);
    QVERIFY(window.isVisible());
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(window.document().records().count(), 2);
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QCOMPARE(dialogs.discardQuestions, 4);
    QCOMPARE(readBytes(dir.file("mobset.data")), sampleFile()); // closing never saves
}

void SpawnEditorWindowTest::typingIntoTheMapBoxesConvertsAndMovesTheMarker() {
    SpawnEditorWindow window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget* map = control<QWidget>(window, 1024);
    QCOMPARE(map->size(), QSize(437, 504));
    QVERIFY(!map->findChild<QWidget*>(QStringLiteral("1820")));

    for (const auto& [id, typed] : {std::pair{1017, "523"}, std::pair{1018, "427"}, std::pair{1019, "7"}}) {
        auto* box = control<QLineEdit>(window, id);
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(typed));
    }
    QCOMPARE(control<QLineEdit>(window, 1012)->text(), QStringLiteral("1230"));
    QCOMPARE(control<QLineEdit>(window, 1013)->text(), QStringLiteral("70"));
    QCOMPARE(control<QLineEdit>(window, 1014)->text(), QStringLiteral("-1230"));
    const auto markers = map->findChildren<QWidget*>(QStringLiteral("1820"));
    QCOMPARE(markers.size(), qsizetype{1});
    // Column 523 of 800 and row 673 of 1100 from the top, on a 437 x 504 picture.
    QCOMPARE(markers.front()->geometry(), QRect(285 - 4, 308 - 4, 8, 8));
    QVERIFY(!window.document().isModified()); // the boxes are not the record
    window.hide();
}

namespace {

void clickRow(QTableView* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

QString fieldText(QWidget& window, int j) {
    auto* edit = control<QLineEdit>(window, 2820 + j);
    return edit && edit->isVisible() ? edit->text() : QStringLiteral("<not in view>");
}

} // namespace

void SpawnEditorWindowTest::clickedRowsShowTheirFieldsInTheScrollingGridAndTheirPositionOnTheMap() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    auto* bar = control<QScrollBar>(window, 1002);
    const SpawnRecord third = window.document().records().at(3);

    clickRow(list, 2); // five entries: 110 fields in six columns of 200 pixels
    QCOMPARE(control<QLabel>(window, 1821)->text(), QStringLiteral("Block-->: "));
    QCOMPARE(control<QLabel>(window, 1827)->text(), QStringLiteral("7: "));
    QCOMPARE(control<QLabel>(window, 1841)->text(), QStringLiteral("NPC--ID: "));
    QCOMPARE(fieldText(window, 2), QStringLiteral("5"));
    QVERIFY(control<QLineEdit>(window, 2822)->isReadOnly());
    QVERIFY(!control<QLineEdit>(window, 2821)->isReadOnly());
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    QCOMPARE(control<QLineEdit>(window, 2821)->geometry(), QRect(80, 0, 120, 20));
    QCOMPARE(control<QLineEdit>(window, 2841)->geometry(), QRect(280, 0, 120, 20));
    const auto fields = recordFormFields(third);
    QCOMPARE(fieldText(window, 3), QString::fromStdString(fields[2].text));
    QCOMPARE(control<QLineEdit>(window, 1012)->text(),
             QString::fromStdString(formatGeneral6(parseCDouble(fields[2].text))));
    QCOMPARE(map(window)->findChildren<QWidget*>(QStringLiteral("1820")).size(), qsizetype{1});

    // The frame is 404 pixels wide: the bar runs from 0 to 1200 - 404 + 1, a page step moves ten.
    const int frameWidth = control<QWidget>(window, 1001)->contentsRect().width();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->maximum(), 1200 - frameWidth + 1);
    QCOMPARE(fieldText(window, 110), QStringLiteral("<not in view>"));
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(bar->value(), 10);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(bar->value(), 9);
    bar->setValue(bar->maximum());
    QCOMPARE(fieldText(window, 110), QString::fromStdString(fields[109].text));
    QCOMPARE(control<QWidget>(window, 2930)->mapTo(control<QWidget>(window, 1001), QPoint(120, 20)).x(),
             frameWidth - 1); // the last position shows one pixel past the grid

    // Typing reaches the form; the same row keeps it, another row with another entry count does not.
    auto* last = control<QLineEdit>(window, 2930);
    last->selectAll();
    QTest::keyClicks(last, QStringLiteral("-12"));
    QCOMPARE(window.editor().form().text(110), std::string("-12"));
    clickRow(list, 2);
    QCOMPARE(fieldText(window, 110), QStringLiteral("-12"));
    clickRow(list, 1); // no entries: one column, no bar
    QVERIFY(!bar->isVisible());
    QCOMPARE(fieldText(window, 2), QStringLiteral("0"));
    QVERIFY(!control<QLineEdit>(window, 2841) || !control<QLineEdit>(window, 2841)->isVisible());
    QVERIFY(!window.document().isModified());
    window.hide();
}

void SpawnEditorWindowTest::searchRefreshAndRemoveWorkThroughTheButtons() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    auto* label = control<QLabel>(window, 1005);

    QTest::mouseClick(control<QRadioButton>(window, 1008), Qt::LeftButton);
    QTest::keyClicks(control<QLineEdit>(window, 1009), QStringLiteral("Heron"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(label->text(), QString::fromUtf8("查找到 1 项"));
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("321"));

    clickRow(list, 0);
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1021), Qt::LeftButton);
    QCOMPARE(label->text(), QStringLiteral("Total NPC-->2"));
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(window.document().context().recordCountWord(), 2);
    QVERIFY(window.isWindowModified());

    QTest::mouseClick(control<QRadioButton>(window, 1007), Qt::LeftButton);
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("16"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(list->model()->rowCount(), 1);
    QTest::mouseClick(control<QPushButton>(window, 1016), Qt::LeftButton);
    QCOMPARE(label->text(), QStringLiteral("Total NPC-->2"));
    QCOMPARE(list->model()->rowCount(), 2);
    window.hide();
}

void SpawnEditorWindowTest::editedRecordIsAppliedAddedSavedAndReadBackFieldForField() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    auto type = [&window](int j, const char* text) {
        auto* box = control<QLineEdit>(window, 2820 + j);
        QVERIFY(box && box->isVisible());
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
    };

    clickRow(list, 0);                                                     // one entry of creature 16
    type(3, "-1234.5");                                                    // X, a float
    type(15, "200");                                                       // a byte
    type(21, "321");                                                       // the first creature ID
    QTest::mouseClick(control<QPushButton>(window, 1006), Qt::LeftButton); // "+"
    QCOMPARE(fieldText(window, 2), QStringLiteral("2"));
    QCOMPARE(fieldText(window, 3), QStringLiteral("-1234.500000000000000000"));
    QCOMPARE(control<QLineEdit>(window, 1017)->text(), QStringLiteral("277"));
    QVERIFY(control<QScrollBar>(window, 1002)->isVisible());
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton); // Apply
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("321"));
    QCOMPARE(list->model()->index(0, 2).data().toString(), QStringLiteral("2"));
    QCOMPARE(list->model()->index(0, 3).data().toString(), QStringLiteral("Marsh Heron"));
    QTest::mouseClick(control<QPushButton>(window, 1003), Qt::LeftButton); // New
    QCOMPARE(list->model()->rowCount(), 4);
    QCOMPARE(control<QLabel>(window, 1005)->text(), QStringLiteral("Total NPC-->3"));
    QVERIFY(window.isWindowModified());

    dialogs.saveAnswers = {dir.file("edited.data")};
    QTest::mouseClick(control<QPushButton>(window, 3), Qt::LeftButton);
    QCOMPARE(dialogs.messages, std::vector<std::string>{"4  Saved!"});
    QVERIFY(!window.isWindowModified());

    const auto saved = loadSpawnFile(dir.file("edited.data"), window.names());
    QVERIFY(saved);
    const SpawnRecordList& records = saved.value().records;
    QCOMPARE(saved.value().context.recordCountWord(), 4);
    QCOMPARE(records.count(), 4);
    const auto original = recordFormFields(SpawnRecord::fromBytes(recordBytes(1, 16)).value());
    for (const std::int32_t position : {1, 4}) {
        const auto fields = recordFormFields(records.at(position));
        QCOMPARE(fields.size(), std::size_t{56});
        for (std::size_t j = 1; j <= fields.size(); ++j) {
            std::string expected = j <= original.size() ? original[j - 1].text : "";
            if (j == 2)
                expected = "2";
            if (j == 3)
                expected = "-1234.500000000000000000";
            if (j == 15)
                expected = "-56";
            if (j == 21)
                expected = "321";
            if (j > 38)
                expected = formatInt(SpawnLayout::kDefaultEntryValues[j - 39]);
            QCOMPARE(fields[j - 1].text, expected);
        }
        QCOMPARE(records.at(position).displayName, std::string("Marsh Heron"));
    }
    // The untouched records and everything after them are as they were.
    QCOMPARE(records.at(2).bytes, recordBytes(0));
    QCOMPARE(records.at(3).bytes, recordBytes(5, 321));
    QCOMPARE(saved.value().context.remainder, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    window.hide();
}

namespace {

// An area at world X, Z with one entry of creature `id`.
std::vector<std::uint8_t> areaAt(float x, float z, std::int32_t id) {
    std::vector<std::uint8_t> bytes = recordBytes(1, id);
    writeI32At(bytes, SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(x));
    writeI32At(bytes, SpawnLayout::kPositionZOffset, std::bit_cast<std::int32_t>(z));
    return bytes;
}

QRgb pixelOf(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixel(at);
}

std::vector<std::uint8_t> bytesNow(SpawnEditorWindow& window) {
    return serializeSpawnFile(window.document().context(), window.document().records());
}

QAction* historyAction(QWidget& window, const char* name) {
    return window.findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

void SpawnEditorWindowTest::mapDotsShowTheViewPickTheirRecordsAndClicksElsewhereEnterThePosition() {
    EditorOnSampleWorld editor;
    // Records 1 and 2 share the origin, 3 is at map (523, 673), 4 to 11 lie off the map, 12 is at
    // (200, 250), low in the list, and 13 in the map's top right corner.
    std::vector<std::vector<std::uint8_t>> areas = {areaAt(0, 0, 16), areaAt(0, 0, 321),
                                                    areaAt(1234.5f, 1234.5f, 321)};
    for (int i = 0; i < 8; ++i) {
        areas.push_back(areaAt(9000, 0, 7));
    }
    areas.push_back(areaAt(-2000, -3000, 16));
    areas.push_back(areaAt(4000, 5500, 16));
    writeBytes(editor.dir.file("mobset.data"), fileBytes(13, areas));
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    auto* mapView = control<MapView>(window, 1024);
    auto* toggle = control<QCheckBox>(window, 1025);
    const QPoint origin(218, 252), third(285, 195), twelfth(109, 389);
    auto clickMap = [mapView](QPoint at) { QTest::mouseClick(mapView, Qt::LeftButton, {}, at); };
    auto rowMarked = [list](int row) { return list->selectionModel()->isRowSelected(row); };

    QVERIFY(toggle && toggle->isChecked());
    QCOMPARE(mapView->dots().dots().size(), std::size_t{5});
    QCOMPARE(mapView->dots().dotOfPosition(13), (PictureDot{437, 0, 13}));
    QCOMPARE(pixelOf(mapView, third), QRgb{DotLook::kDotFill});
    QCOMPARE(mapView->highlightedDot(), std::nullopt);

    // A dot shows its record as a click on its row does; the ring and the marker sit on the dot.
    clickMap(third + QPoint(2, -1));
    QVERIFY(rowMarked(2));
    QCOMPARE(fieldText(window, 3), QStringLiteral("1234.500000000000000000"));
    QCOMPARE(mapView->highlightedDot(), (PictureDot{285, 195, 3}));
    QCOMPARE(mapView->marker()->geometry(), QRect(third - QPoint(4, 4), QSize(8, 8)));
    QCOMPARE(pixelOf(mapView, third + QPoint(7, 0)), qRgb(255, 255, 255));
    clickMap(origin); // two dots on one pixel: the lower position
    QVERIFY(rowMarked(0));
    QCOMPARE(fieldText(window, 21), QStringLiteral("16"));
    clickMap(twelfth); // a row out of sight is scrolled into view
    QVERIFY(rowMarked(11));
    QVERIFY(list->viewport()->rect().contains(list->visualRect(list->model()->index(11, 0)).center()));
    QCOMPARE(fieldText(window, 3), QStringLiteral("-2000.000000000000000000"));

    // After a search only the hits have dots; the form's record is not among them, so no ring.
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(mapView->dots().dots().size(), std::size_t{2});
    QCOMPARE(mapView->highlightedDot(), std::nullopt);
    QVERIFY(pixelOf(mapView, twelfth) != QRgb{DotLook::kDotFill});
    clickMap(origin); // now only record 2 is there: row 0 of the hits
    QVERIFY(rowMarked(0));
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    QCOMPARE(mapView->highlightedDot(), (PictureDot{218, 252, 2}));

    // An applied record's dot moves with it.
    auto* x = control<QLineEdit>(window, 2823);
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("1000"));
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton);
    QCOMPARE(mapView->dots().dotOfPosition(2), (PictureDot{273, 252, 2}));
    QCOMPARE(mapView->highlightedDot(), (PictureDot{273, 252, 2}));

    // A click away from the dots enters its map position as typing into the map boxes does.
    clickMap(QPoint(50, 50));
    const QStringList boxes = {
        control<QLineEdit>(window, 1012)->text(), control<QLineEdit>(window, 1014)->text(),
        control<QLineEdit>(window, 1017)->text(), control<QLineEdit>(window, 1018)->text()};
    QCOMPARE(boxes, (QStringList{"-3080", "4400", "92", "990"}));
    QCOMPARE(mapView->marker()->geometry(), QRect(46, 46, 8, 8));
    QCOMPARE(fieldText(window, 3), QStringLiteral("1000")); // the form keeps its text

    // Alt+A hides the dots: the bare map shows and a click where a dot was enters the position.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(!toggle->isChecked()); // a mnemonic clicks its button after a short flash
    QVERIFY(!mapView->dotsShown());
    QCOMPARE(pixelOf(mapView, third), QImage(MapResources::kWorldMap).pixel(third));
    clickMap(third);
    QCOMPARE(control<QLineEdit>(window, 1017)->text(), QStringLiteral("522"));
    QCOMPARE(control<QLineEdit>(window, 1018)->text(), QStringLiteral("674"));
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(mapView->dotsShown());
    QCOMPARE(pixelOf(mapView, QPoint(273, 252)), QRgb{DotLook::kDotFill}); // the marker covers the third's
    window.hide();
}

void SpawnEditorWindowTest::undoAndRedoTakeBackApplyNewAndRemoveByteForByte() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    QAction* undo = historyAction(window, "Undo");
    QAction* redo = historyAction(window, "Redo");
    QVERIFY(undo && !undo->isEnabled() && !redo->isEnabled());

    const auto loaded = bytesNow(window);
    clickRow(list, 2);
    control<QLineEdit>(window, 2821)->selectAll();
    QTest::keyClicks(control<QLineEdit>(window, 2821), QStringLiteral("99"));
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton); // Apply record 3
    const auto applied = bytesNow(window);
    QCOMPARE(undo->text(), QStringLiteral("Undo Apply record 3"));
    QTest::mouseClick(control<QPushButton>(window, 1003), Qt::LeftButton); // New: record 4
    const auto added = bytesNow(window);
    clickRow(list, 0);
    QTest::mouseClick(control<QPushButton>(window, 1021), Qt::LeftButton); // Remove record 1
    const auto removed = bytesNow(window);
    QCOMPARE(undo->text(), QStringLiteral("Undo Remove record 1"));
    QCOMPARE(list->model()->rowCount(), 3);

    list->setFocus();
    for (const auto& expected : {added, applied, loaded}) {
        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(bytesNow(window), expected);
        QCOMPARE(control<QLabel>(window, 1005)->text(),
                 QStringLiteral("Total NPC-->%1").arg(window.document().records().count()));
        QCOMPARE(list->model()->rowCount(), window.document().records().count());
    }
    QVERIFY(!undo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("Redo Apply record 3"));
    // Undoing the Apply showed record 3 as it was in the form it came from.
    QCOMPARE(fieldText(window, 1), QString::number(readI32At(recordBytes(5, 321), 0)));
    QVERIFY(!window.isWindowModified());

    for (const auto& expected : {applied, added, removed}) {
        QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(bytesNow(window), expected);
    }
    QVERIFY(!redo->isEnabled());
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // nothing left to redo
    QCOMPARE(bytesNow(window), removed);

    // Saved, the file is byte for byte what the history reached.
    dialogs.saveAnswers = {dir.file("after.data")};
    QTest::mouseClick(control<QPushButton>(window, 3), Qt::LeftButton);
    QCOMPARE(readBytes(dir.file("after.data")), removed);

    // In a search result, an undone Remove comes back into the hits and the view stays filtered.
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(list->model()->rowCount(), 2);
    clickRow(list, 1);
    QTest::mouseClick(control<QPushButton>(window, 1021), Qt::LeftButton);
    QCOMPARE(list->model()->rowCount(), 2); // back in the full view: two records left
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(list->model()->rowCount(), 1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(control<QLabel>(window, 1005)->text(), QString::fromUtf8("查找到 2 项"));
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(bytesNow(window), removed);
    window.hide();
}

void SpawnEditorWindowTest::theUnsavedMarkFollowsTheHistoryAcrossASave() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    clickRow(list, 1);
    QTest::mouseClick(control<QPushButton>(window, 1003), Qt::LeftButton); // New
    QTest::mouseClick(control<QPushButton>(window, 1003), Qt::LeftButton); // New
    QVERIFY(window.isWindowModified());
    dialogs.saveAnswers = {dir.file("saved.data")};
    QTest::mouseClick(control<QPushButton>(window, 3), Qt::LeftButton);
    QVERIFY(!window.isWindowModified());

    historyAction(window, "Undo")->trigger(); // past the save point
    QVERIFY(window.isWindowModified());
    historyAction(window, "Redo")->trigger(); // back to it
    QVERIFY(!window.isWindowModified());
    QVERIFY(window.close()); // nothing unsaved: no question
    QCOMPARE(dialogs.discardQuestions, 0);

    // Undoing back to the loaded state needs no save either.
    EditorOnSampleWorld other;
    QVERIFY(other.startShown());
    clickRow(control<QTableView>(other.window, 1000), 0);
    QTest::mouseClick(control<QPushButton>(other.window, 1021), Qt::LeftButton);
    QVERIFY(other.window.isWindowModified());
    historyAction(other.window, "Undo")->trigger();
    QVERIFY(!other.window.isWindowModified());
    QVERIFY(other.window.close());
    QCOMPARE(other.dialogs.discardQuestions, 0);
}

void SpawnEditorWindowTest::historyKeysServeTheTextBoxWithTheFocusAndTheRecordsElsewhere() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    clickRow(list, 0);
    QTest::mouseClick(control<QPushButton>(window, 1021), Qt::LeftButton); // Remove record 1
    QCOMPARE(window.document().records().count(), 2);

    auto* search = control<QLineEdit>(window, 1009);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("abc"));
    QTest::keyClick(search, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(search->text(), QString()); // the box's own typing was undone
    QCOMPARE(window.document().records().count(), 2);
    QTest::keyClick(search, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(search->text(), QStringLiteral("abc"));
    QTest::keyClick(search, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(window.document().records().count(), 2);

    auto* save = control<QPushButton>(window, 3);
    save->setFocus();
    QTest::keyClick(save, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.document().records().count(), 3);
    QCOMPARE(bytesNow(window), sampleFile());
    window.hide();
}

namespace {

// A right-click on the list at `at` (viewport coordinates), the menu it opens closed at once.
void rightClickList(QTableView* list, QPoint at) {
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
    list->window()->activateWindow(); // as the window is again once its menu has gone
    QVERIFY(QTest::qWaitForWindowActive(list->window()));
}

int markedRow(QTableView* list) {
    const auto rows = list->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
}

} // namespace

void SpawnEditorWindowTest::removeActsOnTheMarkedRowAfterRightClicksUndoAndRedo() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    auto* remove = control<QPushButton>(window, 1021);
    auto* apply = control<QPushButton>(window, 1004);

    // Apply with nothing changed leaves no step and no mark.
    clickRow(list, 0);
    QTest::mouseClick(apply, Qt::LeftButton);
    QVERIFY(!window.isWindowModified());
    QVERIFY(!historyAction(window, "Undo")->isEnabled());

    // A right-click picks its row; on empty space below the rows it changes nothing.
    rightClickList(list, list->visualRect(list->model()->index(2, 0)).center());
    QCOMPARE(markedRow(list), 2);
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    rightClickList(list, QPoint(5, list->viewport()->height() - 3));
    QCOMPARE(markedRow(list), 2);
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1003), Qt::LeftButton); // New: record 4, a copy of 3
    const auto fourRecords = bytesNow(window);

    // Search 321, remove the second hit (record 4), undo: record 4's row is marked and shown, and
    // Remove takes it again, not the record at the hit's old row.
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    clickRow(list, 1);
    QTest::mouseClick(remove, Qt::LeftButton);
    const auto threeRecords = bytesNow(window);
    QCOMPARE(list->model()->rowCount(), 3);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(bytesNow(window), fourRecords);
    QCOMPARE(markedRow(list), 3);
    QCOMPARE(fieldText(window, 21), QStringLiteral("321"));
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(bytesNow(window), threeRecords);

    // Undone and redone, the removed record has no row: no row is current and Remove waits.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(markedRow(list), -1);
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(bytesNow(window), threeRecords);

    // Ctrl+Z in the read-only entry-count box goes to the history.
    clickRow(list, 0);
    auto* entryCount = control<QLineEdit>(window, 2822);
    QVERIFY(entryCount->isReadOnly());
    entryCount->setFocus();
    QTest::keyClick(entryCount, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(bytesNow(window), fourRecords);

    // A box given another record forgets what was typed into it before.
    clickRow(list, 0);
    auto* firstId = control<QLineEdit>(window, 2841);
    firstId->setFocus();
    firstId->selectAll();
    QTest::keyClicks(firstId, QStringLiteral("321"));
    clickRow(list, 2); // record 3: its first ID is 321 too
    firstId->setFocus();
    QTest::keyClick(firstId, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(firstId->text(), QStringLiteral("321"));
    QCOMPARE(window.editor().form().text(21), std::string("321"));
    QCOMPARE(bytesNow(window), fourRecords);
    window.hide();
}

void SpawnEditorWindowTest::listedRecordsAreEditedAndRemovedInOneStepEachAndTheHistoryWindowGoesBack() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    clickRow(list, 2);
    const auto loaded = bytesNow(window);

    // Ctrl+E over the full view: add 5 to every entry's TimeResp. Records 1 and 3 have 1 and 5
    // entries; record 2 has none.
    // A value that is no whole number leaves OK disabled and says why.
    QString summary;
    QString refusal;
    bool okWhenRefused = true;
    QTimer::singleShot(0, [&summary, &refusal, &okWhenRefused] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* field = dialog->findChild<QComboBox*>(QStringLiteral("BulkField"));
        field->setCurrentIndex(field->findText(QStringLiteral("Entry 3: TimeResp")));
        auto* operation = dialog->findChild<QComboBox*>(QStringLiteral("BulkOperation"));
        operation->setCurrentIndex(operation->findText(QStringLiteral("Add")));
        auto* value = dialog->findChild<QLineEdit*>(QStringLiteral("BulkValue"));
        auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QTest::keyClicks(value, QStringLiteral("+-5"));
        refusal = dialog->findChild<QLabel*>(QStringLiteral("BulkSummary"))->text();
        okWhenRefused = ok->isEnabled();
        value->clear();
        QTest::keyClicks(value, QStringLiteral(" 5"));
        summary = dialog->findChild<QLabel*>(QStringLiteral("BulkSummary"))->text();
        dialog->accept();
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(refusal, QStringLiteral("\"+-5\" is not a whole number"));
    QVERIFY(!okWhenRefused);
    QCOMPARE(summary, QStringLiteral("2 records, 6 fields will change"));
    auto expected = loaded;
    const auto timeRespAt = [](std::size_t record, std::size_t entry) {
        const std::size_t records[] = {0, SpawnLayout::recordSize(1),
                                       SpawnLayout::recordSize(1) + SpawnLayout::recordSize(0)};
        return SpawnLayout::kPrefixSize + records[record] + SpawnLayout::kAreaHeaderSize +
               entry * SpawnLayout::kCreatureEntrySize + 8;
    };
    for (const auto& [record, entries] : {std::pair{0u, 1u}, std::pair{2u, 5u}}) {
        for (std::size_t e = 0; e < entries; ++e) {
            writeI32At(expected, timeRespAt(record, e), readI32At(expected, timeRespAt(record, e)) + 5);
        }
    }
    QCOMPARE(bytesNow(window), expected);
    QCOMPARE(historyAction(window, "Undo")->text(), QStringLiteral("Undo Edit 2 records"));
    // The form showed record 3 and shows it as it now is.
    QCOMPARE(fieldText(window, 23), QString::number(readI32At(expected, timeRespAt(2, 0))));
    const auto edited = bytesNow(window);

    // Remove the hits of a search: asked first, one step.
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("321"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    dialogs.questionAnswers = {Answer::No, Answer::Yes};
    window.findChild<QAction*>(QStringLiteral("RemoveListed"))->trigger();
    QCOMPARE(bytesNow(window), edited);
    window.findChild<QAction*>(QStringLiteral("RemoveListed"))->trigger();
    QCOMPARE(dialogs.asked.size(), std::size_t{2});
    QCOMPARE(dialogs.asked.back().text, std::string("Remove 1 record?"));
    QVERIFY(dialogs.asked.back().defaultAnswer == Answer::No && !dialogs.asked.back().withCancel);
    QCOMPARE(window.document().records().count(), 2);
    QCOMPARE(control<QLabel>(window, 1005)->text(), QString::fromUtf8("查找到 0 项"));

    // The history window lists the loaded state and both steps; a click goes back two at once.
    window.findChild<QAction*>(QStringLiteral("History"))->trigger();
    auto* view = window.findChild<QAbstractItemView*>(QStringLiteral("HistoryView"));
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->model()->rowCount(), 3);
    QCOMPARE(view->model()->index(2, 0).data().toString(), QStringLiteral("Remove 1 record"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, 0)).center());
    QCOMPARE(bytesNow(window), loaded);
    QVERIFY(!window.isWindowModified());
    QCOMPARE(list->model()->rowCount(), 1); // the search again: record 3 is back
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 0)).center());
    QCOMPARE(bytesNow(window), edited);
    QVERIFY(window.isWindowModified());
    QVERIFY(dialogs.unexpected.empty());
    window.hide();
}

void SpawnEditorWindowTest::historyWindowKeysMoveListFormAndDotsAsUndoDoesAndApplyThenKeepsTheRedoSteps() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    auto* count = control<QLabel>(window, 1005);
    auto* dots = qobject_cast<MapView*>(map(window));
    const auto loaded = bytesNow(window);

    // Block 5555 applied on record 1, record 3 removed, record 1 shown again.
    clickRow(list, 0);
    const QString block = fieldText(window, 1);
    auto* blockBox = control<QLineEdit>(window, 2821);
    blockBox->selectAll();
    QTest::keyClicks(blockBox, QStringLiteral("5555"));
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton);
    const auto applied = bytesNow(window);
    clickRow(list, 2);
    QTest::mouseClick(control<QPushButton>(window, 1021), Qt::LeftButton);
    const auto removed = bytesNow(window);
    QCOMPARE(count->text(), QStringLiteral("Total NPC-->2"));
    QCOMPARE(dots->dots().dots().size(), std::size_t{2});
    clickRow(list, 0);
    QCOMPARE(fieldText(window, 1), QStringLiteral("5555"));

    // Ctrl+H, then Up twice in the history: both steps undone, and the list, its label, the form
    // and the dots follow each step as they do for Undo.
    QTest::keyClick(list, Qt::Key_H, Qt::ControlModifier);
    auto* history = window.findChild<QDialog*>(QStringLiteral("HistoryWindow"));
    QVERIFY(history && QTest::qWaitForWindowActive(history));
    auto* view = history->findChild<QAbstractItemView*>(QStringLiteral("HistoryView"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(bytesNow(window), applied);
    QCOMPARE(count->text(), QStringLiteral("Total NPC-->3"));
    QCOMPARE(dots->dots().dots().size(), std::size_t{3});
    QCOMPARE(markedRow(list), 2); // record 3, back, is shown
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(bytesNow(window), loaded);
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(markedRow(list), 0);
    QCOMPARE(fieldText(window, 1), block);

    // Apply then stores the record as it now is: no step, the redo steps stay.
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton);
    QCOMPARE(bytesNow(window), loaded);
    QCOMPARE(historyAction(window, "Redo")->text(), QStringLiteral("Redo Apply record 1"));
    QCOMPARE(window.document().history().count(), 2);

    // End goes to the last step, redoing both: record 3 is gone, and the form, still on record 1,
    // shows it as it now is, so that Apply stores nothing old. Ctrl+Z and Ctrl+Y in the history
    // window step back and forth.
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(bytesNow(window), removed);
    QCOMPARE(count->text(), QStringLiteral("Total NPC-->2"));
    QCOMPARE(fieldText(window, 1), QStringLiteral("5555"));
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton);
    QCOMPARE(bytesNow(window), removed);
    QCOMPARE(window.document().history().count(), 2);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(bytesNow(window), applied);
    QCOMPARE(count->text(), QStringLiteral("Total NPC-->3"));
    QCOMPARE(view->selectionModel()->currentIndex().row(), 1);
    QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(bytesNow(window), removed);
    QCOMPARE(dots->dots().dots().size(), std::size_t{2});
    QVERIFY(dialogs.unexpected.empty());
    history->hide();
    window.hide();
}

namespace {

// Answers the bulk edit dialog, once it is open, with `operation` and `value` on every entry's
// TimeResp.
void answerBulkEdit(const char* operation, const char* value) {
    QTimer::singleShot(0, [operation, value] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog && dialog->objectName() == QStringLiteral("BulkEditDialog"));
        auto* field = dialog->findChild<QComboBox*>(QStringLiteral("BulkField"));
        field->setCurrentIndex(field->findText(QStringLiteral("Entry 3: TimeResp")));
        auto* chosen = dialog->findChild<QComboBox*>(QStringLiteral("BulkOperation"));
        chosen->setCurrentIndex(chosen->findText(QString::fromLatin1(operation)));
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("BulkValue")),
                         QString::fromLatin1(value));
        dialog->accept();
    });
}

// Record 3 of the sample world starts here; its first entry's TimeResp lies 8 bytes into it.
constexpr std::size_t kThirdRecord =
    SpawnLayout::kPrefixSize + SpawnLayout::recordSize(1) + SpawnLayout::recordSize(0);
constexpr std::size_t kThirdTimeResp = kThirdRecord + SpawnLayout::kAreaHeaderSize + 8;

} // namespace

void SpawnEditorWindowTest::typedTextOutlivesCommandsOnOtherRecordsIsAskedAboutOtherwiseAndBeforeClosing() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    auto* list = control<QTableView>(window, 1000);
    const auto typeBlock = [&window](const char* text) {
        auto* box = control<QLineEdit>(window, 2821);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
    };
    const auto editListed = [&window] {
        window.findChild<QAction*>(QStringLiteral("EditListed"))->trigger();
    };
    clickRow(list, 2); // record 3: five entries
    const auto loaded = bytesNow(window);
    const std::int32_t timeResp = readI32At(loaded, kThirdTimeResp);

    // An edit of record 3 while its Block holds typed text asks first; Yes applies the text as a
    // step of its own, then edits.
    typeBlock("77");
    dialogs.questionAnswers = {Answer::Yes};
    answerBulkEdit("Add", "5");
    editListed();
    QCOMPARE(dialogs.asked.size(), std::size_t{1});
    QCOMPARE(dialogs.asked.back().text, std::string(kApplyTypedTextFirst));
    QVERIFY(dialogs.asked.back().withCancel && dialogs.asked.back().defaultAnswer == Answer::Yes);
    QCOMPARE(readI32At(bytesNow(window), kThirdRecord), 77);
    QCOMPARE(readI32At(bytesNow(window), kThirdTimeResp), timeResp + 5);
    QCOMPARE(window.document().history().count(), 2);
    QCOMPARE(fieldText(window, 1), QStringLiteral("77"));
    QCOMPARE(fieldText(window, 23), QString::number(timeResp + 5));

    // Cancel stops the edit and keeps the text; No lets the edit drop it, the form then showing
    // the record as edited.
    typeBlock("88");
    dialogs.questionAnswers = {Answer::Cancel};
    answerBulkEdit("Add", "5");
    editListed();
    QCOMPARE(window.document().history().count(), 2);
    QCOMPARE(fieldText(window, 1), QStringLiteral("88"));
    dialogs.questionAnswers = {Answer::No};
    answerBulkEdit("Add", "5");
    editListed();
    QCOMPARE(window.document().history().count(), 3);
    QCOMPARE(readI32At(bytesNow(window), kThirdRecord), 77);
    QCOMPARE(fieldText(window, 1), QStringLiteral("77"));
    QCOMPARE(fieldText(window, 23), QString::number(timeResp + 10));

    // Commands that leave record 3 as it is leave the typed text too, and ask nothing: an edit
    // and a removal of the records a search lists (record 1), and a paste answered Cancel.
    typeBlock("99");
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("16"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(list->model()->rowCount(), 1);
    answerBulkEdit("Set", "1");
    editListed();
    QCOMPARE(window.document().history().count(), 4);
    dialogs.questionAnswers = {Answer::Yes};
    window.findChild<QAction*>(QStringLiteral("RemoveListed"))->trigger();
    QCOMPARE(window.document().records().count(), 2);
    QCOMPARE(dialogs.asked.back().text, std::string("Remove 1 record?"));
    QCOMPARE(fieldText(window, 1), QStringLiteral("99"));
    const std::string copied = window.clipboard().copyShownRecord();
    dialogs.questionAnswers = {Answer::Cancel};
    QVERIFY(!window.clipboard().paste(copied));
    QCOMPARE(dialogs.asked.back().text, std::string(kApplyTypedTextFirst));
    QCOMPARE(window.document().records().count(), 2);
    QCOMPARE(fieldText(window, 1), QStringLiteral("99"));
    QCOMPARE(dialogs.asked.size(), std::size_t{5});
    QVERIFY(dialogs.unexpected.empty());
    window.hide();

    // Typed text Apply has not stored is unsaved work when the window ends: Escape, Logout and
    // the close box ask first. Typed back to what it was, it is none.
    EditorOnSampleWorld other;
    QVERIFY(other.startShown());
    clickRow(control<QTableView>(other.window, 1000), 0);
    auto* block = control<QLineEdit>(other.window, 2821);
    const QString shown = block->text();
    block->setFocus();
    QTest::keyClicks(block, QStringLiteral("1"));
    other.dialogs.discardAnswers = {false, false, false};
    QTest::keyClick(block, Qt::Key_Escape);
    QTest::mouseClick(control<QPushButton>(other.window, 1011), Qt::LeftButton);
    QVERIFY(!other.window.close());
    QCOMPARE(other.dialogs.discardQuestions, 3);
    QVERIFY(other.window.isVisible());
    QTest::keyClick(block, Qt::Key_Backspace);
    QCOMPARE(block->text(), shown);
    QVERIFY(other.window.close());
    QCOMPARE(other.dialogs.discardQuestions, 3);
    QVERIFY(other.dialogs.unexpected.empty());
}

namespace {

// Claims Ctrl+E for the box it watches, as a text box does under X11 ("end of line"), whatever
// the platform the test runs on.
class ClaimsCtrlE : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->keyCombination() == (Qt::CTRL | Qt::Key_E)) {
            event->accept();
        }
        return false;
    }
};

} // namespace

void SpawnEditorWindowTest::commandKeysPassTextBoxesButTheirEditingKeysAndF1ListsEveryCommand() {
    EditorOnSampleWorld editor;
    QVERIFY(editor.startShown());
    auto& [dir, dialogs, window] = editor;
    window.activateWindow(); // the window's shortcuts work in the active window
    QVERIFY(QTest::qWaitForWindowActive(&window));
    clickRow(control<QTableView>(window, 1000), 2);

    // Ctrl+E from a form box, the search box and a coordinate box opens the bulk edit.
    for (const int id : {2821, 1009, 1012}) {
        window.activateWindow(); // as it is again once the dialog has gone
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* box = control<QLineEdit>(window, id);
        ClaimsCtrlE claims;
        box->installEventFilter(&claims);
        box->setFocus();
        box->setCursorPosition(0);
        QString opened;
        QTimer::singleShot(0, [&opened] {
            if (auto* dialog = QApplication::activeModalWidget()) {
                opened = dialog->objectName();
                dialog->close();
            }
        });
        QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
        QVERIFY2(opened == QStringLiteral("BulkEditDialog"), qPrintable(QString::number(id)));
        QCOMPARE(box->cursorPosition(), 0); // not taken as "end of line"
    }
    // Ctrl+C and Ctrl+V stay a box's own; elsewhere (here the map) they copy and paste records.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* search = control<QLineEdit>(window, 1009);
    search->clear();
    search->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keyClick(search, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(search->text(), QStringLiteral("abc"));
    QVERIFY(dialogs.messages.empty()); // no paste of records was tried
    QWidget* mapView = map(window);
    mapView->setFocus();
    QTest::keyClick(mapView, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), window.clipboard().copyShownRecord());

    // F1, from a text box too, lists every command: each action of the window with its keys, each
    // button and check box.
    search->setFocus();
    QTest::keyClick(search, Qt::Key_F1);
    auto* commands = window.findChild<QDialog*>(QStringLiteral("CommandsWindow"));
    QVERIFY(commands && commands->isVisible());
    auto* table = commands->findChild<QTableWidget*>(QStringLiteral("CommandList"));
    QVERIFY(table);
    const auto rowOf = [table](const QString& name) {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text() == name) {
                return row;
            }
        }
        return -1;
    };
    QStringList names;
    for (QAction* action : window.findChildren<QAction*>()) {
        const QString name =
            action->objectName() == QStringLiteral("Undo") || action->objectName() == QStringLiteral("Redo")
                ? action->objectName()
                : action->text();
        const int row = rowOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        for (const QKeySequence& key : action->shortcuts()) {
            QVERIFY2(table->item(row, 1)->text().contains(key.toString(QKeySequence::NativeText)),
                     qPrintable(name));
        }
        names << name;
    }
    QVERIFY(names.contains(QStringLiteral("Edit listed records…")));
    QCOMPARE(table->item(rowOf(QStringLiteral("Redo")), 1)->text(), QStringLiteral("Ctrl+Shift+Z, Ctrl+Y"));
    QCOMPARE(table->item(rowOf(QStringLiteral("Commands…")), 1)->text(), QStringLiteral("F1"));
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<QRadioButton*>(button)) {
            const QString name = button->text().remove(QLatin1Char('&'));
            QVERIFY2(rowOf(name) >= 0, qPrintable(name));
        }
    }
    QCOMPARE(table->item(rowOf(QStringLiteral("All NPC")), 1)->text(), QStringLiteral("Alt+A"));
    QCOMPARE(table->item(rowOf(QStringLiteral("Drag a dot")), 2)->text(), QStringLiteral("map"));
    QVERIFY(dialogs.unexpected.empty());
    commands->hide();
    window.hide();
}

void SpawnEditorWindowTest::documentOutlivesEverythingThatRefersToIt() {
    auto editor = std::make_unique<EditorOnSampleWorld>();
    QVERIFY(editor->startShown());
    SpawnEditorWindow& window = editor->window;
    // Each reads the document as it goes (a document gone first is a use after free, which the
    // sanitizer build reports).
    QStringList gone;
    const SpawnDocument* document = &window.document();
    const auto track = [&gone, document](QObject* object, const QString& name) {
        QObject::connect(object, &QObject::destroyed, [&gone, name, document] {
            gone << name + QLatin1Char(' ') + QString::number(document->records().count());
        });
    };
    const QString count = QString::number(window.document().records().count());
    auto* list = control<QTableView>(window, 1000);
    track(list->model(), "model");
    track(list, "list");
    track(control<QLineEdit>(window, 1012), "world X box");
    window.close();
    editor.reset();
    QCOMPARE(gone.size(), 3);
    QVERIFY(gone.contains(QStringLiteral("model ") + count));
    QVERIFY(gone.contains(QStringLiteral("world X box ") + count));
}

QTEST_MAIN(SpawnEditorWindowTest)
#include "SpawnEditorWindowTest.moc"
