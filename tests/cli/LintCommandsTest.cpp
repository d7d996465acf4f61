#include "ProblemBytes.h"
#include "TempFolder.h"

#include "SpawnTool.h"

#include <gtest/gtest.h>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;

namespace {

struct LintWorld {
    LintWorld() {
        writeBytes(dir.file("m.data"), problemFileBytes());
        writeBytes(dir.file("clean.data"), cleanFileBytes());
        writeBytes(dir.file("e.data"), problemDatabaseBytes());
    }
    std::string file() const { return dir.file("m.data"); }
    std::string elements() const { return dir.file("e.data"); }

    const TempFolder dir;
};

} // namespace

TEST(LintCommandsTest, LintPrintsEveryProblemAndTheCountsAndExitsOneWhileAnyIsLeft) {
    const LintWorld w;
    const auto result = runSpawnTool({"lint", w.file(), "--elements", w.elements()});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(
        result.out,
        R"j({"problems":[)j"
        R"j({"position":null,"field":null,"code":"count-word","text":"the record-count word is 9 but 6 records were read"},)j"
        R"j({"position":7,"field":null,"code":"stopped-load","text":"6:101 Big"},)j"
        R"j({"position":2,"field":2,"code":"no-entries","text":"no creature entries: the area spawns nothing"},)j"
        R"j({"position":3,"field":3,"code":"not-finite","text":"X is inf, not a finite number"},)j"
        R"j({"position":3,"field":4,"code":"not-finite","text":"Y is nan, not a finite number"},)j"
        R"j({"position":4,"field":3,"code":"off-map","text":"map point (801, 550) lies off the map (columns 0..800, rows 0..1100)"},)j"
        R"j({"position":4,"field":21,"code":"unknown-creature","text":"entry 1: creature 99 is not in the element database"},)j"
        R"j({"position":4,"field":22,"code":"zero-count","text":"entry 1: Total--> is 0: nothing spawns"},)j"
        R"j({"position":4,"field":23,"code":"negative-respawn","text":"entry 1: TimeResp is -1, below 0"},)j"
        R"j({"position":4,"field":41,"code":"negative-respawn","text":"entry 2: TimeResp is -20, below 0"},)j"
        R"j({"position":5,"field":null,"code":"duplicate","text":"the same bytes as record 1"},)j"
        R"j({"position":6,"field":null,"code":"duplicate","text":"the same bytes as record 1"}],)j"
        R"j("counts":{"stopped-load":1,"count-word":1,"no-entries":1,"not-finite":2,"off-map":1,)j"
        R"j("unknown-creature":1,"zero-count":1,"negative-respawn":2,"duplicate":2}})j"
        "\n");

    // Without the database no creature is unknown.
    const auto withoutNames = runSpawnTool({"lint", w.file()});
    EXPECT_EQ(withoutNames.exitCode, 1);
    EXPECT_EQ(withoutNames.out.find("unknown-creature"), std::string::npos);

    const auto clean = runSpawnTool({"lint", w.dir.file("clean.data"), "--elements", w.elements()});
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_EQ(clean.out, "{\"problems\":[],\"counts\":{}}\n");
}

TEST(LintCommandsTest, IgnoredCodesLeaveTheListAndTheCountsAndNothingLeftExitsZero) {
    const LintWorld w;
    const auto some = runSpawnTool({"lint", w.file(), "--ignore", "duplicate", "--ignore", "not-finite",
                                    "--ignore", "negative-respawn", "--ignore", "count-word", "--ignore",
                                    "stopped-load", "--ignore", "no-entries", "--ignore", "off-map"});
    EXPECT_EQ(some.exitCode, 1) << some.err;
    EXPECT_EQ(
        some.out,
        R"j({"problems":[{"position":4,"field":22,"code":"zero-count","text":"entry 1: Total--> is 0: nothing spawns"}],)j"
        R"j("counts":{"zero-count":1}})j"
        "\n");

    const auto none =
        runSpawnTool({"lint", "--ignore", "duplicate", w.file(), "--ignore", "not-finite", "--ignore",
                      "negative-respawn", "--ignore", "count-word", "--ignore", "stopped-load", "--ignore",
                      "no-entries", "--ignore", "off-map", "--ignore", "zero-count"});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "{\"problems\":[],\"counts\":{}}\n");
}

TEST(LintCommandsTest, UnreadableFilesAndUnknownCodesExitTwo) {
    const LintWorld w;
    const auto missing = runSpawnTool({"lint", w.dir.file("none.data")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("none.data"), std::string::npos) << missing.err;

    writeBytes(w.dir.file("short.data"), {1, 2, 3});
    EXPECT_EQ(runSpawnTool({"lint", w.dir.file("short.data")}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"lint", w.file(), "--elements", w.dir.file("none.db")}).exitCode, 2);
    // A database that is no database: its own fatal message, and nothing linted.
    EXPECT_EQ(runSpawnTool({"lint", w.file(), "--elements", w.file()}).exitCode, 2);

    const auto unknown = runSpawnTool({"lint", w.file(), "--ignore", "no-such-code"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.empty());
}
