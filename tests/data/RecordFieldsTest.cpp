#include "SpawnBytes.h"

#include "ByteReader.h"
#include "RecordFields.h"
#include "RecordSearch.h"
#include "SpawnLayout.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

using namespace spawn;
using namespace spawn::testing;

namespace {

SpawnRecord recordOf(std::int32_t entries, std::int32_t firstId = 500) {
    return SpawnRecord::fromBytes(recordBytes(entries, firstId)).value();
}

std::uint8_t fieldByte(std::string_view text) {
    return fieldBytesFromText(SpawnLayout::kByteField, text).bytes[0];
}

std::uint32_t fieldWord(char type, std::string_view text) {
    const FieldBytes b = fieldBytesFromText(type, text);
    return readU32Le(std::span<const std::uint8_t, 4>(b.bytes));
}

SpawnRecordList listOf(const std::vector<std::pair<std::int32_t, std::string>>& idsAndNames) {
    SpawnRecordList list;
    for (const auto& [id, name] : idsAndNames) {
        // Two entries each: the second entry's ID is always 16, which no search may see.
        auto bytes = recordBytes(id == 0 ? 0 : 2);
        if (id != 0) {
            writeI32At(bytes, SpawnLayout::kAreaHeaderSize, id);
            writeI32At(bytes, SpawnLayout::kAreaHeaderSize + SpawnLayout::kCreatureEntrySize, 16);
        }
        SpawnRecord r = SpawnRecord::fromBytes(bytes).value();
        r.displayName = name;
        list.append(std::move(r));
    }
    return list;
}

} // namespace

TEST(RecordFieldsTest, LabelsFollowTheSlotsTheEntryLeadersAndTheRunningNumber) {
    const SpawnRecord record = recordOf(2);
    const auto fields = recordFormFields(record);
    ASSERT_EQ(fields.size(), 56u);
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {1, "Block-->: "},  {2, "SubBlock: "}, {3, "X--->: "},     {6, "Rotate X-->"}, {7, "7: "},
        {8, "Rotate Y-->"}, {9, "9: "},        {12, "12: "},       {16, "16: "},       {18, "18: "},
        {20, "20: "},       {21, "NPC--ID: "}, {22, "Total-->: "}, {23, "TimeResp: "}, {24, "24: "},
        {38, "38: "},       {39, "NPC--ID: "}, {41, "TimeResp: "}, {42, "42: "},       {56, "56: "}};
    for (const auto& [j, label] : expected) {
        EXPECT_EQ(fields[j - 1].label, label) << "field " << j;
        EXPECT_EQ(formFieldLabel(j), label) << "field " << j;
    }
    // Offsets walk the type string without gaps: byte fields 14..16 at 52..54, entry 2 at 131.
    EXPECT_EQ(fields[13].offset, 52u);
    EXPECT_EQ(fields[16].offset, 55u);
    EXPECT_EQ(fields[38].offset, 131u);
    EXPECT_EQ(fields[13].type, '0');
    EXPECT_EQ(fieldTypeName(fields[2].type), "float32");
    EXPECT_EQ(fieldTypeName(fields[13].type), "byte");
    EXPECT_EQ(fieldTypeName(fields[0].type), "int32");
}

TEST(RecordFieldsTest, TextsShowEachTypeAndReadBackAsAtoiAndAtofDo) {
    SpawnRecord record = recordOf(1, -42);
    record.bytes[52] = 0xFF;                                          // field 14, a byte
    writeI32At(record.bytes, 8, std::bit_cast<std::int32_t>(1.5f));   // field 3, X
    writeI32At(record.bytes, 12, std::bit_cast<std::int32_t>(-0.1f)); // field 4, Y
    const auto fields = recordFormFields(record);
    EXPECT_EQ(fields[13].text, "-1");
    EXPECT_EQ(fields[2].text, "1.500000000000000000");
    EXPECT_EQ(fields[3].text, "-0.100000001490116119");
    EXPECT_EQ(fields[20].text, "-42");

    EXPECT_EQ(fieldByte("200"), 0xC8);
    EXPECT_EQ(fieldByte("300"), 0x2C);
    EXPECT_EQ(fieldByte("-1"), 0xFF);
    EXPECT_EQ(fieldByte("  7abc"), 7);
    EXPECT_EQ(fieldByte("abc"), 0);
    EXPECT_EQ(fieldBytesFromText('0', "5").size, 1u);
    EXPECT_EQ(fieldWord('2', "-12x"), static_cast<std::uint32_t>(-12));
    EXPECT_EQ(fieldWord('2', ""), 0u);
    EXPECT_EQ(fieldWord('2', "99999999999"), 0x7FFFFFFFu);
    EXPECT_EQ(fieldWord('1', fields[2].text), std::bit_cast<std::uint32_t>(1.5f));
    EXPECT_EQ(fieldWord('1', "1e3"), std::bit_cast<std::uint32_t>(1000.0f));
    EXPECT_EQ(fieldWord('1', " 0.1"), std::bit_cast<std::uint32_t>(0.1f));

    // Every integer field's text, and the text of an ordinary float, reads back as the record's
    // own bytes. (The other float fields hold counting bytes: magnitudes near 1e-14, which 18
    // decimals cannot carry.)
    for (const FormField& f : fields) {
        if (f.type == SpawnLayout::kFloatField && f.number > 4) {
            continue;
        }
        EXPECT_EQ(fieldBytesFromText(f.type, f.text), recordFieldBytes(record, f.number))
            << "field " << f.number;
    }
}

