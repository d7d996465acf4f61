#include "ElementBytes.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <filesystem>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

namespace {

// Four records; the second and fourth begin with creature 16, the fourth's second entry is 501.
struct World {
    World() {
        auto second = recordBytes(1, 16, 10);
        writeI32At(second, 8, std::bit_cast<std::int32_t>(1234.5f));   // X
        writeI32At(second, 12, std::bit_cast<std::int32_t>(20.25f));   // Y
        writeI32At(second, 16, std::bit_cast<std::int32_t>(-1234.5f)); // Z
        second[52] = 0xFF;                                             // field 14, a byte
        auto fourth = recordBytes(2, 16);
        writeI32At(fourth, SpawnLayout::kAreaHeaderSize + SpawnLayout::kCreatureEntrySize, 501);
        writeBytes(dir.file("m.data"), fileBytes(4, {recordBytes(0), second, recordBytes(1, 501), fourth}));
        ElementBytes db;
        db.creatures = {{16, utf16(u"赤鳞蜥")}, {501, utf16(u"Morvak Stalker")}};
        writeBytes(dir.file("e.data"), db.build());
    }
    std::string file() const { return dir.file("m.data"); }
    std::string elements() const { return dir.file("e.data"); }

    const TempFolder dir;
};

Json run(const std::vector<std::string>& args) {
    const auto result = runSpawnTool(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return Json::parse(result.out);
}

} // namespace

TEST(RecordCommandsTest, ShowPrintsEveryFieldAsTheFormShowsItAndWhereTheRecordLies) {
    const World w;
    const Json out = run({"show", w.file(), "--record", "2", "--elements", w.elements()});
    EXPECT_EQ(out["position"], 2);
    EXPECT_EQ(out["entries"], 1);
    EXPECT_EQ(out["id"], 16);
    EXPECT_EQ(out["name"], "赤鳞蜥");
    ASSERT_EQ(out["fields"].size(), 38u);
    EXPECT_EQ(out["fields"][0],
              Json::parse(R"({"field": 1, "label": "Block-->: ", "type": "int32", "text": "218893066"})"));
    EXPECT_EQ(out["fields"][2], Json::parse(R"({"field": 3, "label": "X--->: ", "type": "float32",
                                                "text": "1234.500000000000000000"})"));
    EXPECT_EQ(out["fields"][13],
              Json::parse(R"({"field": 14, "label": "14: ", "type": "byte", "text": "-1"})"));
    EXPECT_EQ(out["fields"][20]["label"], "NPC--ID: ");
    EXPECT_EQ(out["fields"][20]["text"], "16");
    EXPECT_EQ(
        out["coordinates"],
        Json::parse(R"({"boxes": ["1234.5", "20.25", "-1234.5", "523", "427", "2"], "marker": [523, 673]})"));
    // The keys come in the documented order.
    EXPECT_EQ(runSpawnTool({"show", w.file(), "--record", "1"}).out.substr(0, 12), R"({"position":)");

    for (const char* outside : {"0", "5", "-1"}) {
        const auto result = runSpawnTool({"show", w.file(), "--record", outside});
        EXPECT_EQ(result.exitCode, 1) << outside;
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find(w.file()), std::string::npos);
    }
}

TEST(RecordCommandsTest, SearchListsTheHitsOfTheFirstEntryWithTheirPositions) {
    const World w;
    const Json byId = run({"search", w.file(), "--id", "16"});
    EXPECT_EQ(byId, Json::parse(R"({"label": "查找到 2 项", "rows": [
        {"num": 1, "position": 2, "id": 16, "entries": 1, "name": "没有找到！"},
        {"num": 2, "position": 4, "id": 16, "entries": 2, "name": "没有找到！"}]})"));
    EXPECT_EQ(run({"search", w.file(), "--id", " 501xyz"})["rows"].size(), 1u);
    EXPECT_EQ(run({"search", w.file(), "--id", ""})["rows"][0]["position"], 1);
    EXPECT_EQ(run({"search", w.file(), "--id", "-5"})["label"], "查找到 0 项");

    const Json byName = run({"search", w.file(), "--name", "Stalker", "--elements", w.elements()});
    ASSERT_EQ(byName["rows"].size(), 1u); // the fourth record's 501 is its second entry
    EXPECT_EQ(byName["rows"][0]["position"], 3);
    EXPECT_EQ(byName["rows"][0]["name"], "Morvak Stalker");
    EXPECT_EQ(run({"search", w.file(), "--name", "stalker", "--elements", w.elements()})["rows"].size(), 0u);
    EXPECT_EQ(run({"search", w.file(), "--name", ""})["label"], "查找到 4 项");

    EXPECT_EQ(runSpawnTool({"search", w.file()}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"search", w.file(), "--id", "1", "--name", "x"}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"search", w.dir.file("none.data"), "--id", "1"}).exitCode, 1);
}

TEST(RecordCommandsTest, IntegerOptionsAreDecimalWithLeadingZerosAndRefuseOtherSpellingsNamingTheOption) {
    const TempFolder dir;
    std::vector<std::vector<std::uint8_t>> records;
    for (std::int32_t p = 1; p <= 17; ++p) {
        records.push_back(recordBytes(1, 100 + p));
    }
    writeBytes(dir.file("m.data"), fileBytes(17, records));
    std::filesystem::create_directory(dir.file("d"));
    for (const char* text : {"017", "17", "00017"}) {
        const Json out = run({"show", dir.file("m.data"), "--record", text});
        EXPECT_EQ(out["position"], 17) << text;
        EXPECT_EQ(out["id"], 117) << text;
    }
    EXPECT_EQ(run({"show", dir.file("m.data"), "--record", "010"})["id"], 110);

    const std::vector<std::vector<std::string>> refused = {
        {"show", dir.file("m.data"), "--record", "0x10"},
        {"show", dir.file("m.data"), "--record", "1e1"},
        {"show", dir.file("m.data"), "--record", "0b1"},
        {"show", dir.file("m.data"), "--record", " 5"},
        {"demo", dir.file("d"), "--areas", "0x10"},
        {"demo", dir.file("d"), "--areas", "10.0"},
        {"client-position", "--profile", "0x0"},
        {"remove", dir.file("m.data"), "-o", dir.file("o.data"), "--record", "0x1"},
        {"edit", dir.file("m.data"), "--field", "entry:1", "--set", "1", "-o", dir.file("o.data"),
         "--only-creature", "0x65"},
        {"append", dir.file("m.data"), dir.file("m.data"), "-o", dir.file("o.data"), "--record", "0x1"}};
    for (const auto& args : refused) {
        const auto result = runSpawnTool(args);
        EXPECT_EQ(result.exitCode, 2) << args.back();
        EXPECT_NE(result.err.find(args[args.size() - 2]), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("d") + "/mobset.data"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.data")));

    ASSERT_EQ(runSpawnTool({"demo", dir.file("d"), "--areas", "0100"}).exitCode, 0);
    EXPECT_EQ(run({"list", dir.file("d") + "/mobset.data"})["count_word"], 100);
}
