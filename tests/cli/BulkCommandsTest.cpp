#include "SpawnBytes.h"
#include "TempFolder.h"

#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::json;

namespace {

constexpr std::size_t kTimeRespOffset = SpawnLayout::kAreaHeaderSize + 8; // of the first entry

// A fifth record whose entry count is 300: a load stops there and carries it as the remainder.
std::vector<std::uint8_t> unreadable() {
    auto bad = recordBytes(0, 0, 5);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 300);
    bad.push_back(0x77);
    return bad;
}

} // namespace

TEST(BulkCommandsTest, EditAndRemoveActOnTheSearchHitsOfAStoppedLoadAndKeepItsUnreadBytes) {
    const TempFolder dir;
    std::vector<std::vector<std::uint8_t>> records = {recordBytes(1, 16, 1), recordBytes(2, 7, 2),
                                                      recordBytes(1, 16, 3), recordBytes(1, 9, 4)};
    for (auto& record : records) {
        writeI32At(record, kTimeRespOffset, 2000);
    }
    writeBytes(dir.file("m.data"), fileBytes(5, records, unreadable()));

    // Double the respawn time of every area of creature 16: records 1 and 3 change, nothing else.
    const auto edited = runSpawnTool({"edit", dir.file("m.data"), "--id", "16", "--field", "entry:3",
                                      "--multiply", "2", "-o", dir.file("e.data")});
    ASSERT_EQ(edited.exitCode, 0) << edited.err;
    EXPECT_EQ(Json::parse(edited.out),
              Json::parse(R"({"records": 2, "fields": 2, "file": ")" + dir.file("e.data") + "\"}"));
    for (const std::size_t r : {0u, 2u}) {
        writeI32At(records[r], kTimeRespOffset, 2 * readI32At(records[r], kTimeRespOffset));
    }
    EXPECT_EQ(readBytes(dir.file("e.data")), fileBytes(5, records, unreadable()));

    // Removing them moves the count word by two and keeps the unread record's bytes.
    const auto removed = runSpawnTool({"remove", dir.file("e.data"), "--id", "16", "-o", dir.file("r.data")});
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(Json::parse(removed.out),
              Json::parse(R"({"removed": 2, "records": 2, "file": ")" + dir.file("r.data") + "\"}"));
    EXPECT_EQ(readBytes(dir.file("r.data")), fileBytes(3, {records[1], records[3]}, unreadable()));

    // Writing over an existing file backs it up first, as Save does.
    const auto byPosition =
        runSpawnTool({"remove", dir.file("r.data"), "--record", "2", "-o", dir.file("r.data")});
    ASSERT_EQ(byPosition.exitCode, 0) << byPosition.err;
    EXPECT_EQ(readBytes(dir.file("r.data")), fileBytes(2, {records[1]}, unreadable()));
    EXPECT_EQ(readBytes(dir.file("r.data.bak")), fileBytes(3, {records[1], records[3]}, unreadable()));

    // A refused edit names the record and field, exits 1 and writes nothing.
    const auto refused = runSpawnTool(
        {"edit", dir.file("m.data"), "--field", "area:14", "--add", "200", "-o", dir.file("x.data")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("record 1, field 14"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.data")));
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"edit", dir.file("m.data"), "--field", "area:2", "--set", "1", "-o", "y"},
          {"edit", dir.file("m.data"), "--field", "entry:3", "-o", "y"},
          {"edit", dir.file("m.data"), "--name", "wolf", "--field", "entry:3", "--set", "1", "-o", "y"},
          {"remove", dir.file("m.data"), "-o", "y"}}) {
        EXPECT_EQ(runSpawnTool(wrong).exitCode, 2) << wrong[1] << " " << wrong[3];
    }
}

// A command that changes records from a script does not take a typo for "every record": the
// search texts, the field and the value are checked before anything is read or written.
TEST(BulkCommandsTest, TyposInTheSearchTheFieldOrTheValueAreRefusedNamingTheOptionAndNothingIsWritten) {
    const TempFolder dir;
    std::vector<std::vector<std::uint8_t>> records = {recordBytes(1, 16, 1), recordBytes(0, 0, 2),
                                                      recordBytes(2, 16, 3)};
    for (const std::size_t entry : {0u, 1u}) {
        writeI32At(records[2], kTimeRespOffset + entry * SpawnLayout::kCreatureEntrySize, 2000);
    }
    writeI32At(records[0], kTimeRespOffset, 2000);
    writeBytes(dir.file("m.data"), fileBytes(3, records));
    const std::string out = dir.file("out.data");
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> named; // options the message names
    };
    const Case refused[] = {
        {{"remove", "--id", "abc"}, {"--id"}},
        {{"remove", "--id", ""}, {"--id"}},
        {{"remove", "--id", "16x"}, {"--id"}},
        {{"remove", "--name", "", "--elements", dir.file("e.data")}, {"--name"}},
        {{"edit", "--id", "abc", "--field", "entry:3", "--set", "1"}, {"--id"}},
        {{"edit", "--name", "", "--elements", dir.file("e.data"), "--field", "entry:3", "--set", "1"},
         {"--name"}},
        {{"edit", "--field", "area:3", "--only-creature", "16", "--set", "1"},
         {"--only-creature", "--field"}},
        {{"edit", "--field", "entry:3", "--multiply", "."}, {"--multiply"}},
        {{"edit", "--field", "entry:3", "--add", "+-5"}, {"--add"}},
        {{"edit", "--field", "area:3", "--set", "1,5"}, {"--set"}},
    };
    for (const Case& c : refused) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, dir.file("m.data"));
        args.insert(args.end(), {"-o", out});
        const auto result = runSpawnTool(args);
        SCOPED_TRACE(args[0] + " " + args[2] + " [" + args[3] + "]");
        EXPECT_EQ(result.exitCode, 2) << result.err;
        for (const std::string& option : c.named) {
            EXPECT_NE(result.err.find(option), std::string::npos) << result.err;
        }
        EXPECT_FALSE(std::filesystem::exists(out));
    }

    // Blanks around a value count alike for every value; a decimal --id may carry leading zeros.
    const auto spaced = runSpawnTool(
        {"edit", dir.file("m.data"), "--id", "016", "--field", "entry:3", "--multiply", "1.5 ", "-o", out});
    ASSERT_EQ(spaced.exitCode, 0) << spaced.err;
    EXPECT_EQ(Json::parse(spaced.out)["fields"], 3);
    const auto byId = runSpawnTool({"remove", out, "--id", "016", "--no-backup", "-o", out});
    ASSERT_EQ(byId.exitCode, 0) << byId.err;
    EXPECT_EQ(readBytes(out), fileBytes(1, {records[1]}));
    EXPECT_FALSE(std::filesystem::exists(out + ".bak"));
}
