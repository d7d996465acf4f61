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
