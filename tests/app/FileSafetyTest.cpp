// Recovery copies and files changed on disk, through the whole window: its Qt timer, file watcher
// and worker, killed windows and the dialogs they bring up. The rules themselves (when a copy is
// written and removed, when a change is asked about) are tested on the session with a fake clock.

#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "DiskWatch.h"
#include "RecoveryFiles.h"
#include "RecoveryKeeper.h"
#include "SpawnEditorWindow.h"

#include <QApplication>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

using namespace spawn;
using namespace spawn::testing;

namespace {

constexpr const char* kEditAndWait = "--edit-and-wait";
constexpr int kWaitMs = 15000; // generous: the machine may be busy

std::vector<std::uint8_t> sampleFile() {
    return fileBytes(3, {recordBytes(1, 16), recordBytes(0), recordBytes(5, 321)}, {1, 2, 3, 4, 5});
}

// Three steps: record 1 replaced, one record added, record 2 removed.
void makeEdits(SpawnDocument& document) {
    document.replaceRecord(1, SpawnRecord::fromBytes(recordBytes(2, 77, 9)).value());
    document.appendRecord(SpawnRecord::fromBytes(recordBytes(1, 400, 3)).value());
    document.removeRecord(2);
}

// What makeEdits gives, built apart from the document: the count word went up once and down once.
std::vector<std::uint8_t> editedFile() {
    return fileBytes(3, {recordBytes(2, 77, 9), recordBytes(5, 321), recordBytes(1, 400, 3)},
                     {1, 2, 3, 4, 5});
}

// What a window that replaced record `position` (1 or 3) with a record of its own has.
std::vector<std::uint8_t> fileWithOwnRecord(int position) {
    std::vector<std::vector<std::uint8_t>> records{recordBytes(1, 16), recordBytes(0), recordBytes(5, 321)};
    records.at(static_cast<std::size_t>(position - 1)) = recordBytes(2, 500 + position, 9);
    return fileBytes(3, records, {1, 2, 3, 4, 5});
}

std::vector<std::uint8_t> otherProgramsFile() {
    return fileBytes(2, {recordBytes(3, 900), recordBytes(0)}, {7});
}

void writeWorld(const std::string& folder) {
    writeBytes(folder + "/mobset.data", sampleFile());
    ElementBytes db;
    db.npcs = {{321, utf16(u"Marsh Heron")}};
    writeBytes(folder + "/elements.data", db.build());
}

std::vector<std::uint8_t> documentBytes(const SpawnDocument& document) {
    return serializeSpawnFile(document.context(), document.records());
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Dialogs whose message box stays up for a while, the event loop running meanwhile as it does under
// a modal box.
class ModalDialogs : public ScriptedDialogs {
public:
    int messageUpMs = 0;
    void showMessage(const std::string& text) override {
        ScriptedDialogs::showMessage(text);
        if (messageUpMs > 0) {
            QTest::qWait(messageUpMs);
        }
    }
};

// The editor on a fresh world, with its recovery copies in a state folder of its own.
struct Editor {
    explicit Editor(const std::string& worldFolder = {})
        : world(worldFolder.empty() ? dir.path().string() : worldFolder) {
        if (worldFolder.empty()) {
            writeWorld(world);
        }
    }
    bool start() {
        if (!window.initialise(world)) {
            return false;
        }
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    std::string spawnPath() const { return world + "/mobset.data"; }
    RecoveryPaths copy() { return window.recovery().copyPaths(); }
    // Lets the keeper's delay run out and its worker finish.
    bool copyAppears() {
        const bool appeared = QTest::qWaitFor([this] { return exists(copy().info); }, kWaitMs);
        window.recovery().waitUntilIdle();
        return appeared;
    }
    bool copyGoes() {
        const bool gone =
            QTest::qWaitFor([this] { return !exists(copy().info) && !exists(copy().bytes); }, kWaitMs);
        window.recovery().waitUntilIdle();
        return gone;
    }

    const TempFolder dir;
    const std::string world;
    ModalDialogs dialogs;
    SpawnEditorWindow window{&dialogs};
};

// Every copy kept for `spawnPath`, whether its window runs or not, newest first.
std::vector<RecoveryPaths> everyCopy(const std::string& folder, const std::string& spawnPath) {
    return recoveryCopiesOfEndedWindows(folder, spawnPath, [](const ProcessIdentity&) { return false; });
}

// Each test's recovery copies go to a fresh state folder, never the user's own.
class StateFolder {
public:
    StateFolder() { qputenv("XDG_STATE_HOME", m_dir.path().string().c_str()); }
    std::string recoveryFolder() const { return (m_dir.path() / "spawn-editor" / "recovery").string(); }
    const TempFolder& dir() const { return m_dir; }

private:
    TempFolder m_dir;
};

// The child's part in the crash test: the editor on `folder`, record `position` replaced, then
// waiting for the kill.
int editAndWait(const std::string& folder, int position) {
    ScriptedDialogs dialogs;
    SpawnEditorWindow window(&dialogs);
    if (!window.initialise(folder)) {
        return 2;
    }
    window.document().replaceRecord(position,
                                    SpawnRecord::fromBytes(recordBytes(2, 500 + position, 9)).value());
    QTimer::singleShot(2 * kWaitMs, qApp, &QCoreApplication::quit); // never outlives the test
    return QApplication::exec();
}

// This test program started again as an editor that replaces record `position` on `folder`.
pid_t startEditing(const std::string& folder, int position) {
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string record = std::to_string(position);
    const pid_t child = fork();
    if (child == 0) {
        execl(self.c_str(), self.c_str(), kEditAndWait, folder.c_str(), record.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

bool killedAndReaped(pid_t child) {
    ::kill(child, SIGKILL);
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

class FileSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void saveOverTheOpenFileAsksNothingWhileItsMessageIsUpAndKeepsTheHistory();
    void theWorkOfTwoKilledWindowsOnOneFileIsRecoveredOneStartEachAndSaveAsksOverTheOtherSave();
    void startUpNoDeletesTheCopyCancelKeepsItAndAnUnreadableCopyIsReportedAndKept();
    void aFileChangedOnDiskIsOfferedForReloadWithoutUnsavedWork();
};

void FileSafetyTest::saveOverTheOpenFileAsksNothingWhileItsMessageIsUpAndKeepsTheHistory() {
    const StateFolder state;
    Editor editor;
    QVERIFY(editor.start());
    auto& [dir, world, dialogs, window] = editor;
    makeEdits(window.document());

    // "3  Saved!" stays up long enough for the watch to hear of the write. Were it taken for
    // another program's, the reload question's default would empty the history.
    dialogs.messageUpMs = 5 * static_cast<int>(DiskWatch::kSettle.count());
    dialogs.questionAnswers = {Answer::Yes};
    dialogs.saveAnswers = {editor.spawnPath()};
    QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("3")), Qt::LeftButton);
    dialogs.messageUpMs = 0;
    QCOMPARE(dialogs.messages, std::vector<std::string>{"3  Saved!"});
    QVERIFY(dialogs.asked.empty());
    QCOMPARE(readBytes(editor.spawnPath()), editedFile());
    QCOMPARE(documentBytes(window.document()), editedFile());
    QCOMPARE(window.document().history().count(), 3);
    QVERIFY(!window.isWindowModified());
    window.diskWatch().check(); // as when the window is activated again
    QVERIFY(dialogs.asked.empty());

    // The history goes on from the saved file, and another program's change is still heard of.
    QVERIFY(window.document().undo().has_value());
    QVERIFY(window.isWindowModified());
    dialogs.questionAnswers = {Answer::No};
    QVERIFY(writeFileAtomically(editor.spawnPath(), otherProgramsFile()).ok());
    QVERIFY(QTest::qWaitFor([&] { return !dialogs.asked.empty(); }, kWaitMs));
    QCOMPARE(dialogs.asked[0].text, changedOnDiskQuestion(editor.spawnPath(), true));
    QCOMPARE(window.document().history().count(), 3);
    QVERIFY(dialogs.unexpected.empty());
}

void FileSafetyTest::theWorkOfTwoKilledWindowsOnOneFileIsRecoveredOneStartEachAndSaveAsksOverTheOtherSave() {
    const StateFolder state;
    const TempFolder world;
    const std::string folder = world.path().string();
    writeWorld(folder);
    const std::string spawnPath = world.file("mobset.data");
    const std::string copies = state.recoveryFolder();
    const auto wholeCopies = [&] {
        const auto all = everyCopy(copies, spawnPath);
        return std::ranges::count_if(all, [](const RecoveryPaths& paths) { return exists(paths.info); });
    };
    const auto save = [](Editor& editor) {
        editor.dialogs.saveAnswers = {editor.spawnPath()};
        QTest::mouseClick(editor.window.findChild<QWidget*>(QStringLiteral("3")), Qt::LeftButton);
        editor.window.recovery().waitUntilIdle();
    };

    // Window A replaces record 1, then window B record 3, on the same file.
    const pid_t first = startEditing(folder, 1);
    QVERIFY(first > 0);
    const bool firstWritten = QTest::qWaitFor([&] { return wholeCopies() == 1; }, kWaitMs);
    const pid_t second = startEditing(folder, 3);
    const bool secondWritten = second > 0 && QTest::qWaitFor([&] { return wholeCopies() == 2; }, kWaitMs);

    // While they run, their copies are theirs: a third window is told once that the file is open
    // elsewhere, and offered nothing.
    bool thirdWasRight = false;
    if (firstWritten && secondWritten) {
        Editor third(folder);
        thirdWasRight =
            third.start() &&
            third.dialogs.messages == std::vector<std::string>{openInAnotherWindowMessage(spawnPath)} &&
            third.dialogs.asked.empty() && documentBytes(third.window.document()) == sampleFile();
    }
    const bool untouched = wholeCopies() == 2;
    QVERIFY(killedAndReaped(first));
    QVERIFY(second <= 0 || killedAndReaped(second));
    QVERIFY(firstWritten && secondWritten);
    QVERIFY(thirdWasRight);
    QVERIFY(untouched);
    QCOMPARE(readBytes(spawnPath), sampleFile());
    const auto ended = recoveryCopiesOfEndedWindows(copies, spawnPath, processRuns);
    QCOMPARE(ended.size(), std::size_t{2});
    QCOMPARE(ended[0].owner->process.pid, std::int64_t{second}); // the newest first

    // The first start restores B's work, the newest, and saves it; A's copy stays for later.
    {
        Editor editor(folder);
        editor.dialogs.questionAnswers = {Answer::Yes};
        QVERIFY(editor.start());
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{1});
        const auto& question = editor.dialogs.asked[0];
        QVERIFY(question.text.starts_with("发现未保存的修改（"));
        QVERIFY(question.text.ends_with("）。恢复吗？"));
        QVERIFY(question.withCancel);
        QVERIFY(question.defaultAnswer == Answer::Yes);
        QVERIFY(editor.dialogs.messages.empty()); // a killed window has nothing open
        QCOMPARE(documentBytes(editor.window.document()), fileWithOwnRecord(3));
        QCOMPARE(editor.window.document().spawnPath(), spawnPath);
        QVERIFY(editor.window.isWindowModified());
        QCOMPARE(editor.window.findChild<QTableView*>(QStringLiteral("1000"))->model()->rowCount(), 3);
        // This window's own copy of the work has taken the place of B's.
        editor.window.recovery().waitUntilIdle();
        QCOMPARE(readBytes(editor.copy().bytes), fileWithOwnRecord(3));
        const auto left = recoveryCopiesOfEndedWindows(copies, spawnPath, processRuns);
        QCOMPARE(left.size(), std::size_t{1});
        QCOMPARE(left[0].owner->process.pid, std::int64_t{first});

        save(editor);
        QCOMPARE(readBytes(spawnPath), fileWithOwnRecord(3));
        QCOMPARE(everyCopy(copies, spawnPath).size(), std::size_t{1});
        QVERIFY(!editor.window.isWindowModified());
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{1});
        QVERIFY(editor.dialogs.unexpected.empty());
    }

    // The second start restores A's work. The file was saved over since that work began: the
    // question says so, and Save asks before writing over it, as it would have in A's own session.
    {
        Editor editor(folder);
        editor.dialogs.questionAnswers = {Answer::Yes};
        QVERIFY(editor.start());
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{1});
        QVERIFY(editor.dialogs.asked[0].text.find("已被其他程序修改") != std::string::npos);
        QCOMPARE(documentBytes(editor.window.document()), fileWithOwnRecord(1));
        // The recovery question has told of the change; the watch does not ask to reload.
        QTest::qWait(3 * static_cast<int>(DiskWatch::kSettle.count()));
        editor.window.diskWatch().check();
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{1});

        editor.dialogs.questionAnswers = {Answer::No};
        save(editor);
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{2});
        QCOMPARE(editor.dialogs.asked[1].text, saveOverChangedQuestion(spawnPath));
        QCOMPARE(readBytes(spawnPath), fileWithOwnRecord(3));
        QVERIFY(editor.window.isWindowModified());
        editor.dialogs.questionAnswers = {Answer::Yes};
        save(editor);
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{3});
        QCOMPARE(readBytes(spawnPath), fileWithOwnRecord(1));
        QVERIFY(everyCopy(copies, spawnPath).empty());
        QVERIFY(editor.dialogs.unexpected.empty());
    }

    // Nothing is left to offer.
    Editor last(folder);
    QVERIFY(last.start());
    QVERIFY(last.dialogs.asked.empty() && last.dialogs.messages.empty());
}

