// The recovery copies, the watch on the file on disk and a whole editing session, on a platform
// the test drives: the clock moves only when the test advances it, the background queue writes at
// once, and the file watcher's notices come when the test sends them.

#include "ElementBytes.h"
#include "FakePlatform.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "DiskWatch.h"
#include "EditorSession.h"
#include "FileIo.h"
#include "RecoveryFiles.h"
#include "RecoveryKeeper.h"
#include "SpawnDocument.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace spawn;
using namespace spawn::testing;
using namespace std::chrono_literals;

namespace {

const ElementNameTables kNoNames;

// 2026-01-31 12:00:00 UTC.
const EventLoop::Clock::time_point kStart = std::chrono::sys_days{std::chrono::year{2026} / 1 / 31} + 12h;

std::vector<std::uint8_t> sampleFile() {
    return fileBytes(2, {recordBytes(1, 16), recordBytes(3, 40)}, {9, 8, 7});
}

// Versions another program writes; each has a size of its own.
std::vector<std::uint8_t> otherProgramsFile() {
    return fileBytes(1, {recordBytes(2, 900)}, {7});
}
std::vector<std::uint8_t> thirdVersion() {
    return fileBytes(2, {recordBytes(0), recordBytes(4, 60, 5)}, {1, 2});
}

SpawnRecord record(std::int32_t entries, std::int32_t firstId, std::uint8_t seed) {
    return SpawnRecord::fromBytes(recordBytes(entries, firstId, seed)).value();
}

std::vector<std::uint8_t> bytesOf(const SpawnDocument& document) {
    return serializeSpawnFile(document.context(), document.records());
}

bool copyOnDisk(const RecoveryPaths& copy) {
    return std::filesystem::exists(copy.bytes) && std::filesystem::exists(copy.info);
}
bool copyGone(const RecoveryPaths& copy) {
    return !std::filesystem::exists(copy.bytes) && !std::filesystem::exists(copy.info);
}

void load(SpawnDocument& document, const std::string& path) {
    auto file = loadSpawnFile(path, kNoNames);
    ASSERT_TRUE(file.ok());
    document.load(std::move(file).value(), path);
}

// Dialogs whose message box lets the loop run while it is up, as a modal box does.
class ModalDialogs : public ScriptedDialogs {
public:
    std::function<void()> whileMessageUp;
    void showMessage(const std::string& text) override {
        ScriptedDialogs::showMessage(text);
        if (whileMessageUp) {
            whileMessageUp();
        }
    }
};

// A folder with the spawn file, the element database and the recovery folder.
struct World {
    World() {
        writeBytes(spawnPath(), sampleFile());
        ElementBytes db;
        db.creatures = {{16, utf16(u"林间小鹿")}};
        writeBytes(dir.file("elements.data"), db.build());
    }
    std::string folder() const { return dir.path().string(); }
    std::string spawnPath() const { return dir.file("mobset.data"); }
    std::string recoveryFolder() const { return dir.file("recovery"); }

    TempFolder dir;
};

// A session on the fake platform.
struct Session {
    explicit Session(const World& world) : session({dialogs, loop, queue, watcher, world.recoveryFolder()}) {}

    ModalDialogs dialogs;
    FakeEventLoop loop{kStart};
    ImmediateQueue queue;
    FakeFileWatcher watcher;
    EditorSession session;
};

} // namespace

