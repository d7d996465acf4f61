#include "SpawnBytes.h"

#include "BulkEdit.h"

#include <gtest/gtest.h>

#include <bit>

using namespace spawn;
using namespace spawn::testing;

namespace {

constexpr std::size_t kTimeRespOffset = 8;        // in an entry
constexpr std::size_t kFirstByteFieldOffset = 52; // field 14, after thirteen 4-byte fields

// Three records of three entries each; entries 1 and 3 are creature 16, entry 2 creature 500.
// Respawn times are 2001, -2001 and 7; the byte field 14 holds 3, 120 and -128.
SpawnRecordList sampleList() {
    SpawnRecordList list;
    const std::int8_t bytes[] = {3, 120, -128};
    for (int r = 0; r < 3; ++r) {
        auto record = recordBytes(3, 16, static_cast<std::uint8_t>(r));
        const std::int32_t ids[] = {16, 500, 16};
        const std::int32_t times[] = {2001, -2001, 7};
        for (std::size_t e = 0; e < 3; ++e) {
            const std::size_t entry = SpawnLayout::kAreaHeaderSize + e * SpawnLayout::kCreatureEntrySize;
            writeI32At(record, entry, ids[e]);
            writeI32At(record, entry + kTimeRespOffset, times[e]);
        }
        record[kFirstByteFieldOffset] = static_cast<std::uint8_t>(bytes[r]);
        writeI32At(record, SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(1.0f));
        list.append(SpawnRecord::fromBytes(record).value());
    }
    return list;
}

std::int32_t timeResp(const std::vector<std::uint8_t>& record, std::size_t entry) {
    return readI32At(record, SpawnLayout::kAreaHeaderSize + entry * SpawnLayout::kCreatureEntrySize +
                                 kTimeRespOffset);
}

BulkEditSpec spec(BulkFieldKind kind, std::size_t field, BulkOperation operation, std::string value) {
    BulkEditSpec s;
    s.kind = kind;
    s.field = field;
    s.operation = operation;
    s.value = std::move(value);
    return s;
}

} // namespace

TEST(BulkEditTest, EntryFieldsChangeExactlyOnlyInTheGivenRecordsAndCreatureAndRoundHalfAwayFromZero) {
    const SpawnRecordList list = sampleList();
    const std::int32_t positions[] = {1, 3};
    auto multiply = spec(BulkFieldKind::Entry, 3, BulkOperation::Multiply, "1.5");
    multiply.onlyCreature = 16;
    const auto plan = planBulkEdit(list, positions, multiply);
    ASSERT_TRUE(plan) << plan.error().message;
    ASSERT_EQ(plan.value().changes.size(), 2u);
    EXPECT_EQ(plan.value().fields, 4u); // entries 1 and 3 of records 1 and 3
    for (const auto& [position, bytes] : plan.value().changes) {
        EXPECT_EQ(timeResp(bytes, 0), 3002);  // 3001.5 away from zero
        EXPECT_EQ(timeResp(bytes, 1), -2001); // creature 500: untouched
        EXPECT_EQ(timeResp(bytes, 2), 11);    // 10.5
        // Every other byte is the record's own.
        auto expected = list.at(position).bytes;
        writeI32At(expected, SpawnLayout::kAreaHeaderSize + kTimeRespOffset, 3002);
        writeI32At(expected,
                   SpawnLayout::kAreaHeaderSize + 2 * SpawnLayout::kCreatureEntrySize + kTimeRespOffset, 11);
        EXPECT_EQ(bytes, expected);
    }
    EXPECT_EQ(plan.value().changes[1].first, 3);

    // Every entry: -2001 x 1.5 = -3001.5 rounds to -3002.
    const auto all =
        planBulkEdit(list, positions, spec(BulkFieldKind::Entry, 3, BulkOperation::Multiply, "1.5"));
    ASSERT_TRUE(all);
    EXPECT_EQ(timeResp(all.value().changes[0].second, 1), -3002);
}

