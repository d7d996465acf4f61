#include "SpawnBytes.h"
#include "TempFolder.h"

#include "FileIo.h"
#include "SpawnFile.h"
#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <filesystem>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

TEST(SpawnToolTest, ListPrintsEveryRowWithTheCountWordAndRemainder) {
    const TempFolder dir;
    writeBytes(dir.file("m.data"), fileBytes(2, {recordBytes(1, 16), recordBytes(0)}, {1, 2, 3}));
    const auto result = runSpawnTool({"list", dir.file("m.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json out = Json::parse(result.out);
    EXPECT_EQ(out["count_word"], 2);
    ASSERT_EQ(out["rows"].size(), 2u);
    EXPECT_EQ(out["rows"][0], Json::parse(R"({"num": 1, "id": 16, "entries": 1, "name": "没有找到！"})"));
    EXPECT_EQ(out["rows"][1]["id"], 0);
    EXPECT_TRUE(out["stopped"].is_null());
    EXPECT_EQ(out["remainder_bytes"], 3);
    // The keys come in the documented order.
    EXPECT_EQ(result.out.substr(0, 14), R"({"count_word":)");
}

TEST(SpawnToolTest, ListReportsWhereLoadingStoppedAndStillSucceeds) {
    const TempFolder dir;
    auto bad = recordBytes(1);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 253);
    std::vector<std::vector<std::uint8_t>> records(17, recordBytes(1));
    records.push_back(bad);
    writeBytes(dir.file("m.data"), fileBytes(18, records));
    const auto result = runSpawnTool({"list", dir.file("m.data")});
    ASSERT_EQ(result.exitCode, 0);
    const Json out = Json::parse(result.out);
    EXPECT_EQ(out["stopped"], Json::parse(R"({"position": 18, "message": "17:253 Big"})"));
    EXPECT_EQ(out["rows"].size(), 17u);
    EXPECT_EQ(out["remainder_bytes"], bad.size());
}

TEST(SpawnToolTest, UnreadableOrShortFilesExitOneWithTheMessageOnStderr) {
    const TempFolder dir;
    writeBytes(dir.file("short.data"), {1, 2, 3});
    for (const auto& command : {"list", "check"}) {
        for (const auto& file : {dir.file("short.data"), dir.file("missing.data")}) {
            const auto result = runSpawnTool({command, file});
            EXPECT_EQ(result.exitCode, 1) << command << " " << file;
            EXPECT_TRUE(result.out.empty());
            EXPECT_NE(result.err.find(file), std::string::npos);
        }
    }
}

TEST(SpawnToolTest, DevicesAndHugeFilesAreRefusedAtOnce) {
    const TempFolder dir;
    writeBytes(dir.file("huge.data"), {});
    std::filesystem::resize_file(dir.file("huge.data"), kMaxReadSize + 1);
    const std::vector<std::vector<std::string>> runs = {{"list", "/dev/zero", "(not a regular file)"},
                                                        {"db-info", "/dev/urandom", "(not a regular file)"},
                                                        {"check", dir.file("huge.data"), "(file too large)"}};
    for (const auto& run : runs) {
        const auto result = runSpawnTool({run[0], run[1]});
        EXPECT_EQ(result.exitCode, 1) << run[0];
        EXPECT_EQ(result.err, "无法读取文件：" + run[1] + " " + run[2] + "\n");
    }
}

TEST(SpawnToolTest, WrongUsageExitsTwo) {
    EXPECT_EQ(runSpawnTool({}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"list"}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"frobnicate", "x"}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"check", "a", "b"}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"demo", "x", "--areas", "-1"}).exitCode, 2);
}

