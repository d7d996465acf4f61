#include "ElementBytes.h"

#include "ElementDatabase.h"

#include <gtest/gtest.h>

#include <string>

using namespace spawn;
using namespace spawn::testing;

namespace {

const std::string kReadFailed = "读取失败！";

std::string errorOf(std::span<const std::uint8_t> bytes) {
    const auto db = readElementDatabase(bytes);
    return db ? "<read>" : db.error().message;
}

std::string lookup(const ElementDatabase& db, std::int32_t id) {
    const auto name = db.names.findCreatureName(id);
    return name ? std::string(*name) : "<none>";
}

// One creature and one NPC whose names show that the reader found their records.
ElementBytes namedDatabase(std::size_t signatureOffset = 12) {
    ElementBytes b;
    b.signatureOffset = signatureOffset;
    b.creatures = {{501, utf16(u"雾岭狼")}};
    b.npcs = {{9001, utf16(u"Trader Olvessa")}};
    return b;
}

// Bytes as 32-bit little-endian words.
std::vector<std::uint8_t> words(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> out;
    for (const std::uint32_t v : values) {
        appendI32Le(out, static_cast<std::int32_t>(v));
    }
    return out;
}

constexpr std::uint32_t kA = ElementLayout::kSignatureFirstWord;
constexpr std::uint32_t kB = ElementLayout::kSignatureSecondWord;

} // namespace

// --- Start signature and layouts -------------------------------------------------------------

TEST(ElementDatabaseTest, SignatureAtTwelveGivesAFourByteHeaderInTheDefaultLayout) {
    const auto bytes = namedDatabase(12).build();
    const auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().startOffset, 4);
    EXPECT_EQ(db.value().layout, ElementFileLayout::Default);
    EXPECT_EQ(db.value().endOfLists, bytes.size());
    EXPECT_EQ(lookup(db.value(), 501), "雾岭狼");
    EXPECT_EQ(lookup(db.value(), 9001), "Trader Olvessa");
}

TEST(ElementDatabaseTest, SignatureAtSixteenReadsListNineteenTrailingBytesAndLongListFiftyOneRecords) {
    ElementBytes b = namedDatabase(16);
    b.counts[19] = 2;
    b.counts[51] = 3;
    auto bytes = b.build();
    const std::size_t e = bytes.size();
    const auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().startOffset, 8);
    EXPECT_EQ(db.value().layout, ElementFileLayout::EightByteHeader);
    EXPECT_EQ(db.value().endOfLists, e);
    EXPECT_EQ(lookup(db.value(), 501), "雾岭狼");
    EXPECT_EQ(lookup(db.value(), 9001), "Trader Olvessa");

    // In the default layout the same counts give list 19 no trailing bytes and 1224-byte list 51
    // records.
    b.signatureOffset = 20;
    const auto defaultLayout = b.build();
    const auto other = readElementDatabase(defaultLayout);
    ASSERT_TRUE(other) << other.error().message;
    EXPECT_EQ(other.value().layout, ElementFileLayout::Default);
    EXPECT_EQ(other.value().endOfLists, defaultLayout.size());
    EXPECT_EQ(lookup(other.value(), 9001), "Trader Olvessa");
}

TEST(ElementDatabaseTest, TheEightByteHeaderLayoutNamesItsBuildWhateverTheFingerprint) {
    auto bytes = namedDatabase(16).build();
    const std::size_t e = bytes.size();
    // No "facedata" at all: the layout alone names the build.
    auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db.value().fingerprint);
    EXPECT_EQ(db.value().buildMessage, "官服客户端_*版");

    placeFacedata(bytes, e, facedataDistanceFor(1924570));
    db = readElementDatabase(bytes);
    ASSERT_TRUE(db);
    EXPECT_EQ(db.value().fingerprint, 1924570);
    EXPECT_EQ(db.value().buildMessage, "官服客户端_*版");
}

