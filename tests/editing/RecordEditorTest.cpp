#include "NoticeSpy.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "RecordEditor.h"
#include "RecordListView.h"
#include "SpawnDocument.h"

#include <gtest/gtest.h>

using namespace spawn;
using namespace spawn::testing;

namespace {

const ElementNameTables kNoNames;

// The document, list and editor of a window, without the window.
struct Editing {
    explicit Editing(SpawnFile file) {
        document.load(std::move(file), "mobset.data");
        editor.showLoadedFile();
    }
    explicit Editing(const std::vector<std::uint8_t>& bytes)
        : Editing(parseSpawnFile(bytes, kNoNames, "mobset.data").value()) {}

    std::string cell(int row, int column) const {
        return list.cellText(row, static_cast<RecordListView::Column>(column));
    }

    ScriptedDialogs dialogs;
    SpawnDocument document;
    RecordListView list{document};
    RecordEditor editor{document, kNoNames, list, dialogs};
};

// `count` records; those at the 1-based positions in `sixteens` have creature 16, the others
// creature 100 + position. Record p has p - 1 entries modulo 4 (at least one).
std::vector<std::uint8_t> fileWithSixteensAt(std::int32_t count, std::vector<std::int32_t> sixteens) {
    std::vector<std::vector<std::uint8_t>> records;
    for (std::int32_t p = 1; p <= count; ++p) {
        const bool sixteen = std::find(sixteens.begin(), sixteens.end(), p) != sixteens.end();
        records.push_back(recordBytes(1 + (p - 1) % 4, sixteen ? 16 : 100 + p, static_cast<std::uint8_t>(p)));
    }
    return fileBytes(count, records, {0xAB, 0xCD});
}

} // namespace

TEST(RecordEditorTest, TwoHitSearchListsTheHitsAndRemoveInTheFilteredViewRemovesTheClickedHit) {
    const auto bytes = fileWithSixteensAt(10, {5, 9});
    Editing e(bytes);
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->10");

    e.editor.searchRecords("16");
    ASSERT_EQ(e.list.rowCount(), 2);
    EXPECT_TRUE(e.list.isFiltered());
    EXPECT_EQ(e.list.listed(), (std::vector<std::int32_t>{5, 9}));
    EXPECT_EQ(e.cell(0, 0), "1");
    EXPECT_EQ(e.cell(1, 0), "2");
    EXPECT_EQ(e.cell(1, 1), "16");
    EXPECT_EQ(e.editor.countLabel(), "查找到 2 项");

    ASSERT_TRUE(e.editor.selectRecord(1));
    EXPECT_EQ(e.editor.form().toRecord(kNoNames).bytes, e.document.records().at(9).bytes);
    const std::uint64_t ninth = e.document.records().at(9).serial;
    EXPECT_EQ(e.editor.form().sourceSerial(), ninth);
    e.editor.removeRecord();

    EXPECT_FALSE(e.list.isFiltered());
    EXPECT_EQ(e.document.records().count(), 9);
    EXPECT_EQ(e.document.context().recordCountWord(), 9);
    EXPECT_EQ(e.document.records().positionOf(ninth), std::nullopt);
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->9");
    ASSERT_EQ(e.list.rowCount(), 9);
    EXPECT_EQ(e.cell(8, 0), "9");
    EXPECT_EQ(e.cell(8, 1), "110"); // the tenth record moved up into row 9
    EXPECT_EQ(e.cell(4, 1), "16");

    // The file written now is the old one without record 9's bytes and with the word one lower.
    std::vector<std::uint8_t> expected = fileWithSixteensAt(10, {5, 9});
    const auto all = parseSpawnFile(expected, kNoNames, "x").value();
    std::size_t start = 20;
    for (std::int32_t p = 1; p < 9; ++p) {
        start += all.records.at(p).bytes.size();
    }
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(start),
                   expected.begin() + static_cast<std::ptrdiff_t>(start + all.records.at(9).bytes.size()));
    writeI32At(expected, 4, 9);
    EXPECT_EQ(serializeSpawnFile(e.document.context(), e.document.records()), expected);
}