TEST(SpawnToolTest, CheckConfirmsTheDemoWorldWritesBackIdentically) {
    const TempFolder dir;
    const auto made = runSpawnTool({"demo", dir.path().string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const Json written = Json::parse(made.out);
    EXPECT_EQ(written["spawn_file"], "mobset.data");
    EXPECT_EQ(written["elements_file"], "elements.data");
    EXPECT_TRUE(std::filesystem::exists(dir.file("elements.data")));
    const auto result = runSpawnTool({"check", dir.file("mobset.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json out = Json::parse(result.out);
    EXPECT_TRUE(out["identical"].get<bool>());
    EXPECT_GE(out["records"].get<int>(), 2000);
    EXPECT_TRUE(out["stopped"].is_null());
}

TEST(SpawnToolTest, CheckFailsAFileWhoseLoadStoppedAndSaysWhere) {
    const TempFolder dir;
    auto bad = recordBytes(1);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 253);
    writeBytes(dir.file("m.data"), fileBytes(3, {recordBytes(1), recordBytes(0), bad, recordBytes(2)}));
    const auto stopped = runSpawnTool({"check", dir.file("m.data")});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_EQ(stopped.out, R"({"records":2,"identical":true,"stopped":{"position":3,"message":"2:253 Big"}})"
                           "\n");
}

TEST(SpawnToolTest, DemoLeavesExistingFilesAloneUnlessForced) {
    const TempFolder dir;
    writeBytes(dir.file("mobset.data"), {1, 2, 3});
    const auto refused = runSpawnTool({"demo", dir.path().string(), "--areas", "5"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find(dir.file("mobset.data")), std::string::npos);
    EXPECT_EQ(readBytes(dir.file("mobset.data")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("elements.data")));

    const auto forced = runSpawnTool({"demo", dir.path().string(), "--areas", "5", "--force"});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(Json::parse(runSpawnTool({"list", dir.file("mobset.data")}).out)["count_word"], 5);
}

TEST(SpawnToolTest, DemoWorldTakesTheNumberOfAreasAsked) {
    const TempFolder dir;
    ASSERT_EQ(runSpawnTool({"demo", dir.path().string(), "--areas", "50"}).exitCode, 0);
    const Json out = Json::parse(runSpawnTool({"list", dir.file("mobset.data")}).out);
    EXPECT_EQ(out["count_word"], 50);
    EXPECT_EQ(out["rows"].size(), 50u);
}

TEST(SpawnToolTest, DemoWorldIsTheSameEveryTimeAndSpreadOverTheMap) {
    const TempFolder a;
    const TempFolder b;
    ASSERT_EQ(runSpawnTool({"demo", a.path().string()}).exitCode, 0);
    ASSERT_EQ(runSpawnTool({"demo", b.path().string()}).exitCode, 0);
    EXPECT_EQ(readBytes(a.file("mobset.data")), readBytes(b.file("mobset.data")));

    const Json out = Json::parse(runSpawnTool({"list", a.file("mobset.data")}).out);
    EXPECT_GT(out["remainder_bytes"].get<int>(), 0);
    EXPECT_TRUE(out["stopped"].is_null());
    int small = 0;
    int empty = 0;
    int full = 0;
    for (const auto& row : out["rows"]) {
        const int k = row["entries"];
        small += (k >= 1 && k <= 5) ? 1 : 0;
        empty += k == 0 ? 1 : 0;
        full += k == 100 ? 1 : 0;
    }
    EXPECT_GT(small, static_cast<int>(out["rows"].size()) / 2);
    EXPECT_GT(empty, 0);
    EXPECT_GT(full, 0);

    // Every area lies on the map, and each quarter of the map has areas.
    const auto file = loadSpawnFile(a.file("mobset.data"), ElementNameTables{}).value();
    int quarters[4] = {};
    for (const auto& record : file.records) {
        const auto x = std::bit_cast<float>(readI32At(record.bytes, SpawnLayout::kPositionXOffset));
        const auto z = std::bit_cast<float>(readI32At(record.bytes, SpawnLayout::kPositionZOffset));
        ASSERT_TRUE(x >= -4000.0f && x <= 4000.0f && z >= -5500.0f && z <= 5500.0f) << x << " " << z;
        ++quarters[(x < 0 ? 0 : 1) + (z < 0 ? 0 : 2)];
    }
    for (const int n : quarters) {
        EXPECT_GT(n, file.records.count() / 10);
    }
}

// A file cut inside its third record: every command names the stop by the position of the record
// that could not be read and the loader's own message.
TEST(SpawnToolTest, AStoppedLoadIsNamedAlikeByCheckListLintDiffAndAppend) {
    const TempFolder dir;
    auto cut = recordBytes(2, 16, 3);
    cut.resize(cut.size() - 5);
    writeBytes(dir.file("cut.data"), fileBytes(3, {recordBytes(1, 16, 1), recordBytes(1, 16, 2), cut}));
    writeBytes(dir.file("whole.data"), fileBytes(2, {recordBytes(1, 16, 1), recordBytes(1, 16, 2)}));
    const Json stop = Json::parse(R"({"position": 3, "message": "2: 记录超出文件末尾"})");

    const auto check = runSpawnTool({"check", dir.file("cut.data")});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(Json::parse(check.out)["stopped"], stop);
    const auto list = runSpawnTool({"list", dir.file("cut.data")});
    EXPECT_EQ(Json::parse(list.out)["stopped"], stop);
    const auto lint = runSpawnTool({"lint", dir.file("cut.data"), "--ignore", "count-word"});
    EXPECT_EQ(lint.exitCode, 1);
    EXPECT_EQ(
        Json::parse(lint.out)["problems"],
        Json::parse(
            R"([{"position": 3, "field": null, "code": "stopped-load", "text": "2: 记录超出文件末尾"}])"));

    // diff says so as a header part of its own, the position on each side; the unread bytes are
    // the remainder's difference.
    const auto diff = runSpawnTool({"diff", dir.file("whole.data"), dir.file("cut.data")});
    EXPECT_EQ(diff.exitCode, 1);
    const Json header = Json::parse(diff.out)["header"];
    ASSERT_EQ(header.size(), 3u) << header.dump();
    EXPECT_EQ(header[0]["part"], "count_word");
    EXPECT_EQ(header[1], (Json{{"part", "stopped_load"}, {"a", nullptr}, {"b", stop}}));
    EXPECT_EQ(header[2]["part"], "remainder");
    EXPECT_TRUE(Json::parse(diff.out)["changes"].empty());
    const auto text = runSpawnTool({"diff", dir.file("cut.data"), dir.file("whole.data"), "--text"});
    EXPECT_NE(text.out.find("! stopped_load: record 3 (2: 记录超出文件末尾) -> (none)\n"), std::string::npos)
        << text.out;

    const auto append =
        runSpawnTool({"append", dir.file("cut.data"), dir.file("whole.data"), "-o", dir.file("o")});
    EXPECT_EQ(append.exitCode, 1);
    EXPECT_NE(append.err.find("loading stopped at record 3 (2: 记录超出文件末尾)"), std::string::npos)
        << append.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("o")));
}