TEST(ElementDatabaseTest, SignatureAtOneHundredIsFoundButNotAtOneHundredAndFour) {
    auto at100 = namedDatabase(100).build();
    const auto db = readElementDatabase(at100);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().startOffset, 92);
    EXPECT_EQ(db.value().layout, ElementFileLayout::Default);
    EXPECT_EQ(lookup(db.value(), 9001), "Trader Olvessa");

    EXPECT_EQ(errorOf(namedDatabase(104).build()), ">100");

    // No signature in a long file.
    const std::vector<std::uint8_t> zeros(4096, 0);
    EXPECT_EQ(errorOf(zeros), ">100");
}

TEST(ElementDatabaseTest, AWordTakenAsPartnerOfAFirstSignatureWordIsNotExaminedAgain) {
    // A, A, B at offsets 0, 4 and 8: the A at 4 is the failed partner of the A at 0, so the
    // signature at 4 is passed over and the real one at 20 is found.
    auto bytes = words({kA, kA, kB, 1, 0x12345678, kA, kB});
    ElementBytes rest;
    rest.signatureOffset = 20;
    const auto full = rest.build();
    // Lists from offset 12 on: the count of list 0 and the rest of its first record follow.
    bytes.insert(bytes.end(), full.begin() + 28, full.end());
    const auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().startOffset, 12);

    // With any other word at 0 the signature at 4 is found, and a start offset of -4 cannot be read.
    writeI32At(bytes, 0, 0);
    EXPECT_EQ(errorOf(bytes), kReadFailed);

    // A partner that is itself a first word is not examined again either: the signature at 8 is lost.
    EXPECT_EQ(
        errorOf(words({0, kA, kA, kB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
        ">100");
}

TEST(ElementDatabaseTest, SignatureAtZeroOrFourCannotBeReadButAtEightItCan) {
    auto bytes = words({kA, kB});
    bytes.resize(4096, 0);
    EXPECT_EQ(errorOf(bytes), kReadFailed);

    bytes = words({7, kA, kB});
    bytes.resize(4096, 0);
    EXPECT_EQ(errorOf(bytes), kReadFailed);

    // At 8 the file simply has no header.
    const auto db = readElementDatabase(namedDatabase(8).build());
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().startOffset, 0);
    EXPECT_EQ(db.value().layout, ElementFileLayout::Default);
    EXPECT_EQ(lookup(db.value(), 9001), "Trader Olvessa");
}

// --- Counts -----------------------------------------------------------------------------------

TEST(ElementDatabaseTest, ACountOfFiveThousandIsAcceptedAndFiveThousandAndOneEndsStartUp) {
    ElementBytes b = namedDatabase();
    b.counts[12] = 5000;
    const auto db = readElementDatabase(b.build());
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(lookup(db.value(), 9001), "Trader Olvessa");

    // Too large a count ends the reading before its records are looked for.
    b.counts[12] = 5001;
    EXPECT_EQ(errorOf(b.build()), "Big 12");

    b.counts[12] = 0;
    b.counts[0] = INT32_MAX;
    EXPECT_EQ(errorOf(b.build()), "Big 0");
}

TEST(ElementDatabaseTest, TheBigMessageNamesTheNamedListsToo) {
    ElementBytes b = namedDatabase();
    b.creatures.assign(5001, NamedRecord{1, {}});
    EXPECT_EQ(errorOf(b.build()), "Big 37");

    b.creatures.clear();
    b.npcs.assign(5001, NamedRecord{1, {}});
    EXPECT_EQ(errorOf(b.build()), "Big 54");
}

TEST(ElementDatabaseTest, ANegativeCountCannotBeRead) {
    ElementBytes b = namedDatabase();
    b.counts[5] = -1;
    EXPECT_EQ(errorOf(b.build()), kReadFailed);
    b.counts[5] = INT32_MIN;
    EXPECT_EQ(errorOf(b.build()), kReadFailed);
}

TEST(ElementDatabaseTest, DataThatEndsBeforeListFiftyFourEndsCannotBeRead) {
    // Records in lists 0, 37, 49 (with its trailing bytes) and 54: every cut lands inside the
    // signature walk, a count, a record or trailing bytes.
    ElementBytes b = namedDatabase();
    b.counts[49] = 1;
    const auto bytes = b.build();
    ASSERT_TRUE(readElementDatabase(bytes));
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const auto cut = std::span(bytes).first(size);
        ASSERT_EQ(errorOf(cut), kReadFailed) << "cut at " << size;
    }
}

