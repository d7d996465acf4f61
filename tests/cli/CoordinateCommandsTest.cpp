#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

namespace {

Json coords(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"coords"};
    all.insert(all.end(), args.begin(), args.end());
    const auto result = runSpawnTool(all);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.err.empty());
    return Json::parse(result.out);
}

} // namespace

TEST(CoordinateCommandsTest, WorldTextsGiveTheSixBoxesAndTheMarkerCountedFromTheTop) {
    const auto result = runSpawnTool({"coords", "--world", "1234.5", "20.25", "-1234.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, R"({"boxes":["1234.5","20.25","-1234.5","523","427","2"],"marker":[523,673]})"
                          "\n");
}

TEST(CoordinateCommandsTest, MapTextsConvertBackToWorldUnits) {
    EXPECT_EQ(coords({"--map", "523", "427", "2"}),
              Json::parse(R"({"boxes": ["1230", "20", "-1230", "523", "427", "2"], "marker": [523, 673]})"));
    EXPECT_EQ(coords({"--map", "800", "1100", "0"}),
              Json::parse(R"({"boxes": ["4000", "0", "5500", "800", "1100", "0"], "marker": [800, 0]})"));
}

TEST(CoordinateCommandsTest, TextsThatLookLikeOptionsOrAreEmptyAreTypedAsTheyAre) {
    // Each box reads its text as the window would: "-", "" and letters read as 0.
    EXPECT_EQ(coords({"--world", "-", "", "-abc"}),
              Json::parse(R"({"boxes": ["0", "0", "0", "400", "550", "0"], "marker": [400, 550]})"));
    EXPECT_EQ(coords({"--map", "-", "--", "0012"}),
              Json::parse(R"({"boxes": ["-4000", "120", "-5500", "0", "0", "12"], "marker": [0, 1100]})"));
    EXPECT_EQ(coords({"--world", "-.5e1", "--map", "-9.9999999"})["boxes"],
              Json::parse(R"(["-5", "0", "-10", "400", "549", "0"])"));
    EXPECT_EQ(coords({"--world=12.", "[5]", "-4000"})["boxes"],
              Json::parse(R"(["12", "0", "-4000", "401", "150", "0"])"));
}

TEST(CoordinateCommandsTest, WrongUsageExitsTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {"coords"},
        {"coords", "--world", "1", "2"},
        {"coords", "--world", "1", "2", "3", "4"},
        {"coords", "--world", "1", "2", "3", "--map", "1", "2", "3"},
        {"coords", "--map"},
        {"coords", "1", "2", "3"},
    };
    for (const auto& args : wrong) {
        const auto result = runSpawnTool(args);
        EXPECT_EQ(result.exitCode, 2) << args.size();
        EXPECT_TRUE(result.out.empty());
    }
}
