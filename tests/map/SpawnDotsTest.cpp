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

TEST(ZoomedDotGridTest, PicksGathersAndCullsWhatLookingAtEveryDotOnScreenDoes) {
    std::mt19937 random(99);
    std::uniform_int_distribution<std::int32_t> column(-20, 820);
    std::uniform_int_distribution<std::int32_t> row(-20, 1120);
    std::uniform_int_distribution<std::int32_t> position(1, 800);
    std::vector<MapDot> dots;
    for (int i = 0; i < 3000; ++i) {
        dots.push_back({{column(random), row(random)}, position(random)});
    }
    // Two dots one map pixel apart share a picture pixel unzoomed.
    dots.push_back({{401, 551}, 900});
    dots.push_back({{402, 551}, 901});
    DotGrid grid;
    grid.build(kPictureWidth, kPictureHeight, dots);
    std::vector<PicturePoint> onScreen(grid.dots().size());

    for (const int steps : {0, 2, 6, 11, 15}) {
        MapViewTransform view(kPictureWidth, kPictureHeight);
        view.zoomStepsAbout(steps, 240, 276);
        SCOPED_TRACE(::testing::Message() << "zoom " << view.zoom());
        for (std::size_t i = 0; i < onScreen.size(); ++i) {
            onScreen[i] = view.screenPoint(grid.mapPointOf(i));
        }
        std::uniform_int_distribution<std::int32_t> x(-6, kPictureWidth + 6);
        std::uniform_int_distribution<std::int32_t> y(-6, kPictureHeight + 6);
        std::vector<PicturePoint> shown;
        for (const PicturePoint p : onScreen) {
            if (p.x >= 0 && p.x < kPictureWidth && p.y >= 0 && p.y < kPictureHeight) {
                shown.push_back(p);
            }
        }
        ASSERT_FALSE(shown.empty());
        std::uniform_int_distribution<std::size_t> pick(0, shown.size() - 1);
        std::uniform_int_distribution<std::int32_t> near(-5, 5);
        int hits = 0;
        for (int n = 0; n < 3000; ++n) {
            // Every other click lands near a dot in view, which at high zooms are few.
            const PicturePoint dot = shown[pick(random)];
            const PicturePoint click = n % 2 == 0 ? PicturePoint{x(random), y(random)}
                                                  : PicturePoint{dot.x + near(random), dot.y + near(random)};
            std::optional<std::int32_t> expected;
            std::int64_t nearest = 0;
            for (std::size_t i = 0; i < onScreen.size(); ++i) {
                const std::int64_t dx = onScreen[i].x - click.x;
                const std::int64_t dy = onScreen[i].y - click.y;
                const std::int64_t d = dx * dx + dy * dy;
                const std::int32_t p = grid.dots()[i].position;
                if (d <= DotLook::kPickRadius * DotLook::kPickRadius &&
                    (!expected || d < nearest || (d == nearest && p < *expected))) {
                    nearest = d;
                    expected = p;
                }
            }
            ASSERT_EQ(grid.dotAt(click, view), expected) << click.x << ", " << click.y;
            if (steps == 0) {
                ASSERT_EQ(grid.dotAt(click, view), grid.dotAt(click)); // unzoomed it is today's pick
            }
            hits += expected ? 1 : 0;
        }
        EXPECT_GT(hits, 500);

        const PicturePoint corner{x(random), y(random)}, opposite{x(random), y(random)};
        std::vector<std::int32_t> inside;
        std::vector<std::uint32_t> inView;
        for (std::size_t i = 0; i < onScreen.size(); ++i) {
            const PicturePoint p = onScreen[i];
            if (p.x >= std::min(corner.x, opposite.x) && p.x <= std::max(corner.x, opposite.x) &&
                p.y >= std::min(corner.y, opposite.y) && p.y <= std::max(corner.y, opposite.y)) {
                inside.push_back(grid.dots()[i].position);
            }
            if (p.x >= -3 && p.x <= kPictureWidth + 3 && p.y >= -3 && p.y <= kPictureHeight + 3) {
                inView.push_back(static_cast<std::uint32_t>(i));
            }
        }
        std::sort(inside.begin(), inside.end());
        inside.erase(std::unique(inside.begin(), inside.end()), inside.end());
        EXPECT_EQ(grid.positionsInside(corner, opposite, view), inside);
        EXPECT_EQ(grid.indicesInView(view, 3), inView);
    }

    // At 8 x the two dots of one picture pixel lie apart: each is picked where it is drawn.
    MapViewTransform view(kPictureWidth, kPictureHeight);
    view.zoomAbout(8.0, 218, 252);
    const PicturePoint first = view.screenPoint({401, 551});
    const PicturePoint second = view.screenPoint({402, 551});
    EXPECT_EQ(second.x - first.x, 4);
    EXPECT_EQ(grid.dotAt(first, view), 900);
    EXPECT_EQ(grid.dotAt(second, view), 901);
    EXPECT_EQ(grid.dotAt({first.x, first.y + DotLook::kPickRadius}, view), 900);
    EXPECT_EQ(grid.dotAt({first.x - 3, first.y - 3}, view), std::nullopt); // 4.2 pixels away
}