void FileSafetyTest::startUpNoDeletesTheCopyCancelKeepsItAndAnUnreadableCopyIsReportedAndKept() {
    const StateFolder state;
    const TempFolder world;
    writeWorld(world.path().string());
    const std::string spawnPath = world.file("mobset.data");
    // As an older version named its copy: one per spawn file, no window in its name.
    const RecoveryPaths copy = recoveryPathsFor(state.recoveryFolder(), spawnPath);
    const auto leaveCopy = [&] {
        QVERIFY(writeRecoveryCopy(state.recoveryFolder(), copy,
                                  {spawnPath, "2026-03-04T05:06:07Z", diskStampOf(spawnPath)}, editedFile())
                    .ok());
    };

    // No: the copy is deleted and the file opens as it is on disk.
    leaveCopy();
    {
        Editor editor(world.path().string());
        editor.dialogs.questionAnswers = {Answer::No};
        QVERIFY(editor.start());
        QCOMPARE(editor.dialogs.asked.size(), std::size_t{1});
        QCOMPARE(documentBytes(editor.window.document()), sampleFile());
        QVERIFY(!editor.window.isWindowModified());
        QVERIFY(!exists(copy.info) && !exists(copy.bytes));
    }

    // Cancel: the copy stays as it is for a later start, also through this run's own edits.
    leaveCopy();
    {
        Editor editor(world.path().string());
        editor.dialogs.questionAnswers = {Answer::Cancel};
        QVERIFY(editor.start());
        QCOMPARE(documentBytes(editor.window.document()), sampleFile());
        editor.window.document().removeRecord(1);
        editor.window.recovery().writeNow();
        editor.window.recovery().waitUntilIdle();
        editor.dialogs.discardAnswers = {true};
        QVERIFY(editor.window.close());
        editor.window.recovery().waitUntilIdle();
        QCOMPARE(readBytes(copy.bytes), editedFile());
        QVERIFY(exists(copy.info));
    }

    // Once the file changed on disk after the copy's work began, the question says so.
    writeBytes(spawnPath, otherProgramsFile());
    {
        Editor editor(world.path().string());
        editor.dialogs.questionAnswers = {Answer::Cancel};
        QVERIFY(editor.start());
        QVERIFY(editor.dialogs.asked.at(0).text.find("已被其他程序修改") != std::string::npos);
    }

    // A JSON that does not parse: reported once, no question, both files kept as they were.
    writeBytes(copy.info, {'{', 'x'});
    {
        Editor editor(world.path().string());
        QVERIFY(editor.start());
        editor.window.document().removeRecord(1);
        editor.window.recovery().writeNow();
        editor.window.recovery().waitUntilIdle();
        QCOMPARE(editor.dialogs.messages.size(), std::size_t{1});
        QVERIFY(editor.dialogs.messages[0].starts_with("无法读取恢复副本：" + copy.info));
        QVERIFY(editor.dialogs.asked.empty());
        QCOMPARE(readBytes(copy.bytes), editedFile());
        QCOMPARE(readBytes(copy.info), (std::vector<std::uint8_t>{'{', 'x'}));
        QCOMPARE(documentBytes(editor.window.document()).size(),
                 otherProgramsFile().size() - recordBytes(3).size());
    }
}