// --- Name tables ------------------------------------------------------------------------------

TEST(ElementDatabaseTest, TablesHoldEveryRecordInFileOrder) {
    ElementBytes b;
    b.creatures = {{30, utf16(u"c")}, {10, utf16(u"a")}, {30, utf16(u"dup")}, {-5, utf16(u"")}};
    b.npcs = {{7, utf16(u"n0")}, {8, utf16(u"n1")}};
    const auto db = readElementDatabase(b.build());
    ASSERT_TRUE(db) << db.error().message;
    const auto& list37 = db.value().names.list37();
    EXPECT_EQ(list37.ids, (std::vector<std::int32_t>{30, 10, 30, -5}));
    EXPECT_EQ(list37.names, (std::vector<std::string>{"c", "a", "dup", ""}));
    EXPECT_EQ(db.value().names.list54().ids, (std::vector<std::int32_t>{7, 8}));
    EXPECT_EQ(db.value().names.list54().names, (std::vector<std::string>{"n0", "n1"}));
}

TEST(ElementDatabaseTest, AnEmptyListGivesAnEmptyTableAndTheOtherIsStillSearched) {
    ElementBytes b = namedDatabase();
    b.creatures.clear();
    const auto db = readElementDatabase(b.build());
    ASSERT_TRUE(db);
    EXPECT_EQ(db.value().names.list37().count(), 0u);
    EXPECT_EQ(lookup(db.value(), 9001), "Trader Olvessa");
}

TEST(ElementDatabaseTest, AnIdInBothListsAtTheSameIndexGetsTheListFiftyFourName) {
    ElementBytes b;
    b.creatures = {{3, utf16(u"creature three")}, {1, utf16(u"creature one")}};
    b.npcs = {{8, utf16(u"npc eight")}, {1, utf16(u"npc one")}, {3, utf16(u"npc three")}};
    const auto db = readElementDatabase(b.build());
    ASSERT_TRUE(db);
    EXPECT_EQ(lookup(db.value(), 1), "npc one");
    EXPECT_EQ(lookup(db.value(), 3), "creature three");
}

TEST(ElementDatabaseTest, NamesAreReadWholeUpToTheirTerminatorOrTheEndOfTheRecord) {
    // 40 Chinese characters take 120 bytes of UTF-8: more than the 63 a stored name could hold.
    std::u16string longChinese;
    for (int i = 0; i < 40; ++i) {
        longChinese += u"岚";
    }
    // Without a terminator a list-54 name runs to the end of its 848-byte record: 422 units.
    const std::u16string fills(422, u'x');
    ElementBytes b;
    b.creatures = {{1, utf16(u"赤鳞蜥")},
                   {2, utf16(longChinese)},
                   {3, utf16(u"dragon 🐉")},
                   {4, utf16(std::u16string_view(u"abc\0def", 7))}};
    b.npcs = {{5, utf16(fills, false)}};
    const auto db = readElementDatabase(b.build());
    ASSERT_TRUE(db);
    const auto& names = db.value().names.list37().names;
    EXPECT_EQ(names[0], "赤鳞蜥");
    EXPECT_EQ(names[1].size(), 120u);
    EXPECT_EQ(names[2], "dragon \xF0\x9F\x90\x89");
    EXPECT_EQ(names[3], "abc");
    EXPECT_EQ(db.value().names.list54().names[0], std::string(422, 'x'));
}

struct Utf16Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::string expected;
};

