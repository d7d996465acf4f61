#include "SpawnBytes.h"
#include "TempFolder.h"

#include "FileIo.h"
#include "SpawnFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <set>

using namespace spawn;
using namespace spawn::testing;

namespace {

const ElementNameTables kNoNames;

SpawnFile parse(const std::vector<std::uint8_t>& bytes) {
    auto parsed = parseSpawnFile(bytes, kNoNames, "test.data");
    EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.error().message);
    return std::move(parsed).value();
}

std::vector<std::uint8_t> roundTrip(const std::vector<std::uint8_t>& bytes) {
    const SpawnFile f = parse(bytes);
    return serializeSpawnFile(f.context, f.records);
}

std::vector<std::uint8_t> tail(std::size_t n) {
    std::vector<std::uint8_t> t(n);
    for (std::size_t i = 0; i < n; ++i) {
        t[i] = static_cast<std::uint8_t>(255 - i);
    }
    return t;
}

} // namespace

TEST(SpawnFileTest, LoadingThenWritingGivesTheSameBytesIncludingWordsAndRemainder) {
    const auto bytes = fileBytes(3, {recordBytes(0), recordBytes(1, 16), recordBytes(100, 9)}, tail(333));
    const SpawnFile f = parse(bytes);
    EXPECT_EQ(f.records.count(), 3);
    EXPECT_FALSE(f.stopped.has_value());
    EXPECT_EQ(f.context.remainder.size(), 333u);
    EXPECT_EQ(f.context.headerWords[1], -7);
    EXPECT_EQ(f.context.headerWords[2], 0x01020304);
    EXPECT_EQ(f.context.headerWords[3], 99);
    EXPECT_EQ(f.records.at(2).creatureId, 16);
    EXPECT_EQ(f.records.at(3).entryCount, 100);
    EXPECT_EQ(serializeSpawnFile(f.context, f.records), bytes);
}

TEST(SpawnFileTest, TwentyBytesWithNoRecordsLoadEmptyAndWriteBackTheSame) {
    const auto bytes = fileBytes(0, {});
    ASSERT_EQ(bytes.size(), 20u);
    const SpawnFile f = parse(bytes);
    EXPECT_TRUE(f.records.isEmpty());
    EXPECT_TRUE(f.context.remainder.empty());
    EXPECT_EQ(roundTrip(bytes), bytes);
    const auto withTail = fileBytes(0, {}, tail(10));
    EXPECT_EQ(parse(withTail).context.remainder.size(), 10u);
}

TEST(SpawnFileTest, DataShorterThanThePrefixIsAnErrorNamingTheFile) {
    for (const std::size_t size : {0u, 4u, 19u}) {
        const std::vector<std::uint8_t> bytes(size, 0);
        const auto parsed = parseSpawnFile(bytes, kNoNames, "/srv/world/mobset.data");
        ASSERT_FALSE(parsed.ok()) << size;
        EXPECT_NE(parsed.error().message.find("/srv/world/mobset.data"), std::string::npos);
    }
}

TEST(SpawnFileTest, NegativeRecordCountReadsNoRecordsAndKeepsEveryByte) {
    const auto bytes = fileBytes(-5, {recordBytes(2)}, tail(7));
    const SpawnFile f = parse(bytes);
    EXPECT_TRUE(f.records.isEmpty());
    EXPECT_FALSE(f.stopped.has_value());
    EXPECT_EQ(f.context.remainder.size(), bytes.size() - 20);
    EXPECT_EQ(roundTrip(bytes), bytes);
}

