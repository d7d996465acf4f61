#include "SpawnBytes.h"

#include "ElementNameTables.h"
#include "SpawnLayout.h"
#include "SpawnRecord.h"

#include <gtest/gtest.h>

using namespace spawn;
using spawn::testing::recordBytes;

namespace {

SpawnRecord makeRecord(std::int32_t entryCount, std::int32_t firstId) {
    return SpawnRecord::fromBytes(recordBytes(entryCount, firstId)).value();
}

std::vector<std::int32_t> idsOf(const SpawnRecordList& list) {
    std::vector<std::int32_t> ids;
    for (const auto& r : list) {
        ids.push_back(r.creatureId);
    }
    return ids;
}

} // namespace

TEST(SpawnRecordTest, RecordWithoutEntriesIs71BytesWithIdZeroAndTheNotFoundName) {
    const auto record = SpawnRecord::fromBytes(recordBytes(0));
    ASSERT_TRUE(record.ok());
    EXPECT_EQ(record.value().bytes.size(), 71u);
    EXPECT_EQ(record.value().entryCount, 0);
    EXPECT_EQ(record.value().creatureId, 0);
    EXPECT_EQ(record.value().displayName, "没有找到！");
}

TEST(SpawnRecordTest, RecordWithHundredEntriesIs6071BytesAndHundredOneIsRefused) {
    const auto full = SpawnRecord::fromBytes(recordBytes(100, 77));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.value().bytes.size(), 6071u);
    EXPECT_EQ(full.value().creatureId, 77);

    auto tooMany = recordBytes(100);
    writeI32At(tooMany, SpawnLayout::kEntryCountOffset, 101);
    EXPECT_FALSE(SpawnRecord::fromBytes(tooMany).ok());
    writeI32At(tooMany, SpawnLayout::kEntryCountOffset, -1);
    EXPECT_FALSE(SpawnRecord::fromBytes(tooMany).ok());
}

TEST(SpawnRecordTest, BytesThatDoNotMatchTheEntryCountAreRefused) {
    auto bytes = recordBytes(2);
    bytes.pop_back();
    EXPECT_FALSE(SpawnRecord::fromBytes(bytes).ok());
    EXPECT_FALSE(SpawnRecord::fromBytes(std::vector<std::uint8_t>(70)).ok());
}

TEST(SpawnRecordTest, CombinedFieldTypesHaveTwentyPlusEighteenPerEntryFields) {
    EXPECT_EQ(recordFieldTypes(0), "22111121111220002222");
    const std::string two = recordFieldTypes(2);
    EXPECT_EQ(two.size(), 20u + 2 * 18u);
    EXPECT_EQ(two.substr(20, 18), "222222222200002222");
    EXPECT_EQ(SpawnLayout::fieldStringSize(recordFieldTypes(100)), 6071u);
}

TEST(SpawnRecordTest, NameIsTakenFromTheTablesOnlyWhenTheIdIsFound) {
    const ElementNameTables names(NameTable{{500}, {"灰狼"}}, NameTable{});
    auto found = makeRecord(1, 500);
    found.applyName(names);
    EXPECT_EQ(found.displayName, "灰狼");

    auto missing = makeRecord(1, 501);
    missing.applyName(names);
    EXPECT_EQ(missing.displayName, "没有找到！");

    // A record without entries has ID 0 but never looks it up, even when 0 has a name.
    const ElementNameTables zeroNamed(NameTable{{0}, {"zero"}}, NameTable{});
    auto empty = makeRecord(0, 0);
    empty.applyName(zeroNamed);
    EXPECT_EQ(empty.displayName, "没有找到！");
}

