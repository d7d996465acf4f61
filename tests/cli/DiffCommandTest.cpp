#include "ElementBytes.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "Sha256.h"
#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

namespace {

constexpr std::size_t kFirstEntry = SpawnLayout::kAreaHeaderSize;
constexpr std::size_t kRespawnTime = kFirstEntry + 8;

std::vector<std::uint8_t> withRespawnTime(std::vector<std::uint8_t> record, std::int32_t time) {
    writeI32At(record, kRespawnTime, time);
    return record;
}

// A: five records. B: the first removed, the third's respawn time changed, the fifth given a
// creature entry, a sixth added.
struct TwoFiles {
    TwoFiles() {
        const auto r1 = recordBytes(1, 16, 1);
        const auto r2 = recordBytes(1, 501, 2);
        const auto r3 = withRespawnTime(recordBytes(1, 16, 3), 2000);
        const auto r4 = recordBytes(2, 501, 4);
        const auto r5 = recordBytes(0, 0, 5);
        auto r5WithEntry = recordBytes(1, 501, 5);
        std::copy_n(r5.begin(), kFirstEntry, r5WithEntry.begin());
        writeI32At(r5WithEntry, SpawnLayout::kEntryCountOffset, 1);
        const auto r6 = recordBytes(1, 16, 6);
        writeBytes(a(), fileBytes(5, {r1, r2, r3, r4, r5}));
        writeBytes(b(), fileBytes(5, {r2, withRespawnTime(r3, 4000), r4, r5WithEntry, r6}));
        ElementBytes db;
        db.creatures = {{16, utf16(u"Grey Wolf")}, {501, utf16(u"Marsh Heron")}};
        writeBytes(dir.file("e.data"), db.build());
    }
    std::string a() const { return dir.file("a.data"); }
    std::string b() const { return dir.file("b.data"); }
    std::string elements() const { return dir.file("e.data"); }

    const TempFolder dir;
};

} // namespace

TEST(DiffCommandTest, RecordsRemovedChangedAndAddedAreListedInFileOrderWithTheirFieldsAndNames) {
    const TwoFiles files;
    const auto result = runSpawnTool({"diff", files.a(), files.b(), "--elements", files.elements()});
    ASSERT_EQ(result.exitCode, 1) << result.err;
    const Json out = Json::parse(result.out);
    EXPECT_EQ(out["identical"], false);
    EXPECT_EQ(out["a"], Json::parse(R"({"file": ")" + files.a() + R"(", "records": 5})"));
    EXPECT_EQ(out["b"]["records"], 5);
    EXPECT_EQ(out["unchanged"], 2);
    EXPECT_EQ(out["header"], Json::array());
    const Json& changes = out["changes"];
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_EQ(changes[0], Json::parse(R"({"op": "removed", "a": 1, "name": {"a": "Grey Wolf"}})"));
    EXPECT_EQ(changes[1], Json::parse(R"({"op": "changed", "a": 3, "b": 2,
        "name": {"a": "Grey Wolf", "b": "Grey Wolf"},
        "fields": [{"field": 23, "label": "TimeResp: ", "a": "2000", "b": "4000"}]})"));
    // A record with another entry count: the count field, then the new entry's fields against null.
    const Json& grown = changes[2];
    EXPECT_EQ(grown["a"], 5);
    EXPECT_EQ(grown["b"], 4);
    EXPECT_EQ(grown["name"], Json::parse(R"({"a": "没有找到！", "b": "Marsh Heron"})"));
    ASSERT_EQ(grown["fields"].size(), 19u);
    EXPECT_EQ(grown["fields"][0], Json::parse(R"({"field": 2, "label": "SubBlock: ", "a": "0", "b": "1"})"));
    EXPECT_EQ(grown["fields"][1],
              Json::parse(R"({"field": 21, "label": "NPC--ID: ", "a": null, "b": "501"})"));
    EXPECT_EQ(grown["fields"][18]["field"], 38);
    EXPECT_EQ(changes[3], Json::parse(R"({"op": "added", "b": 5, "name": {"b": "Grey Wolf"}})"));

    // Without names the changes carry none; as text, one line per changed field.
    const auto plain = runSpawnTool({"diff", files.a(), files.b()});
    EXPECT_FALSE(Json::parse(plain.out)["changes"][0].contains("name"));
    const auto text = runSpawnTool({"diff", files.a(), files.b(), "--text", "--elements", files.elements()});
    EXPECT_EQ(text.exitCode, 1);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(text.out.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 1u + 1u + 19u + 1u);
    EXPECT_EQ(lines[0], "- 1 Grey Wolf");
    EXPECT_EQ(lines[1], "~ 3 -> 2  TimeResp: 2000 -> 4000");
    EXPECT_EQ(lines[2], "~ 5 -> 4  SubBlock: 0 -> 1");
    EXPECT_EQ(lines[3], "~ 5 -> 4  NPC--ID: (none) -> 501");
    EXPECT_EQ(lines[4],
              "~ 5 -> 4  Total-->: (none) -> " + std::to_string(readI32At(recordBytes(1, 501, 5), 75)));
    EXPECT_EQ(lines.back(), "+ 5 Grey Wolf");

    // The other way round everything swaps sides.
    const Json back = Json::parse(runSpawnTool({"diff", files.b(), files.a()}).out);
    EXPECT_EQ(back["changes"][0], Json::parse(R"({"op": "added", "b": 1})"));
    EXPECT_EQ(back["changes"][3], Json::parse(R"({"op": "removed", "a": 5})"));
}

