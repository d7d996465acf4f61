#include "SpawnBytes.h"

#include "ByteReader.h"
#include "RecordDiff.h"
#include "Sha256.h"
#include "SpawnLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string_view>

using namespace spawn;
using namespace spawn::testing;

namespace {

using Records = std::vector<std::vector<std::uint8_t>>;
using Kind = RecordChangeKind;

// An area header of zeros but for its first field: any two such records share the other 19
// fields, so unmatched ones pair up in order.
std::vector<std::uint8_t> numbered(std::int32_t first) {
    std::vector<std::uint8_t> r(SpawnLayout::kAreaHeaderSize, 0);
    writeI32At(r, 0, first);
    return r;
}

// Records named by one letter each; equal letters are equal bytes.
Records lettered(std::string_view letters) {
    Records out;
    for (const char c : letters) {
        out.push_back(numbered(c));
    }
    return out;
}

std::vector<RecordBytesView> views(const Records& records) {
    return {records.begin(), records.end()};
}

RecordDiff diffOf(const Records& a, const Records& b) {
    return diffRecords(views(a), views(b));
}

std::size_t lcsLength(const Records& a, const Records& b) {
    std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            t[i][j] = a[i - 1] == b[j - 1] ? t[i - 1][j - 1] + 1 : std::max(t[i - 1][j], t[i][j - 1]);
        }
    }
    return t[a.size()][b.size()];
}

// Checks that the changes form an edit script of `a` into `b`: every position of each side is
// named once or left unnamed, the unnamed ones pair up in order with equal bytes, a change pairs
// records in order, and the changes come in file order. Gives the number of unnamed pairs.
std::size_t checkScript(const Records& a, const Records& b, const RecordDiff& diff) {
    std::vector<bool> namedA(a.size(), false);
    std::vector<bool> namedB(b.size(), false);
    std::int32_t lastA = 0;
    std::int32_t lastB = 0;
    for (const RecordChange& c : diff.changes) {
        if (c.kind != Kind::Added) {
            EXPECT_GT(c.a, lastA);
            EXPECT_FALSE(namedA.at(static_cast<std::size_t>(c.a - 1)));
            namedA.at(static_cast<std::size_t>(c.a - 1)) = true;
            lastA = c.a;
        }
        if (c.kind != Kind::Removed) {
            EXPECT_GT(c.b, lastB);
            namedB.at(static_cast<std::size_t>(c.b - 1)) = true;
            lastB = c.b;
        }
        EXPECT_EQ(c.a == 0, c.kind == Kind::Added);
        EXPECT_EQ(c.b == 0, c.kind == Kind::Removed);
    }
    std::vector<std::size_t> keptA;
    std::vector<std::size_t> keptB;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!namedA[i]) {
            keptA.push_back(i);
        }
    }
    for (std::size_t j = 0; j < b.size(); ++j) {
        if (!namedB[j]) {
            keptB.push_back(j);
        }
    }
    EXPECT_EQ(keptA.size(), keptB.size());
    for (std::size_t k = 0; k < std::min(keptA.size(), keptB.size()); ++k) {
        EXPECT_EQ(a[keptA[k]], b[keptB[k]]) << "kept pair " << k;
    }
    EXPECT_EQ(static_cast<std::size_t>(diff.unchanged), keptA.size());
    return keptA.size();
}

SpawnRecord recordOf(std::int32_t entries) {
    return SpawnRecord::fromBytes(recordBytes(entries)).value();
}

} // namespace