TEST(RecordEditorTest, SearchesKeepTheModeReplaceEachOtherAndListEveryHitPastAThousand) {
    Editing e(fileWithSixteensAt(1500, {3, 1400}));
    e.editor.setSearchMode(SearchMode::Name);
    e.editor.searchRecords("");
    ASSERT_EQ(e.list.rowCount(), 1500);
    EXPECT_EQ(e.editor.countLabel(), "查找到 1500 项");
    EXPECT_EQ(e.list.positionOfRow(1499), 1500);
    EXPECT_EQ(e.cell(1499, 0), "1500");

    e.editor.setSearchMode(SearchMode::Id);
    e.editor.searchRecords("16");
    EXPECT_EQ(e.list.listed(), (std::vector<std::int32_t>{3, 1400}));
    e.editor.searchRecords("nothing");
    EXPECT_EQ(e.list.rowCount(), 0);
    EXPECT_TRUE(e.list.isFiltered());
    EXPECT_EQ(e.editor.countLabel(), "查找到 0 项");
    e.editor.refreshRecordList();
    EXPECT_EQ(e.list.rowCount(), 1500);
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->1500");
}

TEST(RecordEditorTest, RemoveWithoutARowTheListShowsChangesNothing) {
    Editing e(fileWithSixteensAt(4, {2}));
    const auto before = serializeSpawnFile(e.document.context(), e.document.records());
    e.editor.removeRecord(); // nothing clicked yet
    e.editor.selectRecord(RecordEditor::kNoRow);
    e.editor.removeRecord();
    e.editor.selectRecord(3);
    e.editor.searchRecords("16"); // one row now: row 3 no longer exists
    e.editor.removeRecord();
    EXPECT_EQ(serializeSpawnFile(e.document.context(), e.document.records()), before);
    EXPECT_FALSE(e.document.isModified());

    Editing empty(fileBytes(0, {}));
    empty.editor.selectRecord(0);
    empty.editor.removeRecord();
    EXPECT_EQ(empty.document.context().recordCountWord(), 0);
    EXPECT_TRUE(empty.editor.form().isEmpty());
}

TEST(RecordEditorTest, ClicksFillTheFormRebuildOnlyForANewEntryCountAndReadAfreshAfterARedraw) {
    Editing e(fileWithSixteensAt(6, {}));
    NoticeSpy rebuilt(e.editor.formRebuilt);
    NoticeSpy position(e.editor.worldPositionShown);

    EXPECT_FALSE(e.editor.selectRecord(RecordEditor::kNoRow));
    EXPECT_TRUE(e.editor.form().isEmpty());

    ASSERT_TRUE(e.editor.selectRecord(1)); // record 2: two entries
    EXPECT_EQ(rebuilt.count(), 1);
    EXPECT_EQ(e.editor.form().fieldCount(), 56u);
    EXPECT_EQ(e.editor.form().columnCount(), 3);
    EXPECT_EQ(e.editor.form().toRecord(kNoNames).bytes, e.document.records().at(2).bytes);
    ASSERT_EQ(position.count(), 1);
    const RecordForm::Position shown = e.editor.form().position();
    EXPECT_EQ(std::get<0>(position[0]), shown.x);
    EXPECT_EQ(std::get<2>(position[0]), shown.z);

    // The same row again keeps what was typed; a click on no row leaves the form alone.
    e.editor.typeIntoField(1, "777");
    e.editor.typeIntoField(2, "9"); // the entry-count box is read-only
    EXPECT_FALSE(e.editor.selectRecord(1));
    EXPECT_FALSE(e.editor.selectRecord(RecordEditor::kNoRow));
    EXPECT_EQ(e.editor.form().text(1), "777");
    EXPECT_EQ(e.editor.form().text(2), "2");
    EXPECT_EQ(e.editor.currentRow(), RecordEditor::kNoRow);

    // Record 6 has the same entry count: refilled in the same grid.
    ASSERT_TRUE(e.editor.selectRecord(5));
    EXPECT_EQ(rebuilt.count(), 1);
    EXPECT_EQ(e.editor.form().toRecord(kNoNames).bytes, e.document.records().at(6).bytes);
    ASSERT_TRUE(e.editor.selectRecord(2));
    EXPECT_EQ(rebuilt.count(), 2);

    // After a redraw the same row index is read again, now showing record 3 of the full list.
    e.editor.typeIntoField(1, "555");
    e.editor.searchRecords("106");
    e.editor.refreshRecordList();
    ASSERT_TRUE(e.editor.selectRecord(2));
    EXPECT_NE(e.editor.form().text(1), "555");
    EXPECT_EQ(e.editor.form().sourceSerial(), e.document.records().at(3).serial);
}