TEST(SpawnRecordListTest, ReplacingTheOnlyRecordLeavesItLastSoAppendFollowsIt) {
    SpawnRecordList list;
    list.append(makeRecord(1, 1));
    ASSERT_TRUE(list.replaceAt(1, makeRecord(1, 2)));
    list.append(makeRecord(1, 3));
    EXPECT_EQ(idsOf(list), (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(list.count(), 2);
}

TEST(SpawnRecordListTest, RemovingAtEitherEndKeepsTheOthersInOrder) {
    SpawnRecordList list;
    for (std::int32_t id = 1; id <= 4; ++id) {
        list.append(makeRecord(1, id));
    }
    ASSERT_TRUE(list.removeAt(4));
    ASSERT_TRUE(list.removeAt(1));
    EXPECT_EQ(idsOf(list), (std::vector<std::int32_t>{2, 3}));
    ASSERT_TRUE(list.removeAt(2));
    EXPECT_EQ(idsOf(list), (std::vector<std::int32_t>{2}));
    list.append(makeRecord(1, 9));
    EXPECT_EQ(list.at(2).creatureId, 9);
}

TEST(SpawnRecordListTest, PositionsOutsideOneToCountChangeNothing) {
    SpawnRecordList list;
    EXPECT_FALSE(list.removeAt(1));
    EXPECT_FALSE(list.replaceAt(1, makeRecord(0, 0)));
    list.append(makeRecord(1, 5));
    EXPECT_FALSE(list.removeAt(0));
    EXPECT_FALSE(list.removeAt(2));
    EXPECT_FALSE(list.replaceAt(-1, makeRecord(0, 0)));
    EXPECT_FALSE(list.replaceAt(2, makeRecord(0, 0)));
    EXPECT_EQ(idsOf(list), (std::vector<std::int32_t>{5}));
}

// Removals and their undoing at random places, against a plain vector doing the same: every
// record, its serial and its place, and the serials looked up, copies and moves of the list.
TEST(SpawnRecordListTest, RemovedAndPutBackRecordsKeepTheirPlacesAndSerialsAsAPlainVectorWould) {
    SpawnRecordList list;
    std::vector<std::pair<std::int32_t, std::uint64_t>> model; // creature ID and serial, in order
    for (std::int32_t id = 1; id <= 60; ++id) {
        list.append(makeRecord(1, id));
        model.emplace_back(id, list.at(id).serial);
    }
    const auto matches = [](const SpawnRecordList& l, const auto& m) {
        if (l.count() != static_cast<std::int32_t>(m.size())) {
            return false;
        }
        for (std::size_t i = 0; i < m.size(); ++i) {
            const auto position = static_cast<std::int32_t>(i + 1);
            if (l.at(position).creatureId != m[i].first || l.creatureIds()[i] != m[i].first ||
                l.at(position).serial != m[i].second || l.positionOf(m[i].second) != position) {
                return false;
            }
        }
        return true;
    };
    std::uint32_t seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000; };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::int32_t> positions;
        for (std::int32_t p = 1; p <= list.count(); ++p) {
            if (next() % 5 == 0 || (round % 7 == 0 && p == 1)) {
                positions.push_back(p);
            }
        }
        auto expected = model;
        for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
            expected.erase(expected.begin() + (*it - 1));
        }
        auto taken = list.removePositions(positions);
        ASSERT_EQ(taken.size(), positions.size());
        ASSERT_TRUE(matches(list, expected)) << "round " << round;
        if (round % 3 != 0) {
            list.insertPositions(positions, std::move(taken)); // taken back
            ASSERT_TRUE(matches(list, model)) << "round " << round;
        } else {
            // A record replaced where it stands is found by its new creature ID.
            model = expected;
            if (!model.empty()) {
                ASSERT_TRUE(list.replaceAt(1, makeRecord(1, 3000 + round)));
                model.front().first = 3000 + round;
            }
            ASSERT_TRUE(matches(list, model));
            // New records at the end get new serials, counting up.
            std::vector<std::int32_t> at{list.count() + 1, list.count() + 2};
            std::vector<SpawnRecord> fresh;
            fresh.push_back(makeRecord(1, 1000 + round));
            fresh.push_back(makeRecord(1, 2000 + round));
            list.insertPositions(at, std::move(fresh));
            ASSERT_LT(list.at(at[0]).serial, list.at(at[1]).serial);
            model.emplace_back(1000 + round, list.at(at[0]).serial);
            model.emplace_back(2000 + round, list.at(at[1]).serial);
            ASSERT_TRUE(matches(list, model));
        }
    }
    const SpawnRecordList copy = list;
    SpawnRecordList moved = std::move(list);
    EXPECT_TRUE(matches(copy, model));
    EXPECT_TRUE(matches(moved, model));
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.positionOf(model.front().second), std::nullopt);
}
