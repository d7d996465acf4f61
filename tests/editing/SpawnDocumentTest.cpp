#include "SpawnBytes.h"

#include "SpawnDocument.h"

#include <gtest/gtest.h>

using namespace spawn;
using namespace spawn::testing;

namespace {

const ElementNameTables kNoNames;

std::vector<std::uint8_t> fileOf(std::int32_t count) {
    std::vector<std::vector<std::uint8_t>> records;
    for (std::int32_t p = 1; p <= count; ++p) {
        records.push_back(recordBytes(p % 3, 100 + p, static_cast<std::uint8_t>(p)));
    }
    return fileBytes(count, records, {0xAB, 0xCD});
}

std::vector<std::uint8_t> bytesOf(const SpawnDocument& document) {
    return serializeSpawnFile(document.context(), document.records());
}

SpawnRecord recordOf(const std::vector<std::uint8_t>& bytes) {
    return SpawnRecord::fromBytes(bytes).value();
}

} // namespace

TEST(SpawnDocumentTest, ManyRecordStepsAreOneStepEachAndUndoRestoresEveryByteAndPosition) {
    const auto loaded = fileOf(8);
    SpawnDocument document;
    document.load(parseSpawnFile(loaded, kNoNames, "m.data").value(), "m.data");
    const std::uint64_t serialOfFive = document.records().at(5).serial;

    // Replace three records, one of them with its own bytes: two change, in one step.
    std::vector<DocumentChange> changes;
    const Subscription recording =
        document.changed.connect([&changes](const DocumentChange& change) { changes.push_back(change); });
    ASSERT_TRUE(document.replaceRecords({{6, recordOf(recordBytes(2, 7, 90))},
                                         {2, recordOf(recordBytes(0, 0, 91))},
                                         {4, document.records().at(4)}},
                                        std::string("Edit 2 records")));
    ASSERT_EQ(changes.size(), 1U);
    EXPECT_EQ(changes[0].kind, DocumentChange::Kind::Replaced);
    EXPECT_EQ(changes[0].positions, (std::vector<std::int32_t>{2, 6}));
    EXPECT_EQ(document.history().count(), 1);
    EXPECT_EQ(document.history().undoText(), std::string("Edit 2 records"));
    EXPECT_EQ(document.records().at(6).bytes, recordBytes(2, 7, 90));
    const auto edited = bytesOf(document);

    // Nothing that would change: no step.
    EXPECT_FALSE(document.replaceRecords({{1, document.records().at(1)}}, std::string("Edit")));
    EXPECT_FALSE(document.replaceRecord(3, document.records().at(3)));
    EXPECT_FALSE(document.replaceRecords({{9, recordOf(recordBytes(1))}}, std::string("Edit")));
    EXPECT_FALSE(document.removeRecords({0, 3}, std::string("Remove")));
    EXPECT_EQ(document.history().count(), 1);

    // Remove five, given out of order and one twice; the count word moves by five.
    ASSERT_TRUE(document.removeRecords({8, 1, 5, 3, 5, 6}, std::string("Remove 5 records")));
    EXPECT_EQ(document.records().count(), 3);
    EXPECT_EQ(document.context().recordCountWord(), 3);
    const auto removed = bytesOf(document);
    ASSERT_EQ(changes.size(), 2U);
    EXPECT_EQ(changes[1].kind, DocumentChange::Kind::Removed);
    EXPECT_EQ(changes[1].positions, (std::vector<std::int32_t>{1, 3, 5, 6, 8}));
    EXPECT_EQ(changes[1].serials[2], serialOfFive);

    // Append two after the last; each gets a serial of its own.
    ASSERT_TRUE(document.appendRecords({recordOf(recordBytes(1, 55)), recordOf(recordBytes(3, 56))},
                                       std::string("Paste 2 records")));
    EXPECT_EQ(document.records().count(), 5);
    EXPECT_EQ(document.context().recordCountWord(), 5);
    EXPECT_NE(document.records().at(4).serial, document.records().at(5).serial);
    const auto appended = bytesOf(document);
    EXPECT_EQ(document.history().count(), 3);
    EXPECT_EQ(changes.back().kind, DocumentChange::Kind::Inserted);
    EXPECT_EQ(changes.back().positions, (std::vector<std::int32_t>{4, 5}));

    // Back through every step, byte for byte, and forward again.
    EXPECT_TRUE(document.undo());
    EXPECT_EQ(bytesOf(document), removed);
    EXPECT_TRUE(document.undo());
    EXPECT_EQ(bytesOf(document), edited);
    // The removal taken back: the records went in at the places they left.
    EXPECT_EQ(changes.back().kind, DocumentChange::Kind::Inserted);
    EXPECT_EQ(changes.back().positions, (std::vector<std::int32_t>{1, 3, 5, 6, 8}));
    EXPECT_EQ(document.records().at(5).serial, serialOfFive);    // back at its place as itself
    EXPECT_EQ(document.undo(), document.records().at(2).serial); // the first record it touched
    EXPECT_EQ(bytesOf(document), loaded);
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.redo());
    EXPECT_TRUE(document.redo());
    EXPECT_TRUE(document.redo());
    EXPECT_EQ(bytesOf(document), appended);
}

TEST(SpawnDocumentTest, AJumpThroughTheHistoryNamesTheStepNearestTheNewPlace) {
    SpawnDocument document;
    document.load(parseSpawnFile(fileOf(4), kNoNames, "mobset.data").value(), "mobset.data");
    const std::uint64_t first = document.records().at(1).serial;
    const std::uint64_t third = document.records().at(3).serial;
    ASSERT_TRUE(document.replaceRecord(1, recordOf(recordBytes(1, 7))));
    ASSERT_TRUE(document.removeRecord(3));
    ASSERT_TRUE(document.removeRecords({1, 2}, std::string("Remove 2 records")));

    // Back from 3 to 1: the step now next to be redone, Remove record 3, as undo names it.
    EXPECT_EQ(document.setHistoryIndex(1), third);
    EXPECT_EQ(document.records().count(), 4);
    // Back to the start: Apply record 1; forward again to 2: the last step redone, Remove record 3.
    EXPECT_EQ(document.setHistoryIndex(0), first);
    EXPECT_EQ(bytesOf(document), fileOf(4));
    EXPECT_EQ(document.setHistoryIndex(2), third);
    EXPECT_EQ(document.records().count(), 3);
    EXPECT_EQ(document.setHistoryIndex(2), std::nullopt); // no move
    EXPECT_EQ(document.setHistoryIndex(9), first); // held to the last step, Remove 2 records
    EXPECT_EQ(document.history().index(), 3);
}
