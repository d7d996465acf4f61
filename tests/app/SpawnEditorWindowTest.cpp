#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "SpawnEditorWindow.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

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
    void enterInAnEditBoxLeavesTheWindowOpen();
    void escapeClosesAtOnceWithNothingUnsaved();
    void unsavedWorkIsKeptUnlessTheUserDiscardsIt();
    void typingIntoTheMapBoxesConvertsAndMovesTheMarker();
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

void SpawnEditorWindowTest::documentOutlivesEverythingThatRefersToIt() {
    auto editor = std::make_unique<EditorOnSampleWorld>();
    QVERIFY(editor->startShown());
    SpawnEditorWindow& window = editor->window;
    QStringList gone;
    const auto track = [&gone](QObject* object, const QString& name) {
        QObject::connect(object, &QObject::destroyed, [&gone, name] { gone << name; });
    };
    auto* list = control<QTableView>(window, 1000);
    track(&window.document(), "document");
    track(list->model(), "model");
    track(list, "list");
    track(control<QLineEdit>(window, 1012), "world X box");
    window.close();
    editor.reset();
    QCOMPARE(gone.size(), 4);
    QCOMPARE(gone.last(), QStringLiteral("document"));
}

QTEST_MAIN(SpawnEditorWindowTest)
#include "SpawnEditorWindowTest.moc"