TEST(DiffCommandTest, IdenticalFilesExitZeroAndHeaderOnlyDifferencesAreListedPartByPart) {
    const TempFolder dir;
    const std::vector<std::vector<std::uint8_t>> records = {recordBytes(1), recordBytes(0)};
    writeBytes(dir.file("a.data"), fileBytes(2, records, {1, 2, 3}));
    writeBytes(dir.file("same.data"), fileBytes(2, records, {1, 2, 3}));
    const auto same = runSpawnTool({"diff", dir.file("a.data"), dir.file("same.data")});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_EQ(Json::parse(same.out), Json::parse(R"({"identical": true,
        "a": {"file": ")" + dir.file("a.data") + R"(", "records": 2},
        "b": {"file": ")" + dir.file("same.data") +
                                                 R"(", "records": 2},
        "unchanged": 2, "header": [], "changes": []})"));
    EXPECT_EQ(runSpawnTool({"diff", dir.file("a.data"), dir.file("same.data"), "--text"}).out, "");

    // Same records; another leading block, header words, count word and a long remainder, where
    // the count word has the load look for a third record and stop.
    auto other = fileBytes(3, records, std::vector<std::uint8_t>(100, 0xAB));
    other[0] = 0x00;
    writeI32At(other, 12, 5);
    writeBytes(dir.file("b.data"), other);
    const auto differs = runSpawnTool({"diff", dir.file("a.data"), dir.file("b.data")});
    EXPECT_EQ(differs.exitCode, 1);
    const Json out = Json::parse(differs.out);
    EXPECT_EQ(out["unchanged"], 2);
    EXPECT_EQ(out["changes"], Json::array());
    const std::string digest = sha256Hex(std::vector<std::uint8_t>(100, 0xAB));
    EXPECT_EQ(out["header"], Json::parse(R"([
        {"part": "leading_block", "a": "deadbeef", "b": "00adbeef"},
        {"part": "header_words", "a": [-7, 16909060, 99], "b": [-7, 5, 99]},
        {"part": "count_word", "a": 2, "b": 3},
        {"part": "stopped_load", "a": null, "b": {"position": 3, "message": "2:-1414812757 Big"}},
        {"part": "remainder", "a": "010203", "b": "100 bytes, sha256 )" +
                                         digest + R"("}])"));
    EXPECT_EQ(runSpawnTool({"diff", dir.file("a.data"), dir.file("b.data"), "--text"}).out,
              "! leading_block: deadbeef -> 00adbeef\n"
              "! header_words: [-7, 16909060, 99] -> [-7, 5, 99]\n"
              "! count_word: 2 -> 3\n"
              "! stopped_load: (none) -> record 3 (2:-1414812757 Big)\n"
              "! remainder: 010203 -> 100 bytes, sha256 " +
                  digest + "\n");

    // A count word that follows its records is not a difference of its own.
    writeBytes(dir.file("c.data"), fileBytes(1, {recordBytes(1)}, {1, 2, 3}));
    const Json fewer = Json::parse(runSpawnTool({"diff", dir.file("a.data"), dir.file("c.data")}).out);
    EXPECT_EQ(fewer["header"], Json::array());
    EXPECT_EQ(fewer["changes"], Json::parse(R"([{"op": "removed", "a": 2}])"));
}

TEST(DiffCommandTest, AFileThatCannotBeReadExitsTwoNamingIt) {
    const TempFolder dir;
    writeBytes(dir.file("a.data"), fileBytes(0, {}));
    writeBytes(dir.file("short.data"), {1, 2, 3});
    for (const std::string& bad : {dir.file("missing.data"), dir.file("short.data")}) {
        for (const auto& args : {std::vector<std::string>{"diff", dir.file("a.data"), bad},
                                 std::vector<std::string>{"diff", bad, dir.file("a.data"), "--text"}}) {
            const auto result = runSpawnTool(args);
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_EQ(result.out, "");
            EXPECT_NE(result.err.find(bad), std::string::npos) << result.err;
        }
    }
}
