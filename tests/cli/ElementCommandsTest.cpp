#include "ElementBytes.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "DemoElements.h"
#include "ElementDatabase.h"
#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

namespace {

// Two creatures, one NPC and "facedata" where it names a build.
std::vector<std::uint8_t> smallDatabase() {
    ElementBytes b;
    b.creatures = {{16, utf16(u"赤鳞蜥")}, {501, utf16(u"Morvak Stalker")}};
    b.npcs = {{9001, utf16(u"铁匠·岚舟")}};
    auto bytes = b.build();
    placeFacedata(bytes, bytes.size(), facedataDistanceFor(1924570));
    return bytes;
}

} // namespace

TEST(ElementCommandsTest, DbInfoPrintsTheLayoutFingerprintAndCountsInOrder) {
    const TempFolder dir;
    const auto bytes = smallDatabase();
    writeBytes(dir.file("e.data"), bytes);
    const auto result = runSpawnTool({"db-info", dir.file("e.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto e = readElementDatabase(bytes).value().endOfLists;
    EXPECT_EQ(result.out, R"({"start_offset":4,"layout":"default","end_of_lists":)" + std::to_string(e) +
                              R"(,"fingerprint":1924570,"build_message":"私服客户端_38版","list37_count":2,)"
                              R"("list54_count":1})"
                              "\n");
}

TEST(ElementCommandsTest, DbInfoPrintsNullWithoutFingerprintAndNamesTheEightByteHeaderLayout) {
    const TempFolder dir;
    ElementBytes b;
    writeBytes(dir.file("plain.data"), b.build());
    b.signatureOffset = 16;
    writeBytes(dir.file("eight.data"), b.build());

    const Json plain = Json::parse(runSpawnTool({"db-info", dir.file("plain.data")}).out);
    EXPECT_EQ(plain["layout"], "default");
    EXPECT_TRUE(plain["fingerprint"].is_null());
    EXPECT_TRUE(plain["build_message"].is_null());
    EXPECT_EQ(plain["list37_count"], 0);

    const Json eight = Json::parse(runSpawnTool({"db-info", dir.file("eight.data")}).out);
    EXPECT_EQ(eight["start_offset"], 8);
    EXPECT_EQ(eight["layout"], "8-byte-header");
    EXPECT_TRUE(eight["fingerprint"].is_null());
    EXPECT_EQ(eight["build_message"], "官服客户端_*版");
}

TEST(ElementCommandsTest, FatalDatabasesExitOneWithTheEditorsMessageAloneOnStderr) {
    const TempFolder dir;
    ElementBytes big;
    big.counts[12] = 5001;
    ElementBytes late;
    late.signatureOffset = 104;
    ElementBytes negative;
    negative.counts[3] = -2;
    const std::map<std::string, std::vector<std::uint8_t>> cases = {
        {"Big 12", big.build()}, {">100", late.build()}, {"读取失败！", negative.build()}};
    for (const auto& [message, bytes] : cases) {
        writeBytes(dir.file("bad.data"), bytes);
        for (const auto& command : {"db-info", "db-names"}) {
            const auto result = runSpawnTool({command, dir.file("bad.data")});
            EXPECT_EQ(result.exitCode, 1) << command << " " << message;
            EXPECT_EQ(result.err, message + "\n") << command;
            EXPECT_TRUE(result.out.empty());
        }
    }
}

TEST(ElementCommandsTest, AnUnreadableDatabaseExitsOneNamingTheFile) {
    const TempFolder dir;
    for (const auto& command : {"db-info", "db-names"}) {
        const auto result = runSpawnTool({command, dir.file("missing.data")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(dir.file("missing.data")), std::string::npos) << result.err;
    }
    EXPECT_EQ(runSpawnTool({"db-info"}).exitCode, 2);
}

TEST(ElementCommandsTest, DbNamesPrintsBothTablesInFileOrder) {
    const TempFolder dir;
    writeBytes(dir.file("e.data"), smallDatabase());
    const auto result = runSpawnTool({"db-names", dir.file("e.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Json::parse(result.out), Json::parse(R"({"list37": [{"id": 16, "name": "赤鳞蜥"},
                                                                  {"id": 501, "name": "Morvak Stalker"}],
                                                       "list54": [{"id": 9001, "name": "铁匠·岚舟"}]})"));
    EXPECT_EQ(result.out.substr(0, 10), R"({"list37":)");
}

TEST(ElementCommandsTest, ListWithElementsShowsTheCreatureNames) {
    const TempFolder dir;
    writeBytes(dir.file("e.data"), smallDatabase());
    writeBytes(dir.file("m.data"),
               fileBytes(3, {recordBytes(2, 16), recordBytes(1, 9001), recordBytes(1, 17)}));
    const auto result = runSpawnTool({"list", dir.file("m.data"), "--elements", dir.file("e.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json rows = Json::parse(result.out)["rows"];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["name"], "赤鳞蜥");
    EXPECT_EQ(rows[1]["name"], "铁匠·岚舟");
    EXPECT_EQ(rows[2]["name"], "没有找到！");

    ElementBytes big;
    big.counts[40] = 6000;
    writeBytes(dir.file("big.data"), big.build());
    const auto refused = runSpawnTool({"list", dir.file("m.data"), "--elements", dir.file("big.data")});
    EXPECT_EQ(refused.exitCode, 1);
    // Two files on the line: the message says which one failed.
    EXPECT_EQ(refused.err, dir.file("big.data") + ": Big 40\n");
    const auto missing = runSpawnTool({"list", dir.file("m.data"), "--elements", dir.file("none.data")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir.file("none.data")), std::string::npos) << missing.err;
}

TEST(ElementCommandsTest, DemoDatabaseNamesABuildAndNamesMostDemoRecords) {
    const TempFolder dir;
    ASSERT_EQ(runSpawnTool({"demo", dir.path().string()}).exitCode, 0);
    const auto info = runSpawnTool({"db-info", dir.file("elements.data")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const Json out = Json::parse(info.out);
    EXPECT_EQ(out["start_offset"], 4);
    EXPECT_EQ(out["fingerprint"], 1912010);
    EXPECT_EQ(out["build_message"], "私服服务端_38版");
    EXPECT_EQ(out["list37_count"], 3000);
    EXPECT_EQ(out["list54_count"], 800);

    const Json listed = Json::parse(
        runSpawnTool({"list", dir.file("mobset.data"), "--elements", dir.file("elements.data")}).out);
    int named = 0;
    int unknownWithEntries = 0;
    for (const auto& row : listed["rows"]) {
        if (row["name"] != "没有找到！") {
            ++named;
        } else if (row["entries"].get<int>() > 0) {
            ++unknownWithEntries;
        }
    }
    EXPECT_GT(named, static_cast<int>(listed["rows"].size()) * 9 / 10);
    EXPECT_GT(unknownWithEntries, 0);

    // Both lists mix Chinese and English names.
    const Json names = Json::parse(runSpawnTool({"db-names", dir.file("elements.data")}).out);
    for (const char* list : {"list37", "list54"}) {
        int chinese = 0;
        for (const auto& row : names[list]) {
            chinese += static_cast<unsigned char>(row["name"].get<std::string>().at(0)) >= 0x80 ? 1 : 0;
        }
        EXPECT_GT(chinese, 0) << list;
        EXPECT_LT(chinese, static_cast<int>(names[list].size())) << list;
    }
}

TEST(ElementCommandsTest, TheLargeDemoDatabaseHasTheAskedSizeAndAFullCreatureList) {
    const std::size_t size = 24u << 20;
    const auto options = demo::largeDemoElementsOptions(size);
    const auto large = demo::generateDemoElements(options);
    EXPECT_EQ(large.bytes.size(), size);
    const auto db = readElementDatabase(large.bytes);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().names.list37().count(), 5000u);
    EXPECT_EQ(db.value().endOfLists, demo::demoEndOfLists(options));
    EXPECT_EQ(db.value().fingerprint, options.fingerprint);
}