TEST(SessionRecoveryTest, TheCopyFollowsStepsOnTheClockThroughSteadyEditingAndGoesWithSaveOrUndo) {
    const TempFolder dir;
    const std::string spawnPath = dir.file("mobset.data");
    writeBytes(spawnPath, sampleFile());
    SpawnDocument document;
    load(document, spawnPath);
    FakeEventLoop loop(kStart);
    ImmediateQueue queue;
    RecoveryKeeper keeper(document, dir.file("recovery"), loop, queue);
    const auto stamp = diskStampOf(spawnPath);
    keeper.setDiskStamp(stamp);
    const RecoveryPaths copy = keeper.copyPaths();

    // A step, another before the delay has run out: the copy comes one delay after the first,
    // holding both, byte for byte what Save would write.
    document.replaceRecord(1, record(2, 77, 9));
    loop.advance(600ms);
    document.appendRecord(record(1, 400, 3));
    loop.advance(399ms);
    EXPECT_FALSE(std::filesystem::exists(keeper.folder())); // nothing written yet, not even the folder
    loop.advance(1ms);
    const auto twoSteps = fileBytes(3, {recordBytes(2, 77, 9), recordBytes(3, 40), recordBytes(1, 400, 3)}, {9, 8, 7});
    ASSERT_EQ(bytesOf(document), twoSteps);
    ASSERT_TRUE(copyOnDisk(copy));
    EXPECT_EQ(readBytes(copy.bytes), twoSteps);
    const auto read = readRecoveryCopy(copy, spawnPath);
    ASSERT_TRUE(read.ok() && read.value().has_value());
    EXPECT_EQ(read.value()->info.spawnPath, spawnPath);
    EXPECT_EQ(read.value()->info.time, "2026-01-31T12:00:01Z"); // the loop's clock, when written
    EXPECT_EQ(read.value()->info.diskStamp, stamp);

    // A step every 300 ms from 1.0 s on: the copy is written at 2.0 s with the work as it stood,
    // not put off while the steps keep coming, and again one delay after the step at 2.2 s.
    std::vector<std::uint8_t> atTwoSeconds;
    for (int i = 0; i < 5; ++i) {
        document.appendRecord(record(0, 0, static_cast<std::uint8_t>(20 + i)));
        if (i == 3) {
            atTwoSeconds = bytesOf(document);
        }
        loop.advance(300ms);
    }
    EXPECT_EQ(readBytes(copy.bytes), atTwoSeconds);
    loop.advance(699ms);
    EXPECT_EQ(readBytes(copy.bytes), atTwoSeconds);
    loop.advance(1ms);
    EXPECT_EQ(readBytes(copy.bytes), bytesOf(document));

    // Undone back to the file as loaded: no unsaved work, no copy. Redone: it comes back.
    while (document.history().canUndo()) {
        document.undo();
    }
    ASSERT_FALSE(document.isModified());
    loop.advance(RecoveryKeeper::kWriteDelay);
    EXPECT_TRUE(copyGone(copy));
    document.redo();
    document.redo();
    loop.advance(RecoveryKeeper::kWriteDelay);
    EXPECT_EQ(readBytes(copy.bytes), twoSteps);

    // Saved: the copy goes, and a step saved before its delay ran out leaves none behind.
    ASSERT_TRUE(document.saveAs(spawnPath).ok());
    keeper.removeCopy();
    EXPECT_TRUE(copyGone(copy));
    document.removeRecord(1);
    ASSERT_TRUE(document.saveAs(spawnPath).ok());
    keeper.removeCopy();
    loop.advance(2 * RecoveryKeeper::kWriteDelay);
    EXPECT_TRUE(copyGone(copy));

    // The history goes on from the saved file: a step undone there is unsaved work again.
    document.undo();
    loop.advance(RecoveryKeeper::kWriteDelay);
    EXPECT_EQ(readBytes(copy.bytes), twoSteps);
}

TEST(SessionRecoveryTest, AWriteThatFailsIsReportedOnceOnTheLoopAndTheDocumentGoesOn) {
    const TempFolder dir;
    const std::string spawnPath = dir.file("mobset.data");
    writeBytes(spawnPath, sampleFile());
    const std::string blocked = dir.file("recovery");
    writeBytes(blocked, {1}); // a file where the recovery folder would go
    SpawnDocument document;
    load(document, spawnPath);
    FakeEventLoop loop(kStart);
    ImmediateQueue queue;
    RecoveryKeeper keeper(document, blocked, loop, queue);
    std::vector<std::string> reports;
    const Subscription reported = keeper.failed.connect([&](const std::string& message) { reports.push_back(message); });

    // Two writes fail on the queue; neither is reported there, only once the loop runs its tasks.
    document.removeRecord(1);
    keeper.writeNow();
    document.removeRecord(1);
    keeper.writeNow();
    EXPECT_EQ(queue.jobsRun, 2);
    EXPECT_TRUE(reports.empty());
    loop.runPosted();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(blocked), std::string::npos) << reports[0];

    // Later writes and removals that fail are not reported again.
    document.undo();
    loop.advance(RecoveryKeeper::kWriteDelay);
    document.undo();
    loop.advance(RecoveryKeeper::kWriteDelay);
    document.redo();
    keeper.writeNow();
    loop.runPosted();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(bytesOf(document), fileBytes(1, {recordBytes(3, 40)}, {9, 8, 7}));
}

