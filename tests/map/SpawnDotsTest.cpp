#include "SpawnDots.h"

#include "ByteReader.h"
#include "SpawnLayout.h"

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <limits>
#include <random>

using namespace spawn;

namespace {

constexpr std::int32_t kPictureWidth = 437;
constexpr std::int32_t kPictureHeight = 504;

SpawnRecord areaAt(float x, float z, float y = 0.0f) {
    std::vector<std::uint8_t> bytes(SpawnLayout::recordSize(0));
    writeI32At(bytes, SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(x));
    writeI32At(bytes, SpawnLayout::kPositionYOffset, std::bit_cast<std::int32_t>(y));
    writeI32At(bytes, SpawnLayout::kPositionZOffset, std::bit_cast<std::int32_t>(z));
    return SpawnRecord::fromBytes(bytes).value();
}

struct DotCase {
    const char* what;
    float x;
    float z;
    std::optional<MapPoint> point;     // column, row from the top
    std::optional<PicturePoint> pixel; // on the 437 x 504 picture; nothing when off the map
};

class RecordDotTest : public ::testing::TestWithParam<DotCase> {};

constexpr float kInfinity = std::numeric_limits<float>::infinity();

const DotCase kDotCases[] = {
    {"origin", 0.0f, 0.0f, MapPoint{400, 550}, PicturePoint{218, 252}},
    {"top left corner", -4000.0f, 5500.0f, MapPoint{0, 0}, PicturePoint{0, 0}},
    {"top right corner", 4000.0f, 5500.0f, MapPoint{800, 0}, PicturePoint{437, 0}},
    {"bottom left corner", -4000.0f, -5500.0f, MapPoint{0, 1100}, PicturePoint{0, 504}},
    {"bottom right corner", 4000.0f, -5500.0f, MapPoint{800, 1100}, PicturePoint{437, 504}},
    {"truncated toward zero both ways", -1234.5f, 1234.5f, MapPoint{277, 427}, PicturePoint{151, 195}},
    {"just past the right edge", 4010.0f, 0.0f, MapPoint{801, 550}, std::nullopt},
    {"just past the left edge", -4010.0f, 0.0f, MapPoint{-1, 550}, std::nullopt},
    {"just below the bottom edge", 0.0f, -5510.0f, MapPoint{400, 1101}, std::nullopt},
    {"largest float", std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
     MapPoint{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()},
     std::nullopt},
    // The form shows an infinity as "inf", which reads back as 0: the record is shown at the
    // origin, and its dot stands there too.
    {"infinity reads as the form reads it", kInfinity, -kInfinity, MapPoint{400, 550},
     PicturePoint{218, 252}},
    {"NaN reads as the form reads it", std::numeric_limits<float>::quiet_NaN(), 10.0f, MapPoint{400, 549},
     PicturePoint{218, 251}},
};

} // namespace

TEST_P(RecordDotTest, DotStandsWhereTheMarkerOfTheShownRecordStands) {
    const DotCase& c = GetParam();
    const auto point = recordMapPoint(areaAt(c.x, c.z, 123.0f));
    ASSERT_EQ(point, c.point);
    EXPECT_EQ(isOnMap(*point), c.pixel.has_value());

    DotGrid grid;
    const MapDot dot{*point, 7};
    grid.build(kPictureWidth, kPictureHeight, std::span(&dot, 1));
    if (!c.pixel) {
        EXPECT_TRUE(grid.dots().empty());
        EXPECT_EQ(grid.dotAt({kPictureWidth - 1, kPictureHeight / 2}), std::nullopt);
        return;
    }
    ASSERT_EQ(grid.dots().size(), 1u);
    EXPECT_EQ(grid.dots()[0], (PictureDot{c.pixel->x, c.pixel->y, 7}));
    // The marker placed for the same point is centred on the dot.
    const MarkerRect marker = markerRect(kPictureWidth, kPictureHeight, *point);
    EXPECT_EQ(marker.left + MapGrid::kMarkerHalfSize, c.pixel->x);
    EXPECT_EQ(marker.top + MapGrid::kMarkerHalfSize, c.pixel->y);
    // A click on the picture's nearest pixel hits it, even at the right and bottom edges.
    const PicturePoint inside{std::min(c.pixel->x, kPictureWidth - 1),
                              std::min(c.pixel->y, kPictureHeight - 1)};
    EXPECT_EQ(grid.dotAt(inside), 7);
}

