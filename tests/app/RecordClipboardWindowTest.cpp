#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "RecordClipboard.h"
#include "RecordEditor.h"
#include "SpawnEditorWindow.h"
#include "SpawnJson.h"
#include "SpawnLayout.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <nlohmann/json.hpp>

using namespace spawn;
using namespace spawn::testing;

namespace {

// Record 2 carries a NaN with a payload and a negative zero, which text must not lose.
std::vector<std::vector<std::uint8_t>> sourceRecords() {
    auto odd = recordBytes(2, 321, 9);
    writeI32At(odd, 8, static_cast<std::int32_t>(0x7FC12345u));  // X
    writeI32At(odd, 12, static_cast<std::int32_t>(0x80000000u)); // Y
    return {recordBytes(1, 16), odd, recordBytes(0, 0, 40)};
}

std::vector<std::uint8_t> targetFile() {
    return fileBytes(2, {recordBytes(3, 700, 60), recordBytes(1, 7, 80)}, {9, 9});
}

// A window on its own folder: a spawn file and an element database naming creature 321.
struct Editor {
    explicit Editor(const std::vector<std::uint8_t>& spawnBytes) {
        writeBytes(dir.file("mobset.data"), spawnBytes);
        ElementBytes db;
        db.npcs = {{321, utf16(u"Marsh Heron")}};
        writeBytes(dir.file("elements.data"), db.build());
    }
    bool startShown() {
        if (!window.initialise(dir.path().string())) {
            return false;
        }
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    QTableView* list() { return window.findChild<QTableView*>(QStringLiteral("1000")); }
    // The keys act on the list when it has the focus.
    void keyOnList(Qt::Key key) {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        list()->setFocus();
        QTest::keyClick(list(), key, Qt::ControlModifier);
    }
    void trigger(const char* name) { window.findChild<QAction*>(QString::fromUtf8(name))->trigger(); }
    std::vector<std::uint8_t> recordBytesAt(std::int32_t position) {
        return window.document().records().at(position).bytes;
    }
    std::vector<std::uint8_t> saved() {
        dialogs.saveAnswers = {dir.file("saved.data")};
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("3")), Qt::LeftButton);
        return readBytes(dir.file("saved.data"));
    }

    const TempFolder dir;
    ScriptedDialogs dialogs;
    SpawnEditorWindow window{&dialogs};
};

std::vector<std::uint8_t> appended(std::vector<std::uint8_t> file, std::int32_t countWord,
                                   const std::vector<std::vector<std::uint8_t>>& records,
                                   std::size_t remainder) {
    writeI32At(file, SpawnLayout::kLeadingBlockSize, countWord);
    auto at = file.end() - static_cast<std::ptrdiff_t>(remainder);
    for (const auto& record : records) {
        at = file.insert(at, record.begin(), record.end()) + static_cast<std::ptrdiff_t>(record.size());
    }
    return file;
}

} // namespace

class RecordClipboardWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aRecordCopiedInOneWindowPastesIntoAnotherByteForByteAsOneUndoableStep();
    void listedRecordsAndAWholeExportPasteAndABadClipboardChangesNothing();
    void recordsAppendFromASpawnFileOrExportChosenInTheOpenDialog();
    void aFileNamedAtStartUpOpensInsteadOfTheFoldersSpawnFile();
};

void RecordClipboardWindowTest::aRecordCopiedInOneWindowPastesIntoAnotherByteForByteAsOneUndoableStep() {
    Editor source(fileBytes(3, sourceRecords()));
    Editor target(targetFile());
    QVERIFY(source.startShown());
    QVERIFY(target.startShown());

    source.window.editor().selectRecord(1);
    source.keyOnList(Qt::Key_C);
    const QString copied = QGuiApplication::clipboard()->text();
    const auto document = nlohmann::json::parse(copied.toStdString());
    QCOMPARE(document["records"].size(), std::size_t{1});
    QCOMPARE(document["records"][0]["name"].get<std::string>(), std::string("Marsh Heron"));
    QVERIFY(!document.contains("leading_block"));

    target.window.editor().selectRecord(0);
    target.keyOnList(Qt::Key_V);
    QCOMPARE(target.window.document().records().count(), 3);
    QCOMPARE(target.recordBytesAt(3), sourceRecords()[1]);
    QCOMPARE(target.window.document().records().at(3).displayName, std::string("Marsh Heron"));
    // The pasted record is the current row and the form shows it.
    QCOMPARE(target.window.editor().currentRow(), 2);
    QCOMPARE(target.list()->selectionModel()->selectedRows().constFirst().row(), 2);
    QCOMPARE(target.window.editor().form().sourceSerial(), target.window.document().records().at(3).serial);
    QCOMPARE(target.window.findChild<QAction*>(QStringLiteral("Undo"))->text(),
             QStringLiteral("Undo Paste 1 record"));
    QCOMPARE(target.window.document().history().count(), 1);

    target.window.editor().undo();
    QCOMPARE(target.window.document().records().count(), 2);
    QVERIFY(!target.window.document().isModified());
    target.window.editor().redo();
    QCOMPARE(target.saved(), appended(targetFile(), 3, {sourceRecords()[1]}, 2));
    QCOMPARE(source.window.document().history().count(), 0);
    QVERIFY(source.dialogs.unexpected.empty());
    QVERIFY(target.dialogs.messages.size() == 1); // the save's count alone
}