TEST(SessionDiskWatchTest, NoticesSettleBeforeTheCheckAndEachVersionByAnotherProgramIsToldOnce) {
    const TempFolder dir;
    const std::string path = dir.file("mobset.data");
    writeBytes(path, sampleFile());
    FakeEventLoop loop(kStart);
    FakeFileWatcher watcher;
    ScriptedDialogs dialogs;
    DiskWatch watch(loop, watcher);
    int changes = 0;
    const Subscription counted = watch.changed.connect([&] { ++changes; });
    watch.setFile(path);
    EXPECT_EQ(watcher.watchedPath, path);

    // A burst of notices is taken together, one settle delay after the last of them.
    ASSERT_TRUE(writeFileAtomically(path, otherProgramsFile()).ok());
    watcher.notice();
    loop.advance(150ms);
    watcher.notice();
    loop.advance(DiskWatch::kSettle - 1ms);
    EXPECT_EQ(changes, 0);
    loop.advance(1ms);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(watcher.rewatchCalls, 1); // a file replaced by rename is watched again

    // That version is told of once, whatever notices and checks follow.
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    watch.check();
    EXPECT_EQ(changes, 1);

    // Save over it asks first (default No); a save to another file does not.
    EXPECT_TRUE(watch.changedOnDisk());
    dialogs.questionAnswers = {Answer::No};
    EXPECT_FALSE(confirmSaveOverChangedFile(watch, dialogs, path));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, path + " 已被其他程序修改。仍然保存吗？");
    EXPECT_FALSE(dialogs.asked[0].withCancel);
    EXPECT_EQ(dialogs.asked[0].defaultAnswer, Answer::No);
    writeBytes(dir.file("other.data"), sampleFile());
    EXPECT_TRUE(confirmSaveOverChangedFile(watch, dialogs, dir.file("other.data")));
    EXPECT_EQ(dialogs.asked.size(), 1u);

    // The editor's own save: the file as written is the known version from then on.
    ASSERT_TRUE(writeFileAtomically(path, sampleFile()).ok());
    watch.setFile(path);
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(watch.changedOnDisk());
    EXPECT_TRUE(confirmSaveOverChangedFile(watch, dialogs, path));
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(watcher.watchCalls, 1);

    // Another program's next version is told of again; a file that is gone is no new version.
    ASSERT_TRUE(writeFileAtomically(path, thirdVersion()).ok());
    watch.check();
    EXPECT_EQ(changes, 2);
    std::filesystem::remove(path);
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(watch.changedOnDisk());
    EXPECT_TRUE(dialogs.unexpected.empty());
}

