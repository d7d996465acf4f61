#include "SpawnBytes.h"
#include "TempFolder.h"

#include "SpawnTool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <functional>
#include <string>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;
using Json = nlohmann::ordered_json;

namespace {

std::string readText(const std::string& path) {
    const auto bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, {text.begin(), text.end()});
}

// A record whose bytes are all zero but for its entry count.
std::vector<std::uint8_t> zeroRecord(std::int32_t entryCount) {
    std::vector<std::uint8_t> bytes(SpawnLayout::recordSize(entryCount));
    writeI32At(bytes, SpawnLayout::kEntryCountOffset, entryCount);
    return bytes;
}

void writeFloatBits(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t bits) {
    writeI32At(bytes, offset, static_cast<std::int32_t>(bits));
}

// Exports `file` to JSON and imports that back into a new file, through the tool.
struct RoundTrip {
    Json document;
    std::vector<std::uint8_t> bytes;
};

RoundTrip roundTrip(const TempFolder& dir, const std::string& file) {
    const auto exported = runSpawnTool({"export", file, "-o", dir.file("rt.json")});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    const auto imported = runSpawnTool({"import", dir.file("rt.json"), "-o", dir.file("rt.data")});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    return {Json::parse(readText(dir.file("rt.json"))), readBytes(dir.file("rt.data"))};
}

} // namespace

