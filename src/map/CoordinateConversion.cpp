#include "CoordinateConversion.h"

#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace spawn {

namespace {

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t markerCentre(std::int32_t size, std::int32_t mapValue, std::int32_t gridSize) {
    const std::int64_t centre = std::int64_t{size} * mapValue / gridSize;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(centre, -MapGrid::kMarkerCentreLimit, MapGrid::kMarkerCentreLimit));
}

// The smallest grid value n with (size x n) / gridSize >= pixel: ceil(pixel x gridSize / size).
// Where a pixel spans more than one grid value this is the first of them.
std::int32_t firstGridValueAt(std::int32_t pixel, std::int32_t size, std::int32_t gridSize) {
    const std::int64_t scaled = std::int64_t{pixel} * gridSize;
    const std::int64_t quotient = scaled / size;
    return clampToInt32(quotient * size < scaled ? quotient + 1 : quotient);
}

} // namespace

float toFloat32(double value) {
    constexpr double kFloatMax = std::numeric_limits<float>::max();
    if (std::isnan(value) || std::abs(value) <= kFloatMax) {
        return static_cast<float>(value);
    }
    // Beyond the largest float: round to nearest, the tie going to infinity (FLT_MAX's last
    // mantissa bit is odd). The halfway point is FLT_MAX plus half its last place, 2^103.
    const double halfway = kFloatMax + std::ldexp(1.0, std::numeric_limits<float>::max_exponent - 1 -
                                                           std::numeric_limits<float>::digits);
    const float magnitude = std::abs(value) >= halfway ? std::numeric_limits<float>::infinity()
                                                       : std::numeric_limits<float>::max();
    return value < 0 ? -magnitude : magnitude;
}

float worldValueOfMap(std::int32_t n, std::int32_t origin) {
    const auto difference = static_cast<double>(std::int64_t{n} - origin);
    return static_cast<float>(difference * MapGrid::kWorldUnitsPerPixel);
}

CoordinateState worldPositionState(double x, double y, double z) {
    CoordinateState state;
    state.worldX = toFloat32(x);
    state.mapX = mapValueOfWorld(x, MapGrid::kOriginColumn);
    state.worldY = toFloat32(y);
    state.mapHeight = mapValueOfWorld(y, MapGrid::kHeightOrigin);
    state.worldZ = toFloat32(z);
    state.mapY = mapValueOfWorld(z, MapGrid::kOriginRow);
    return state;
}

CoordinateState changeWorldX(CoordinateState state, std::string_view text) {
    const double v = parseCDouble(text);
    state.worldX = toFloat32(v);
    state.mapX = mapValueOfWorld(v, MapGrid::kOriginColumn);
    return state;
}

CoordinateState changeWorldY(CoordinateState state, std::string_view text) {
    const double v = parseCDouble(text);
    state.worldY = toFloat32(v);
    state.mapHeight = mapValueOfWorld(v, MapGrid::kHeightOrigin);
    return state;
}

CoordinateState changeWorldZ(CoordinateState state, std::string_view text) {
    const double v = parseCDouble(text);
    state.worldZ = toFloat32(v);
    state.mapY = mapValueOfWorld(v, MapGrid::kOriginRow);
    return state;
}

CoordinateState changeMapX(CoordinateState state, std::string_view text) {
    state.mapX = parseCInt(text);
    state.worldX = worldValueOfMap(state.mapX, MapGrid::kOriginColumn);
    return state;
}

CoordinateState changeMapY(CoordinateState state, std::string_view text) {
    state.mapY = parseCInt(text);
    state.worldZ = worldValueOfMap(state.mapY, MapGrid::kOriginRow);
    return state;
}

CoordinateState changeMapHeight(CoordinateState state, std::string_view text) {
    state.mapHeight = parseCInt(text);
    state.worldY = worldValueOfMap(state.mapHeight, MapGrid::kHeightOrigin);
    return state;
}

CoordinateState changeBox(CoordinateState state, CoordinateBox box, std::string_view text) {
    switch (box) {
    case CoordinateBox::WorldX:
        return changeWorldX(state, text);
    case CoordinateBox::WorldY:
        return changeWorldY(state, text);
    case CoordinateBox::WorldZ:
        return changeWorldZ(state, text);
    case CoordinateBox::MapX:
        return changeMapX(state, text);
    case CoordinateBox::MapY:
        return changeMapY(state, text);
    case CoordinateBox::MapHeight:
        return changeMapHeight(state, text);
    }
    return state;
}

std::array<std::string, kCoordinateBoxCount> boxTexts(const CoordinateState& state) {
    return {formatGeneral6(static_cast<double>(state.worldX)),
            formatGeneral6(static_cast<double>(state.worldY)),
            formatGeneral6(static_cast<double>(state.worldZ)),
            formatInt(state.mapX),
            formatInt(state.mapY),
            formatInt(state.mapHeight)};
}

MapPoint markerPoint(const CoordinateState& state) {
    return {state.mapX, clampToInt32(std::int64_t{MapGrid::kRows} - state.mapY)};
}

PicturePoint picturePoint(std::int32_t width, std::int32_t height, MapPoint point) {
    return {markerCentre(width, point.column, MapGrid::kColumns),
            markerCentre(height, point.rowFromTop, MapGrid::kRows)};
}

MapPoint mapPointAtPixel(std::int32_t width, std::int32_t height, PicturePoint pixel) {
    return {firstGridValueAt(pixel.x, width, MapGrid::kColumns),
            firstGridValueAt(pixel.y, height, MapGrid::kRows)};
}

MarkerRect markerRect(std::int32_t width, std::int32_t height, MapPoint point) {
    const PicturePoint centre = picturePoint(width, height, point);
    return {centre.x - MapGrid::kMarkerHalfSize, centre.y - MapGrid::kMarkerHalfSize,
            centre.x + MapGrid::kMarkerHalfSize, centre.y + MapGrid::kMarkerHalfSize};
}

} // namespace spawn
