#include "FakeCoordinateBoxes.h"

#include "CoordinateBoxController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace spawn;
using namespace spawn::testing;

namespace {

enum Box : std::size_t { WorldX, WorldY, WorldZ, MapX, MapY, MapHeight };

// The marker's centre on the 437 x 504 map picture.
PicturePoint markerCentre(MapPoint point) {
    const MarkerRect rect = markerRect(437, 504, point);
    return {rect.left + MapGrid::kMarkerHalfSize, rect.top + MapGrid::kMarkerHalfSize};
}

struct TypingRow {
    const char* name;
    Box box;
    const char* keys;
    std::vector<std::string> during; // the six texts after each key
    const char* finished;            // the box's own text after Enter
    PicturePoint markerCentre;
};

class TypingTest : public ::testing::TestWithParam<TypingRow> {};

} // namespace

TEST(CoordinateBoxControllerTest, ANewControllerShowsZeroEverywhereAndPlacesNoMarker) {
    const FakeCoordinateBoxes boxes;
    EXPECT_EQ(boxes.texts(), "0 0 0 0 0 0");
    EXPECT_TRUE(boxes.markers.empty());
    EXPECT_TRUE(boxes.controller.state() == CoordinateState{});
}

// Each row types its keys into an emptied box, one at a time, checks the six boxes after every
// key, then presses Enter and checks the box's own text and where the marker ended.
TEST_P(TypingTest, TypedTextStaysUntilEditingFinishes) {
    const TypingRow& row = GetParam();
    FakeCoordinateBoxes boxes;
    boxes.selectAll(row.box);
    const std::string keys = row.keys;
    ASSERT_EQ(row.during.size(), keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        boxes.type(row.box, keys[k]);
        EXPECT_EQ(boxes.texts(), row.during[k]) << "after key " << k;
        EXPECT_EQ(boxes.markers.size(), k + 1); // once per key
    }
    const CoordinateState typed = boxes.controller.state();
    boxes.enter();
    const std::u16string finished = boxes.boxes[row.box].text;
    EXPECT_EQ(std::string(finished.begin(), finished.end()), row.finished);
    EXPECT_TRUE(boxes.controller.state() == typed); // finishing changes no member...
    EXPECT_EQ(boxes.markers.size(), keys.size());   // ...and places no marker
    EXPECT_EQ(markerCentre(boxes.markers.back()), row.markerCentre);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TypingTest,
    ::testing::Values(
        TypingRow{"NegativeWorldX", WorldX, "-2500",
                  {"- 0 0 400 0 0", "-2 0 0 400 0 0", "-25 0 0 398 0 0", "-250 0 0 375 0 0", "-2500 0 0 150 0 0"},
                  "-2500", {81, 504}},
        TypingRow{"WorldXWithAFraction", WorldX, "12.5",
                  {"1 0 0 400 0 0", "12 0 0 401 0 0", "12. 0 0 401 0 0", "12.5 0 0 401 0 0"}, "12.5", {219, 504}},
        TypingRow{"TrailingZeroAndPointGoOnFinishing", WorldX, "12.50",
                  {"1 0 0 400 0 0", "12 0 0 401 0 0", "12. 0 0 401 0 0", "12.5 0 0 401 0 0", "12.50 0 0 401 0 0"},
                  "12.5", {219, 504}},
        TypingRow{"NegativeWorldZ", WorldZ, "-1234.5",
                  {"0 0 - 0 550 0", "0 0 -1 0 550 0", "0 0 -12 0 549 0", "0 0 -123 0 538 0", "0 0 -1234 0 427 0",
                   "0 0 -1234. 0 427 0", "0 0 -1234.5 0 427 0"},
                  "-1234.5", {0, 308}},
        TypingRow{"NegativeMapX", MapX, "-3", {"-4000 0 0 - 0 0", "-4030 0 0 -3 0 0"}, "-3", {-1, 504}},
        TypingRow{"LoneMinusInMapXBecomesZero", MapX, "-", {"-4000 0 0 - 0 0"}, "0", {0, 504}},
        TypingRow{"LeadingZerosInHeight", MapHeight, "0012",
                  {"0 0 0 0 0 0", "0 0 0 0 0 00", "0 10 0 0 0 001", "0 120 0 0 0 0012"}, "12", {0, 504}},
        TypingRow{"ExponentAndPlusSign", WorldX, "+1e3",
                  {"+ 0 0 400 0 0", "+1 0 0 400 0 0", "+1e 0 0 400 0 0", "+1e3 0 0 500 0 0"}, "1000", {273, 504}}),
    [](const ::testing::TestParamInfo<TypingRow>& row) { return std::string(row.param.name); });