TEST(SpawnFileTest, BadEntryCountStopsAtThatRecordAndCarriesEverythingFromItOn) {
    auto bad = recordBytes(3);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 253);
    const auto bytes = fileBytes(4, {recordBytes(1, 5), recordBytes(2, 6), bad, recordBytes(1)}, tail(9));
    const SpawnFile f = parse(bytes);
    ASSERT_TRUE(f.stopped.has_value());
    EXPECT_EQ(f.stopped->record, 2);
    EXPECT_EQ(f.stopped->message, "2:253 Big");
    EXPECT_EQ(f.records.count(), 2);
    EXPECT_EQ(f.context.recordCountWord(), 4);
    EXPECT_EQ(f.context.remainder.size(), bytes.size() - 20 - recordBytes(1).size() - recordBytes(2).size());
    EXPECT_EQ(roundTrip(bytes), bytes);

    auto negative = recordBytes(0);
    writeI32At(negative, SpawnLayout::kEntryCountOffset, -1);
    EXPECT_EQ(parse(fileBytes(1, {negative})).stopped->message, "0:-1 Big");
}

TEST(SpawnFileTest, RecordRunningPastTheEndStopsLoadingAndIsKeptAsRemainder) {
    auto cut = recordBytes(2, 8);
    cut.resize(cut.size() - 1);
    const auto bytes = fileBytes(2, {recordBytes(1, 5), cut});
    const SpawnFile f = parse(bytes);
    ASSERT_TRUE(f.stopped.has_value());
    EXPECT_EQ(f.stopped->record, 1);
    EXPECT_NE(f.stopped->message.find('1'), std::string::npos);
    EXPECT_EQ(f.records.count(), 1);
    EXPECT_EQ(f.context.remainder.size(), cut.size());
    EXPECT_EQ(roundTrip(bytes), bytes);

    // The count word promises more records than there are bytes, even for an entry count.
    const auto shortHeader = fileBytes(3, {recordBytes(0)}, tail(6));
    const SpawnFile g = parse(shortHeader);
    EXPECT_EQ(g.records.count(), 1);
    EXPECT_EQ(g.stopped->record, 1);
    EXPECT_EQ(roundTrip(shortHeader), shortHeader);
}

TEST(SpawnFileTest, NamesComeFromTheTablesWhileLoading) {
    const ElementNameTables names(NameTable{{16}, {"林间小鹿"}}, NameTable{});
    const auto bytes = fileBytes(2, {recordBytes(1, 16), recordBytes(1, 17)});
    const auto f = parseSpawnFile(bytes, names, "x").value();
    EXPECT_EQ(f.records.at(1).displayName, "林间小鹿");
    EXPECT_EQ(f.records.at(2).displayName, "没有找到！");
}

TEST(SpawnFileTest, TextsAroundLoadingAndSavingUseTheirFormats) {
    EXPECT_EQ(countLabelText(2400), "Total NPC-->2400");
    EXPECT_EQ(savedMessageText(17), "17  Saved!");
    EXPECT_EQ(backupPathFor("/a/mobset.data"), "/a/mobset.data.bak");
}

TEST(SpawnStorageTest, BackupOfAFileOfWholeBlocksIsComplete) {
    const TempFolder dir;
    for (const std::size_t size :
         {std::size_t{0}, kCopyBlockSize, 3 * kCopyBlockSize, 3 * kCopyBlockSize + 1}) {
        const auto bytes = tail(size);
        writeBytes(dir.file("mobset.data"), bytes);
        ASSERT_TRUE(makeBackup(dir.file("mobset.data")).ok());
        EXPECT_EQ(readBytes(dir.file("mobset.data.bak")), bytes) << size;
    }
}

TEST(SpawnStorageTest, BackupOfAMissingFileFailsNamingIt) {
    const TempFolder dir;
    const auto status = makeBackup(dir.file("gone.data"));
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find(dir.file("gone.data")), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone.data.bak")));
}