TEST(RecordSearchTest, IdSearchReadsTheTextAsAtoiAndSeesOnlyTheFirstEntry) {
    const SpawnRecordList list =
        listOf({{7, "a"}, {0, "没有找到！"}, {42, "b"}, {-5, "c"}, {16, "d"}, {42, "e"}, {2147483647, "f"}});
    using Hits = std::vector<std::int32_t>;
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "42"), (Hits{2, 5}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, " \t42abc"), (Hits{2, 5}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "-5"), (Hits{3}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "abc"), (Hits{1}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, ""), (Hits{1}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "0"), (Hits{1}));
    // The second entry of every record holds 16; only the record whose first entry does is a hit.
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "16"), (Hits{4}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "99999999999999"), (Hits{6}));
    EXPECT_EQ(searchRecords(list, SearchMode::Id, "8"), (Hits{}));
}

TEST(RecordSearchTest, NameSearchIsAnExactCaseSensitiveSubstring) {
    const SpawnRecordList list = listOf(
        {{1, "Marsh Heron"}, {2, "heron chick"}, {0, "没有找到！"}, {3, "沼泽苍鹭"}, {4, "没有找到！"}});
    using Hits = std::vector<std::int32_t>;
    EXPECT_EQ(searchRecords(list, SearchMode::Name, "Heron"), (Hits{0}));
    EXPECT_EQ(searchRecords(list, SearchMode::Name, "HERON"), (Hits{}));
    EXPECT_EQ(searchRecords(list, SearchMode::Name, "ron"), (Hits{0, 1}));
    EXPECT_EQ(searchRecords(list, SearchMode::Name, " Heron"), (Hits{0}));
    EXPECT_EQ(searchRecords(list, SearchMode::Name, "苍鹭"), (Hits{3}));
    EXPECT_EQ(searchRecords(list, SearchMode::Name, "没有找到！"), (Hits{2, 4}));
    EXPECT_EQ(searchRecords(list, SearchMode::Name, ""), (Hits{0, 1, 2, 3, 4}));
    EXPECT_EQ(hitCountLabelText(2), "查找到 2 项");
}

TEST(SpawnRecordListTest, SerialsFollowTheirRecordsThroughReplaceRemoveAndInsert) {
    SpawnRecordList list;
    for (int i = 0; i < 3; ++i) {
        list.append(recordOf(0));
    }
    const std::uint64_t first = list.at(1).serial;
    const std::uint64_t third = list.at(3).serial;
    EXPECT_NE(first, third);
    ASSERT_TRUE(list.replaceAt(3, recordOf(1)));
    EXPECT_EQ(list.at(3).serial, third);
    EXPECT_EQ(list.positionOf(third), 3);
    SpawnRecord removed = list.at(1);
    ASSERT_TRUE(list.removeAt(1));
    EXPECT_EQ(list.positionOf(first), std::nullopt);
    EXPECT_EQ(list.positionOf(third), 2);
    ASSERT_TRUE(list.insertAt(1, removed));
    EXPECT_EQ(list.positionOf(first), 1);
    EXPECT_FALSE(list.insertAt(5, recordOf(0)));
    list.append(recordOf(0));
    EXPECT_GT(list.at(4).serial, third);
}