void FileSafetyTest::aFileChangedOnDiskIsOfferedForReloadWithoutUnsavedWork() {
    const StateFolder state;
    Editor editor;
    QVERIFY(editor.start());
    auto& [dir, world, dialogs, window] = editor;
    auto* list = window.findChild<QTableView*>(QStringLiteral("1000"));
    window.document().removeRecord(1);
    window.document().undo(); // a history to clear, without unsaved work

    // Replaced by rename, as most programs write: the watch follows the new file.
    dialogs.questionAnswers = {Answer::Yes};
    QVERIFY(writeFileAtomically(editor.spawnPath(), otherProgramsFile()).ok());
    QVERIFY(QTest::qWaitFor([&] { return !dialogs.asked.empty(); }, kWaitMs));
    QCOMPARE(dialogs.asked[0].text, changedOnDiskQuestion(editor.spawnPath(), false));
    QVERIFY(dialogs.asked[0].defaultAnswer == Answer::Yes);
    QCOMPARE(documentBytes(window.document()), otherProgramsFile());
    QCOMPARE(window.document().history().count(), 0);
    QVERIFY(!window.isWindowModified());
    QCOMPARE(list->model()->rowCount(), 2);

    // Written in place the second time; No leaves the document as it is and is not asked again.
    dialogs.questionAnswers = {Answer::No};
    writeBytes(editor.spawnPath(), sampleFile());
    QVERIFY(QTest::qWaitFor([&] { return dialogs.asked.size() == 2; }, kWaitMs));
    QCOMPARE(documentBytes(window.document()), otherProgramsFile());
    window.diskWatch().check(); // as when the window is activated again
    QTest::qWait(3 * static_cast<int>(DiskWatch::kSettle.count()));
    QCOMPARE(dialogs.asked.size(), std::size_t{2});

    // The editor's own save is no change from outside.
    dialogs.questionAnswers = {Answer::Yes};
    dialogs.saveAnswers = {editor.spawnPath()};
    QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("3")), Qt::LeftButton);
    QCOMPARE(dialogs.asked.size(), std::size_t{3}); // the Save question, answered Yes
    QCOMPARE(dialogs.asked[2].text, saveOverChangedQuestion(editor.spawnPath()));
    QCOMPARE(readBytes(editor.spawnPath()), otherProgramsFile());
    QTest::qWait(3 * static_cast<int>(DiskWatch::kSettle.count()));
    window.diskWatch().check();
    QCOMPARE(dialogs.asked.size(), std::size_t{3});
    QVERIFY(dialogs.unexpected.empty());
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == kEditAndWait) {
        return editAndWait(argv[2], std::stoi(argv[3]));
    }
    FileSafetyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FileSafetyTest.moc"
