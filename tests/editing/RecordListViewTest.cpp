#include "NoticeSpy.h"
#include "SpawnBytes.h"

#include "RecordListView.h"
#include "SpawnDocument.h"

#include <gtest/gtest.h>

using namespace spawn;
using namespace spawn::testing;

namespace {

const ElementNameTables kNoNames;

SpawnRecord recordOf(std::int32_t firstId, std::uint8_t seed = 1) {
    return SpawnRecord::fromBytes(recordBytes(1, firstId, seed)).value();
}

// Six records; those at 2 and 5 have creature 16, the others 100 + their position.
std::vector<std::uint8_t> sixRecords() {
    std::vector<std::vector<std::uint8_t>> records;
    for (std::int32_t p = 1; p <= 6; ++p) {
        records.push_back(recordBytes(1, p == 2 || p == 5 ? 16 : 100 + p, static_cast<std::uint8_t>(p)));
    }
    return fileBytes(6, records);
}

using Positions = std::vector<std::int32_t>;

} // namespace

// Every kind of step, in each kind of view: the rows keep showing the records they showed, at
// their new positions, until the filter is worked out again.
TEST(RecordListViewTest, RowsFollowEveryKindOfStepAndRefreshWorksTheFilterOutAgain) {
    SpawnDocument document;
    RecordListView list(document);
    NoticeSpy resets(list.reset);
    NoticeSpy changedRows(list.rowsChanged);
    document.load(parseSpawnFile(sixRecords(), kNoNames, "mobset.data").value(), "mobset.data");
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(list.rowCount(), 6);
    EXPECT_EQ(list.cellText(4, RecordListView::IdColumn), "16");
    EXPECT_EQ(list.cellText(4, RecordListView::NumberColumn), "5");

    // A search: its hits, numbered from 1 in the list.
    list.showSearch(SearchMode::Id, "16");
    EXPECT_EQ(list.listed(), (Positions{2, 5}));
    EXPECT_EQ(list.cellText(1, RecordListView::NumberColumn), "2");
    EXPECT_EQ(list.rowOfPosition(5), 1);
    EXPECT_EQ(list.rowOfPosition(3), -1);
    EXPECT_EQ(list.positionOfRow(2), std::nullopt);

    // Replaced where it stands: only its row is told, the hits stay until refreshed.
    ASSERT_TRUE(document.replaceRecord(5, recordOf(77)));
    ASSERT_EQ(changedRows.count(), 1);
    EXPECT_EQ(changedRows[0], std::make_tuple(1, 1));
    EXPECT_EQ(list.cellText(1, RecordListView::IdColumn), "77");
    list.refresh();
    EXPECT_EQ(list.listed(), (Positions{2}));
    ASSERT_TRUE(document.undo());
    list.refresh();
    EXPECT_EQ(list.listed(), (Positions{2, 5}));

    // Removed before and among the hits: the others move up; taken back, they move down again.
    ASSERT_TRUE(document.removeRecords({1, 5}, "Remove 2 records"));
    EXPECT_EQ(list.listed(), (Positions{1}));
    EXPECT_EQ(list.cellText(0, RecordListView::IdColumn), "16");
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(list.listed(), (Positions{2})); // the put-back record is not a hit until refreshed
    list.refresh();
    EXPECT_EQ(list.listed(), (Positions{2, 5}));

    // The map's areas are found again by serial after records before them come and go.
    list.showArea({6, 3, 3, 0, 99});
    EXPECT_EQ(list.listed(), (Positions{3, 6}));
    ASSERT_TRUE(document.removeRecord(1));
    EXPECT_EQ(list.listed(), (Positions{2, 5}));
    document.appendRecord(recordOf(300));
    list.refresh();
    EXPECT_EQ(list.listed(), (Positions{2, 5}));
    EXPECT_EQ(list.filter().kind, ListFilter::Kind::Area);

    // The changed records since the load: the appended one only (the removal left no record).
    list.showChanged();
    EXPECT_EQ(list.listed(), (Positions{6}));

    // The full view shows every record at once; a new file lists every record.
    list.showAll();
    EXPECT_EQ(list.rowCount(), 6);
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(list.rowCount(), 5);
    list.showSearch(SearchMode::Id, "16");
    document.load(parseSpawnFile(fileBytes(1, {recordBytes(1, 16)}), kNoNames, "mobset.data").value(), "mobset.data");
    EXPECT_FALSE(list.isFiltered());
    EXPECT_EQ(list.listed(), (Positions{1}));
}