TEST(SpawnStorageTest, SavingTwiceToDifferentNamesBacksUpTheFileSavedFirst) {
    const TempFolder dir;
    const auto original = fileBytes(1, {recordBytes(1, 5)}, tail(4));
    writeBytes(dir.file("mobset.data"), original);
    auto f = loadSpawnFile(dir.file("mobset.data"), kNoNames).value();

    ASSERT_TRUE(makeBackup(dir.file("mobset.data")).ok());
    ASSERT_TRUE(writeSpawnFile(dir.file("first.data"), f.context, f.records).ok());
    f.records.append(SpawnRecord::fromBytes(recordBytes(2, 6)).value());
    ASSERT_TRUE(makeBackup(dir.file("first.data")).ok());
    ASSERT_TRUE(writeSpawnFile(dir.file("second.data"), f.context, f.records).ok());

    EXPECT_EQ(readBytes(dir.file("mobset.data.bak")), original);
    EXPECT_EQ(readBytes(dir.file("first.data.bak")), original);
    EXPECT_EQ(readBytes(dir.file("second.data")).size(), original.size() + recordBytes(2).size());
}

TEST(SpawnStorageTest, FailedWriteNamesTheFileAndLeavesWhatWasThereWhole) {
    // A folder of that name cannot be replaced by a file, whoever runs the test.
    const TempFolder dir;
    std::filesystem::create_directory(dir.file("mobset.data"));
    writeBytes(dir.file("mobset.data/inside"), tail(5));
    const auto status = writeFileAtomically(dir.file("mobset.data"), tail(10));
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find(dir.file("mobset.data")), std::string::npos);
    EXPECT_EQ(readBytes(dir.file("mobset.data/inside")), tail(5));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no temporary left
}

TEST(SpawnStorageTest, WriteIntoAMissingFolderFailsAndLeavesNoTemporaryFile) {
    const TempFolder dir;
    const auto status = writeFileAtomically(dir.file("no/such/mobset.data"), tail(10));
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find("no/such/mobset.data"), std::string::npos);
}

TEST(SpawnStorageTest, SaveReplacesTheFileWholeAndLeavesNothingElseBehind) {
    const TempFolder dir;
    writeBytes(dir.file("mobset.data"), tail(100));
    ASSERT_TRUE(writeFileAtomically(dir.file("mobset.data"), tail(3)).ok());
    EXPECT_EQ(readBytes(dir.file("mobset.data")), tail(3));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SpawnStorageTest, ReadingAFolderOrAMissingFileFailsNamingIt) {
    const TempFolder dir;
    const auto folder = readWholeFile(dir.path().string());
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.error().message.find(dir.path().string()), std::string::npos);
    EXPECT_FALSE(readWholeFile(dir.file("missing.data")).ok());
}

TEST(SpawnFileTest, AppendingRemovingAndRestoringRecordsMoveTheCountWordWithThemAndKeepSerials) {
    // A count word at the top of its range wraps like the 32-bit word it is.
    auto f = parse(fileBytes(2, {recordBytes(1, 5), recordBytes(2, 6)}, tail(3)));
    f.context.setRecordCountWord(std::numeric_limits<std::int32_t>::max() - 1);
    std::vector<SpawnRecord> added;
    added.push_back(SpawnRecord::fromBytes(recordBytes(0, 0, 7)).value());
    added.push_back(SpawnRecord::fromBytes(recordBytes(3, 8)).value());
    appendSpawnRecords(f, std::move(added));
    ASSERT_EQ(f.records.count(), 4);
    EXPECT_EQ(f.context.recordCountWord(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(f.records.at(4).bytes, recordBytes(3, 8));
    std::vector<std::uint64_t> serials;
    for (const SpawnRecord& r : f.records) {
        serials.push_back(r.serial);
    }
    EXPECT_EQ(std::set<std::uint64_t>(serials.begin(), serials.end()).size(), 4u); // each its own

    const std::int32_t positions[] = {1, 3};
    auto removed = removeSpawnRecords(f, positions);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].serial, serials[0]);
    EXPECT_EQ(removed[1].bytes, recordBytes(0, 0, 7));
    EXPECT_EQ(f.context.recordCountWord(), std::numeric_limits<std::int32_t>::max() - 1);
    EXPECT_EQ(serializeSpawnFile(f.context, f.records),
              fileBytes(std::numeric_limits<std::int32_t>::max() - 1, {recordBytes(2, 6), recordBytes(3, 8)},
                        tail(3)));

    // Taking the removal back, then appending the removed records again, each keeps its serial.
    restoreSpawnRecords(f, positions, std::move(removed));
    for (std::int32_t p = 1; p <= 4; ++p) {
        EXPECT_EQ(f.records.at(p).serial, serials[static_cast<std::size_t>(p - 1)]);
    }
    EXPECT_EQ(f.context.recordCountWord(), std::numeric_limits<std::int32_t>::min());
    const std::int32_t last[] = {4};
    auto again = removeSpawnRecords(f, last);
    appendSpawnRecords(f, std::move(again));
    EXPECT_EQ(f.records.at(4).serial, serials[3]);
    EXPECT_EQ(f.context.recordCountWord(), std::numeric_limits<std::int32_t>::min());
}