TEST(RecordDiffTest, Sha256GivesTheStandardDigestsAcrossTheBlockBoundaries) {
    auto digestOf = [](std::string_view text) {
        return sha256Hex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    };
    EXPECT_EQ(digestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the block, padding takes a second one.
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(digestOf(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(RecordDiffTest, InsertsRemovalsAndChangesAtTheStartMiddleAndEndAreFoundWhereTheyAre) {
    const struct {
        const char* a;
        const char* b;
        std::vector<RecordChange> changes;
    } cases[] = {
        {"abcde", "abcde", {}},
        {"abcde", "xabcde", {{Kind::Added, 0, 1}}},
        {"abcde", "abxcde", {{Kind::Added, 0, 3}}},
        {"abcde", "abcdex", {{Kind::Added, 0, 6}}},
        {"abcde", "bcde", {{Kind::Removed, 1, 0}}},
        {"abcde", "abde", {{Kind::Removed, 3, 0}}},
        {"abcde", "abcd", {{Kind::Removed, 5, 0}}},
        {"abcde", "xbcde", {{Kind::Changed, 1, 1}}},
        {"abcde", "abxde", {{Kind::Changed, 3, 3}}},
        {"abcde", "abcdx", {{Kind::Changed, 5, 5}}},
        // Between two matched records the unmatched ones pair up in order; the rest are left over.
        {"abcde", "axyzde", {{Kind::Changed, 2, 2}, {Kind::Changed, 3, 3}, {Kind::Added, 0, 4}}},
        {"abcdef",
         "axf",
         {{Kind::Changed, 2, 2}, {Kind::Removed, 3, 0}, {Kind::Removed, 4, 0}, {Kind::Removed, 5, 0}}},
        {"abc", "", {{Kind::Removed, 1, 0}, {Kind::Removed, 2, 0}, {Kind::Removed, 3, 0}}},
        {"", "ab", {{Kind::Added, 0, 1}, {Kind::Added, 0, 2}}},
        {"abc", "xyz", {{Kind::Changed, 1, 1}, {Kind::Changed, 2, 2}, {Kind::Changed, 3, 3}}},
    };
    for (const auto& c : cases) {
        const Records a = lettered(c.a);
        const Records b = lettered(c.b);
        const RecordDiff diff = diffOf(a, b);
        EXPECT_EQ(diff.changes, c.changes) << c.a << " -> " << c.b;
        EXPECT_EQ(static_cast<std::size_t>(diff.unchanged), lcsLength(a, b)) << c.a << " -> " << c.b;
    }
}

TEST(RecordDiffTest, SmallListsAlignOnALongestCommonSubsequenceAsAValidScript) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> letter(0, 3);
    for (int round = 0; round < 3000; ++round) {
        auto randomRecords = [&] {
            std::string letters(static_cast<std::size_t>(length(random)), 'a');
            for (char& c : letters) {
                c = static_cast<char>('a' + letter(random));
            }
            return lettered(letters);
        };
        const Records a = randomRecords();
        const Records b = randomRecords();
        const RecordDiff diff = diffOf(a, b);
        ASSERT_EQ(checkScript(a, b, diff), lcsLength(a, b)) << "round " << round;
    }
}

TEST(RecordDiffTest, LargeListsStayMinimalForFewChangesAndValidForVeryMany) {
    constexpr std::size_t kCount = 20000;
    Records a;
    for (std::size_t i = 0; i < kCount; ++i) {
        a.push_back(numbered(static_cast<std::int32_t>(i)));
    }
    // A hundred scattered changed records, one removed and one inserted.
    Records b = a;
    for (std::size_t k = 0; k < 100; ++k) {
        const std::size_t at = 150 + k * 195;
        b[at][7] = 0xFF;
    }
    b.erase(b.begin() + 10);
    b.insert(b.begin() + 5000, numbered(-1));
    const RecordDiff few = diffOf(a, b);
    EXPECT_EQ(checkScript(a, b, few), kCount - 101);
    EXPECT_EQ(few.changes.size(), 102u);
    EXPECT_EQ(few.changes.front(), (RecordChange{Kind::Removed, 11, 0}));
    EXPECT_EQ(few.changes[1], (RecordChange{Kind::Changed, 151, 150}));

    // Shuffled, nearly nothing lines up: the search is cut short but the script is still whole.
    Records shuffled = a;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    const RecordDiff many = diffOf(a, shuffled);
    const std::size_t kept = checkScript(a, shuffled, many);
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, kCount);

    // Sharing nothing: every record pairs with the one in its place.
    Records other = a;
    for (auto& r : other) {
        r.push_back(0);
    }
    const RecordDiff none = diffOf(a, other);
    EXPECT_EQ(none.unchanged, 0);
    ASSERT_EQ(none.changes.size(), kCount);
    EXPECT_EQ(none.changes.back(), (RecordChange{Kind::Changed, 20000, 20000}));
}

TEST(RecordDiffTest, UnmatchedRecordsPairByLikenessAndOnlyWhenHalfTheirAreaHeaderIsShared) {
    // Six unrelated records (their bytes count up from different seeds); then X set on every
    // record and the second removed. By position, records 2 to 6 would all have changed.
    Records a;
    for (std::uint8_t seed = 1; seed <= 6; ++seed) {
        a.push_back(recordBytes(2, 500, static_cast<std::uint8_t>(seed * 40)));
    }
    Records b;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i != 1) {
            b.push_back(a[i]);
            writeI32At(b.back(), SpawnLayout::kPositionXOffset, 12345);
        }
    }
    EXPECT_EQ(diffOf(a, b).changes, (std::vector<RecordChange>{{Kind::Changed, 1, 1},
                                                               {Kind::Removed, 2, 0},
                                                               {Kind::Changed, 3, 2},
                                                               {Kind::Changed, 4, 3},
                                                               {Kind::Changed, 5, 4},
                                                               {Kind::Changed, 6, 5}}));

    // A record sharing 10 of the 20 area fields still pairs, one sharing 9 does not.
    auto sharing = [](std::size_t fields) {
        auto r = numbered(1);
        for (std::size_t k = fields; k < 20; ++k) {
            r[k < 13 ? 4 * k : k < 16 ? 52 + (k - 13) : 55 + 4 * (k - 16)] = 0x7F;
        }
        return r;
    };
    const Records one = {numbered(1)};
    EXPECT_EQ(diffOf(one, {sharing(10)}).changes, (std::vector<RecordChange>{{Kind::Changed, 1, 1}}));
    EXPECT_EQ(diffOf(one, {sharing(9)}).changes,
              (std::vector<RecordChange>{{Kind::Removed, 1, 0}, {Kind::Added, 0, 1}}));
    // Entry fields count too: of two records alike in the header, the one whose entries are alike
    // pairs, whichever comes first; the order of the pairs is kept.
    auto entryAlike = recordBytes(1, 500, 9);
    auto entryOther = entryAlike;
    writeI32At(entryOther, SpawnLayout::kAreaHeaderSize + 4, 77);
    writeI32At(entryOther, SpawnLayout::kAreaHeaderSize + 8, 78);
    auto changed = entryAlike;
    writeI32At(changed, 0, 5);
    writeI32At(entryOther, 0, 6);
    EXPECT_EQ(diffOf({entryOther, entryAlike}, {changed}).changes,
              (std::vector<RecordChange>{{Kind::Removed, 1, 0}, {Kind::Changed, 2, 1}}));
    EXPECT_EQ(diffOf({entryAlike, numbered(3)}, {numbered(4), changed}).changes,
              (std::vector<RecordChange>{{Kind::Added, 0, 1}, {Kind::Changed, 1, 2}, {Kind::Removed, 2, 0}}));

    // Beyond 2,000 records a side the pairing keeps to a band along the gap: X set on all of 5,000
    // unrelated records and three of them removed still pairs every other record with its own.
    Records many;
    Records fewer;
    std::mt19937 random(31);
    for (std::size_t i = 0; i < 5000; ++i) {
        std::vector<std::uint8_t> r(SpawnLayout::kAreaHeaderSize);
        std::ranges::generate(r, [&random] { return static_cast<std::uint8_t>(random()); });
        writeI32At(r, SpawnLayout::kEntryCountOffset, 0);
        many.push_back(r);
        if (i != 3 && i != 2500 && i != 4990) {
            writeI32At(r, SpawnLayout::kPositionXOffset, 1);
            fewer.push_back(r);
        }
    }
    const RecordDiff banded = diffOf(many, fewer);
    ASSERT_EQ(banded.changes.size(), 5000u);
    std::size_t removed = 0;
    for (const RecordChange& c : banded.changes) {
        if (c.kind == Kind::Removed) {
            EXPECT_TRUE(c.a == 4 || c.a == 2501 || c.a == 4991) << c.a;
            ++removed;
        } else {
            ASSERT_EQ(c.kind, Kind::Changed);
            const auto& from = many[static_cast<std::size_t>(c.a - 1)];
            const auto& to = fewer[static_cast<std::size_t>(c.b - 1)];
            EXPECT_TRUE(std::equal(from.begin(), from.begin() + 8, to.begin())) << c.a << " -> " << c.b;
        }
    }
    EXPECT_EQ(removed, 3u);
}

