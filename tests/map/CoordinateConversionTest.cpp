#include "CoordinateConversion.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

using namespace spawn;

namespace {

constexpr auto kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr auto kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kFloatInf = std::numeric_limits<float>::infinity();

constexpr std::int32_t kPictureWidth = 437;
constexpr std::int32_t kPictureHeight = 504;

CoordinateState typed(CoordinateBox box, const std::string& text) {
    return changeBox(CoordinateState{}, box, text);
}

std::string boxText(const CoordinateState& state, CoordinateBox box) {
    return boxTexts(state)[static_cast<std::size_t>(box)];
}

} // namespace

TEST(CoordinateConversionTest, WorldValuesTruncateTheirTenthTowardZeroOnBothSidesOfTheOrigin) {
    struct Case {
        CoordinateBox box;
        std::string text;
        std::int32_t CoordinateState::*derived;
        std::int32_t expected;
    };
    using S = CoordinateState;
    const Case cases[] = {
        {CoordinateBox::WorldX, "1234.5", &S::mapX, 523},
        {CoordinateBox::WorldX, "-1234.5", &S::mapX, 277}, // not 276
        {CoordinateBox::WorldX, "-9.99", &S::mapX, 400},   // not 399
        {CoordinateBox::WorldZ, "1234.5", &S::mapY, 673},
        {CoordinateBox::WorldZ, "-1234.5", &S::mapY, 427},
        {CoordinateBox::WorldY, "-15", &S::mapHeight, -1},
        {CoordinateBox::WorldY, "20.25", &S::mapHeight, 2},
        // c is a little more than 0.1: just below a multiple of 10 already reaches the next value.
        {CoordinateBox::WorldX, "9.9999999", &S::mapX, 401},
        {CoordinateBox::WorldX, "10", &S::mapX, 401},
        {CoordinateBox::WorldX, "-10", &S::mapX, 399},
        {CoordinateBox::WorldX, "-9.9999999", &S::mapX, 399},
        // The map's edges.
        {CoordinateBox::WorldX, "4000", &S::mapX, 800},
        {CoordinateBox::WorldX, "-4000", &S::mapX, 0},
        {CoordinateBox::WorldZ, "5500", &S::mapY, 1100},
        {CoordinateBox::WorldZ, "-5500", &S::mapY, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(typed(c.box, c.text).*c.derived, c.expected) << c.text;
    }
    EXPECT_EQ(markerPoint(typed(CoordinateBox::WorldZ, "5500")).rowFromTop, 0);
}

TEST(CoordinateConversionTest, WorldToMapUsesTheTypedValueNotTheStoredFloat) {
    // 9.9999998 is stored as the float 10, yet its own tenth stays below 1.
    const auto s = typed(CoordinateBox::WorldX, "9.9999998");
    EXPECT_EQ(s.worldX, 10.0f);
    EXPECT_EQ(s.mapX, 400);
}

TEST(CoordinateConversionTest, MapValuesGiveTenWorldUnitsPerPixelFromTheOrigin) {
    EXPECT_EQ(typed(CoordinateBox::MapX, "523").worldX, 1230.0f);
    EXPECT_EQ(typed(CoordinateBox::MapY, "0").worldZ, -5500.0f);
    EXPECT_EQ(typed(CoordinateBox::MapY, "1100").worldZ, 5500.0f);
    EXPECT_EQ(typed(CoordinateBox::MapHeight, "7").worldY, 70.0f);
    EXPECT_EQ(typed(CoordinateBox::MapHeight, "-3").worldY, -30.0f);
}

TEST(CoordinateConversionTest, BoxesShowTheWrittenValueNotTheTypedText) {
    struct Case {
        CoordinateBox box;
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {CoordinateBox::WorldX, "12.50", "12.5"},
        {CoordinateBox::WorldX, "12.", "12"},
        {CoordinateBox::WorldX, "abc", "0"},
        {CoordinateBox::WorldX, "-0", "-0"},
        {CoordinateBox::WorldX, "1234567", "1.23457e+06"},
        {CoordinateBox::MapX, "-", "0"},
        {CoordinateBox::MapX, "", "0"},
        {CoordinateBox::MapHeight, "0012", "12"},
        {CoordinateBox::MapY, " 7 ", "7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(boxText(typed(c.box, c.text), c.box), c.shown) << '"' << c.text << '"';
    }

    const auto abc = typed(CoordinateBox::WorldX, "abc");
    EXPECT_EQ(abc.mapX, 400);
    const auto empty = typed(CoordinateBox::MapX, "");
    EXPECT_EQ(empty.worldX, -4000.0f);
    EXPECT_EQ(boxText(empty, CoordinateBox::WorldX), "-4000");
}

TEST(CoordinateConversionTest, EditingOneBoxChangesOnlyItsMemberAndItsPair) {
    // Every member differs from what any of the edits below gives.
    const CoordinateState before{11.0f, 22.0f, 33.0f, 44, 55, 66};
    for (const CoordinateBox box : kCoordinateBoxes) {
        const CoordinateState after = changeBox(before, box, "1000");
        CoordinateState expected = before;
        switch (box) {
        case CoordinateBox::WorldX:
        case CoordinateBox::MapX:
            expected.worldX = after.worldX;
            expected.mapX = after.mapX;
            break;
        case CoordinateBox::WorldY:
        case CoordinateBox::MapHeight:
            expected.worldY = after.worldY;
            expected.mapHeight = after.mapHeight;
            break;
        case CoordinateBox::WorldZ:
        case CoordinateBox::MapY:
            expected.worldZ = after.worldZ;
            expected.mapY = after.mapY;
            break;
        }
        EXPECT_EQ(after, expected) << "box " << kCoordinateBoxIds[static_cast<std::size_t>(box)];
        // Both members of the pair did change.
        EXPECT_NE(after, before);
    }
}

TEST(CoordinateConversionTest, WorldPositionKeepsTheFullFloatAndShowsSixDigits) {
    const auto s = worldPositionState(1234.5677490234375, 20.25, -1234.5);
    EXPECT_EQ(s.worldX, 1234.5677490234375f);
    EXPECT_EQ(s.mapX, 523);
    EXPECT_EQ(s.mapHeight, 2);
    EXPECT_EQ(s.mapY, 427);
    const std::array<std::string, kCoordinateBoxCount> expected = {"1234.57", "20.25", "-1234.5",
                                                                   "523",     "427",   "2"};
    EXPECT_EQ(boxTexts(s), expected);
    EXPECT_EQ(markerPoint(s), (MapPoint{523, 673}));

    // The map values derive from the double, before it is rounded to the float.
    EXPECT_EQ(worldPositionState(9.9999998, 0, 0).mapX, 400);
}

TEST(CoordinateConversionTest, MarkerRectangleOnTheMapPicture) {
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {400, 550}), (MarkerRect{214, 248, 222, 256}));
    // The top-right corner: only the marker's lower left quarter lies on the picture.
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {800, 0}), (MarkerRect{433, -4, 441, 4}));
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {0, 1100}), (MarkerRect{-4, 500, 4, 508}));
    // Quotients truncate toward zero, also left of and above the picture.
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {-1, -2}), (MarkerRect{-4, -4, 4, 4}));
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {-2, -3}), (MarkerRect{-5, -5, 3, 3}));
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {799, 1099}), (MarkerRect{432, 499, 440, 507}));
}

