#include "ProblemBytes.h"

#include "ElementDatabase.h"
#include "ProblemIndex.h"
#include "SpawnDocument.h"

#include <gtest/gtest.h>

#include <random>

using namespace spawn;
using namespace spawn::testing;

namespace {

SpawnRecord recordOf(const std::vector<std::uint8_t>& bytes) {
    return SpawnRecord::fromBytes(bytes).value();
}

// What checking the whole document afresh lists: what the model must show after any step.
std::vector<Problem> freshCheck(const SpawnDocument& document, const ElementNameTables& names) {
    SpawnFile file;
    file.context = document.context();
    file.records = document.records();
    file.stopped = document.loadStop();
    return lintSpawnFile(file, &names);
}

struct Checking {
    explicit Checking(const std::vector<std::uint8_t>& bytes) {
        document.load(parseSpawnFile(bytes, names, "mobset.data").value(), "mobset.data");
    }

    const ElementNameTables names = readElementDatabase(problemDatabaseBytes()).value().names;
    SpawnDocument document;
    ProblemIndex model{document, &names};
};

std::string textOf(const std::vector<Problem>& problems, ProblemCode code, std::int32_t position) {
    for (const Problem& p : problems) {
        if (p.code == code && p.position == position) {
            return p.text;
        }
    }
    return "(none)";
}

} // namespace

TEST(ProblemIndexTest, ListFollowsApplyRemoveNewUndoAndRedoAsAFreshCheckWouldList) {
    Checking c(problemFileBytes());
    const std::vector<Problem> atLoad = c.model.problems();
    ASSERT_EQ(atLoad, freshCheck(c.document, c.names));
    ASSERT_EQ(c.model.problemCount(), 12);
    int changed = 0;
    const Subscription counting = c.model.problemsChanged.connect([&changed] { ++changed; });

    // The row shows the position, the field's label and the text; a file-level row has no record.
    EXPECT_EQ(c.model.cellText(6, ProblemIndex::PositionColumn), "4");
    EXPECT_EQ(c.model.cellText(6, ProblemIndex::FieldColumn), "NPC--ID:");
    EXPECT_EQ(c.model.recordPositionOfRow(6), 4);
    EXPECT_EQ(c.model.recordPositionOfRow(1), std::nullopt); // stopped-load
    EXPECT_EQ(c.model.recordPositionOfRow(12), std::nullopt);

    // Apply: record 4 fixed, record 1 changed so that 6 now repeats 5.
    ASSERT_TRUE(c.document.replaceRecord(4, recordOf(areaBytes({{16, 2, 30}}))));
    EXPECT_EQ(c.model.problems(), freshCheck(c.document, c.names));
    ASSERT_TRUE(c.document.replaceRecord(1, recordOf(areaBytes({{321, 2, 30}}))));
    EXPECT_EQ(c.model.problems(), freshCheck(c.document, c.names));
    EXPECT_EQ(textOf(c.model.problems(), ProblemCode::Duplicate, 6), "the same bytes as record 5");

    // Remove: every later record moves up, and so does the record a duplicate names.
    ASSERT_TRUE(c.document.removeRecord(2));
    EXPECT_EQ(c.model.problems(), freshCheck(c.document, c.names));
    EXPECT_EQ(textOf(c.model.problems(), ProblemCode::Duplicate, 5), "the same bytes as record 4");

    // New: a copy of the (changed) first record; the count word follows, so count-word stays.
    c.document.appendRecord(c.document.records().at(1));
    EXPECT_EQ(c.model.problems(), freshCheck(c.document, c.names));
    EXPECT_EQ(textOf(c.model.problems(), ProblemCode::Duplicate, 6), "the same bytes as record 1");
    EXPECT_EQ(changed, 4);

    std::vector<std::vector<Problem>> forward;
    while (c.document.undo()) {
        forward.push_back(c.model.problems());
        EXPECT_EQ(c.model.problems(), freshCheck(c.document, c.names));
    }
    EXPECT_EQ(c.model.problems(), atLoad);
    while (c.document.redo()) {
        EXPECT_EQ(c.model.problems(), freshCheck(c.document, c.names));
    }
    EXPECT_EQ(forward.size(), 4u);
}

TEST(ProblemIndexTest, ARandomWalkOfStepsOverManyDuplicatesAlwaysMatchesAFreshCheck) {
    // Few distinct records, so that most steps make or break duplicates.
    const std::vector<std::vector<std::uint8_t>> kinds = {
        areaBytes({{16, 1, 5}}), areaBytes({}), areaBytes({{99, 0, -1}}, 4010.0f),
        areaBytes({{321, 2, 7}, {16, 1, 1}}, 10.0f, 0, -20.0f)};
    std::vector<std::vector<std::uint8_t>> records;
    for (std::size_t i = 0; i < 24; ++i) {
        records.push_back(kinds[i % 3]);
    }
    Checking c(fileBytes(24, records));
    std::mt19937 dice(20261209);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(dice() % n); };
    auto anyPosition = [&] {
        return static_cast<std::int32_t>(1 + pick(static_cast<std::size_t>(c.document.records().count())));
    };
    for (int step = 0; step < 300; ++step) {
        switch (pick(10)) {
        case 0:
        case 1:
            c.document.replaceRecord(anyPosition(), recordOf(kinds[pick(kinds.size())]));
            break;
        case 2:
            if (c.document.records().count() > 1) {
                c.document.removeRecord(anyPosition());
            }
            break;
        case 3:
            c.document.appendRecord(recordOf(kinds[pick(kinds.size())]));
            break;
        case 4: // steps of many records, scattered over the file
            c.document.replaceRecords({{anyPosition(), recordOf(kinds[pick(kinds.size())])},
                                       {anyPosition(), recordOf(kinds[pick(kinds.size())])},
                                       {anyPosition(), recordOf(kinds[pick(kinds.size())])}},
                                      "Replace");
            break;
        case 5:
            if (c.document.records().count() > 3) {
                c.document.removeRecords({anyPosition(), anyPosition(), anyPosition()},
                                         "Remove");
            }
            break;
        case 6:
            c.document.appendRecords(
                {recordOf(kinds[pick(kinds.size())]), recordOf(kinds[pick(kinds.size())])},
                "Add");
            break;
        case 7:
            c.document.undo();
            break;
        case 8:
            c.document.redo();
            break;
        default:
            if (pick(10) == 0) { // another file: the serials start again
                c.document.load(
                    parseSpawnFile(fileBytes(5, {kinds[3], kinds[3], kinds[0], kinds[1], kinds[2]}), c.names,
                                   "other.data")
                        .value(),
                    "other.data");
            }
            break;
        }
        ASSERT_EQ(c.model.problems(), freshCheck(c.document, c.names)) << "after step " << step;
    }
}