TEST(SessionTest, AnEditIsSavedWithItsBackupAndOnlyAnotherProgramsRewriteIsAskedAboutOnce) {
    const World world;
    Session s(world);
    auto& [dialogs, loop, queue, watcher, session] = s;
    ASSERT_TRUE(session.start(world.folder()));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(watcher.watchedPath, world.spawnPath());
    EXPECT_EQ(session.listView().rowCount(), 2);

    // Record 1's block (field 1) typed and applied; its copy is kept one delay later.
    ASSERT_TRUE(session.editor().selectRecord(0));
    session.editor().typeIntoField(1, "4242");
    ASSERT_TRUE(session.editor().applyForm());
    auto edited = recordBytes(1, 16);
    writeI32At(edited, 0, 4242);
    const auto editedFile = fileBytes(2, {edited, recordBytes(3, 40)}, {9, 8, 7});
    const RecoveryPaths copy = session.recovery().copyPaths();
    loop.advance(RecoveryKeeper::kWriteDelay);
    EXPECT_EQ(readBytes(copy.bytes), editedFile);

    // Save over the open file. While "2  Saved!" is up the loop runs and the watch hears of the
    // write, which is the editor's own.
    dialogs.whileMessageUp = [&] {
        watcher.notice();
        loop.advance(DiskWatch::kSettle);
    };
    dialogs.saveAnswers = {world.spawnPath()};
    ASSERT_TRUE(session.save());
    dialogs.whileMessageUp = nullptr;
    EXPECT_EQ(readBytes(world.spawnPath()), editedFile);
    EXPECT_EQ(readBytes(world.spawnPath() + ".bak"), sampleFile());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"2  Saved!"});
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_FALSE(session.document().isModified());
    EXPECT_TRUE(copyGone(copy));
    session.checkFileOnDisk();
    EXPECT_TRUE(dialogs.asked.empty());

    // Another program writes the file anew: a burst of notices, one question once it settled.
    ASSERT_TRUE(writeFileAtomically(world.spawnPath(), otherProgramsFile()).ok());
    dialogs.questionAnswers = {Answer::Yes};
    watcher.notice();
    loop.advance(DiskWatch::kSettle / 2);
    watcher.notice();
    loop.advance(DiskWatch::kSettle - 1ms);
    EXPECT_TRUE(dialogs.asked.empty());
    loop.advance(1ms);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, world.spawnPath() + " 已被其他程序修改。重新载入吗？");
    EXPECT_FALSE(dialogs.asked[0].withCancel);
    EXPECT_EQ(dialogs.asked[0].defaultAnswer, Answer::Yes);

    // Yes reloads it, without history; that version is never asked about again.
    EXPECT_EQ(bytesOf(session.document()), otherProgramsFile());
    EXPECT_FALSE(session.document().isModified());
    EXPECT_EQ(session.document().history().count(), 0);
    EXPECT_EQ(session.listView().rowCount(), 1);
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    session.checkFileOnDisk();
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.unexpected.empty());
}

TEST(SessionTest, WorkLeftByAWindowThatNoLongerRunsIsRestoredAndSaveAsksBeforeWritingOverALaterChange) {
    const World world;
    const std::string spawnPath = world.spawnPath();
    const std::string folder = world.recoveryFolder();
    const ProcessIdentity self = thisProcess();
    // A window of an earlier run that had this process ID: it started at another time.
    const RecoveryOwner ended{{self.pid, self.started + 1}, 1};
    // Another window of this very run: it still runs.
    const RecoveryOwner running{self, std::uint64_t{1} << 40};
    const auto endedWork = fileBytes(3, {recordBytes(1, 16), recordBytes(3, 40), recordBytes(2, 77, 9)}, {9, 8, 7});
    const auto runningWork = fileBytes(1, {recordBytes(0)}, {9, 8, 7});
    const auto basedOn = diskStampOf(spawnPath);
    const RecoveryPaths endedCopy = recoveryPathsFor(folder, spawnPath, ended);
    const RecoveryPaths runningCopy = recoveryPathsFor(folder, spawnPath, running);
    ASSERT_TRUE(writeRecoveryCopy(folder, endedCopy, {spawnPath, "2026-01-30T08:00:00Z", basedOn}, endedWork).ok());
    // The newest copy, but its window may still write it: never offered.
    ASSERT_TRUE(writeRecoveryCopy(folder, runningCopy, {spawnPath, "2026-01-30T09:00:00Z", basedOn}, runningWork).ok());
    ASSERT_TRUE(markFileOpen(folder, spawnPath, running).ok());
    // Another program wrote the file after the ended window's work began.
    ASSERT_TRUE(writeFileAtomically(spawnPath, otherProgramsFile()).ok());

    Session s(world);
    auto& [dialogs, loop, queue, watcher, session] = s;
    dialogs.questionAnswers = {Answer::Yes};
    ASSERT_TRUE(session.start(world.folder()));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{spawnPath + " 已在另一个编辑器窗口中打开。"});
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "发现未保存的修改（" + localRecoveryTimeText("2026-01-30T08:00:00Z") +
                                         "）。恢复吗？\n文件在那之后已被其他程序修改。");
    EXPECT_TRUE(dialogs.asked[0].withCancel);
    EXPECT_EQ(dialogs.asked[0].defaultAnswer, Answer::Yes);

    // Yes: the copy's records, as unsaved work on the file it was kept for.
    EXPECT_EQ(bytesOf(session.document()), endedWork);
    EXPECT_TRUE(session.document().isModified());
    EXPECT_EQ(session.document().spawnPath(), spawnPath);
    EXPECT_EQ(session.listView().rowCount(), 3);
    // This window's own copy carries the work on in place of the ended window's; the running
    // window's copy is left alone.
    EXPECT_EQ(readBytes(session.recovery().copyPaths().bytes), endedWork);
    EXPECT_TRUE(copyGone(endedCopy));
    EXPECT_EQ(readBytes(runningCopy.bytes), runningWork);

    // The recovery question has told of the change: the watch does not ask to reload it.
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    session.checkFileOnDisk();
    EXPECT_EQ(dialogs.asked.size(), 1u);

    // Save asks before writing over the change, as the ended window would have; No writes nothing.
    dialogs.saveAnswers = {spawnPath};
    dialogs.questionAnswers = {Answer::No};
    EXPECT_FALSE(session.save());
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[1].text, spawnPath + " 已被其他程序修改。仍然保存吗？");
    EXPECT_FALSE(dialogs.asked[1].withCancel);
    EXPECT_EQ(dialogs.asked[1].defaultAnswer, Answer::No);
    EXPECT_EQ(readBytes(spawnPath), otherProgramsFile());
    EXPECT_TRUE(session.document().isModified());

    // Yes writes the restored work; its copy goes, the running window's stays.
    dialogs.saveAnswers = {spawnPath};
    dialogs.questionAnswers = {Answer::Yes};
    EXPECT_TRUE(session.save());
    EXPECT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(readBytes(spawnPath), endedWork);
    EXPECT_FALSE(session.document().isModified());
    EXPECT_TRUE(copyGone(session.recovery().copyPaths()));
    EXPECT_EQ(readBytes(runningCopy.bytes), runningWork);
    EXPECT_EQ(dialogs.messages.back(), "3  Saved!");
    EXPECT_TRUE(dialogs.unexpected.empty());
}