TEST(CoordinateConversionTest, WorldValuesBeyondTheInt32RangeHoldTheMapValueAtItsEnd) {
    // Still inside: a tenth of about 10^9 (c is a little more than 0.1).
    EXPECT_EQ(typed(CoordinateBox::WorldX, "1e10").mapX, 1'000'000'414);
    // The tenth fits, but not once the origin is added.
    EXPECT_EQ(typed(CoordinateBox::WorldX, "21474836000").mapX, kInt32Max);
    EXPECT_EQ(typed(CoordinateBox::WorldZ, "-21474836000").mapY, -2'147'483'081);
    EXPECT_EQ(typed(CoordinateBox::WorldY, "21474836480").mapHeight, kInt32Max);
    EXPECT_EQ(typed(CoordinateBox::WorldY, "-21474836490").mapHeight, kInt32Min);
    EXPECT_EQ(typed(CoordinateBox::WorldX, "3e10").mapX, kInt32Max);
    EXPECT_EQ(typed(CoordinateBox::WorldX, "-3e10").mapX, kInt32Min);
    EXPECT_EQ(typed(CoordinateBox::WorldZ, "1e300").mapY, kInt32Max);

    // Beyond the float range the member becomes infinite and shows so.
    const auto huge = typed(CoordinateBox::WorldX, "1e39");
    EXPECT_EQ(huge.worldX, kFloatInf);
    EXPECT_EQ(huge.mapX, kInt32Max);
    EXPECT_EQ(boxText(huge, CoordinateBox::WorldX), "inf");
    const auto infinite = typed(CoordinateBox::WorldZ, "-1e400");
    EXPECT_EQ(infinite.worldZ, -kFloatInf);
    EXPECT_EQ(infinite.mapY, kInt32Min);

    // A NaN position (only setWorldPosition can receive one) lies at the origin.
    const auto nan = worldPositionState(std::nan(""), std::nan(""), std::nan(""));
    EXPECT_TRUE(std::isnan(nan.worldX));
    EXPECT_EQ(nan.mapX, 400);
    EXPECT_EQ(nan.mapHeight, 0);
    EXPECT_EQ(nan.mapY, 550);
    EXPECT_EQ(boxText(nan, CoordinateBox::WorldY), "nan");
}

TEST(CoordinateConversionTest, DoublesBeyondTheFloatRangeRoundAsIeeeDoes) {
    const double floatMax = kFloatMax;
    const double halfway = floatMax + std::ldexp(1.0, 103);
    EXPECT_EQ(toFloat32(floatMax), kFloatMax);
    EXPECT_EQ(toFloat32(std::nextafter(halfway, 0.0)), kFloatMax);
    EXPECT_EQ(toFloat32(halfway), kFloatInf);
    EXPECT_EQ(toFloat32(-halfway), -kFloatInf);
    EXPECT_EQ(toFloat32(1e300), kFloatInf);
    EXPECT_EQ(toFloat32(-1e300), -kFloatInf);
    EXPECT_TRUE(std::isnan(toFloat32(std::nan(""))));
    EXPECT_EQ(boxText(typed(CoordinateBox::WorldX, "3.4028235e38"), CoordinateBox::WorldX), "3.40282e+38");
}

TEST(CoordinateConversionTest, ExtremeMapValuesNeitherWrapNorOverflow) {
    // The difference from the origin is exact: the most negative column stays far to the left.
    EXPECT_EQ(typed(CoordinateBox::MapX, "-2147483648").worldX, -21474840480.0f);
    EXPECT_EQ(typed(CoordinateBox::MapX, "2147483647").worldX, 21474832470.0f);
    EXPECT_EQ(typed(CoordinateBox::MapY, "-2147483648").worldZ, -21474841980.0f);
    EXPECT_EQ(typed(CoordinateBox::MapHeight, "-99999999999").worldY, -21474836480.0f);

    // 1100 - mapY does not fit for the lowest rows.
    EXPECT_EQ(markerPoint(typed(CoordinateBox::MapY, "-2147483648")).rowFromTop, kInt32Max);
    EXPECT_EQ(markerPoint(typed(CoordinateBox::MapY, "2147483647")).rowFromTop, -2'147'482'547);

    // 437 x 5000000 does not fit in 32 bits; the centre is still 437 * 5000000 / 800.
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {5'000'000, -5'000'000}),
              (MarkerRect{2'731'246, -2'290'913, 2'731'254, -2'290'905}));
    // Further out the centre is held at a fixed distance.
    constexpr std::int32_t limit = MapGrid::kMarkerCentreLimit;
    EXPECT_EQ(markerRect(kPictureWidth, kPictureHeight, {kInt32Max, kInt32Min}),
              (MarkerRect{limit - 4, -limit - 4, limit + 4, -limit + 4}));
    EXPECT_EQ(markerRect(kInt32Max, kInt32Max, {kInt32Min, kInt32Max}),
              (MarkerRect{-limit - 4, limit - 4, -limit + 4, limit + 4}));
}

TEST(CoordinateConversionTest, BoxesReadAndWriteTheSameUnderAGermanLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
    }
    // The C library now reads and writes a decimal comma.
    char printed[16];
    std::snprintf(printed, sizeof printed, "%g", 1.5);
    const std::string libraryText = printed;

    const auto s = typed(CoordinateBox::WorldX, "1234.5");
    const auto comma = typed(CoordinateBox::WorldX, "12,5");
    const std::string shown = boxText(worldPositionState(1234.5677490234375, 0, 0), CoordinateBox::WorldX);
    const double parsed = parseCDouble("0.25e1");
    const std::string fixed = formatFixed18(0.5);
    std::setlocale(LC_ALL, "C");

    EXPECT_EQ(libraryText, "1,5");
    EXPECT_EQ(s.worldX, 1234.5f);
    EXPECT_EQ(s.mapX, 523);
    EXPECT_EQ(comma.worldX, 12.0f);
    EXPECT_EQ(shown, "1234.57");
    EXPECT_EQ(parsed, 2.5);
    EXPECT_EQ(fixed, "0.500000000000000000");
}