INSTANTIATE_TEST_SUITE_P(Areas, RecordDotTest, ::testing::ValuesIn(kDotCases),
                         [](const ::testing::TestParamInfo<DotCase>& row) {
                             std::string name = row.param.what;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

TEST(RecordMapPointsTest, DotsFollowChangedRemovedAndHiddenRecords) {
    SpawnRecordList records;
    records.append(areaAt(0.0f, 0.0f));
    records.append(areaAt(9000.0f, 0.0f)); // off the map: no dot
    records.append(areaAt(-4000.0f, 5500.0f));
    records.append(areaAt(1234.5f, -1234.5f));
    RecordMapPoints points;

    auto dots = points.allDots(records);
    ASSERT_EQ(dots.size(), 3u);
    EXPECT_EQ(dots[0].position, 1);
    EXPECT_EQ(dots[1].position, 3);
    EXPECT_EQ(dots[1].point, (MapPoint{0, 0}));
    EXPECT_EQ(dots[2].position, 4);
    EXPECT_EQ(dots[2].point, (MapPoint{523, 673}));

    // A changed record moves its dot; the first record taken away moves every later one up.
    records.replaceAt(3, areaAt(10.0f, 0.0f));
    records.removeAt(1);
    dots = points.allDots(records);
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[0].position, 2);
    EXPECT_EQ(dots[0].point, (MapPoint{401, 550}));
    EXPECT_EQ(dots[1].position, 3);
    EXPECT_EQ(dots[1].point, (MapPoint{523, 673}));

    // A search's hits, as 0-based indices: those off the map or outside the list have no dot.
    const std::vector<std::int32_t> hits = {-1, 0, 2, 3, 1000};
    dots = points.dotsOf(records, hits);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].position, 3);

    SpawnRecord tooShort;
    tooShort.bytes.resize(SpawnLayout::kPositionZOffset + 3);
    EXPECT_EQ(recordMapPoint(tooShort), std::nullopt);
    EXPECT_EQ(points.pointOf(0, tooShort), std::nullopt);
}

TEST(DotGridTest, ClickPicksTheNearestDotThenTheLowestPosition) {
    const std::vector<MapDot> dots = {
        {{184, 200}, 5}, // picture pixel (100, 91)
        {{184, 199}, 2}, // the same pixel
        {{189, 200}, 9}, // pixel (103, 91)
        {{13, 13}, 4},   // pixel (7, 5), at a cell's edge
        {{801, 0}, 1},   // off the map
    };
    DotGrid grid;
    grid.build(kPictureWidth, kPictureHeight, dots);
    ASSERT_EQ(grid.dots().size(), 4u);
    ASSERT_EQ(grid.dotOfPosition(9), (PictureDot{103, 91, 9}));
    EXPECT_EQ(grid.dotOfPosition(1), std::nullopt);

    EXPECT_EQ(grid.dotAt({100, 91}), 2); // two dots on the spot: the lower position
    EXPECT_EQ(grid.dotAt({101, 91}), 2); // nearer to the pair
    EXPECT_EQ(grid.dotAt({102, 91}), 9); // nearer to the third
    EXPECT_EQ(grid.dotAt({107, 91}), 9); // four pixels away still hits
    EXPECT_EQ(grid.dotAt({108, 91}), std::nullopt);
    EXPECT_EQ(grid.dotAt({103, 94}), 9);            // three down: distance 3
    EXPECT_EQ(grid.dotAt({106, 94}), std::nullopt); // three across and three down: more than four
    EXPECT_EQ(grid.dotAt({9, 7}), 4);               // from the next cell over
    EXPECT_EQ(grid.dotAt({10, 8}), std::nullopt);
    EXPECT_EQ(grid.dotAt({-2, -2}), std::nullopt);
    EXPECT_EQ(
        grid.dotAt({std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}),
        std::nullopt);

    DotGrid empty;
    empty.build(kPictureWidth, kPictureHeight, {});
    EXPECT_EQ(empty.dotAt({100, 91}), std::nullopt);
}

TEST(DotGridTest, GridPicksWhatLookingAtEveryDotPicks) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::int32_t> column(-20, 820);
    std::uniform_int_distribution<std::int32_t> row(-20, 1120);
    std::uniform_int_distribution<std::int32_t> position(1, 500);
    std::vector<MapDot> dots;
    for (int i = 0; i < 2000; ++i) {
        dots.push_back({{column(random), row(random)}, position(random)});
    }
    DotGrid grid;
    grid.build(kPictureWidth, kPictureHeight, dots);

    std::uniform_int_distribution<std::int32_t> x(-10, kPictureWidth + 10);
    std::uniform_int_distribution<std::int32_t> y(-10, kPictureHeight + 10);
    int hits = 0;
    for (int i = 0; i < 6000; ++i) {
        const PicturePoint click{x(random), y(random)};
        std::optional<std::int32_t> expected;
        std::int64_t nearest = 0;
        for (const MapDot& dot : dots) {
            if (!isOnMap(dot.point)) {
                continue;
            }
            const PicturePoint p = picturePoint(kPictureWidth, kPictureHeight, dot.point);
            const std::int64_t dx = p.x - click.x;
            const std::int64_t dy = p.y - click.y;
            const std::int64_t d = dx * dx + dy * dy;
            if (d > DotLook::kPickRadius * DotLook::kPickRadius) {
                continue;
            }
            if (!expected || d < nearest || (d == nearest && dot.position < *expected)) {
                nearest = d;
                expected = dot.position;
            }
        }
        ASSERT_EQ(grid.dotAt(click), expected) << "click at " << click.x << ", " << click.y;
        hits += expected ? 1 : 0;
    }
    EXPECT_GT(hits, 500); // the clicks did hit dots, often
}