TEST(SessionTest, AReloadOverUnsavedWorkKeepsItsCopyForALaterStartAndLaterWorkGetsItsOwn) {
    const World world;
    const std::string spawnPath = world.spawnPath();
    Session s(world);
    auto& [dialogs, loop, queue, watcher, session] = s;
    ASSERT_TRUE(session.start(world.folder()));
    session.document().removeRecord(1);
    const auto work = bytesOf(session.document());
    const RecoveryPaths kept = session.recovery().copyPaths();
    loop.advance(RecoveryKeeper::kWriteDelay);
    ASSERT_EQ(readBytes(kept.bytes), work);

    // With unsaved work the question says what a reload drops, and keeping on editing is the
    // default: No keeps the work.
    ASSERT_TRUE(writeFileAtomically(spawnPath, otherProgramsFile()).ok());
    dialogs.questionAnswers = {Answer::No};
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              spawnPath + " 已被其他程序修改。重新载入将放弃这里未保存的修改（恢复副本保留）。重新载入吗？");
    EXPECT_EQ(dialogs.asked[0].defaultAnswer, Answer::No);
    EXPECT_EQ(bytesOf(session.document()), work);

    // A later version, reloaded: the work is dropped here, its copy kept on disk.
    ASSERT_TRUE(writeFileAtomically(spawnPath, thirdVersion()).ok());
    dialogs.questionAnswers = {Answer::Yes};
    watcher.notice();
    loop.advance(DiskWatch::kSettle);
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(bytesOf(session.document()), thirdVersion());
    EXPECT_FALSE(session.document().isModified());
    loop.advance(RecoveryKeeper::kWriteDelay);
    EXPECT_EQ(readBytes(kept.bytes), work);

    // Work after the reload goes to a copy of its own; closing without it drops only that one.
    session.document().removeRecord(1);
    loop.advance(RecoveryKeeper::kWriteDelay);
    const RecoveryPaths later = session.recovery().copyPaths();
    EXPECT_NE(later.bytes, kept.bytes);
    EXPECT_EQ(readBytes(later.bytes), bytesOf(session.document()));
    dialogs.discardAnswers = {true};
    EXPECT_TRUE(session.mayClose());
    EXPECT_TRUE(copyGone(later));
    EXPECT_EQ(readBytes(kept.bytes), work);
    EXPECT_TRUE(copyOnDisk(kept));
    EXPECT_TRUE(dialogs.unexpected.empty());
}