TEST(ZoomedDotGridTest, DotsInViewAreDrawnAtTheirScreenPixelsAtTheirOwnSizeLeavingOutTheDraggedOne) {
    DotGrid grid;
    const std::vector<MapDot> dots = {{{400, 550}, 1}, {{402, 550}, 2}, {{410, 550}, 3}, {{0, 0}, 4}};
    grid.build(kPictureWidth, kPictureHeight, dots);
    MapViewTransform zoomed(kPictureWidth, kPictureHeight);
    zoomed.zoomAbout(16.0, 218, 252);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kPictureWidth * kPictureHeight));
    drawDotsInView(pixels, kPictureWidth, grid, zoomed, 2);
    const auto at = [&](PicturePoint p) {
        return pixels[static_cast<std::size_t>(p.y * kPictureWidth + p.x)];
    };
    const PicturePoint one = zoomed.screenPoint({400, 550});
    const PicturePoint two = zoomed.screenPoint({402, 550});
    const PicturePoint three = zoomed.screenPoint({410, 550});
    EXPECT_EQ(at(one), DotLook::kDotFill);
    EXPECT_EQ(at({one.x + 2, one.y}), DotLook::kDotOutline); // 5 x 5 pixels whatever the zoom
    EXPECT_EQ(at({one.x + 3, one.y}), 0u);
    EXPECT_EQ(at(two), 0u); // being dragged
    EXPECT_EQ(at(three), DotLook::kDotFill);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), DotLook::kDotFill), 2 * 9); // dot 4 is out of view
}

TEST(RecordMapPointsTest, DotsCarryTheirMovementRangesInMapPixels) {
    SpawnRecord area = areaAt(0.0f, 0.0f);
    writeI32At(area.bytes, SpawnLayout::kRangeXOffset, std::bit_cast<std::int32_t>(35.0f));
    writeI32At(area.bytes, SpawnLayout::kRangeZOffset, std::bit_cast<std::int32_t>(-4.0f));
    EXPECT_EQ(recordMapRange(area), (MapRange{3.5f, 0.0f}));
    writeI32At(area.bytes, SpawnLayout::kRangeZOffset,
               std::bit_cast<std::int32_t>(std::numeric_limits<float>::quiet_NaN()));
    SpawnRecordList records;
    records.append(area);
    const auto dots = RecordMapPoints{}.allDots(records);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].range, (MapRange{3.5f, 0.0f}));
    SpawnRecord tooShort;
    tooShort.bytes.resize(SpawnLayout::kRangeZOffset);
    EXPECT_EQ(recordMapRange(tooShort), std::nullopt);
}

TEST(DrawDotsTest, RangesAreOutlinedHalfOverThePictureWithinReason) {
    constexpr std::int32_t kSize = 64;
    std::vector<std::uint32_t> pixels(kSize * kSize, 0xFF000000u);
    const auto at = [&](std::int32_t x, std::int32_t y) {
        return pixels[static_cast<std::size_t>(y * kSize + x)];
    };
    drawRangeOutline(pixels, kSize, kSize, kSize, {30, 30}, 20.0, 10.0, 0xFFFFFFFFu);
    const std::uint32_t half = 0xFF7F7F7Fu;
    for (const auto& [x, y] : {std::pair{50, 30}, std::pair{10, 30}, std::pair{30, 40}, std::pair{30, 20}}) {
        EXPECT_EQ(at(x, y), half) << x << ", " << y;
    }
    EXPECT_EQ(at(30, 30), 0xFF000000u);
    EXPECT_EQ(at(51, 30), 0xFF000000u);
    // Every pixel of the outline once: none is drawn twice over.
    EXPECT_EQ(std::count_if(pixels.begin(), pixels.end(),
                            [](std::uint32_t p) { return p != 0xFF000000u && p != 0xFF7F7F7Fu; }),
              0);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), half), 80);

    // Clipped at the edges; nothing under a pixel, nothing absurdly large, nothing out of view.
    std::vector<std::uint32_t> clear(kSize * kSize, 0xFF000000u);
    drawRangeOutline(clear, kSize, kSize, kSize, {0, 0}, 40.0, 40.0, 0xFFFFFFFFu);
    EXPECT_EQ(clear[static_cast<std::size_t>(40 * kSize)], half);
    std::vector<std::uint32_t> untouched(kSize * kSize, 0xFF000000u);
    drawRangeOutline(untouched, kSize, kSize, kSize, {30, 30}, 0.9, 0.5, 0xFFFFFFFFu);
    drawRangeOutline(untouched, kSize, kSize, kSize, {30, 30}, 1e30, 1e30, 0xFFFFFFFFu);
    drawRangeOutline(untouched, kSize, kSize, kSize, {-100, 30}, 20.0, 20.0, 0xFFFFFFFFu);
    EXPECT_EQ(untouched, std::vector<std::uint32_t>(kSize * kSize, 0xFF000000u));
}