void RecordClipboardWindowTest::listedRecordsAndAWholeExportPasteAndABadClipboardChangesNothing() {
    Editor source(fileBytes(3, sourceRecords()));
    Editor target(targetFile());
    QVERIFY(source.startShown());
    QVERIFY(target.startShown());

    // A search lists record 2 alone; copy takes what the list shows.
    source.window.editor().setSearchMode(SearchMode::Id);
    source.window.editor().searchRecords("321");
    source.trigger("Copy listed records");
    const auto listed = nlohmann::json::parse(QGuiApplication::clipboard()->text().toStdString());
    QCOMPARE(listed["records"].size(), std::size_t{1});
    source.window.editor().refreshRecordList();
    source.trigger("Copy listed records");
    QCOMPARE(nlohmann::json::parse(QGuiApplication::clipboard()->text().toStdString())["records"].size(),
             std::size_t{3});

    // A whole export's text, as from a text editor: only its records are taken, as one step.
    auto file = parseSpawnFile(fileBytes(3, sourceRecords(), {1, 2, 3}), {}, "x");
    QVERIFY(file.ok());
    QGuiApplication::clipboard()->setText(QString::fromStdString(exportSpawnJson(file.value(), true)));
    target.trigger("Paste records");
    QCOMPARE(target.window.document().history().count(), 1);
    QCOMPARE(target.window.document().history().undoText(), std::string("Paste 3 records"));
    QCOMPARE(target.window.editor().currentRow(), 2);
    const auto afterPaste = appended(targetFile(), 5, sourceRecords(), 2);

    // Refusals: the reason shown, the records, the history and the saved bytes unchanged.
    const std::vector<std::pair<QString, std::string>> refused = {
        {QStringLiteral("plain words"), "syntax error"},
        {QStringLiteral(R"({"format": 1, "records": [{"area": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0], "entries": []}, {"area": [0, 1,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0], "entries": [[1, 2, 3]]}]})"),
         "record 2, field 24 (entry 1, field 4): missing, the entry holds 3 of 18 values"},
        {QStringLiteral(R"({"records": []})"), "\"format\" is missing"},
        {QStringLiteral(R"({"format": 1})"), "\"records\" is missing"}};
    for (const auto& [text, reason] : refused) {
        target.dialogs.messages.clear();
        QGuiApplication::clipboard()->setText(text);
        target.keyOnList(Qt::Key_V);
        QCOMPARE(target.dialogs.messages.size(), std::size_t{1});
        QVERIFY2(target.dialogs.messages[0].find(reason) != std::string::npos,
                 target.dialogs.messages[0].c_str());
        QCOMPARE(target.window.document().records().count(), 5);
        QCOMPARE(target.window.document().history().count(), 1);
    }
    QCOMPARE(target.saved(), afterPaste);
}

void RecordClipboardWindowTest::recordsAppendFromASpawnFileOrExportChosenInTheOpenDialog() {
    Editor target(targetFile());
    QVERIFY(target.startShown());
    writeBytes(target.dir.file("other.data"), fileBytes(3, sourceRecords()));
    auto file = parseSpawnFile(fileBytes(3, sourceRecords()), {}, "x");
    const std::string exported = exportSpawnJson(file.value(), false);
    writeBytes(target.dir.file("other.json"), {exported.begin(), exported.end()});
    writeBytes(target.dir.file("short.data"), {1, 2, 3});

    target.dialogs.openAnswers = {target.dir.file("other.data"), target.dir.file("short.data"),
                                  target.dir.file("other.json"), std::nullopt};
    for (int i = 0; i < 4; ++i) {
        target.trigger("Append records from file…");
    }
    QCOMPARE(target.window.document().history().count(), 2);
    QCOMPARE(target.window.document().history().undoText(), std::string("Append 3 records"));
    QCOMPARE(target.dialogs.messages.size(), std::size_t{1}); // the short file, named
    QVERIFY(target.dialogs.messages[0].find("short.data") != std::string::npos);
    QCOMPARE(target.dialogs.openRequests[0].directory, target.dir.path().string());
    QCOMPARE(target.window.editor().currentRow(), 5);
    auto both = sourceRecords();
    const auto again = sourceRecords();
    both.insert(both.end(), again.begin(), again.end());
    QCOMPARE(target.saved(), appended(targetFile(), 8, both, 2));
}

void RecordClipboardWindowTest::aFileNamedAtStartUpOpensInsteadOfTheFoldersSpawnFile() {
    Editor editor(targetFile());
    writeBytes(editor.dir.file("other.data"), fileBytes(3, sourceRecords()));
    QVERIFY(editor.window.initialise(editor.dir.path().string(), "other.data"));
    QCOMPARE(editor.window.document().spawnPath(), editor.dir.file("other.data"));
    QCOMPARE(editor.window.document().records().count(), 3);
    QVERIFY(editor.dialogs.openRequests.empty());

    // A missing one is reported by name, then the Open dialog comes.
    Editor missing(targetFile());
    missing.dialogs.openAnswers = {missing.dir.file("mobset.data")};
    QVERIFY(missing.window.initialise(missing.dir.path().string(), missing.dir.file("gone.data")));
    QCOMPARE(missing.dialogs.messages.size(), std::size_t{1});
    QVERIFY(missing.dialogs.messages[0].find("gone.data") != std::string::npos);
    QCOMPARE(missing.dialogs.openRequests.size(), std::size_t{1});
    QCOMPARE(missing.window.document().records().count(), 2);
}

QTEST_MAIN(RecordClipboardWindowTest)
#include "RecordClipboardWindowTest.moc"