TEST(RecordDiffTest, ChangedFieldsAreNumberedLabelledAndShownAsTheFormShowsThem) {
    SpawnRecord a = recordOf(1);
    SpawnRecord b = recordOf(2);
    // Same area header but for the entry count; the first entry's respawn time differs.
    std::copy_n(a.bytes.begin(), SpawnLayout::kAreaHeaderSize, b.bytes.begin());
    writeI32At(b.bytes, SpawnLayout::kEntryCountOffset, 2);
    std::copy_n(a.bytes.begin() + SpawnLayout::kAreaHeaderSize, SpawnLayout::kCreatureEntrySize,
                b.bytes.begin() + SpawnLayout::kAreaHeaderSize);
    writeI32At(b.bytes, SpawnLayout::kAreaHeaderSize + 8, 4000);
    const float x = 1.5f;
    writeI32At(b.bytes, SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(x));

    const auto fields = diffRecordFields(a, b);
    ASSERT_EQ(fields.size(), 3u + 18u);
    EXPECT_EQ(fields[0], (FieldChange{2, "SubBlock: ", "1", "2"}));
    EXPECT_EQ(fields[1].number, 3u);
    EXPECT_EQ(fields[1].label, "X--->: ");
    EXPECT_EQ(fields[1].b, "1.500000000000000000");
    EXPECT_EQ(fields[2], (FieldChange{23, "TimeResp: ", std::to_string(readI32At(a.bytes, 79)), "4000"}));
    // The second entry is only in b.
    EXPECT_EQ(fields[3], (FieldChange{39, "NPC--ID: ", std::nullopt, "501"}));
    EXPECT_EQ(fields.back().number, 56u);
    EXPECT_FALSE(fields.back().a.has_value());
    EXPECT_TRUE(diffRecordFields(a, a).empty());
    // The other way round, the missing side swaps.
    EXPECT_EQ(diffRecordFields(b, a)[3], (FieldChange{39, "NPC--ID: ", "501", std::nullopt}));
}

TEST(RecordDiffTest, ChangedRecordIndexesNameTheAddedAndChangedRecordsOfTheNewListFromASnapshot) {
    SpawnRecordList list;
    for (std::int32_t i = 0; i < 5; ++i) {
        list.append(SpawnRecord::fromBytes(recordBytes(1, 100 + i)).value());
    }
    const RecordBytesSnapshot snapshot(list);
    ASSERT_EQ(snapshot.count(), 5u);
    EXPECT_TRUE(changedRecordIndexes(snapshot.views(), recordBytesViews(list)).empty());

    list.removeAt(2);                                                     // 100 102 103 104
    list.replaceAt(3, SpawnRecord::fromBytes(recordBytes(2, 7)).value()); // 100 102 new 104
    list.append(SpawnRecord::fromBytes(recordBytes(0)).value());          // ... 104 new
    EXPECT_EQ(changedRecordIndexes(snapshot.views(), recordBytesViews(list)),
              (std::vector<std::int32_t>{2, 4}));
    // The snapshot kept its own copy of the bytes.
    EXPECT_EQ(std::vector<std::uint8_t>(snapshot.views()[1].begin(), snapshot.views()[1].end()),
              recordBytes(1, 101));
}