TEST(RecordEditorTest, RefreshAfterAStoppedLoadCountsTheRecordsReadAndRemoveKeepsTheUnreadBytes) {
    const TempFolder dir;
    std::vector<std::uint8_t> bad = recordBytes(0);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 253);
    const std::vector<std::uint8_t> unread = [&] {
        auto u = bad;
        u.insert(u.end(), {1, 2, 3, 4, 5, 6, 7});
        return u;
    }();
    writeBytes(dir.file("mobset.data"),
               fileBytes(5, {recordBytes(1, 16), recordBytes(2, 17), recordBytes(0)}, unread));
    auto loaded = loadSpawnFile(dir.file("mobset.data"), kNoNames);
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(loaded.value().stopped.has_value());
    Editing e(std::move(loaded).value());
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->5");
    e.editor.refreshRecordList();
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->3");

    e.editor.selectRecord(0);
    e.editor.removeRecord();
    ASSERT_TRUE(e.document.saveAs(dir.file("saved.data")));
    const auto saved = readBytes(dir.file("saved.data"));
    ASSERT_GE(saved.size(), unread.size());
    EXPECT_TRUE(
        std::equal(unread.begin(), unread.end(), saved.end() - static_cast<std::ptrdiff_t>(unread.size())));
    EXPECT_EQ(readI32At(saved, 4), 4);
    const auto reloaded = loadSpawnFile(dir.file("saved.data"), kNoNames);
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded.value().records.count(), 2);
    ASSERT_TRUE(reloaded.value().stopped.has_value());
    EXPECT_EQ(reloaded.value().stopped->message, "2:253 Big");
}

TEST(FormGeometryTest, TheBarAppearsOnlyForAWiderGridAndStopsAtItsEnds) {
    using namespace FormGeometry;
    EXPECT_EQ(scrollMaximum(1, 404), std::nullopt);
    EXPECT_EQ(scrollMaximum(2, 400), std::nullopt);
    EXPECT_EQ(scrollMaximum(4, 500), 301);
    EXPECT_EQ(scrollPosition(ScrollRequest::LineLeft, 0, 0, 301), 0);
    EXPECT_EQ(scrollPosition(ScrollRequest::LineRight, 0, 0, 301), 1);
    EXPECT_EQ(scrollPosition(ScrollRequest::PageRight, 295, 0, 301), 301);
    EXPECT_EQ(scrollPosition(ScrollRequest::PageLeft, 25, 0, 301), 15);
    EXPECT_EQ(scrollPosition(ScrollRequest::ThumbTrack, 25, 400, 301), 301);
    EXPECT_EQ(scrollPosition(ScrollRequest::Other, 25, 400, 301), 25);
    EXPECT_EQ(cellOf(20).row, 19);
    EXPECT_EQ(cellOf(21).column, 1);
    EXPECT_EQ(cellOf(56).column, 2);
    EXPECT_EQ(cellOf(56).row, 17);
    EXPECT_EQ(fieldAt(2, 17, 56), 56u);
    EXPECT_EQ(fieldAt(1, 18, 56), 0u);
    EXPECT_EQ(fieldAt(3, 0, 56), 0u);
}

// Scrolling a wide form: the columns in view keep their controls, those scrolled out hand theirs
// to those scrolled in, and controls are added only when there are too few.
TEST(FormGeometryTest, ControlColumnsGoToTheColumnsInViewAndAreHandedOnAsTheFormScrolls) {
    using FormGeometry::assignColumns;
    std::vector<int> shown;
    EXPECT_EQ(assignColumns(shown, 0, 2), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
    // One column further: column 0's controls show column 3.
    EXPECT_EQ(assignColumns(shown, 1, 3), (std::vector<std::size_t>{0}));
    EXPECT_EQ(shown, (std::vector<int>{3, 1, 2}));
    // A jump: every control column gets a column of its own again, none added.
    EXPECT_EQ(assignColumns(shown, 40, 42), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(shown, (std::vector<int>{40, 41, 42}));
    // A wider view needs one more; a narrower one, or an empty form, frees them.
    EXPECT_EQ(assignColumns(shown, 40, 43), (std::vector<std::size_t>{3}));
    EXPECT_EQ(shown, (std::vector<int>{40, 41, 42, 43}));
    EXPECT_TRUE(assignColumns(shown, 42, 42).empty());
    EXPECT_EQ(shown, (std::vector<int>{-1, -1, 42, -1}));
    EXPECT_TRUE(assignColumns(shown, 0, -1).empty());
    EXPECT_EQ(shown, (std::vector<int>{-1, -1, -1, -1}));
}
