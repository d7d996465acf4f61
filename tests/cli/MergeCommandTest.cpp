#include "ElementBytes.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kRespawn = SpawnLayout::kAreaHeaderSize + 8;

Bytes with(Bytes r, std::size_t offset, std::int32_t value) {
    writeI32At(r, offset, value);
    return r;
}

// BASE: three records. OURS: record 1's respawn time set, record 3's too, a record inserted after
// record 2. THEIRS: record 2's X set, record 3's respawn time set otherwise, a record at the end.
struct ThreeFiles {
    ThreeFiles() {
        writeBytes(base(), fileBytes(3, {r1, r2, r3}));
        writeBytes(ours(), fileBytes(4, {with(r1, kRespawn, 100), r2, inserted, with(r3, kRespawn, 2940)}));
        writeBytes(theirs(), fileBytes(4, {r1, with(r2, SpawnLayout::kPositionXOffset, 5),
                                           with(r3, kRespawn, 735), appended}));
        ElementBytes db;
        db.creatures = {{16, utf16(u"Grey Wolf")}, {501, utf16(u"Marsh Heron")}};
        writeBytes(elements(), db.build());
    }
    std::string base() const { return dir.file("base.data"); }
    std::string ours() const { return dir.file("ours.data"); }
    std::string theirs() const { return dir.file("theirs.data"); }
    std::string elements() const { return dir.file("e.data"); }
    std::string out() const { return dir.file("out.data"); }

    // The merge with the conflict on record 3 resolved one way or the other.
    Bytes merged(std::int32_t respawn3) const {
        return fileBytes(5, {with(r1, kRespawn, 100), with(r2, SpawnLayout::kPositionXOffset, 5), inserted,
                             with(r3, kRespawn, respawn3), appended});
    }

    const TempFolder dir;
    const Bytes r1 = recordBytes(1, 16, 1);
    const Bytes r2 = recordBytes(1, 501, 90);
    const Bytes r3 = with(recordBytes(1, 16, 180), kRespawn, 1470);
    const Bytes inserted = recordBytes(0, 0, 30);
    const Bytes appended = recordBytes(2, 501, 60);
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

} // namespace

