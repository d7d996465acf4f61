#include "SpawnBytes.h"

#include "RecordMerge.h"
#include "SpawnFile.h"
#include "SpawnLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace spawn;
using namespace spawn::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = MergeConflictKind;

constexpr std::size_t kEntry = SpawnLayout::kAreaHeaderSize;
constexpr std::size_t kRespawn = kEntry + 8; // field 23
constexpr std::size_t kX = SpawnLayout::kPositionXOffset;
constexpr std::size_t kZ = SpawnLayout::kPositionZOffset;

// Record n of the tables: one entry, bytes unlike any other record's.
Bytes rec(std::uint8_t n) {
    return recordBytes(1, 500 + n, static_cast<std::uint8_t>(n * 37));
}

Bytes with(Bytes r, std::size_t offset, std::int32_t value) {
    writeI32At(r, offset, value);
    return r;
}

// The record with one more entry (its bytes counting down from 200).
Bytes grown(Bytes r) {
    for (std::size_t k = 0; k < SpawnLayout::kCreatureEntrySize; ++k) {
        r.push_back(static_cast<std::uint8_t>(200 - k));
    }
    writeI32At(r, SpawnLayout::kEntryCountOffset, readI32At(r, SpawnLayout::kEntryCountOffset) + 1);
    return r;
}

// Without its last entry.
Bytes shrunk(Bytes r) {
    r.resize(r.size() - SpawnLayout::kCreatureEntrySize);
    writeI32At(r, SpawnLayout::kEntryCountOffset, readI32At(r, SpawnLayout::kEntryCountOffset) - 1);
    return r;
}

SpawnFile fileOf(const std::vector<Bytes>& records, const Bytes& remainder = {}) {
    auto parsed =
        parseSpawnFile(fileBytes(static_cast<std::int32_t>(records.size()), records, remainder), {}, "t");
    EXPECT_FALSE(parsed.value().stopped);
    return std::move(parsed).value();
}

std::vector<Bytes> bytesOf(const SpawnRecordList& records) {
    std::vector<Bytes> out;
    for (const SpawnRecord& r : records) {
        out.push_back(r.bytes);
    }
    return out;
}

// What a test checks of a conflict: its kind, merged position and field.
struct ConflictAt {
    Kind kind;
    std::int32_t record;
    std::size_t field;
    bool operator==(const ConflictAt&) const = default;
};

std::vector<ConflictAt> conflictsOf(const SpawnMerge& merge) {
    std::vector<ConflictAt> out;
    for (const MergeConflict& c : merge.conflicts) {
        out.push_back({c.kind, c.record, c.field});
    }
    return out;
}

} // namespace

