#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "FileCommands.h"
#include "FileIo.h"
#include "SpawnDocument.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

using namespace spawn;
using namespace spawn::testing;

namespace {

const ElementNameTables kNoNames;

std::vector<std::uint8_t> sampleFile() {
    return fileBytes(2, {recordBytes(1, 16), recordBytes(3, 40)}, {9, 8, 7});
}

void openDocument(SpawnDocument& document, const TempFolder& dir, ScriptedDialogs& dialogs) {
    auto opened = openSpawnFileAtStartup(dialogs, kNoNames, dir.path().string());
    ASSERT_TRUE(opened.has_value());
    document.load(std::move(opened->file), opened->path);
}

SpawnRecord extraRecord() {
    return SpawnRecord::fromBytes(recordBytes(2, 77)).value();
}

} // namespace

std::vector<std::uint8_t> elementsWithOneCreature() {
    ElementBytes db;
    db.creatures = {{16, utf16(u"林间小鹿")}};
    return db.build();
}

TEST(StartupNamesTest, ElementsDataInTheFolderGivesTheNamesWithoutAnyDialog) {
    const TempFolder dir;
    writeBytes(dir.file("elements.data"), elementsWithOneCreature());
    ScriptedDialogs dialogs;
    const auto names = loadElementNamesAtStartup(dialogs, dir.path().string());
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(names->findCreatureName(16).value_or("?"), "林间小鹿");
    EXPECT_TRUE(dialogs.openRequests.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartupNamesTest, TheBuildMessageIsShownBeforeStartUpGoesOn) {
    const TempFolder dir;
    ElementBytes db;
    auto bytes = db.build();
    const std::size_t end = bytes.size();
    placeFacedata(bytes, end, facedataDistanceFor(1912010));
    writeBytes(dir.file("elements.data"), bytes);
    ScriptedDialogs dialogs;
    ASSERT_TRUE(loadElementNamesAtStartup(dialogs, dir.path().string()).has_value());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"私服服务端_38版"});
}

TEST(StartupNamesTest, MissingDatabaseAsksAndCancelEndsStartUpSilently) {
    const TempFolder dir;
    ScriptedDialogs dialogs;
    dialogs.openAnswers = {std::nullopt};
    EXPECT_FALSE(loadElementNamesAtStartup(dialogs, dir.path().string()).has_value());
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].initialName, "elements.data");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartupNamesTest, UnreadableChoiceIsNamedAndTheDialogComesAgain) {
    const TempFolder dir;
    writeBytes(dir.file("good.data"), elementsWithOneCreature());
    ScriptedDialogs dialogs;
    dialogs.openAnswers = {dir.file("nowhere.data"), dir.file("good.data")};
    ASSERT_TRUE(loadElementNamesAtStartup(dialogs, dir.path().string()).has_value());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find(dir.file("nowhere.data")), std::string::npos);
}

TEST(StartupNamesTest, DatabaseWithoutSignatureShowsItsMessageAndEndsStartUp) {
    const TempFolder dir;
    writeBytes(dir.file("elements.data"), std::vector<std::uint8_t>(400, 0));
    ScriptedDialogs dialogs;
    EXPECT_FALSE(loadElementNamesAtStartup(dialogs, dir.path().string()).has_value());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{">100"});
    EXPECT_TRUE(dialogs.openRequests.empty());
}