TEST(MergeCommandTest, BothSidesChangesAreWrittenAndAFieldChangedTwiceIsAConflictKeepingOurs) {
    const ThreeFiles files;
    const auto result = runSpawnTool({"merge", files.base(), files.ours(), files.theirs(), "-o", files.out(),
                                      "--elements", files.elements()});
    ASSERT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(Json::parse(result.out), Json::parse(R"({"file": ")" + files.out() + R"(", "records": 5,
        "from_ours": 3, "from_theirs": 2, "conflicts": [{"record": 4, "kind": "field", "field": 23,
        "label": "TimeResp: ", "base": "1470", "ours": "2940", "theirs": "735",
        "name": {"base": "Grey Wolf", "ours": "Grey Wolf", "theirs": "Grey Wolf"}}]})"));
    EXPECT_EQ(readBytes(files.out()), files.merged(2940));

    // As text; without names none are shown.
    const auto text =
        runSpawnTool({"merge", files.base(), files.ours(), files.theirs(), "-o", files.out(), "--text"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(linesOf(text.out), (std::vector<std::string>{
                                     files.out() + ": records 5, from ours 3, from theirs 2, conflicts 1",
                                     "! field 4  TimeResp: base 1470, ours 2940, theirs 735 (ours kept)"}));

    // Theirs preferred: written over OURS, as git asks, with the old file kept as its backup.
    const auto preferred = runSpawnTool({"merge", files.base(), files.ours(), files.theirs(), "-o",
                                         files.ours(), "--prefer", "theirs", "--text"});
    ASSERT_EQ(preferred.exitCode, 0) << preferred.err;
    EXPECT_EQ(linesOf(preferred.out).at(1),
              "! field 4  TimeResp: base 1470, ours 2940, theirs 735 (theirs kept)");
    EXPECT_EQ(readBytes(files.ours()), files.merged(735));
    EXPECT_EQ(readBytes(files.ours() + ".bak"),
              fileBytes(4, {with(files.r1, kRespawn, 100), files.r2, files.inserted,
                            with(files.r3, kRespawn, 2940)}));
    const Json json = Json::parse(runSpawnTool({"merge", files.base(), files.base(), files.theirs(), "-o",
                                                files.out(), "--prefer", "ours"})
                                      .out);
    EXPECT_EQ(json["from_ours"], 0);
    EXPECT_EQ(json["from_theirs"], 3);
    EXPECT_EQ(json["conflicts"], Json::array());
}

TEST(MergeCommandTest, RemovedAgainstChangedEntriesAndHeaderConflictsReadAsLines) {
    const TempFolder dir;
    const Bytes r1 = recordBytes(1, 16, 1);
    const Bytes r2 = recordBytes(1, 501, 90);
    Bytes grown = recordBytes(2, 16, 1);
    std::copy_n(r1.begin(), r1.size(), grown.begin());
    writeI32At(grown, SpawnLayout::kEntryCountOffset, 2);
    writeBytes(dir.file("b.data"), fileBytes(2, {r1, r2}, {1}));
    writeBytes(dir.file("o.data"), fileBytes(1, {grown}, {2}));
    writeBytes(dir.file("t.data"), fileBytes(2, {recordBytes(0, 0, 1), with(r2, kRespawn, 7)}, {3}));
    const auto result = runSpawnTool(
        {"merge", dir.file("b.data"), dir.file("o.data"), dir.file("t.data"), "-o", dir.file("m.data")});
    ASSERT_EQ(result.exitCode, 1) << result.err;
    const Json out = Json::parse(result.out);
    ASSERT_EQ(out["conflicts"].size(), 3u);
    EXPECT_EQ(out["conflicts"][0], Json::parse(R"({"record": null, "kind": "header", "field": null,
        "label": "remainder", "base": "01", "ours": "02", "theirs": "03"})"));
    EXPECT_EQ(out["conflicts"][1], Json::parse(R"({"record": 1, "kind": "entries", "field": 2,
        "label": "SubBlock: ", "base": "1", "ours": "2", "theirs": "0"})"));
    EXPECT_EQ(out["conflicts"][2], Json::parse(R"({"record": 2, "kind": "removed-changed", "field": null,
        "label": null, "base": null, "ours": null, "theirs": null})"));
    EXPECT_EQ(readBytes(dir.file("m.data")), fileBytes(2, {grown, with(r2, kRespawn, 7)}, {2}));

    const auto text = runSpawnTool({"merge", dir.file("b.data"), dir.file("o.data"), dir.file("t.data"), "-o",
                                    dir.file("m.data"), "--prefer", "ours", "--text"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(
        linesOf(text.out),
        (std::vector<std::string>{dir.file("m.data") + ": records 1, from ours 1, from theirs 0, conflicts 3",
                                  "! header remainder: base 01, ours 02, theirs 03 (ours kept)",
                                  "! entries 1  SubBlock: base 1, ours 2, theirs 0 (ours kept)",
                                  "! removed-changed - (removed)"}));
    EXPECT_EQ(readBytes(dir.file("m.data")), fileBytes(1, {grown}, {2}));
}

TEST(MergeCommandTest, UnreadableStoppedAndUnwritableFilesAndWrongOptionsExitTwoWithoutWriting) {
    const TempFolder dir;
    const Bytes r1 = recordBytes(1, 16, 1);
    writeBytes(dir.file("a.data"), fileBytes(1, {r1}));
    // A second record whose entry count is 300: the load stops there.
    Bytes bad = recordBytes(0, 0, 5);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 300);
    writeBytes(dir.file("stopped.data"), fileBytes(2, {r1, bad}));
    const std::string a = dir.file("a.data");
    const std::string out = dir.file("out.data");

    const auto missing = runSpawnTool({"merge", a, dir.file("none.data"), a, "-o", out});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("none.data"), std::string::npos) << missing.err;
    const auto stopped = runSpawnTool({"merge", a, a, dir.file("stopped.data"), "-o", out});
    EXPECT_EQ(stopped.exitCode, 2);
    EXPECT_EQ(stopped.err, dir.file("stopped.data") + ": 1:300 Big (a file read in part cannot be merged)\n");
    EXPECT_EQ(runSpawnTool({"merge", a, a, a, "-o", out, "--prefer", "mine"}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"merge", a, a, a}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"merge", a, a, a, "-o", out, "--elements", dir.file("none.data")}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(out));
    const auto unwritable = runSpawnTool({"merge", a, a, a, "-o", dir.file("no/such/folder.data")});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_TRUE(unwritable.out.empty());

    // Three equal files merge to the same bytes, exit 0.
    const auto same = runSpawnTool({"merge", a, a, a, "-o", out});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(readBytes(out), readBytes(a));
}