class DecodeUtf16LeNameTest : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(DecodeUtf16LeNameTest, GivesTheNameAsUtf8) {
    EXPECT_EQ(decodeUtf16LeName(GetParam().bytes), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeUtf16LeNameTest,
    ::testing::Values(
        Utf16Case{"ascii", {'O', 0, 'k', 0, 0, 0, 'X', 0}, "Ok"},
        Utf16Case{"two-byte UTF-8", {0xE9, 0x00, 0, 0}, "\xC3\xA9"},
        Utf16Case{"surrogate pair", {0x3D, 0xD8, 0x09, 0xDC}, "\xF0\x9F\x90\x89"},
        Utf16Case{"high surrogate before a letter",
                  {0x3D, 0xD8, 'a', 0},
                  "\xEF\xBF\xBD"
                  "a"},
        Utf16Case{"high surrogate before the terminator", {0x3D, 0xD8, 0, 0, 'a', 0}, "\xEF\xBF\xBD"},
        Utf16Case{"high surrogate at the end of the record", {'a', 0, 0x3D, 0xD8}, "a\xEF\xBF\xBD"},
        Utf16Case{"lone low surrogate",
                  {0x09, 0xDC, 'b', 0},
                  "\xEF\xBF\xBD"
                  "b"},
        Utf16Case{"two high surrogates then a low one",
                  {0x3D, 0xD8, 0x3D, 0xD8, 0x09, 0xDC},
                  "\xEF\xBF\xBD\xF0\x9F\x90\x89"},
        Utf16Case{"odd last byte", {'a', 0, 'b'}, "a"}, Utf16Case{"empty", {}, ""}));

TEST(ElementDatabaseTest, NamePositionDigitsAreHexadecimalWithOtherCharactersCountingZero) {
    using ElementLayout::namePositionFromDigits;
    EXPECT_EQ(namePositionFromDigits(ElementLayout::kCreatureList.namePositionDigits), 8u);
    EXPECT_EQ(namePositionFromDigits(ElementLayout::kNpcList.namePositionDigits), 4u);
    EXPECT_EQ(namePositionFromDigits("1f"), 31u * 4);
    EXPECT_EQ(namePositionFromDigits("A0"), 160u * 4);
    EXPECT_EQ(namePositionFromDigits("Fg"), 240u * 4);
    EXPECT_EQ(namePositionFromDigits("G9"), 9u * 4);
    EXPECT_EQ(namePositionFromDigits(" 2"), 2u * 4);
}

// --- Fingerprint matcher ----------------------------------------------------------------------

struct MatcherCase {
    const char* what;
    std::string text;
    std::optional<std::size_t> found;
};

class FingerprintMatcherTest : public ::testing::TestWithParam<MatcherCase> {};

TEST_P(FingerprintMatcherTest, FindsTheTextOnlyWhereTheSkipsLetItLook) {
    const std::string& text = GetParam().text;
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    EXPECT_EQ(findFingerprintText(bytes, 0), GetParam().found) << GetParam().what;
}

std::string spaces(std::size_t n) {
    return std::string(n, ' ');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FingerprintMatcherTest,
    ::testing::Values(
        MatcherCase{"at the start", "facedata", 0}, MatcherCase{"after other bytes", "xxfacedata..", 2},
        MatcherCase{"second f consumed as the failed second letter", "ffacedata", std::nullopt},
        MatcherCase{"...and a later occurrence is still found", "ffacedata facedata", 10},
        MatcherCase{"third-letter difference passes over 48 more bytes", "faXfacedata", std::nullopt},
        MatcherCase{"search goes on 51 bytes after the f", "faX" + spaces(48) + "facedata", 51},
        MatcherCase{"an occurrence at 50 is passed over", "faX" + spaces(47) + "facedata", std::nullopt},
        MatcherCase{"fourth-letter difference goes on 52 bytes after the f", "facX" + spaces(48) + "facedata",
                    52},
        MatcherCase{"...passing over one at 51", "facX" + spaces(47) + "facedata", std::nullopt},
        MatcherCase{"fifth-letter difference goes on 5 after", "faceXfacedata", 5},
        MatcherCase{"sixth-letter difference goes on 6 after", "facedXfacedata", 6},
        MatcherCase{"seventh-letter difference goes on 7 after", "facedafacedata", std::nullopt},
        MatcherCase{"...where an occurrence is found", "facedaXfacedata", 7},
        MatcherCase{"eighth-letter difference skips the f at 7", "facedatfacedata", std::nullopt},
        MatcherCase{"...and goes on at 8", "facedatXfacedata", 8},
        MatcherCase{"data ending inside a match", "xxfaceda", std::nullopt},
        MatcherCase{"nothing", "", std::nullopt}));

TEST(ElementDatabaseTest, TheMatcherStartsWhereItIsToldAndNotBeyondTheData) {
    const std::string text = "facedata  facedata";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    EXPECT_EQ(findFingerprintText(bytes, 1), 10u);
    EXPECT_EQ(findFingerprintText(bytes, 11), std::nullopt);
    EXPECT_EQ(findFingerprintText(bytes, bytes.size()), std::nullopt);
    EXPECT_EQ(findFingerprintText(bytes, bytes.size() + 1000000), std::nullopt);
}

// --- Fingerprint and build messages -----------------------------------------------------------

TEST(ElementDatabaseTest, FacedataWithinAMillionBytesAfterTheListsIsNotSeen) {
    const auto lists = namedDatabase().build();
    const std::size_t e = lists.size();
    // Well inside the blind zone, ending just before the search begins, and beginning a byte before it.
    for (const std::size_t distance :
         {std::size_t{0}, std::size_t{500000}, std::size_t{999992}, std::size_t{999999}}) {
        auto bytes = lists;
        placeFacedata(bytes, e, distance);
        const auto db = readElementDatabase(bytes);
        ASSERT_TRUE(db);
        EXPECT_FALSE(db.value().fingerprint) << distance;
        EXPECT_FALSE(db.value().buildMessage) << distance;
    }

    // The first byte the search looks at gives the smallest fingerprint there is.
    auto bytes = lists;
    placeFacedata(bytes, e, 1000000);
    const auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db);
    EXPECT_EQ(db.value().fingerprint, 1000000 + 8 - 80);
    EXPECT_FALSE(db.value().buildMessage);
}

