#pragma once

// World coordinates and map pixel coordinates, and the text of the six coordinate boxes.
// Standard library only: the window and spawn-tool compute positions with this same code.

#include "MapGrid.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace spawn {

namespace MapGrid {

// The marker is a square of this size centred on its position, in picture pixels.
inline constexpr std::int32_t kMarkerSize = 8;
inline constexpr std::int32_t kMarkerHalfSize = kMarkerSize / 2;

// A marker centre further than this from the picture's corner is held at this distance: it is
// out of sight either way, and its rectangle stays far inside the int range of widget geometry.
inline constexpr std::int32_t kMarkerCentreLimit = 1 << 24;

} // namespace MapGrid

// The six coordinate members, in the order of their boxes. All six are 0 at the start (so the map
// boxes show 0 although the world origin lies at column 400, row 550).
struct CoordinateState {
    float worldX = 0.0f;        // world units; grows to the right on the map
    float worldY = 0.0f;        // world units; the height
    float worldZ = 0.0f;        // world units; grows upwards on the map
    std::int32_t mapX = 0;      // map column, 0 at the left edge
    std::int32_t mapY = 0;      // map row counted from the bottom edge
    std::int32_t mapHeight = 0; // world Y in tens of world units

    bool operator==(const CoordinateState&) const = default;
};

// The six boxes in the order in which they are written, with their control IDs.
enum class CoordinateBox { WorldX, WorldY, WorldZ, MapX, MapY, MapHeight };
inline constexpr std::size_t kCoordinateBoxCount = 6;
inline constexpr std::array<CoordinateBox, kCoordinateBoxCount> kCoordinateBoxes = {
    CoordinateBox::WorldX, CoordinateBox::WorldY, CoordinateBox::WorldZ,
    CoordinateBox::MapX,   CoordinateBox::MapY,   CoordinateBox::MapHeight};
inline constexpr std::array<int, kCoordinateBoxCount> kCoordinateBoxIds = {1012, 1013, 1014,
                                                                           1017, 1018, 1019};

// A double stored into a float member: rounded to nearest; beyond the float range it becomes
// FLT_MAX or infinity as IEEE rounding gives, and NaN stays NaN.
float toFloat32(double value);

// (n - origin) x 10 world units, the difference taken exactly (it cannot wrap around even for
// the most negative n), stored as float.
float worldValueOfMap(std::int32_t n, std::int32_t origin);

// The members after setWorldPosition(x, y, z): the world values stored as floats, the map values
// derived from the full double values.
CoordinateState worldPositionState(double x, double y, double z);

// The change handlers of the six boxes: each reads its own box's text (atof for world boxes,
// atoi for map boxes), sets its member and derives its pair's member; the other four members
// keep their values.
CoordinateState changeWorldX(CoordinateState state, std::string_view text);    // box 1012
CoordinateState changeWorldY(CoordinateState state, std::string_view text);    // box 1013
CoordinateState changeWorldZ(CoordinateState state, std::string_view text);    // box 1014
CoordinateState changeMapX(CoordinateState state, std::string_view text);      // box 1017
CoordinateState changeMapY(CoordinateState state, std::string_view text);      // box 1018
CoordinateState changeMapHeight(CoordinateState state, std::string_view text); // box 1019

// The handler of `box`.
CoordinateState changeBox(CoordinateState state, CoordinateBox box, std::string_view text);

// The texts of the six boxes in box order: world values as printf "%g", map values as "%d".
std::array<std::string, kCoordinateBoxCount> boxTexts(const CoordinateState& state);

// A marker position in map pixels with the row counted from the top edge.
struct MapPoint {
    std::int32_t column = 0;
    std::int32_t rowFromTop = 0;

    bool operator==(const MapPoint&) const = default;
};

// (mapX, 1100 - mapY); a row beyond the int32 range (mapY near INT32_MIN) gives INT32_MAX.
MapPoint markerPoint(const CoordinateState& state);

// The marker's rectangle in the picture's coordinates; right and bottom lie one past the last
// pixel, so it spans kMarkerSize pixels each way.
struct MarkerRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const MarkerRect&) const = default;
};

// A pixel of a picture of width x height pixels.
struct PicturePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const PicturePoint&) const = default;
};

// The pixel a map point falls on in a picture of width x height pixels: (width x column) / 800,
// (height x rowFromTop) / 1100, each quotient truncated toward zero. The products are formed in
// 64 bits, so no column or row overflows; a pixel beyond kMarkerCentreLimit is held there.
PicturePoint picturePoint(std::int32_t width, std::int32_t height, MapPoint point);

// The map point under a pixel of a width x height picture: the first column and row whose
// picturePoint is that pixel, so that a marker placed there sits on it. A picture no larger than
// the map grid has such a column and row for every pixel. Precondition: width, height > 0.
MapPoint mapPointAtPixel(std::int32_t width, std::int32_t height, PicturePoint pixel);

// On a picture of width x height pixels the marker's centre is (width x column) / 800,
// (height x rowFromTop) / 1100, each quotient truncated toward zero. The products are formed in
// 64 bits, so no column or row overflows; a centre then beyond kMarkerCentreLimit is held there.
MarkerRect markerRect(std::int32_t width, std::int32_t height, MapPoint point);

} // namespace spawn
