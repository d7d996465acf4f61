#include "SpawnBytes.h"

#include "SpawnDocument.h"

#include <QSignalSpy>
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
    QSignalSpy replaced(&document, &SpawnDocument::recordsReplaced);
    ASSERT_TRUE(document.replaceRecords({{6, recordOf(recordBytes(2, 7, 90))},
                                         {2, recordOf(recordBytes(0, 0, 91))},
                                         {4, document.records().at(4)}},
                                        QStringLiteral("Edit 2 records")));
    ASSERT_EQ(replaced.count(), 1);
    EXPECT_EQ(replaced.front().front().value<QList<std::int32_t>>(), (QList<std::int32_t>{2, 6}));
    EXPECT_EQ(document.history().count(), 1);
    EXPECT_EQ(document.history().undoText(), QStringLiteral("Edit 2 records"));
    EXPECT_EQ(document.records().at(6).bytes, recordBytes(2, 7, 90));
    const auto edited = bytesOf(document);

    // Nothing that would change: no step.
    EXPECT_FALSE(document.replaceRecords({{1, document.records().at(1)}}, QStringLiteral("Edit")));
    EXPECT_FALSE(document.replaceRecord(3, document.records().at(3)));
    EXPECT_FALSE(document.replaceRecords({{9, recordOf(recordBytes(1))}}, QStringLiteral("Edit")));
    EXPECT_FALSE(document.removeRecords({0, 3}, QStringLiteral("Remove")));
    EXPECT_EQ(document.history().count(), 1);

    // Remove five, given out of order and one twice; the count word moves by five.
    ASSERT_TRUE(document.removeRecords({8, 1, 5, 3, 5, 6}, QStringLiteral("Remove 5 records")));
    EXPECT_EQ(document.records().count(), 3);
    EXPECT_EQ(document.context().recordCountWord(), 3);
    const auto removed = bytesOf(document);

    // Append two after the last; each gets a serial of its own.
    ASSERT_TRUE(document.appendRecords({recordOf(recordBytes(1, 55)), recordOf(recordBytes(3, 56))},
                                       QStringLiteral("Paste 2 records")));
    EXPECT_EQ(document.records().count(), 5);
    EXPECT_EQ(document.context().recordCountWord(), 5);
    EXPECT_NE(document.records().at(4).serial, document.records().at(5).serial);
    const auto appended = bytesOf(document);
    EXPECT_EQ(document.history().count(), 3);

    // Back through every step, byte for byte, and forward again.
    EXPECT_TRUE(document.undo());
    EXPECT_EQ(bytesOf(document), removed);
    EXPECT_TRUE(document.undo());
    EXPECT_EQ(bytesOf(document), edited);
    EXPECT_EQ(document.records().at(5).serial, serialOfFive);    // back at its place as itself
    EXPECT_EQ(document.undo(), document.records().at(2).serial); // the first record it touched
    EXPECT_EQ(bytesOf(document), loaded);
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.redo());
    EXPECT_TRUE(document.redo());
    EXPECT_TRUE(document.redo());
    EXPECT_EQ(bytesOf(document), appended);
}

TEST(SpawnDocumentTest, AJumpThroughTheHistoryViewNamesTheStepNearestTheNewPlaceAndOwnStepsAreNoJumps) {
    SpawnDocument document;
    document.load(parseSpawnFile(fileOf(4), kNoNames, "mobset.data").value(), "mobset.data");
    QSignalSpy jumps(&document, &SpawnDocument::historyJumped);
    const std::uint64_t first = document.records().at(1).serial;
    const std::uint64_t third = document.records().at(3).serial;
    ASSERT_TRUE(document.replaceRecord(1, recordOf(recordBytes(1, 7))));
    ASSERT_TRUE(document.removeRecord(3));
    ASSERT_TRUE(document.removeRecords({1, 2}, QStringLiteral("Remove 2 records")));
    ASSERT_TRUE(document.undo());
    ASSERT_TRUE(document.redo());
    EXPECT_EQ(jumps.count(), 0);

    // Back from 3 to 1: the step now next to be redone, Remove record 3, as undo names it.
    document.historyForView()->setIndex(1);
    ASSERT_EQ(jumps.count(), 1);
    EXPECT_EQ(jumps.takeFirst().at(0).value<std::uint64_t>(), third);
    EXPECT_EQ(document.records().count(), 4);
    // Back to the start: Apply record 1; forward again to 2: the last step redone, Remove record 3.
    document.historyForView()->setIndex(0);
    EXPECT_EQ(jumps.takeFirst().at(0).value<std::uint64_t>(), first);
    EXPECT_EQ(bytesOf(document), fileOf(4));
    document.historyForView()->setIndex(2);
    EXPECT_EQ(jumps.takeFirst().at(0).value<std::uint64_t>(), third);
    EXPECT_EQ(document.records().count(), 3);
    document.historyForView()->setIndex(2); // no move, no jump
    document.load(parseSpawnFile(fileOf(2), kNoNames, "mobset.data").value(), "mobset.data");
    EXPECT_EQ(jumps.count(), 0);
}