TEST(SpawnStorageTest, WritingOverATargetBacksUpAnExistingFileByOneRuleAndEachPolicyMeetsAFailedBackup) {
    const TempFolder dir;
    const auto f = parse(fileBytes(1, {recordBytes(1, 5)}));
    const auto written = serializeSpawnFile(f.context, f.records);
    const std::string target = dir.file("mobset.data");

    // A new file needs no backup; one already there is copied to <target>.bak first.
    const auto fresh = writeSpawnFileOver(target, f.context, f.records);
    ASSERT_TRUE(fresh.ok()) << fresh.error().message;
    EXPECT_EQ(fresh.value().backupPath, "");
    EXPECT_FALSE(std::filesystem::exists(target + ".bak"));
    writeBytes(target, tail(8));
    const auto over = writeSpawnFileOver(target, f.context, f.records);
    ASSERT_TRUE(over.ok());
    EXPECT_EQ(over.value().backupPath, target + ".bak");
    EXPECT_EQ(readBytes(target + ".bak"), tail(8));
    EXPECT_EQ(readBytes(target), written);

    // A backup that cannot be made (a folder holds its name): refused by default, naming the backup,
    // with the target as it was; GoOn writes and gives the failure back; None does not try.
    writeBytes(target, tail(8));
    std::filesystem::remove(target + ".bak");
    std::filesystem::create_directory(target + ".bak");
    const auto refused = writeSpawnFileOver(target, f.context, f.records);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find(target + ".bak"), std::string::npos) << refused.error().message;
    EXPECT_EQ(readBytes(target), tail(8));
    OverwriteOptions goOn;
    goOn.backup = BackupPolicy::GoOn;
    const auto wentOn = writeSpawnFileOver(target, f.context, f.records, goOn);
    ASSERT_TRUE(wentOn.ok());
    ASSERT_TRUE(wentOn.value().backupFailure.has_value());
    EXPECT_NE(wentOn.value().backupFailure->message.find(target + ".bak"), std::string::npos);
    EXPECT_EQ(readBytes(target), written);
    OverwriteOptions none;
    none.backup = BackupPolicy::None;
    writeBytes(target, tail(8));
    const auto unsaved = writeSpawnFileOver(target, f.context, f.records, none);
    ASSERT_TRUE(unsaved.ok());
    EXPECT_FALSE(unsaved.value().backupFailure.has_value());
    EXPECT_EQ(readBytes(target), written);

    // A backup the caller made already is not made again.
    writeBytes(target, tail(8));
    OverwriteOptions made;
    made.madeBackup = dir.file("elsewhere.bak");
    const auto madeBefore = writeSpawnFileOver(target, f.context, f.records, made);
    ASSERT_TRUE(madeBefore.ok());
    EXPECT_EQ(madeBefore.value().backupPath, dir.file("elsewhere.bak"));
    EXPECT_TRUE(std::filesystem::is_directory(target + ".bak"));

    // A device is written straight into and gets no backup (which would fail beside it in /dev).
    if (std::filesystem::is_character_file("/dev/null")) {
        const auto device = writeSpawnFileOver("/dev/null", f.context, f.records);
        ASSERT_TRUE(device.ok()) << device.error().message;
        EXPECT_EQ(device.value().backupPath, "");
    }
}
