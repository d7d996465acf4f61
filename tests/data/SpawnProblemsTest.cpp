#include "ProblemBytes.h"

#include "ElementDatabase.h"
#include "SpawnFile.h"
#include "SpawnProblems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <tuple>

using namespace spawn;
using namespace spawn::testing;

namespace {

SpawnFile parsed(const std::vector<std::uint8_t>& bytes) {
    return parseSpawnFile(bytes, ElementNameTables{}, "m.data").value();
}

ElementNameTables database() {
    return readElementDatabase(problemDatabaseBytes()).value().names;
}

using Where = std::tuple<std::string_view, std::optional<std::int32_t>, std::optional<std::size_t>>;

std::vector<Where> whereOf(const std::vector<Problem>& problems) {
    std::vector<Where> out;
    for (const Problem& p : problems) {
        out.emplace_back(problemCodeName(p.code), p.position, p.field);
    }
    return out;
}

// The problems of a one-record file whose area lies at (x, 0, z).
std::vector<Where> problemsAt(float x, float z) {
    const auto bytes = fileBytes(1, {areaBytes({{16, 1, 1}}, x, 0, z)});
    return whereOf(lintSpawnFile(parsed(bytes), nullptr));
}

} // namespace

TEST(SpawnProblemsTest, CraftedFileGivesEveryKindOfProblemInOrderAndACleanFileNone) {
    const ElementNameTables names = database();
    const auto problems = lintSpawnFile(parsed(problemFileBytes()), &names);
    const std::vector<Where> expected = {
        {"count-word", std::nullopt, std::nullopt},
        {"stopped-load", 7, std::nullopt},
        {"no-entries", 2, 2},
        {"not-finite", 3, 3},
        {"not-finite", 3, 4},
        {"off-map", 4, 3},
        {"unknown-creature", 4, 21},
        {"zero-count", 4, 22},
        {"negative-respawn", 4, 23},
        {"negative-respawn", 4, 41},
        {"duplicate", 5, std::nullopt},
        {"duplicate", 6, std::nullopt},
    };
    EXPECT_EQ(whereOf(problems), expected);
    EXPECT_TRUE(std::is_sorted(problems.begin(), problems.end(), problemComesBefore));
    // The stop is told as the load told it; a duplicate names the first record of its bytes.
    EXPECT_EQ(problems[1].text, "6:101 Big");
    EXPECT_EQ(problems[11].text, "the same bytes as record 1");

    // Without a database no creature is unknown; the rest stays.
    const auto withoutNames = lintSpawnFile(parsed(problemFileBytes()), nullptr);
    EXPECT_EQ(withoutNames.size(), problems.size() - 1);
    EXPECT_TRUE(std::none_of(withoutNames.begin(), withoutNames.end(),
                             [](const Problem& p) { return p.code == ProblemCode::UnknownCreature; }));

    EXPECT_TRUE(lintSpawnFile(parsed(cleanFileBytes()), &names).empty());
}

TEST(SpawnProblemsTest, OffMapUsesTheMarkersTruncatedTenthWithBothEdgesOnTheMap) {
    const std::vector<Where> none;
    const std::vector<Where> offMap = {{"off-map", 1, 3}};
    EXPECT_EQ(problemsAt(4000.0f, 0), none);         // column 800
    EXPECT_EQ(problemsAt(-4000.0f, -5500.0f), none); // column 0, row 0
    EXPECT_EQ(problemsAt(4009.0f, 5509.0f), none);   // tenths 400.9 and 550.9 truncate to the edges
    EXPECT_EQ(problemsAt(-4009.0f, 0), none);        // -400.9 truncates toward zero: column 0
    EXPECT_EQ(problemsAt(4010.0f, 0), offMap);       // column 801
    EXPECT_EQ(problemsAt(-4010.0f, 0), offMap);      // column -1
    EXPECT_EQ(problemsAt(0, 5510.0f), offMap);       // row 1101
    EXPECT_EQ(problemsAt(0, -5510.0f), offMap);      // row -1
    EXPECT_EQ(problemsAt(std::numeric_limits<float>::max(), 0), offMap); // far beyond the int range
    const std::vector<Where> notFinite = {{"not-finite", 1, 5}};
    EXPECT_EQ(problemsAt(0, -std::numeric_limits<float>::infinity()), notFinite);
}

TEST(SpawnProblemsTest, CodeNamesReadBackAndUnknownNamesAreRefused) {
    for (const ProblemCode code : kProblemCodes) {
        EXPECT_EQ(problemCodeFromName(problemCodeName(code)), code);
    }
    EXPECT_EQ(problemCodeFromName("Duplicate"), std::nullopt);
    EXPECT_EQ(problemCodeFromName(""), std::nullopt);
}

TEST(SpawnProblemsTest, CreaturesAreKnownByEitherListWhetherTheirIdsLieCloseOrFarApart) {
    const auto unknownIds = [](const ElementNameTables& names, const std::vector<std::int32_t>& ids) {
        std::vector<EntryValues> entries;
        for (const std::int32_t id : ids) {
            entries.push_back({id, 1, 1});
        }
        std::vector<std::int32_t> unknown;
        const auto file = parsed(fileBytes(1, {areaBytes(entries)}));
        for (const Problem& p : lintSpawnFile(file, &names)) {
            unknown.push_back(std::stoi(p.text.substr(p.text.find("creature ") + 9)));
        }
        return unknown;
    };
    const std::vector<std::int32_t> asked = {-5, 15, 16,      17,
                                             80, 81, 1 << 30, std::numeric_limits<std::int32_t>::min()};
    const ElementNameTables close({{16, 80}, {"a", "b"}}, {{-5}, {"c"}});
    EXPECT_EQ(unknownIds(close, asked),
              (std::vector<std::int32_t>{15, 17, 81, 1 << 30, std::numeric_limits<std::int32_t>::min()}));
    const ElementNameTables farApart({{16}, {"a"}},
                                     {{1 << 30, std::numeric_limits<std::int32_t>::min()}, {"b", "c"}});
    EXPECT_EQ(unknownIds(farApart, asked), (std::vector<std::int32_t>{-5, 15, 17, 80, 81}));
}
