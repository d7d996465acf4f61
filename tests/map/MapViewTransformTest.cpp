#include "MapViewTransform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace spawn;

namespace {

constexpr std::int32_t kWidth = 437;
constexpr std::int32_t kHeight = 504;

// The screen pixel of a map column (or row) next to `value`, in one direction.
std::int32_t screenX(const MapViewTransform& view, std::int32_t column) {
    return view.screenPoint({column, 0}).x;
}
std::int32_t screenY(const MapViewTransform& view, std::int32_t row) {
    return view.screenPoint({0, row}).y;
}

// The views the click tests walk: zoomed about several points, panned, and a larger window.
std::vector<MapViewTransform> zoomedViews() {
    std::vector<MapViewTransform> views;
    for (const auto& [width, height] : {std::pair{kWidth, kHeight}, std::pair{1003, 1157}}) {
        MapViewTransform view(width, height);
        views.push_back(view);
        for (const int steps : {1, 3, 6, 9, 13, 20}) {
            MapViewTransform zoomed = view;
            zoomed.zoomStepsAbout(steps, width * 0.3, height * 0.7);
            views.push_back(zoomed);
            zoomed.panBy(-57, 23);
            views.push_back(zoomed);
        }
    }
    return views;
}

} // namespace

TEST(MapViewTransformTest, AtZoomOneEveryPixelIsTheUnzoomedPicturesPixel) {
    const MapViewTransform view(kWidth, kHeight);
    for (std::int32_t column = -5; column <= MapGrid::kColumns + 5; ++column) {
        ASSERT_EQ(view.screenPoint({column, 0}).x, picturePoint(kWidth, kHeight, {column, 0}).x) << column;
    }
    for (std::int32_t row = -5; row <= MapGrid::kRows + 5; ++row) {
        ASSERT_EQ(view.screenPoint({0, row}).y, picturePoint(kWidth, kHeight, {0, row}).y) << row;
    }
    for (std::int32_t x = 0; x < kWidth; ++x) {
        ASSERT_EQ(view.mapPointAt({x, 0}).column, mapPointAtPixel(kWidth, kHeight, {x, 0}).column) << x;
    }
    for (std::int32_t y = 0; y < kHeight; ++y) {
        ASSERT_EQ(view.mapPointAt({0, y}).rowFromTop, mapPointAtPixel(kWidth, kHeight, {0, y}).rowFromTop)
            << y;
    }
    EXPECT_EQ(view.offset(), (PicturePoint{0, 0}));
}

TEST(MapViewTransformTest, ClickGivesTheMapPixelItLandsOnAtEveryZoom) {
    for (const MapViewTransform& view : zoomedViews()) {
        SCOPED_TRACE(::testing::Message() << "zoom " << view.zoom() << " offset " << view.offset().x << ", "
                                          << view.offset().y << " view " << view.width());
        // The map pixel under a screen pixel starts on it or before it and the next one starts
        // after it; where several start on one screen pixel, it is the first of them.
        for (std::int32_t x = 0; x < view.width(); ++x) {
            const std::int32_t column = view.mapPointAt({x, 0}).column;
            ASSERT_LE(screenX(view, column), x) << x;
            ASSERT_TRUE(column == 0 || screenX(view, column - 1) < x) << x; // the map's left edge
            ASSERT_TRUE(screenX(view, column) == x || screenX(view, column + 1) > x) << x;
        }
        for (std::int32_t y = 0; y < view.height(); ++y) {
            const std::int32_t row = view.mapPointAt({0, y}).rowFromTop;
            ASSERT_LE(screenY(view, row), y) << y;
            ASSERT_TRUE(row == 0 || screenY(view, row - 1) < y) << y;
            ASSERT_TRUE(screenY(view, row) == y || screenY(view, row + 1) > y) << y;
        }
    }
    // By hand, at 4 x: the content is 1748 x 2016; zoomed about the centre the offset is
    // 1748 * 0.5 - 218.5 rounded (656), so screen pixel 101 is content pixel 757, which lies in
    // column 757 * 800 / 1748 = 346.45, and that column starts at 1748 * 346 / 800 - 656 = 100.
    MapViewTransform view(kWidth, kHeight);
    view.zoomAbout(4.0, kWidth / 2.0, kHeight / 2.0);
    EXPECT_EQ(view.contentWidth(), 1748);
    EXPECT_EQ(view.offset().x, 656);
    EXPECT_EQ(view.mapPointAt({101, 0}).column, 346);
    EXPECT_EQ(view.mapPointAt({100, 0}).column, 346);
    EXPECT_EQ(view.mapPointAt({99, 0}).column, 345);
    EXPECT_EQ(view.screenPoint({346, 0}).x, 100);
}