TEST(RecordMergeTest, EachRuleOfTheThreeWayMergeGivesItsRecordsConflictsAndCounts) {
    const Bytes r1 = rec(1), r2 = rec(2), r3 = rec(3), x = rec(20), y = rec(21), z = rec(22);
    const std::vector<Bytes> base = {r1, r2, r3};
    const struct {
        const char* rule;
        std::vector<Bytes> ours;
        std::vector<Bytes> theirs;
        std::optional<MergeSide> prefer;
        std::vector<Bytes> merged;
        std::int32_t fromOurs;
        std::int32_t fromTheirs;
        std::vector<ConflictAt> conflicts;
    } cases[] = {
        // clang-format off
        // rule; ours; theirs; preference; merged; from ours, from theirs; conflicts
        {"unchanged on both", base, base, {}, base, 0, 0, {}},
        {"changed on one side", {r1, with(r2, kX, 7), r3}, {r1, r2, with(r3, kZ, 8)}, {},
         {r1, with(r2, kX, 7), with(r3, kZ, 8)}, 1, 1, {}},
        {"removed on one side", {r1, r3}, {r1, r2, with(r3, kX, 7)}, {}, {r1, with(r3, kX, 7)}, 0, 1, {}},
        {"removed on both", {r1, r3}, {r1, r3}, {}, {r1, r3}, 0, 0, {}},
        {"changed alike on both", {r1, with(r2, kX, 7), r3}, {r1, with(r2, kX, 7), r3}, {},
         {r1, with(r2, kX, 7), r3}, 1, 1, {}},
        {"changed in other fields", {r1, with(r2, kX, 7), r3}, {r1, with(r2, kRespawn, 9), r3}, {},
         {r1, with(with(r2, kX, 7), kRespawn, 9), r3}, 1, 1, {}},
        {"one field changed differently", {r1, with(with(r2, kX, 7), kZ, 1), r3}, {r1, with(r2, kX, 8), r3}, {},
         {r1, with(with(r2, kX, 7), kZ, 1), r3}, 1, 0, {{Kind::Field, 2, 3}}},
        {"one field, theirs preferred", {r1, with(with(r2, kX, 7), kZ, 1), r3}, {r1, with(r2, kX, 8), r3},
         MergeSide::Theirs, {r1, with(with(r2, kX, 8), kZ, 1), r3}, 1, 1, {{Kind::Field, 2, 3}}},
        {"one side adds an entry, the other changes one", {r1, grown(r2), r3}, {r1, with(r2, kRespawn, 9), r3},
         {}, {r1, grown(with(r2, kRespawn, 9)), r3}, 1, 1, {}},
        {"both add an entry alike, then differ in a field", {r1, with(grown(r2), kX, 7), r3},
         {r1, with(grown(r2), kX, 8), r3}, {}, {r1, with(grown(r2), kX, 7), r3}, 1, 1, {{Kind::Field, 2, 3}}},
        {"entry counts apart", {r1, grown(r2), r3}, {r1, shrunk(r2), r3}, {}, {r1, grown(r2), r3}, 1, 0,
         {{Kind::Entries, 2, 2}}},
        {"an entry dropped that the other side changed", {r1, shrunk(r2), r3}, {r1, with(r2, kRespawn, 9), r3},
         MergeSide::Theirs, {r1, with(r2, kRespawn, 9), r3}, 0, 1, {{Kind::Entries, 2, 2}}},
        {"removed by ours, changed by theirs", {r1, r3}, {r1, with(r2, kX, 7), r3}, {},
         {r1, with(r2, kX, 7), r3}, 0, 1, {{Kind::RemovedChanged, 2, 0}}},
        {"removed by ours, changed by theirs, ours preferred", {r1, r3}, {r1, with(r2, kX, 7), r3},
         MergeSide::Ours, {r1, r3}, 0, 0, {{Kind::RemovedChanged, 0, 0}}},
        {"changed by ours, removed by theirs", {r1, with(r2, kX, 7), r3}, {r1, r3}, {},
         {r1, with(r2, kX, 7), r3}, 1, 0, {{Kind::ChangedRemoved, 2, 0}}},
        {"inserted after the same record", {r1, x, y, r2, r3}, {r1, z, r2, r3, x}, {},
         {r1, x, y, z, r2, r3, x}, 2, 2, {}},
        {"inserted alike at the same place", {x, r1, y, r2, r3}, {x, r1, y, r2, r3, z}, {},
         {x, r1, y, r2, r3, z}, 2, 3, {}},
        {"inserted where the other side removed", {r1, x, r3}, {r1, with(r2, kX, 7), r3}, {},
         {r1, with(r2, kX, 7), x, r3}, 1, 1, {{Kind::RemovedChanged, 2, 0}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const SpawnMerge merge = mergeSpawnFiles(fileOf(base), fileOf(c.ours), fileOf(c.theirs), c.prefer);
        EXPECT_EQ(bytesOf(merge.records), c.merged) << c.rule;
        EXPECT_EQ(merge.fromOurs, c.fromOurs) << c.rule;
        EXPECT_EQ(merge.fromTheirs, c.fromTheirs) << c.rule;
        EXPECT_EQ(conflictsOf(merge), c.conflicts) << c.rule;
        EXPECT_EQ(merge.hasOpenConflicts(), !c.conflicts.empty() && !c.prefer) << c.rule;
        EXPECT_EQ(merge.context.recordCountWord(), merge.records.count()) << c.rule;
    }
}

TEST(RecordMergeTest, ConflictsCarryEachSidesTextPositionsAndPreference) {
    const Bytes r1 = rec(1), r2 = rec(2);
    const SpawnFile base = fileOf({r1, r2});
    const SpawnMerge field = mergeSpawnFiles(base, fileOf({rec(9), r1, with(r2, kRespawn, 1470)}),
                                             fileOf({r1, with(r2, kRespawn, 735)}));
    ASSERT_EQ(field.conflicts.size(), 1u);
    MergeConflict expected{Kind::Field,
                           3,
                           2,
                           3,
                           2,
                           23,
                           "TimeResp: ",
                           std::to_string(readI32At(r2, kRespawn)),
                           "1470",
                           "735",
                           MergeHeaderPart::None,
                           std::nullopt};
    EXPECT_EQ(field.conflicts[0], expected);

    // Entries: the entry count on each side; removed by theirs: no position there.
    const SpawnMerge entries =
        mergeSpawnFiles(base, fileOf({r1, grown(r2)}), fileOf({r1, shrunk(r2)}), MergeSide::Ours);
    EXPECT_EQ(entries.conflicts.at(0), (MergeConflict{Kind::Entries, 2, 2, 2, 2, 2, "SubBlock: ", "1", "2",
                                                      "0", MergeHeaderPart::None, MergeSide::Ours}));
    const SpawnMerge removed =
        mergeSpawnFiles(base, fileOf({r1, with(r2, kX, 3)}), fileOf({r1}), MergeSide::Theirs);
    EXPECT_EQ(removed.conflicts.at(0),
              (MergeConflict{Kind::ChangedRemoved, 0, 2, 2, 0, 0, "", std::nullopt, std::nullopt,
                             std::nullopt, MergeHeaderPart::None, MergeSide::Theirs}));
    EXPECT_EQ(bytesOf(removed.records), std::vector<Bytes>{r1});
}

TEST(RecordMergeTest, TheLeadingBlockHeaderWordsAndRemainderMergeAsPartsAndTheCountWordCountsRecords) {
    auto fileWith = [](std::vector<Bytes> records, std::uint8_t lead, std::int32_t word2, std::int32_t word3,
                       Bytes remainder) {
        SpawnFile f = fileOf(records, remainder);
        f.context.leadingBlock[0] = lead;
        f.context.headerWords[2] = word2;
        f.context.headerWords[3] = word3;
        return f;
    };
    const Bytes r1 = rec(1);
    const Bytes longRemainder(70, 0xAB);
    const SpawnFile base = fileWith({r1}, 1, 10, 20, {1, 2});
    // Ours: another leading block and word 3; theirs: words 2 and 3 and the remainder, and a record.
    const SpawnFile ours = fileWith({r1}, 9, 10, 21, {1, 2});
    const SpawnFile theirs = fileWith({r1, rec(2)}, 1, 11, 22, longRemainder);
    const SpawnMerge merge = mergeSpawnFiles(base, ours, theirs);
    EXPECT_EQ(merge.context.leadingBlock[0], 9);
    EXPECT_EQ(merge.context.headerWords[1], -7);
    EXPECT_EQ(merge.context.headerWords[2], 11);
    EXPECT_EQ(merge.context.headerWords[3], 21);
    EXPECT_EQ(merge.context.remainder, longRemainder);
    EXPECT_EQ(merge.context.recordCountWord(), 2);
    ASSERT_EQ(merge.conflicts.size(), 1u);
    const MergeConflict& word = merge.conflicts[0];
    EXPECT_EQ(word.kind, Kind::Header);
    EXPECT_EQ(word.part, MergeHeaderPart::HeaderWord);
    EXPECT_EQ(word.field, 3u);
    EXPECT_EQ(word.record, 0);
    EXPECT_EQ(word.base, "20");
    EXPECT_EQ(word.ours, "21");
    EXPECT_EQ(word.theirs, "22");

    // Both sides change the remainder, theirs preferred; a long part is shown by size and digest.
    const SpawnMerge both =
        mergeSpawnFiles(base, fileWith({r1}, 5, 10, 20, Bytes(64, 1)), theirs, MergeSide::Theirs);
    EXPECT_EQ(both.context.leadingBlock[0], 5);
    EXPECT_EQ(both.context.remainder, longRemainder);
    ASSERT_EQ(both.conflicts.size(), 1u);
    EXPECT_EQ(both.conflicts[0].part, MergeHeaderPart::Remainder);
    EXPECT_EQ(both.conflicts[0].base, "0102");
    EXPECT_EQ(both.conflicts[0].ours->substr(0, 17), "64 bytes, sha256 ");
    EXPECT_EQ(both.conflicts[0].ours->size(), 17u + 64u);
    EXPECT_FALSE(both.hasOpenConflicts());
}

// A simple model of the merge, run on the edits that made each side rather than on an alignment:
// random records share next to no field, so the diff must find exactly those edits.
namespace {

struct SideEdits {
    std::vector<std::optional<Bytes>> fate;   // per base record: its bytes on the side, or removed
    std::vector<std::vector<Bytes>> inserted; // per slot 0..n: records inserted before base record k
    std::vector<Bytes> file(const std::vector<Bytes>& base) const {
        std::vector<Bytes> out;
        for (std::size_t k = 0; k <= base.size(); ++k) {
            out.insert(out.end(), inserted[k].begin(), inserted[k].end());
            if (k < base.size() && fate[k]) {
                out.push_back(*fate[k]);
            }
        }
        return out;
    }
};

// The fields of a record, each as its bytes.
std::vector<Bytes> fieldsOf(const Bytes& r) {
    std::vector<Bytes> fields;
    std::size_t offset = 0;
    const std::string types = recordFieldTypes(readI32At(r, SpawnLayout::kEntryCountOffset));
    for (const char t : types) {
        const std::size_t size = SpawnLayout::fieldSize(t);
        fields.emplace_back(r.begin() + static_cast<std::ptrdiff_t>(offset),
                            r.begin() + static_cast<std::ptrdiff_t>(offset + size));
        offset += size;
    }
    return fields;
}

struct ModelResult {
    std::vector<Bytes> records;
    std::vector<ConflictAt> conflicts;
    std::int32_t fromOurs = 0;
    std::int32_t fromTheirs = 0;
};

ModelResult modelMerge(const std::vector<Bytes>& base, const SideEdits& ours, const SideEdits& theirs) {
    ModelResult m;
    auto position = [&m] { return static_cast<std::int32_t>(m.records.size()); };
    for (std::size_t k = 0; k <= base.size(); ++k) {
        std::multiset<Bytes> oursInserted(ours.inserted[k].begin(), ours.inserted[k].end());
        for (const Bytes& r : ours.inserted[k]) {
            m.records.push_back(r);
            ++m.fromOurs;
        }
        for (const Bytes& r : theirs.inserted[k]) {
            if (const auto alike = oursInserted.find(r); alike != oursInserted.end()) {
                oursInserted.erase(alike);
            } else {
                m.records.push_back(r);
            }
            ++m.fromTheirs;
        }
        if (k == base.size()) {
            break;
        }
        const Bytes& b = base[k];
        const auto& o = ours.fate[k];
        const auto& t = theirs.fate[k];
        if (!o || !t) {
            const bool oChanged = o && *o != b;
            const bool tChanged = t && *t != b;
            if (oChanged || tChanged) {
                m.records.push_back(oChanged ? *o : *t);
                ++(oChanged ? m.fromOurs : m.fromTheirs);
                m.conflicts.push_back(
                    {oChanged ? Kind::ChangedRemoved : Kind::RemovedChanged, position(), 0});
            }
            continue;
        }
        if (*o == b || *t == b || *o == *t) {
            m.records.push_back(*o == b ? *t : *o);
            m.fromOurs += *o != b ? 1 : 0;
            m.fromTheirs += *t != b ? 1 : 0;
            continue;
        }
        const auto fb = fieldsOf(b), fo = fieldsOf(*o), ft = fieldsOf(*t);
        auto at = [](const std::vector<Bytes>& f, std::size_t i) {
            return i < f.size() ? std::optional(f[i]) : std::nullopt;
        };
        Bytes merged;
        std::vector<ConflictAt> fieldConflicts;
        bool entries = fo.size() != fb.size() && ft.size() != fb.size() && fo.size() != ft.size();
        bool tookOurs = false, tookTheirs = false;
        for (std::size_t i = 0; i < std::max({fb.size(), fo.size(), ft.size()}) && !entries; ++i) {
            const auto vb = at(fb, i), vo = at(fo, i), vt = at(ft, i);
            std::optional<Bytes> taken = vo;
            if (vo == vb) {
                taken = vt;
                tookTheirs = tookTheirs || vt != vb;
            } else if (vt == vb || vo == vt) {
                tookOurs = true;
                tookTheirs = tookTheirs || vo == vt;
            } else if (!vo || !vt) {
                entries = true;
            } else {
                fieldConflicts.push_back({Kind::Field, 0, i + 1});
                tookOurs = true;
            }
            if (taken) {
                merged.insert(merged.end(), taken->begin(), taken->end());
            }
        }
        if (entries) {
            m.records.push_back(*o);
            ++m.fromOurs;
            m.conflicts.push_back({Kind::Entries, position(), 2});
            continue;
        }
        m.records.push_back(merged);
        m.fromOurs += tookOurs ? 1 : 0;
        m.fromTheirs += tookTheirs ? 1 : 0;
        for (ConflictAt& c : fieldConflicts) {
            c.record = position();
            m.conflicts.push_back(c);
        }
    }
    return m;
}

} // namespace

TEST(RecordMergeTest, RandomThreeWayMergesOfSmallFilesMatchASimpleModel) {
    std::mt19937 random(20261231);
    auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto randomRecord = [&random] {
        Bytes r = recordBytes(static_cast<std::int32_t>(random() % 3));
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (i < SpawnLayout::kEntryCountOffset || i >= SpawnLayout::kEntryCountOffset + 4) {
                r[i] = static_cast<std::uint8_t>(random());
            }
        }
        return r;
    };
    // A few fields of the record changed, one entry more or one fewer now and then.
    auto changed = [&](const Bytes& r) {
        Bytes out = r;
        if (chance(15)) {
            out = readI32At(r, SpawnLayout::kEntryCountOffset) > 0 && chance(50) ? shrunk(r) : grown(r);
        }
        const std::size_t offsets[] = {kX, kZ, 0, 24, kEntry, kRespawn, kEntry + 60 + 8};
        for (int n = 1 + static_cast<int>(random() % 2); n > 0; --n) {
            const std::size_t at = offsets[random() % std::size(offsets)];
            if (at + 4 <= out.size()) {
                writeI32At(out, at, static_cast<std::int32_t>(random() % 3) + 1000);
            }
        }
        if (out == r) {
            writeI32At(out, kX, readI32At(out, kX) ^ 1);
        }
        return out;
    };
    for (int round = 0; round < 1500; ++round) {
        std::vector<Bytes> base(random() % 9);
        std::ranges::generate(base, randomRecord);
        auto makeSide = [&](const SideEdits* other) {
            SideEdits side;
            side.inserted.resize(base.size() + 1);
            for (std::size_t k = 0; k < base.size(); ++k) {
                if (other && chance(25)) {
                    side.fate.push_back(other->fate[k]); // the same edit as the other side
                } else {
                    side.fate.push_back(chance(15)   ? std::nullopt
                                        : chance(40) ? std::optional(changed(base[k]))
                                                     : base[k]);
                }
            }
            for (std::size_t k = 0; k <= base.size(); ++k) {
                if (other && !other->inserted[k].empty() && chance(30)) {
                    side.inserted[k].push_back(other->inserted[k].front());
                }
                while (chance(12)) {
                    side.inserted[k].push_back(randomRecord());
                }
            }
            // Records inserted just before ones the side removed sit after them in its file.
            for (std::size_t k = 0; k < base.size(); ++k) {
                if (!side.fate[k]) {
                    auto& next = side.inserted[k + 1];
                    next.insert(next.begin(), side.inserted[k].begin(), side.inserted[k].end());
                    side.inserted[k].clear();
                }
            }
            return side;
        };
        const SideEdits ours = makeSide(nullptr);
        const SideEdits theirs = makeSide(&ours);
        const ModelResult expected = modelMerge(base, ours, theirs);
        const SpawnMerge merge =
            mergeSpawnFiles(fileOf(base), fileOf(ours.file(base)), fileOf(theirs.file(base)));
        ASSERT_EQ(bytesOf(merge.records), expected.records) << "round " << round;
        ASSERT_EQ(conflictsOf(merge), expected.conflicts) << "round " << round;
        ASSERT_EQ(merge.fromOurs, expected.fromOurs) << "round " << round;
        ASSERT_EQ(merge.fromTheirs, expected.fromTheirs) << "round " << round;
    }
}