TEST(CoordinateBoxControllerTest, PastedTextIsReadAsAWholeAndRewrittenOnFinishing) {
    FakeCoordinateBoxes boxes;
    boxes.selectAll(WorldX);
    boxes.type(WorldX, u"12.50");
    EXPECT_EQ(boxes.texts(), "12.50 0 0 401 0 0");
    EXPECT_EQ(boxes.markers.size(), 1U);
    boxes.enter();
    EXPECT_EQ(boxes.boxes[WorldX].text, u"12.5");
    EXPECT_EQ(boxes.boxes[WorldX].caret, 4U);

    boxes.selectAll(WorldZ);
    boxes.type(WorldZ, u"-1234.5");
    EXPECT_EQ(boxes.texts(), "12.5 0 -1234.5 401 427 0");
    EXPECT_EQ(boxes.controller.state().worldZ, -1234.5f);
}

TEST(CoordinateBoxControllerTest, EmptyingABoxMovesThePairAtOnceAndShowsZeroOnFinishing) {
    FakeCoordinateBoxes boxes;
    boxes.typeReplacing(MapX, "523");
    EXPECT_EQ(boxes.boxes[WorldX].text, u"1230");
    boxes.selectAll(MapX);
    boxes.backspace(MapX);
    EXPECT_EQ(boxes.boxes[MapX].text, u"");
    EXPECT_EQ(boxes.boxes[WorldX].text, u"-4000");
    EXPECT_EQ(boxes.controller.state().worldX, -4000.0f);
    boxes.type(MapX, '5');
    EXPECT_EQ(boxes.texts(), "-3950 0 0 5 0 0");
    boxes.selectAll(MapX);
    boxes.deleteKey(MapX);
    boxes.enter();
    EXPECT_EQ(boxes.texts(), "-4000 0 0 0 0 0");
}

TEST(CoordinateBoxControllerTest, CaretStaysNextToTheCharactersItWasNextToWhenEnterRewritesTheBox) {
    FakeCoordinateBoxes boxes;
    const auto& box = boxes.boxes[WorldX];
    boxes.typeReplacing(WorldX, "125");
    boxes.left(WorldX);
    boxes.type(WorldX, '.');
    EXPECT_EQ(box.text, u"12.5");
    EXPECT_EQ(box.caret, 3U);
    // A zero typed in front stays while typing and goes on Enter, the caret still before the 1.
    boxes.home(WorldX);
    boxes.type(WorldX, '0');
    EXPECT_EQ(box.text, u"012.5");
    EXPECT_EQ(box.caret, 1U);
    boxes.enter();
    EXPECT_EQ(box.text, u"12.5");
    EXPECT_EQ(box.caret, 0U);
    boxes.type(WorldX, '-');
    EXPECT_EQ(box.text, u"-12.5");
    EXPECT_EQ(box.caret, 1U);
    EXPECT_EQ(boxes.boxes[MapX].text, u"399");
    // A trailing zero goes on Enter with the caret left at the end.
    boxes.end(WorldX);
    boxes.type(WorldX, '0');
    EXPECT_EQ(box.text, u"-12.50");
    boxes.enter();
    EXPECT_EQ(box.text, u"-12.5");
    EXPECT_EQ(box.caret, 5U);
}