TEST(StartupOpenTest, MobsetDataInTheFolderLoadsWithoutAnyDialog) {
    const TempFolder dir;
    writeBytes(dir.file("mobset.data"), sampleFile());
    ScriptedDialogs dialogs;
    const auto opened = openSpawnFileAtStartup(dialogs, kNoNames, dir.path().string());
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->path, dir.file("mobset.data"));
    EXPECT_EQ(opened->file.records.count(), 2);
    EXPECT_TRUE(dialogs.openRequests.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartupOpenTest, WithoutMobsetDataTheOpenDialogAsksAndCancelEndsStartUp) {
    const TempFolder dir;
    ScriptedDialogs dialogs;
    dialogs.openAnswers = {std::nullopt};
    EXPECT_FALSE(openSpawnFileAtStartup(dialogs, kNoNames, dir.path().string()).has_value());
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].initialName, "mobset.data");
    EXPECT_EQ(dialogs.openRequests[0].defaultSuffix, "data");
    EXPECT_EQ(dialogs.openRequests[0].filter, "n_mobset(*.data)");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartupOpenTest, ShortOrUnreadableFilesAreNamedAndTheDialogComesAgain) {
    const TempFolder dir;
    writeBytes(dir.file("mobset.data"), {1, 2, 3});
    writeBytes(dir.file("good.data"), sampleFile());
    ScriptedDialogs dialogs;
    dialogs.openAnswers = {dir.file("missing.data"), dir.file("good.data")};
    const auto opened = openSpawnFileAtStartup(dialogs, kNoNames, dir.path().string());
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->path, dir.file("good.data"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0].find(dir.file("mobset.data")), std::string::npos);
    EXPECT_NE(dialogs.messages[1].find(dir.file("missing.data")), std::string::npos);
    EXPECT_TRUE(dialogs.unexpected.empty());
}

TEST(StartupOpenTest, AFifoOrADeviceIsRefusedAtOnceAndTheDialogComesAgain) {
    const TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("mobset.data").c_str(), 0600), 0); // nothing will ever write to it
    writeBytes(dir.file("good.data"), sampleFile());
    ScriptedDialogs dialogs;
    dialogs.openAnswers = {"/dev/zero", dir.file("good.data")};
    const auto opened = openSpawnFileAtStartup(dialogs, kNoNames, dir.path().string());
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->path, dir.file("good.data"));
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"无法读取文件：" + dir.file("mobset.data") + " (not a regular file)",
                                        "无法读取文件：/dev/zero (not a regular file)"}));
}

TEST(StartupOpenTest, LoadThatStoppedEarlyShowsItsMessageAndKeepsTheRecordsBefore) {
    const TempFolder dir;
    auto bad = recordBytes(1);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 253);
    writeBytes(dir.file("mobset.data"), fileBytes(3, {recordBytes(1), bad, recordBytes(1)}));
    ScriptedDialogs dialogs;
    const auto opened = openSpawnFileAtStartup(dialogs, kNoNames, dir.path().string());
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->file.records.count(), 1);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"1:253 Big"});
}

// A document opened from mobset.data in a fresh folder, with scripted dialogs.
class SaveCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(dir.file("mobset.data"), sampleFile());
        openDocument(document, dir, dialogs);
    }
    bool save() { return saveSpawnFile(document, dialogs, dir.path().string()); }

    const TempFolder dir;
    ScriptedDialogs dialogs;
    SpawnDocument document;
};

TEST_F(SaveCommandTest, SaveBacksUpAsksForANameWritesTheSameBytesAndReportsTheCount) {
    dialogs.saveAnswers = {dir.file("out.data")};

    ASSERT_TRUE(save());
    EXPECT_EQ(readBytes(dir.file("mobset.data.bak")), sampleFile());
    EXPECT_EQ(readBytes(dir.file("out.data")), sampleFile());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"2  Saved!"});
    EXPECT_EQ(document.spawnPath(), dir.file("out.data"));
    EXPECT_EQ(dialogs.saveRequests.at(0).filter, "n_mobset(*.data)");
    EXPECT_EQ(dialogs.saveRequests.at(0).directory, dir.path().string());
}

TEST_F(SaveCommandTest, CancellingTheSaveDialogKeepsEveryEditAndTheEditorOpen) {
    document.appendRecord(extraRecord());
    dialogs.saveAnswers = {std::nullopt};

    EXPECT_FALSE(save());
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.records().count(), 3);
    EXPECT_EQ(document.context().recordCountWord(), 3);
    EXPECT_EQ(readBytes(dir.file("mobset.data")), sampleFile());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(std::filesystem::exists(dir.file("mobset.data.bak")));
}