TEST(MapPixelTest, EveryPixelLeadsToTheFirstMapPositionWhoseMarkerSitsOnIt) {
    for (std::int32_t x = 0; x < kPictureWidth; ++x) {
        const MapPoint point = mapPointAtPixel(kPictureWidth, kPictureHeight, {x, 0});
        ASSERT_EQ(picturePoint(kPictureWidth, kPictureHeight, point).x, x);
        if (x > 0) { // left of pixel 0 lie negative columns, which truncate to it too
            ASSERT_LT(picturePoint(kPictureWidth, kPictureHeight, {point.column - 1, 0}).x, x);
        }
    }
    for (std::int32_t y = 0; y < kPictureHeight; ++y) {
        const MapPoint point = mapPointAtPixel(kPictureWidth, kPictureHeight, {0, y});
        ASSERT_EQ(picturePoint(kPictureWidth, kPictureHeight, point).y, y);
        if (y > 0) {
            ASSERT_LT(picturePoint(kPictureWidth, kPictureHeight, {0, point.rowFromTop - 1}).y, y);
        }
    }
    EXPECT_EQ(mapPointAtPixel(kPictureWidth, kPictureHeight, {0, 0}), (MapPoint{0, 0}));
    EXPECT_EQ(mapPointAtPixel(kPictureWidth, kPictureHeight, {218, 252}), (MapPoint{400, 550}));
    EXPECT_EQ(mapPointAtPixel(kPictureWidth, kPictureHeight, {436, 503}), (MapPoint{799, 1098}));
    // A picture as large as the grid: one map position per pixel.
    EXPECT_EQ(mapPointAtPixel(MapGrid::kColumns, MapGrid::kRows, {523, 427}), (MapPoint{523, 427}));
}

TEST(DrawDotsTest, DotsAreDrawnClippedToThePictureTheEarliestOnTop) {
    constexpr std::int32_t width = 20;
    constexpr std::int32_t height = 10;
    constexpr std::int32_t stride = 24; // the four pixels past each row are not the picture's
    constexpr std::uint32_t bare = 0xFF000000u;
    std::vector<std::uint32_t> pixels(stride * height, bare);
    const auto at = [&](std::int32_t x, std::int32_t y) {
        return pixels[static_cast<std::size_t>(y * stride + x)];
    };
    constexpr std::int32_t far = std::numeric_limits<std::int32_t>::max();
    const std::vector<PictureDot> dots = {
        {5, 5, 1},     {8, 5, 2},                // overlapping: the first shows
        {0, 0, 3},     {20, 10, 4},              // corners: partly outside
        {far, far, 5}, {-far, 2, 6}, {22, 5, 7}, // outside: nothing drawn
    };
    drawDots(pixels, width, height, stride, dots);

    EXPECT_EQ(at(5, 5), DotLook::kDotFill);
    EXPECT_EQ(at(7, 5), DotLook::kDotOutline); // the first dot's outline over the second's fill
    EXPECT_EQ(at(8, 5), DotLook::kDotFill);
    EXPECT_EQ(at(10, 5), DotLook::kDotOutline);
    EXPECT_EQ(at(3, 3), bare); // a cut corner
    EXPECT_EQ(at(4, 3), DotLook::kDotOutline);
    EXPECT_EQ(at(0, 0), DotLook::kDotFill);
    EXPECT_EQ(at(2, 1), DotLook::kDotOutline);
    EXPECT_EQ(at(19, 9), DotLook::kDotFill); // the bottom right dot shows its top left quarter
    EXPECT_EQ(at(18, 9), DotLook::kDotOutline);
    EXPECT_EQ(at(18, 8), bare);
    int drawn = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = width; x < stride; ++x) {
            EXPECT_EQ(at(x, y), bare) << "past the row at " << x << ", " << y;
        }
        for (std::int32_t x = 0; x < width; ++x) {
            drawn += at(x, y) != bare ? 1 : 0;
        }
    }
    // Two dots of 21 pixels sharing 6, then the parts of the corner dots inside the picture: 3 x 3
    // and 2 x 2, each less a cut corner.
    EXPECT_EQ(drawn, 21 + 21 - 6 + 8 + 3);
}