TEST(JsonCommandsTest, ExportWritesOneLinePerRecordAndEntryWithEachFieldByItsType) {
    const TempFolder dir;
    auto first = zeroRecord(1);
    writeI32At(first, 0, -7);
    writeFloatBits(first, 8, std::bit_cast<std::uint32_t>(1.5f));
    writeFloatBits(first, 12, 0x80000000u); // negative zero
    writeFloatBits(first, 16, 0x7fc00001u); // a NaN with a payload
    writeFloatBits(first, 20, std::bit_cast<std::uint32_t>(0.0001f));
    writeFloatBits(first, 28, std::bit_cast<std::uint32_t>(1e20f));
    writeFloatBits(first, 32, 0xff800000u); // -infinity
    first[52] = 0xFF;                       // byte field 14
    writeI32At(first, 71, 16);
    writeI32At(first, 75, 1);
    writeI32At(first, 79, 2000);
    first[71 + 41] = 0x80; // entry byte field 12
    writeBytes(dir.file("m.data"), fileBytes(2, {first, zeroRecord(0)}, {1, 2, 3}));

    const auto result = runSpawnTool({"export", dir.file("m.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "{\"format\": 1, \"leading_block\": \"deadbeef\", \"header_words\": [-7, 16909060, 99], "
              "\"records\": [\n"
              " {\"area\": [-7, 1, 1.5, \"0x80000000\", \"0x7fc00001\", 0.0001, 0, 1e+20, \"0xff800000\", 0, "
              "0, 0, 0, -1, "
              "0, 0, 0, 0, 0, 0], \"entries\": [\n"
              "  [16, 1, 2000, 0, 0, 0, 0, 0, 0, 0, 0, -128, 0, 0, 0, 0, 0, 0]]},\n"
              " {\"area\": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0], \"entries\": []}\n"
              "], \"remainder\": \"AQID\"}\n");

    // -o writes the same document and says what it wrote.
    const auto toFile = runSpawnTool({"export", dir.file("m.data"), "-o", dir.file("m.json")});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(readText(dir.file("m.json")), result.out);
    EXPECT_EQ(Json::parse(toFile.out)["records"], 2);
    // And the document brings back every bit, the NaN payload and the zero's sign included.
    const auto imported = runSpawnTool({"import", dir.file("m.json"), "-o", dir.file("back.data")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(readBytes(dir.file("back.data")), readBytes(dir.file("m.data")));
}

TEST(JsonCommandsTest, EveryLoadableFileComesBackByteForByte) {
    const TempFolder dir;
    ASSERT_EQ(runSpawnTool({"demo", dir.path().string()}).exitCode, 0);

    auto bad = recordBytes(1);
    writeI32At(bad, SpawnLayout::kEntryCountOffset, 253);
    const auto cut = recordBytes(3);
    const std::vector<std::uint8_t> cutShort(cut.begin(), cut.end() - 10);
    auto floats = recordBytes(2);
    writeFloatBits(floats, 8, 0x80000000u);  // negative zero
    writeFloatBits(floats, 12, 0x00000001u); // the smallest subnormal
    writeFloatBits(floats, 16, 0xff812345u); // a signalling NaN
    writeFloatBits(floats, 20, 0x7f7fffffu); // the largest float
    writeFloatBits(floats, 28, 0x7f800000u); // infinity
    writeFloatBits(floats, 32, 0xffc12345u); // a quiet NaN with its sign set
    writeFloatBits(floats, 36, 0x3dcccccdu); // 0.1

    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        bool holdsCountWord;
    };
    const Case cases[] = {
        {"demo world", readBytes(dir.file("mobset.data")), false},
        {"empty file of 20 bytes", fileBytes(0, {}), false},
        {"stopped at a bad entry count", fileBytes(3, {recordBytes(0), bad, recordBytes(4)}, {9, 9}), true},
        {"stopped at a record past the end", fileBytes(2, {recordBytes(1), cutShort}), true},
        {"negative count word", fileBytes(-5, {}, {1, 2, 3, 4, 5}), true},
        {"unusual floats", fileBytes(1, {floats}), false},
    };
    for (const auto& c : cases) {
        writeBytes(dir.file("case.data"), c.bytes);
        const auto trip = roundTrip(dir, dir.file("case.data"));
        EXPECT_EQ(trip.bytes, c.bytes) << c.name;
        EXPECT_EQ(trip.document.contains("count_word"), c.holdsCountWord) << c.name;
    }
}

TEST(JsonCommandsTest, NamesComeWithElementsAndImportIgnoresThem) {
    const TempFolder dir;
    ASSERT_EQ(runSpawnTool({"demo", dir.path().string(), "--areas", "40"}).exitCode, 0);
    const auto named =
        runSpawnTool({"export", dir.file("mobset.data"), "--elements", dir.file("elements.data")});
    ASSERT_EQ(named.exitCode, 0) << named.err;
    Json document = Json::parse(named.out);
    const Json list = Json::parse(
        runSpawnTool({"list", dir.file("mobset.data"), "--elements", dir.file("elements.data")}).out);
    ASSERT_EQ(document["records"].size(), list["rows"].size());
    for (std::size_t i = 0; i < list["rows"].size(); ++i) {
        EXPECT_EQ(document["records"][i]["name"], list["rows"][i]["name"]) << i;
        // "name" comes first in each record.
        EXPECT_EQ(document["records"][i].begin().key(), "name");
    }
    // Names are not read back, whatever they hold.
    document["records"][0]["name"] = "renamed";
    document["records"][1]["name"] = Json::parse(R"({"any": [1, {"thing": null}]})");
    writeText(dir.file("named.json"), document.dump());
    ASSERT_EQ(runSpawnTool({"import", dir.file("named.json"), "-o", dir.file("back.data")}).exitCode, 0);
    EXPECT_EQ(readBytes(dir.file("back.data")), readBytes(dir.file("mobset.data")));
    // Without --elements there are no names.
    EXPECT_FALSE(
        Json::parse(runSpawnTool({"export", dir.file("mobset.data")}).out)["records"][0].contains("name"));
}

TEST(JsonCommandsTest, AFieldEditedInTheJsonLandsInExactlyItsBytes) {
    const TempFolder dir;
    writeBytes(dir.file("m.data"),
               fileBytes(2, {recordBytes(0, 500, 1), recordBytes(3, 600, 40)}, {7, 7, 7}));
    ASSERT_EQ(runSpawnTool({"export", dir.file("m.data"), "-o", dir.file("m.json")}).exitCode, 0);
    Json document = Json::parse(readText(dir.file("m.json")));

    auto& second = document["records"][1];
    second["area"][2] = 1234.5;             // X, a float32 at record byte 8
    second["area"][14] = -3;                // a signed byte at record byte 53
    second["entries"][1][2] = 4000.0;       // respawn time of entry 2, whole though written with a point
    second["area"][3] = -0.0;               // Y: a decimal negative zero keeps its sign
    second["area"][7] = "0x3fc00000";       // a finite float given by its bits: 1.5
    second["entries"][2][5] = 77;           // an int32 of entry 3
    document["header_words"][1] = -1;       // the third of the four header words
    document["leading_block"] = "0A0B0C0D"; // hex digits of either case
    document["remainder"] = "AQIDBA==";     // 1 2 3 4
    writeText(dir.file("edited.json"), document.dump(2)); // any layout reads the same
    const auto result = runSpawnTool({"import", dir.file("edited.json"), "-o", dir.file("edited.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    auto expected = readBytes(dir.file("m.data"));
    expected.resize(expected.size() - 3);
    for (const std::uint8_t b : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}, std::uint8_t{4}}) {
        expected.push_back(b);
    }
    expected[0] = 0x0A;
    expected[1] = 0x0B;
    expected[2] = 0x0C;
    expected[3] = 0x0D;
    writeI32At(expected, 12, -1);
    const std::size_t second0 = SpawnLayout::kPrefixSize + SpawnLayout::recordSize(0);
    writeFloatBits(expected, second0 + 8, std::bit_cast<std::uint32_t>(1234.5f));
    expected[second0 + 53] = 0xFD;
    writeI32At(expected, second0 + 71 + 60 + 8, 4000);
    writeFloatBits(expected, second0 + 12, 0x80000000u);
    writeFloatBits(expected, second0 + 28, 0x3fc00000u);
    writeI32At(expected, second0 + 71 + 120 + 20, 77);
    EXPECT_EQ(readBytes(dir.file("edited.data")), expected);
}

TEST(JsonCommandsTest, ImportRefusesEveryFaultWithOneLineAndLeavesTheTargetAlone) {
    const TempFolder dir;
    writeBytes(dir.file("m.data"), fileBytes(2, {recordBytes(2), recordBytes(1)}, {5}));
    ASSERT_EQ(runSpawnTool({"export", dir.file("m.data"), "-o", dir.file("m.json")}).exitCode, 0);
    const std::string valid = readText(dir.file("m.json"));

    using Edit = std::function<void(Json&)>;
    struct Case {
        Edit edit;           // applied to the valid document, or
        std::string text;    // a document given as text
        std::string message; // what stderr must say
    };
    const std::vector<Case> cases = {
        {[](Json& d) { d["records"][1]["area"][1] = 2; },
         {},
         "record 2, field 2: the entry count is 2 but 1 entries are given"},
        {[](Json& d) { d["records"][0]["entries"] = Json::array(); },
         {},
         "record 1, field 2: the entry count is 2 but 0 entries are given"},
        {[](Json& d) {
             auto& r = d["records"][0];
             while (r["entries"].size() < 101) {
                 r["entries"].push_back(r["entries"][0]);
             }
             r["area"][1] = 101;
         },
         {},
         "record 1, field 2: more than 100 entries"},
        {[](Json& d) { d["records"][0]["area"].erase(19); }, {}, "record 1, field 20: missing"},
        {[](Json& d) { d["records"][0]["area"].push_back(0); },
         {},
         "record 1: \"area\" holds more than 20 values"},
        {[](Json& d) { d["records"][1]["entries"][0].erase(17); },
         {},
         "record 2, field 38 (entry 1, field 18): missing"},
        {[](Json& d) { d["records"][0]["entries"][1].push_back(0); },
         {},
         "record 1, entry 2: more than 18 values"},
        {[](Json& d) { d["records"][0]["area"][0] = 2147483648LL; },
         {},
         "record 1, field 1: 2147483648 is outside the int32 range"},
        {[](Json& d) { d["records"][0]["area"][0] = -2147483649LL; },
         {},
         "record 1, field 1: -2147483649 is outside"},
        {[](Json& d) { d["records"][1]["area"][13] = 128; },
         {},
         "record 2, field 14: 128 is outside the signed byte range -128..127"},
        {[](Json& d) { d["records"][0]["entries"][1][10] = -129; },
         {},
         "record 1, field 49 (entry 2, field 11): -129 is outside the signed byte range"},
        {[](Json& d) { d["records"][0]["entries"][0][2] = 2.5; },
         {},
         "record 1, field 23 (entry 1, field 3): 2.5 is not a whole number"},
        {[](Json& d) { d["records"][0]["area"][0] = "12"; },
         {},
         "record 1, field 1: expected an integer, found \"12\""},
        {[](Json& d) { d["records"][0]["area"][2] = 1e39; },
         {},
         "record 1, field 3: 1e+39 is outside the float32 range"},
        {[](Json& d) { d["records"][0]["area"][3] = "0x7fc0000"; },
         {},
         "record 1, field 4: \"0x7fc0000\" is not a float32"},
        {[](Json& d) { d["records"][0]["area"][4] = nullptr; },
         {},
         "record 1, field 5: null is not a float32"},
        {[](Json& d) { d["records"][0]["area"][5] = Json::array(); },
         {},
         "record 1, field 6: expected a number"},
        {[](Json& d) { d["records"][1].erase("area"); }, {}, "record 2: \"area\" is missing"},
        {[](Json& d) { d["records"][1]["colour"] = 1; }, {}, "record 2: unknown key \"colour\""},
        {[](Json& d) { d["records"][1] = 5; }, {}, "record 2: expected an object, found 5"},
        {[](Json& d) { d["leading_block"] = "deadbee"; }, {}, "\"leading_block\": \"deadbee\": 7 characters"},
        {[](Json& d) { d["leading_block"] = "deadbeeg"; }, {}, "character 8 is not a hex digit"},
        {[](Json& d) { d["remainder"] = "AQI"; }, {}, "\"remainder\": not valid base64"},
        {[](Json& d) { d["remainder"] = "AQ!D"; }, {}, "character 3 ('!') is not base64"},
        {[](Json& d) { d["format"] = 2; }, {}, "\"format\": 2 is not a known format"},
        {[](Json& d) { d.erase("remainder"); }, {}, "\"remainder\" is missing"},
        {[](Json& d) { d.erase("header_words"); }, {}, "\"header_words\" is missing"},
        {[](Json& d) { d["header_words"].erase(2); }, {}, "\"header_words\" holds 2 values, 3 expected"},
        {[](Json& d) { d["header_words"][0] = 0.5; },
         {},
         "\"header_words\", word 1: 0.5 is not a whole number"},
        {[](Json& d) { d["count_word"] = "many"; }, {}, "\"count_word\": expected an integer"},
        {[](Json& d) { d["comment"] = "hi"; }, {}, "unknown key \"comment\""},
        {[](Json& d) { d["odd\nkey"] = 1; }, {}, "unknown key \"odd\\nkey\""},
        {{}, R"({"format": 1, "format": 1})", "\"format\" is given twice"},
        {{}, "[1, 2]", "the document is not a JSON object"},
        {{}, valid.substr(0, valid.size() / 2), "parse error at line"},
        {{},
         valid + "{}",
         "parse error at line " + std::to_string(std::count(valid.begin(), valid.end(), '\n') + 1)},
        {{}, "", "parse error"},
        {{}, R"({"format": 1, "remainder": ")" + std::string(100000, 'A'), "parse error at line 1"},
    };
    const auto target = readBytes(dir.file("m.data"));
    for (const auto& c : cases) {
        std::string text = c.text;
        if (c.edit) {
            Json document = Json::parse(valid);
            c.edit(document);
            text = document.dump();
        }
        writeText(dir.file("bad.json"), text);
        const auto result = runSpawnTool({"import", dir.file("bad.json"), "-o", dir.file("m.data")});
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find(dir.file("bad.json") + ": "), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        EXPECT_LT(result.err.size(), 400u) << c.message;
        EXPECT_EQ(readBytes(dir.file("m.data")), target) << c.message;
        // Nothing else appears either: no new file, no temporary one left behind.
        EXPECT_EQ(runSpawnTool({"import", dir.file("bad.json"), "-o", dir.file("new.data")}).exitCode, 1);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << c.message;
    }
}

TEST(JsonCommandsTest, UnreadableInputsAndWrongUsageFailWithoutWriting) {
    const TempFolder dir;
    writeBytes(dir.file("short.data"), {1, 2, 3});
    for (const auto& file : {dir.file("short.data"), dir.file("missing.data")}) {
        const auto result = runSpawnTool({"export", file, "-o", dir.file("out.json")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(file), std::string::npos) << result.err;
    }
    const auto missing = runSpawnTool({"import", dir.file("missing.json"), "-o", dir.file("out.data")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir.file("missing.json")), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.json")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.data")));

    EXPECT_EQ(runSpawnTool({"import", dir.file("x.json")}).exitCode, 2);
    EXPECT_EQ(runSpawnTool({"export"}).exitCode, 2);
}

TEST(JsonCommandsTest, EverySpellingOfNegativeZeroKeepsItsSignInAFloatField) {
    // jq prints negative zero as "-0", which the parser hands over as the integer 0. A "-0" inside
    // a string, or in an integer field, must not shift which numbers count.
    const TempFolder dir;
    writeText(dir.file("z.json"),
              R"({"format": 1, "leading_block": "deadbeef", "header_words": [-7, 16909060, 99],
        "records": [{"name": "a \"-0\" -0", "area": [-0, 0, -0, -0.0, -0e0, 0, -0, -0, 0, 1e0, -0,
                                                    -0, 0, -0, 0, 0, 0, 0, 0, 0], "entries": []}],
        "remainder": ""})");
    const auto result = runSpawnTool({"import", dir.file("z.json"), "-o", dir.file("z.data")});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    auto record = zeroRecord(0);
    for (const std::size_t offset : {8u, 12u, 16u, 28u, 40u}) { // fields 3, 4, 5, 8 and 11
        writeFloatBits(record, offset, 0x80000000u);
    }
    writeFloatBits(record, 36, std::bit_cast<std::uint32_t>(1.0f));
    EXPECT_EQ(readBytes(dir.file("z.data")), fileBytes(1, {record}));
}

TEST(JsonCommandsTest, AppendTakesTheChosenRecordsOfASpawnFileOrJsonInTheOrderGivenAndWritesNothingOnError) {
    const TempFolder dir;
    auto odd = recordBytes(2, 321, 9);
    writeFloatBits(odd, 8, 0x7FC12345u);  // a NaN with a payload
    writeFloatBits(odd, 12, 0x80000000u); // negative zero
    const std::vector<std::vector<std::uint8_t>> source = {recordBytes(1, 16), odd, recordBytes(0, 0, 40)};
    const auto first = recordBytes(3, 700, 60);
    const auto second = recordBytes(1, 7, 80);
    writeBytes(dir.file("m.data"), fileBytes(2, {first, second}, {7, 7}));
    writeBytes(dir.file("s.data"), fileBytes(3, source));
    ASSERT_EQ(runSpawnTool({"export", dir.file("s.data"), "-o", dir.file("s.json")}).exitCode, 0);

    const auto fromSpawn = runSpawnTool({"append", dir.file("m.data"), dir.file("s.data"), "--record", "3",
                                         "--record", "01", "-o", dir.file("out.data")});
    ASSERT_EQ(fromSpawn.exitCode, 0) << fromSpawn.err;
    EXPECT_EQ(fromSpawn.out, R"({"appended":2,"records":4,"file":")" + dir.file("out.data") + "\"}\n");
    EXPECT_EQ(readBytes(dir.file("out.data")), fileBytes(4, {first, second, source[2], source[0]}, {7, 7}));

    const auto fromJson = runSpawnTool({"append", dir.file("m.data"), dir.file("s.json"), "--record", "2",
                                        "--record", "2", "-o", dir.file("json.data")});
    ASSERT_EQ(fromJson.exitCode, 0) << fromJson.err;
    EXPECT_EQ(readBytes(dir.file("json.data")), fileBytes(4, {first, second, odd, odd}, {7, 7}));
    ASSERT_EQ(
        runSpawnTool({"append", dir.file("m.data"), dir.file("s.json"), "-o", dir.file("all.data")}).exitCode,
        0);
    EXPECT_EQ(readBytes(dir.file("all.data")),
              fileBytes(5, {first, second, source[0], odd, source[2]}, {7, 7}));

    // Errors name the file and the record; the target is left as it was.
    writeText(dir.file("bad.json"), R"({"format": 1, "records": [{"area": [0, 0, 0], "entries": []}]})");
    writeBytes(dir.file("stopped.data"), fileBytes(3, {first}));
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{dir.file("m.data"), dir.file("s.data"), "--record", "4"}, dir.file("s.data") + ": record 4: "},
        {{dir.file("m.data"), dir.file("bad.json")}, dir.file("bad.json") + ": record 1, field 4: "},
        {{dir.file("m.data"), dir.file("missing.json")}, dir.file("missing.json")},
        {{dir.file("stopped.data"), dir.file("s.data")}, dir.file("stopped.data")}};
    for (auto [args, message] : refused) {
        args.insert(args.begin(), "append");
        args.insert(args.end(), {"-o", dir.file("out.data")});
        const auto result = runSpawnTool(args);
        EXPECT_EQ(result.exitCode, 1) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_EQ(readBytes(dir.file("out.data")),
                  fileBytes(4, {first, second, source[2], source[0]}, {7, 7}));
    }
}
