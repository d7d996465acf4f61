#include "ElementBytes.h"
#include "NoticeSpy.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "ElementDatabase.h"
#include "RecordClipboard.h"
#include "RecordEditor.h"
#include "RecordListView.h"
#include "SpawnDocument.h"

#include <gtest/gtest.h>

#include <bit>

using namespace spawn;
using namespace spawn::testing;

namespace {

// Creature 16 is named; 17 is not.
ElementNameTables names() {
    ElementBytes db;
    db.creatures = {{16, utf16(u"林间小鹿")}};
    return readElementDatabase(db.build()).value().names;
}

struct Editing {
    explicit Editing(const std::vector<std::uint8_t>& bytes) {
        document.load(parseSpawnFile(bytes, tables, "mobset.data").value(), "mobset.data");
        editor.showLoadedFile();
    }
    std::vector<std::uint8_t> saved() const {
        return serializeSpawnFile(document.context(), document.records());
    }
    const RecordForm& form() const { return editor.form(); }
    void type(std::size_t j, const std::string& text) { editor.typeIntoField(j, text); }

    const ElementNameTables tables = names();
    ScriptedDialogs dialogs;
    SpawnDocument document;
    RecordListView list{document};
    RecordEditor editor{document, tables, list, dialogs};
};

void setFloatBits(std::vector<std::uint8_t>& record, std::size_t offset, std::uint32_t bits) {
    for (std::size_t i = 0; i < 4; ++i) {
        record.at(offset + i) = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

// Three records: no entries; one entry of creature 17 with awkward floats; two entries.
std::vector<std::uint8_t> sample() {
    auto awkward = recordBytes(1, 17, 3);
    setFloatBits(awkward, 8, std::bit_cast<std::uint32_t>(1.5f)); // X
    setFloatBits(awkward, 20, 0x7FC01234u);                       // rotation X: a NaN with a payload
    setFloatBits(awkward, 28, 0xFF800000u);                       // rotation Y: -infinity
    setFloatBits(awkward, 32, 0x00000001u);                       // range x: the smallest subnormal
    setFloatBits(awkward, 36, 0x80000000u);                       // range y: -0
    return fileBytes(3, {recordBytes(0, 0, 7), awkward, recordBytes(2, 40, 9)}, {0x55, 0x66});
}

std::vector<std::string> texts(const RecordForm& form) {
    std::vector<std::string> out;
    for (std::size_t j = 1; j <= form.fieldCount(); ++j) {
        out.push_back(form.text(j));
    }
    return out;
}

} // namespace

TEST(FormCommandsTest, WithoutAFormEveryCommandDoesNothing) {
    Editing e(sample());
    const auto before = e.saved();
    e.editor.applyForm();
    e.editor.newRecord();
    e.editor.addEntry();
    e.editor.removeLastEntry();
    e.editor.copyPositionToForm("1", "2", "3");
    EXPECT_TRUE(e.form().isEmpty());
    EXPECT_EQ(e.saved(), before);
    EXPECT_FALSE(e.document.isModified());
    EXPECT_TRUE(e.dialogs.messages.empty());
}

TEST(FormCommandsTest, ApplyChangesExactlyTheTypedFieldsAndKeepsEveryUntouchedByte) {
    Editing e(sample());
    ASSERT_TRUE(e.editor.selectRecord(1));
    // Unchanged: the floats that 18 decimals cannot carry keep their bits.
    e.editor.applyForm();
    EXPECT_EQ(e.saved(), sample());

    e.type(3, "-12.25"); // X
    e.type(14, "200");   // a byte
    e.type(21, "16");    // the first creature ID: now a named creature
    e.type(22, " ");     // a blank reads 0
    e.editor.applyForm();
    auto expected = sample();
    const std::size_t record = 20 + 71;
    writeI32At(expected, record + 8, std::bit_cast<std::int32_t>(-12.25f));
    expected[record + 52] = 200;
    writeI32At(expected, record + 71, 16);
    writeI32At(expected, record + 75, 0);
    EXPECT_EQ(e.saved(), expected);
    EXPECT_EQ(e.list.cellText(1, RecordListView::Column(1)), "16");
    EXPECT_EQ(e.list.cellText(1, RecordListView::Column(3)), "林间小鹿");
    EXPECT_TRUE(e.document.isModified());

    e.type(21, "17");
    e.editor.applyForm();
    EXPECT_EQ(e.document.records().at(2).displayName, "没有找到！");

    // An empty box refuses with the message and changes nothing.
    const auto before = e.saved();
    e.type(9, "");
    e.editor.applyForm();
    e.editor.newRecord();
    EXPECT_EQ(e.dialogs.messages, (std::vector<std::string>{kEmptyBox, kEmptyBox}));
    EXPECT_EQ(e.saved(), before);
}

TEST(FormCommandsTest, ApplyFindsItsRecordWhereverItNowStandsAndNeverAnother) {
    Editing e(sample());
    e.editor.searchRecords("40");
    ASSERT_TRUE(e.editor.selectRecord(0)); // record 3, the only hit
    e.type(1, "4242");
    e.editor.applyForm();
    EXPECT_EQ(readI32At(e.document.records().at(3).bytes, 0), 4242);
    EXPECT_EQ(e.list.rowCount(), 1); // still the search result

    // Record 1 is removed: the form's record is now at position 2 although row 0 shows record 1.
    e.editor.refreshRecordList();
    e.editor.selectRecord(RecordEditor::kNoRow);
    e.type(1, "5151");
    const auto serial = e.document.records().at(3).serial;
    e.document.removeRecord(1);
    e.editor.applyForm();
    EXPECT_EQ(e.document.records().positionOf(serial), 2);
    EXPECT_EQ(readI32At(e.document.records().at(2).bytes, 0), 5151);
    EXPECT_NE(readI32At(e.document.records().at(1).bytes, 0), 5151);

    // Once its record is gone, Apply changes nothing.
    e.document.removeRecord(2);
    const auto before = e.saved();
    e.editor.applyForm();
    EXPECT_EQ(e.saved(), before);
    EXPECT_EQ(e.dialogs.messages, std::vector<std::string>{kSourceRecordGone});

    // A file loaded anew (a reload) numbers its records afresh: the form's old record is not
    // among them, even where a serial matches, and Apply writes nothing into the new file.
    e.editor.selectRecord(0);
    e.type(1, "6262");
    e.document.load(parseSpawnFile(before, e.tables, "mobset.data").value(), "mobset.data");
    e.editor.applyForm();
    EXPECT_EQ(e.saved(), before);
    EXPECT_EQ(e.dialogs.messages.back(), kSourceRecordGone);
}

TEST(FormCommandsTest, NewAppendsAfterTheRecordsReadInTheFullViewAndKeepsTheUnreadBytes) {
    auto bad = recordBytes(0);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, -3);
    bad.insert(bad.end(), {1, 2, 3});
    const auto stopped = fileBytes(9, {recordBytes(1, 16), recordBytes(2, 40)}, bad);
    Editing e(stopped);
    ASSERT_TRUE(e.document.loadStop().has_value());
    NoticeSpy appended(e.editor.rowAppended);

    e.editor.searchRecords("40");
    ASSERT_TRUE(e.editor.selectRecord(0));
    e.type(1, "77");
    e.editor.newRecord();
    EXPECT_FALSE(e.list.isFiltered());
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->2"); // the refresh before the record was added
    ASSERT_EQ(e.list.rowCount(), 3);
    EXPECT_EQ(e.list.cellText(2, RecordListView::Column(0)), "3");
    ASSERT_EQ(appended.count(), 1);
    EXPECT_EQ(std::get<0>(appended[0]), 2);
    EXPECT_EQ(e.document.context().recordCountWord(), 10);

    e.editor.newRecord(); // in the full view: no refresh, the label stays
    EXPECT_EQ(e.editor.countLabel(), "Total NPC-->2");
    EXPECT_EQ(e.document.records().count(), 4);
    EXPECT_EQ(e.document.context().recordCountWord(), 11);

    auto record = recordBytes(2, 40);
    writeI32At(record, 0, 77);
    auto expected = fileBytes(11, {recordBytes(1, 16), recordBytes(2, 40), record, record}, bad);
    EXPECT_EQ(e.saved(), expected);
    // The original of the record the form came from is unchanged.
    EXPECT_EQ(e.document.records().at(2).bytes, recordBytes(2, 40));
}

TEST(FormCommandsTest, PlusAndMinusReshapeOnlyTheFormKeepingTypedValuesAndUntouchedBits) {
    Editing e(sample());
    ASSERT_TRUE(e.editor.selectRecord(0)); // no entries
    e.type(1, "");
    e.type(3, "2.5");
    e.editor.addEntry();
    ASSERT_EQ(e.form().fieldCount(), 38u);
    EXPECT_EQ(e.form().text(1), "0");
    EXPECT_EQ(e.form().text(2), "1");
    EXPECT_EQ(e.form().text(3), "2.500000000000000000");
    const std::vector<std::string> defaults = {"16", "1", "2000", "0", "0", "0", "0", "0", "0",
                                               "0",  "0", "1",    "1", "1", "0", "0", "0", "0"};
    const auto all = texts(e.form());
    EXPECT_EQ(std::vector<std::string>(all.begin() + 20, all.end()), defaults);
    EXPECT_EQ(e.document.records().at(1).entryCount, 0); // the record is unchanged until Apply

    e.editor.removeLastEntry();
    EXPECT_EQ(e.form().fieldCount(), 20u);
    EXPECT_EQ(e.form().text(2), "0");
    EXPECT_EQ(e.form().text(3), "2.500000000000000000");
    e.editor.removeLastEntry();
    EXPECT_EQ(e.dialogs.messages, std::vector<std::string>{kNoEntryToRemove});
    EXPECT_EQ(e.form().fieldCount(), 20u);

    // A click, on the same row too, drops the unapplied reshaping.
    e.editor.addEntry();
    ASSERT_TRUE(e.editor.selectRecord(0));
    EXPECT_EQ(e.form().fieldCount(), 20u);
    EXPECT_EQ(e.form().toRecord(e.tables).bytes, e.document.records().at(1).bytes);

    // Through "+" then "-" the awkward floats keep their bits, and New stores them.
    ASSERT_TRUE(e.editor.selectRecord(1));
    e.editor.addEntry();
    e.editor.removeLastEntry();
    e.editor.newRecord();
    EXPECT_EQ(e.document.records().at(4).bytes, e.document.records().at(2).bytes);
}

TEST(FormCommandsTest, PlusStopsAtAHundredEntriesWithAMessage) {
    Editing e(fileBytes(1, {recordBytes(99, 16)}));
    ASSERT_TRUE(e.editor.selectRecord(0));
    e.editor.addEntry();
    EXPECT_EQ(e.form().fieldCount(), formFieldCount(100));
    e.editor.addEntry();
    EXPECT_EQ(e.form().fieldCount(), formFieldCount(100));
    EXPECT_EQ(e.dialogs.messages, std::vector<std::string>{kTooManyEntries});
    e.editor.applyForm();
    EXPECT_EQ(e.document.records().at(1).entryCount, 100);
    EXPECT_EQ(e.document.records().at(1).bytes.size(), SpawnLayout::recordSize(100));
}

TEST(FormCommandsTest, CopyPositionTakesTheBoxTextsAsShownAndSkipsAnEmptyBox) {
    Editing e(sample());
    ASSERT_TRUE(e.editor.selectRecord(2));
    const std::string y = e.form().text(4);
    e.editor.copyPositionToForm("1234.57", "", "-5");
    EXPECT_EQ(e.form().text(3), "1234.57");
    EXPECT_EQ(e.form().text(4), y);
    EXPECT_EQ(e.form().text(5), "-5");
    EXPECT_FALSE(e.document.isModified()); // the record changes only with Apply
    e.editor.applyForm();
    EXPECT_EQ(std::bit_cast<float>(readI32At(e.document.records().at(3).bytes, 8)), 1234.57f);
}

TEST(FormCommandsTest, TypedTextIsUnappliedUntilStoredAndTypedBackOrShownAnewIsNone) {
    Editing e(sample());
    ASSERT_TRUE(e.editor.selectRecord(1));
    EXPECT_FALSE(e.form().hasUnappliedText());
    e.type(9, "3.5");
    EXPECT_TRUE(e.form().hasUnappliedText());
    e.type(9, e.form().field(9).filledText); // typed back: the same bytes
    EXPECT_FALSE(e.form().hasUnappliedText());
    e.type(3, "1.50"); // another text for the same float
    EXPECT_FALSE(e.form().hasUnappliedText());
    e.editor.addEntry();
    EXPECT_TRUE(e.form().hasUnappliedText());
    e.editor.applyForm();
    EXPECT_FALSE(e.form().hasUnappliedText());
    e.type(21, "16");
    EXPECT_TRUE(e.form().hasUnappliedText());
    ASSERT_TRUE(e.editor.selectRecord(0)); // another record shown: its own texts
    EXPECT_FALSE(e.form().hasUnappliedText());
    e.editor.copyPositionToForm("7", "", "");
    EXPECT_TRUE(e.form().hasUnappliedText());
}

TEST(FormCommandsTest, MovingTheShownAreaTakesItsXAndZIntoTheFormAndKeepsWhatWasTypedElsewhere) {
    Editing e(sample());
    ASSERT_TRUE(e.editor.selectRecord(1)); // X 1.5, Z 0
    e.type(9, "3.5");
    // Straight across: only X moves, Z keeps its bytes.
    ASSERT_TRUE(e.editor.moveRecord(2, 2.25, 0));
    EXPECT_EQ(e.form().text(3), "3.750000000000000000");
    EXPECT_EQ(e.form().text(9), "3.5");
    EXPECT_FALSE(e.editor.moveRecord(2, 0, 0));
    EXPECT_FALSE(e.editor.moveRecord(4, 1, 1));
    auto expected = sample();
    const std::size_t record = 20 + 71;
    writeI32At(expected, record + 8, std::bit_cast<std::int32_t>(3.75f));
    EXPECT_EQ(e.saved(), expected);
    // Apply stores the typed field over the moved record, every other byte as moved.
    e.editor.applyForm();
    writeI32At(expected, record + 32, std::bit_cast<std::int32_t>(3.5f));
    EXPECT_EQ(e.saved(), expected);
    EXPECT_EQ(e.document.history().count(), 2);
}

TEST(FormCommandsTest, PasteWithTypedTextAsksAndAppliesFirstOrLetsItGoOrStops) {
    Editing e(sample());
    RecordClipboard clipboard(e.document, e.tables, e.list, e.editor, e.dialogs);
    ASSERT_TRUE(e.editor.selectRecord(2));
    const std::string copied = clipboard.copyShownRecord();
    const auto third = e.document.records().at(3).bytes;
    e.type(1, "41");
    e.dialogs.questionAnswers = {Answer::Cancel, Answer::Yes, Answer::No};
    EXPECT_FALSE(clipboard.paste(copied));
    EXPECT_EQ(e.document.records().count(), 3);
    EXPECT_EQ(e.form().text(1), "41");
    // Yes: the text is applied to record 3 as a step, then the copy appended and shown.
    EXPECT_TRUE(clipboard.paste(copied));
    EXPECT_EQ(e.document.history().count(), 2);
    EXPECT_EQ(readI32At(e.document.records().at(3).bytes, 0), 41);
    EXPECT_EQ(e.document.records().at(4).bytes, third);
    EXPECT_EQ(e.form().sourceSerial(), e.document.records().at(4).serial);
    // No: the typed text goes, the copy is shown.
    e.type(1, "42");
    EXPECT_TRUE(clipboard.paste(copied));
    EXPECT_EQ(e.document.records().count(), 5);
    EXPECT_EQ(readI32At(e.document.records().at(4).bytes, 0), readI32At(e.document.records().at(5).bytes, 0));
    EXPECT_EQ(e.form().text(1), e.form().field(1).filledText);
    EXPECT_EQ(e.dialogs.asked.size(), std::size_t{3});
    EXPECT_TRUE(e.dialogs.unexpected.empty());
}