TEST_F(SaveCommandTest, FailedWriteIsReportedByNameAndChangesNothingInMemory) {
    document.appendRecord(extraRecord());
    std::filesystem::create_directory(dir.file("taken.data")); // a folder cannot be replaced by the file
    dialogs.saveAnswers = {dir.file("taken.data")};

    EXPECT_FALSE(save());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find(dir.file("taken.data")), std::string::npos);
    EXPECT_EQ(document.spawnPath(), dir.file("mobset.data"));
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.records().count(), 3);
}

TEST_F(SaveCommandTest, BackupThatCannotBeMadeIsReportedAndSavingGoesOn) {
    std::filesystem::remove(dir.file("mobset.data"));
    dialogs.saveAnswers = {dir.file("mobset.data")};

    ASSERT_TRUE(save());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0].find(dir.file("mobset.data")), std::string::npos);
    EXPECT_EQ(dialogs.messages[1], "2  Saved!");
    EXPECT_EQ(readBytes(dir.file("mobset.data")), sampleFile());
}

TEST_F(SaveCommandTest, SavingOverAnotherFileBacksThatUpTooAndAFailedBackupOfItIsSaidAndSavingGoesOn) {
    const std::vector<std::uint8_t> other{1, 2, 3};
    writeBytes(dir.file("other.data"), other);
    dialogs.saveAnswers = {dir.file("other.data")};
    ASSERT_TRUE(save());
    EXPECT_EQ(readBytes(dir.file("mobset.data.bak")), sampleFile());
    EXPECT_EQ(readBytes(dir.file("other.data.bak")), other);
    EXPECT_EQ(readBytes(dir.file("other.data")), sampleFile());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"2  Saved!"});

    writeBytes(dir.file("third.data"), other);
    std::filesystem::create_directory(dir.file("third.data.bak"));
    dialogs.messages.clear();
    dialogs.saveAnswers = {dir.file("third.data")};
    ASSERT_TRUE(save());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0].find(dir.file("third.data.bak")), std::string::npos) << dialogs.messages[0];
    EXPECT_EQ(dialogs.messages[1], "2  Saved!");
    EXPECT_EQ(readBytes(dir.file("third.data")), sampleFile());
}

TEST_F(SaveCommandTest, SecondSaveBacksUpTheFileTheFirstSaveWrote) {
    dialogs.saveAnswers = {dir.file("first.data"), dir.file("second.data")};

    ASSERT_TRUE(save());
    document.appendRecord(extraRecord());
    ASSERT_TRUE(save());
    EXPECT_EQ(readBytes(dir.file("first.data.bak")), sampleFile());
    EXPECT_FALSE(std::filesystem::exists(dir.file("second.data.bak")));
    const auto second = readBytes(dir.file("second.data"));
    EXPECT_EQ(second.size(), sampleFile().size() + recordBytes(2).size());
    EXPECT_EQ(second[4], 3); // the record-count word went up with the new record
    EXPECT_FALSE(document.isModified());
}