TEST(ElementDatabaseTest, DataEndingBeforeFacedataIsFoundGivesNoFingerprintAndNoMessage) {
    auto bytes = namedDatabase().build();
    const std::size_t e = bytes.size();
    // The search would begin past the end.
    bytes.resize(e + 1000, 'f');
    auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db);
    EXPECT_EQ(db.value().endOfLists, e);
    EXPECT_FALSE(db.value().fingerprint);
    EXPECT_FALSE(db.value().buildMessage);
    EXPECT_EQ(lookup(db.value(), 501), "雾岭狼");

    // The text cut short by the end of the data.
    placeFacedata(bytes, e, 1200000, 0);
    bytes.pop_back();
    db = readElementDatabase(bytes);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db.value().fingerprint);
}

TEST(ElementDatabaseTest, TheFirstFacedataTheMatcherReachesGivesTheFingerprint) {
    auto bytes = namedDatabase().build();
    const std::size_t e = bytes.size();
    placeFacedata(bytes, e, facedataDistanceFor(1912010));
    placeFacedata(bytes, e, facedataDistanceFor(1924570));
    const auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db);
    EXPECT_EQ(db.value().fingerprint, 1912010);
    EXPECT_EQ(db.value().buildMessage, "私服服务端_38版");
}

struct BuildCase {
    std::int32_t fingerprint;
    std::optional<std::string> message;
};

class BuildMessageTest : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildMessageTest, TheFingerprintChoosesTheMessageInTheDefaultLayout) {
    auto bytes = namedDatabase().build();
    placeFacedata(bytes, bytes.size(), facedataDistanceFor(GetParam().fingerprint));
    const auto db = readElementDatabase(bytes);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(db.value().fingerprint, GetParam().fingerprint);
    EXPECT_EQ(db.value().buildMessage, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BuildMessageTest,
    ::testing::Values(BuildCase{1912010, "私服服务端_38版"}, BuildCase{1924570, "私服客户端_38版"},
                      BuildCase{1917220, "私服服务端_17版"}, BuildCase{1984530, "官方客户端_86或82版"},
                      BuildCase{3296930, "英文_私服客户端_17版"}, BuildCase{1912011, std::nullopt},
                      BuildCase{1912009, std::nullopt}));