TEST(BulkEditTest, BytesIntsAndFloatsStayInRangeOrTheWholeEditIsRefused) {
    const SpawnRecordList list = sampleList();
    const std::int32_t every[] = {1, 2, 3};
    using enum BulkOperation;

    // Byte field 14: 3 x 2.5 = 7.5 -> 8; but 120 x 2.5 is beyond a byte, so nothing is planned.
    const auto bytes =
        planBulkEdit(list, std::span(every, 1), spec(BulkFieldKind::Area, 14, Multiply, "2.5"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(static_cast<std::int8_t>(bytes.value().changes[0].second[kFirstByteFieldOffset]), 8);
    const auto tooBig = planBulkEdit(list, every, spec(BulkFieldKind::Area, 14, Multiply, "2.5"));
    ASSERT_FALSE(tooBig);
    EXPECT_EQ(tooBig.error().message, "record 2, field 14 (14): 300 lies outside the byte range -128..127");
    EXPECT_FALSE(planBulkEdit(list, every, spec(BulkFieldKind::Area, 14, Add, "-1"))); // -128 - 1

    // Int32 limits, a float beyond float32, and texts that are no number.
    EXPECT_FALSE(planBulkEdit(list, every, spec(BulkFieldKind::Entry, 3, Add, "2147483647")));
    EXPECT_FALSE(planBulkEdit(list, every, spec(BulkFieldKind::Area, 3, Set, "1e39")));
    for (const char* text : {"12abc", "", "0x10", "1.5"}) {
        EXPECT_FALSE(planBulkEdit(list, every, spec(BulkFieldKind::Entry, 3, Set, text))) << text;
    }
    const auto notNumber = planBulkEdit(list, every, spec(BulkFieldKind::Area, 3, Add, "x"));
    ASSERT_FALSE(notNumber);
    EXPECT_EQ(notNumber.error().message, "\"x\" is not a number");

    // Floats compute in double and are stored as float32: 1 + 0.1 is the float nearest 1.1.
    const auto floats = planBulkEdit(list, every, spec(BulkFieldKind::Area, 3, Add, "0.1"));
    ASSERT_TRUE(floats);
    EXPECT_EQ(floats.value().changes.size(), 3u);
    EXPECT_EQ(readI32At(floats.value().changes[0].second, SpawnLayout::kPositionXOffset),
              std::bit_cast<std::int32_t>(1.1f));

    // Setting what is already there changes nothing; the entry count may not be edited.
    const auto same = planBulkEdit(list, every, spec(BulkFieldKind::Area, 3, Set, "1"));
    ASSERT_TRUE(same);
    EXPECT_TRUE(same.value().changes.empty());
    EXPECT_FALSE(planBulkEdit(list, every, spec(BulkFieldKind::Area, 2, Set, "1")));
    EXPECT_EQ(groupThousands(1234567), "1,234,567");
    EXPECT_EQ(groupThousands(-999), "-999");
}

// A value is a decimal number as the JSON and the form write it, blanks around it dropped alike for
// every kind; a second sign, a lone point or a fraction where a whole number belongs is refused.
TEST(BulkEditTest, ValuesAreWholeDecimalNumbersOfTheFieldsKindOrTheEditIsRefused) {
    using enum BulkOperation;
    struct Row {
        BulkFieldKind kind;
        std::size_t field;
        BulkOperation operation;
        const char* text;
        bool accepted;
    };
    const Row rows[] = {
        // TimeResp, an int32 field: sign and digits, for a factor a point and up to 9 decimals.
        {BulkFieldKind::Entry, 3, Add, "5", true},
        {BulkFieldKind::Entry, 3, Add, "-5", true},
        {BulkFieldKind::Entry, 3, Add, "+5", true},
        {BulkFieldKind::Entry, 3, Add, " 5\t", true},
        {BulkFieldKind::Entry, 3, Add, "007", true},
        {BulkFieldKind::Entry, 3, Add, "+-5", false},
        {BulkFieldKind::Entry, 3, Add, "--5", false},
        {BulkFieldKind::Entry, 3, Add, "5 5", false},
        {BulkFieldKind::Entry, 3, Add, "1e2", false},
        {BulkFieldKind::Entry, 3, Set, "2.0", false},
        {BulkFieldKind::Entry, 3, Set, "99999999999999999999", false},
        {BulkFieldKind::Entry, 3, Multiply, "1.5 ", true},
        {BulkFieldKind::Entry, 3, Multiply, " 2 ", true},
        {BulkFieldKind::Entry, 3, Multiply, "-0.5", true},
        {BulkFieldKind::Entry, 3, Multiply, ".", false},
        {BulkFieldKind::Entry, 3, Multiply, ".5", false},
        {BulkFieldKind::Entry, 3, Multiply, "5.", false},
        {BulkFieldKind::Entry, 3, Multiply, "1.0000000001", false},
        {BulkFieldKind::Entry, 3, Multiply, "2e1", false},
        {BulkFieldKind::Entry, 3, Multiply, " ", false},
        // X, a float field: also a fraction and an exponent.
        {BulkFieldKind::Area, 3, Set, "-1.5e3", true},
        {BulkFieldKind::Area, 3, Add, "  0.25 ", true},
        {BulkFieldKind::Area, 3, Multiply, "1E-2", true},
        {BulkFieldKind::Area, 3, Set, "+-1", false},
        {BulkFieldKind::Area, 3, Set, "1e", false},
        {BulkFieldKind::Area, 3, Set, ".5", false},
        {BulkFieldKind::Area, 3, Set, "inf", false},
        {BulkFieldKind::Area, 3, Set, "nan", false},
        {BulkFieldKind::Area, 3, Set, "0x1p3", false},
        {BulkFieldKind::Area, 3, Multiply, ".", false},
        {BulkFieldKind::Area, 3, Set, "1e400", false},
    };
    const SpawnRecordList list = sampleList();
    const std::int32_t every[] = {1, 2, 3};
    for (const Row& row : rows) {
        const auto s = spec(row.kind, row.field, row.operation, row.text);
        const auto checked = checkBulkEditValue(s);
        EXPECT_EQ(checked.ok(), row.accepted) << "[" << row.text << "]";
        EXPECT_EQ(planBulkEdit(list, every, s).ok(), row.accepted) << "[" << row.text << "]";
        if (!row.accepted) {
            EXPECT_EQ(checked.error().message.find("\"" + std::string(row.text) + "\""), 0u)
                << checked.error().message;
        }
    }

    // The blanks make no difference to the result, and one sign is one sign.
    const auto spaced = planBulkEdit(list, every, spec(BulkFieldKind::Entry, 3, Multiply, "1.5 "));
    const auto plain = planBulkEdit(list, every, spec(BulkFieldKind::Entry, 3, Multiply, "1.5"));
    ASSERT_TRUE(spaced && plain);
    EXPECT_EQ(spaced.value().changes, plain.value().changes);
    const auto minus = planBulkEdit(list, std::span(every, 1), spec(BulkFieldKind::Entry, 3, Add, "-5"));
    ASSERT_TRUE(minus);
    EXPECT_EQ(timeResp(minus.value().changes[0].second, 0), 1996);

    // Only the entries of one NPC--ID is a choice of entry fields; an area field refuses it.
    auto area = spec(BulkFieldKind::Area, 3, Set, "1");
    area.onlyCreature = 16;
    EXPECT_FALSE(planBulkEdit(list, every, area));
    EXPECT_EQ(countText(1, "field", "fields"), "1 field");
    EXPECT_EQ(recordCountText(1), "1 record");
    EXPECT_EQ(countText(1234, "field", "fields"), "1,234 fields");
}