TEST(CoordinateBoxControllerTest, OneKeystrokePlacesTheMarkerOnceAndRunsOnlyItsBoxsHandler) {
    const std::array<const char*, kCoordinateBoxCount> after = {"1005", "2005", "3005", "4101", "5801", "201"};
    for (std::size_t i = 0; i < kCoordinateBoxCount; ++i) {
        SCOPED_TRACE(i);
        FakeCoordinateBoxes boxes;
        boxes.controller.setWorldPosition(100, 200, 300);
        EXPECT_EQ(boxes.texts(), "100 200 300 410 580 20");
        const CoordinateState before = boxes.controller.state();
        const std::size_t placed = boxes.markers.size();

        boxes.end(i);
        boxes.type(i, i < MapX ? '5' : '1');
        const std::u16string text = boxes.boxes[i].text;
        EXPECT_EQ(std::string(text.begin(), text.end()), after[i]);
        EXPECT_EQ(boxes.markers.size(), placed + 1);

        // The edited box's pair changed; had another box's handler run on the rewritten texts,
        // the edited member would have been overwritten from its pair.
        const CoordinateState expected = changeBox(before, kCoordinateBoxes[i], after[i]);
        EXPECT_TRUE(boxes.controller.state() == expected);
        EXPECT_FALSE(expected == before);
        const auto texts = boxTexts(expected);
        for (std::size_t j = 0; j < kCoordinateBoxCount; ++j) {
            EXPECT_EQ(boxes.boxes[j].text, std::u16string(texts[j].begin(), texts[j].end()));
        }
    }
}

TEST(CoordinateBoxControllerTest, SetWorldPositionLeavesEqualBoxesAloneAndOtherCodeRunsTheHandler) {
    FakeCoordinateBoxes boxes;
    boxes.selectAll(WorldY);
    const int yWrites = boxes.boxes[WorldY].writes;
    boxes.controller.setWorldPosition(5, 0, 1234.5677490234375);
    EXPECT_EQ(boxes.texts(), "5 0 1234.57 400 673 0");
    // Box 1013 already showed 0 and was not written, which would have dropped its selection.
    EXPECT_EQ(boxes.boxes[WorldY].writes, yWrites);
    EXPECT_EQ(boxes.boxes[WorldY].anchor, 0U);
    EXPECT_EQ(boxes.boxes[WorldY].caret, 1U);
    EXPECT_TRUE(boxes.controller.state() == worldPositionState(5, 0, 1234.5677490234375));
    EXPECT_EQ(boxes.controller.state().worldZ, 1234.5677490234375f);
    EXPECT_EQ(boxes.markers.size(), 1U);

    // Text set by other code runs the box's handler, and the box is rewritten like the others.
    boxes.setTextByCode(MapX, u"0523");
    EXPECT_EQ(boxes.texts(), "1230 0 1234.57 523 673 0");
    EXPECT_EQ(boxes.controller.state().worldX, 1230.0f);
    EXPECT_EQ(boxes.markers.size(), 2U);
}

TEST(CoordinateBoxControllerTest, AMapPositionEnteredMovesTheWorldValuesAndTheMarkerOnce) {
    FakeCoordinateBoxes boxes;
    boxes.controller.enterMapPosition(523, 0);
    EXPECT_EQ(boxes.texts(), "1230 0 -5500 523 0 0");
    ASSERT_EQ(boxes.markers.size(), 1U);
    EXPECT_EQ(boxes.markers[0], (MapPoint{523, 1100}));
}

TEST(CoordinateBoxControllerTest, TextBeyondAsciiReadsAsTheNumberBeforeItAndKeepsTheCaretInPlace) {
    FakeCoordinateBoxes boxes;
    boxes.selectAll(WorldX);
    boxes.type(WorldX, u"12名");
    EXPECT_EQ(boxes.texts().substr(boxes.texts().find(' ')), " 0 0 401 0 0");
    boxes.home(WorldX);
    boxes.enter();
    EXPECT_EQ(boxes.boxes[WorldX].text, u"12");
    EXPECT_EQ(boxes.boxes[WorldX].caret, 0U);
    EXPECT_EQ(caretAfterRewrite(u"名名x", 2, u"0"), 1U);
}