TEST(MapViewTransformTest, ZoomKeepsThePointUnderThePointerAndStaysWithinItsRange) {
    for (const auto& [x, y] : {std::pair{218.0, 252.0}, std::pair{37.0, 410.0}, std::pair{400.0, 20.0}}) {
        MapViewTransform view(kWidth, kHeight);
        for (const int steps : {1, 1, 1, 2, 5, 3, 4, -2, -3, 1, -1}) {
            const double column = view.columnAt(x);
            const double row = view.rowAt(y);
            view.zoomStepsAbout(steps, x, y);
            // Within half a screen pixel: the offset is whole pixels.
            ASSERT_NEAR(view.columnAt(x), column, 0.5 / view.pixelsPerColumn()) << view.zoom();
            ASSERT_NEAR(view.rowAt(y), row, 0.5 / view.pixelsPerRow()) << view.zoom();
        }
        // 17 steps in would pass 32: held there, then 5 steps back out.
        EXPECT_DOUBLE_EQ(view.zoom(), MapZoom::kMaximum / std::pow(MapZoom::kStep, 5));
    }

    MapViewTransform view(kWidth, kHeight);
    view.zoomStepsAbout(100, 0, 0);
    EXPECT_EQ(view.zoom(), MapZoom::kMaximum);
    EXPECT_EQ(view.contentWidth(), kWidth * 32);
    EXPECT_EQ(view.offset(), (PicturePoint{0, 0})); // the corner stays in the corner
    view.panBy(-1'000'000, -1'000'000);             // no further than the far edges
    EXPECT_EQ(view.offset(), (PicturePoint{kWidth * 31, kHeight * 31}));
    EXPECT_EQ(view.mapPointAt({kWidth - 1, kHeight - 1}),
              (MapPoint{MapGrid::kColumns - 1, MapGrid::kRows - 1}));
    view.zoomStepsAbout(-3, 100, 100);
    EXPECT_DOUBLE_EQ(view.zoom(), 32 / std::pow(MapZoom::kStep, 3));
    view.zoomStepsAbout(-100, 100, 100);
    EXPECT_EQ(view.zoom(), MapZoom::kMinimum);
    EXPECT_EQ(view.offset(), (PicturePoint{0, 0})); // the whole map fits: nothing to pan
    view.panBy(50, 50);
    EXPECT_EQ(view.offset(), (PicturePoint{0, 0}));
}

TEST(MapViewTransformTest, DragMovesByThePointersWorldDistanceAtTheZoomAndNotAlongAnAxisItKeeps) {
    MapViewTransform view(kWidth, kHeight);
    view.zoomAbout(MapZoom::kMaximum, 100, 200);
    // 32 x: 437 x 32 pixels for 800 columns, 504 x 32 for 1100 rows.
    const PicturePoint press{150, 250};
    const auto moved = [&view, press](PicturePoint to) {
        return worldMovementBetween(view.mapPositionAt(press), view.mapPositionAt(to));
    };
    const WorldMovement right = moved({160, 250});
    EXPECT_NEAR(right.x, 10.0 * 800 / (437 * 32) * 10, 1e-9);
    EXPECT_EQ(right.z, 0.0); // exactly: Z is left alone
    const WorldMovement down = moved({150, 262});
    EXPECT_EQ(down.x, 0.0);
    EXPECT_NEAR(down.z, -12.0 * 1100 / (504 * 32) * 10, 1e-9); // down the map, Z falls
    const WorldMovement unzoomed =
        worldMovementBetween(MapViewTransform(kWidth, kHeight).mapPositionAt(press),
                             MapViewTransform(kWidth, kHeight).mapPositionAt({160, 250}));
    EXPECT_NEAR(unzoomed.x, right.x * 32, 1e-6);

    EXPECT_FALSE(MapGesture::isDragDistance(press, {153, 252})); // 3.6 pixels
    EXPECT_TRUE(MapGesture::isDragDistance(press, {154, 250}));
    EXPECT_TRUE(MapGesture::isDragDistance(press, {147, 253}));
}