TEST_F(SaveCommandTest, InAFolderThatRefusesNewFilesBothFilesAreWrittenInPlace) {
    writeBytes(dir.file("mobset.data.bak"), {1, 2, 3});
    writeBytes(dir.file("locked.data"), {1, 2, 3});
    for (const char* name : {"mobset.data", "mobset.data.bak"}) {
        ASSERT_EQ(::chmod(dir.file(name).c_str(), 0666), 0);
    }
    ASSERT_EQ(::chmod(dir.file("locked.data").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    struct stat before {};
    ASSERT_EQ(::stat(dir.file("mobset.data").c_str(), &before), 0);
    const WithoutRoot nobody;
    ASSERT_TRUE(nobody.ok());

    document.appendRecord(extraRecord());
    dialogs.saveAnswers = {dir.file("locked.data"), dir.file("mobset.data")};
    // A file that cannot be written either is left alone.
    EXPECT_FALSE(save());
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"无法写入文件：" + dir.file("locked.data") + " (permission denied)"});
    EXPECT_EQ(readBytes(dir.file("locked.data")), (std::vector<std::uint8_t>{1, 2, 3}));
    dialogs.messages.clear();
    ASSERT_TRUE(save());
    EXPECT_EQ(readBytes(dir.file("mobset.data.bak")), sampleFile());
    EXPECT_EQ(readBytes(dir.file("mobset.data")).size(), sampleFile().size() + recordBytes(2).size());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"3  Saved!"});
    struct stat after {};
    ASSERT_EQ(::stat(dir.file("mobset.data").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // the same file, not a new one renamed over it

    // The disk fills while the file is rewritten: the backup, one record shorter, was complete.
    document.appendRecord(extraRecord());
    const auto backedUp = readBytes(dir.file("mobset.data"));
    const ScopedWriteFailure full(backedUp.size(), ENOSPC);
    dialogs.messages.clear();
    dialogs.saveAnswers = {dir.file("mobset.data")};
    EXPECT_FALSE(save());
    EXPECT_EQ(readBytes(dir.file("mobset.data.bak")), backedUp);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"无法写入文件：" + dir.file("mobset.data") + " (" +
                                       std::strerror(ENOSPC) + ")，文件可能已不完整，备份：" +
                                       dir.file("mobset.data.bak")});
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.records().count(), 4);
}

TEST_F(SaveCommandTest, AFileTheUserMayNotWriteIsNamedAndNeitherItNorTheDocumentChanges) {
    const std::vector<std::uint8_t> before{1, 2, 3};
    writeBytes(dir.file("readonly.data"), before);
    ASSERT_EQ(::chmod(dir.file("readonly.data").c_str(), 0444), 0);
    // The folder would let a new file be renamed over it.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const WithoutRoot nobody;
    if (!nobody.ok()) {
        GTEST_SKIP() << "root could not act as user nobody, so every file is writable here";
    }

    document.appendRecord(extraRecord());
    dialogs.saveAnswers = {dir.file("readonly.data")};
    EXPECT_FALSE(save());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"无法写入文件：" + dir.file("readonly.data") +
                                                         " (permission denied)"});
    EXPECT_EQ(readBytes(dir.file("readonly.data")), before);
    EXPECT_EQ(document.spawnPath(), dir.file("mobset.data"));
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.records().count(), 3);
}

TEST(CloseCommandTest, NothingUnsavedClosesAtOnceAndUnsavedWorkAsksFirst) {
    SpawnDocument document;
    ScriptedDialogs dialogs;
    EXPECT_TRUE(confirmClose(document, dialogs));
    EXPECT_EQ(dialogs.discardQuestions, 0);

    document.appendRecord(extraRecord());
    dialogs.discardAnswers = {false, true};
    EXPECT_FALSE(confirmClose(document, dialogs));
    EXPECT_TRUE(confirmClose(document, dialogs));
    EXPECT_EQ(dialogs.discardQuestions, 2);
}

TEST(SpawnDocumentTest, RecordChangesMarkTheDocumentAndMoveTheCountWord) {
    SpawnDocument document;
    SpawnFile file;
    file.context.setRecordCountWord(1);
    file.records.append(extraRecord());
    document.load(std::move(file), "x.data");
    EXPECT_FALSE(document.isModified());

    EXPECT_FALSE(document.removeRecord(2));
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.replaceRecord(1, SpawnRecord::fromBytes(recordBytes(0)).value()));
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.context().recordCountWord(), 1);
    EXPECT_TRUE(document.removeRecord(1));
    EXPECT_EQ(document.context().recordCountWord(), 0);
    document.appendRecord(extraRecord());
    EXPECT_EQ(document.context().recordCountWord(), 1);
}
