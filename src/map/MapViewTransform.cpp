#include "MapViewTransform.h"

#include <algorithm>
#include <cmath>

namespace spawn {

namespace {

std::int32_t scaled(std::int32_t size, double zoom) {
    return static_cast<std::int32_t>(std::lround(size * zoom));
}

// The grid value at content pixel `pixel`: the smallest n whose pixel floor(n x content / grid)
// is `pixel`, or else the last n whose pixel lies before it (a content larger than the grid
// leaves pixels that no grid value starts on).
std::int32_t gridValueAt(std::int64_t pixel, std::int32_t content, std::int32_t grid) {
    const std::int64_t scaledPixel = pixel * grid;
    std::int64_t n = scaledPixel / content;
    if (n * content < scaledPixel) {
        ++n; // ceil(pixel x grid / content) for pixel >= 0
    }
    if (n * content / grid != pixel) {
        --n;
    }
    return static_cast<std::int32_t>(n);
}

std::int32_t contentPixel(std::int32_t mapValue, std::int32_t content, std::int32_t grid) {
    const std::int64_t pixel = std::int64_t{content} * mapValue / grid;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(pixel, -MapGrid::kMarkerCentreLimit, MapGrid::kMarkerCentreLimit));
}

} // namespace

bool MapGesture::isDragDistance(PicturePoint press, PicturePoint now) {
    return std::hypot(static_cast<double>(now.x) - press.x, static_cast<double>(now.y) - press.y) >=
           kDragDistance;
}

WorldMovement worldMovementBetween(MapPosition from, MapPosition to) {
    // Rows count downwards and Z grows upwards.
    return {(to.column - from.column) * MapGrid::kWorldUnitsPerPixel,
            (from.row - to.row) * MapGrid::kWorldUnitsPerPixel};
}

MapViewTransform::MapViewTransform(std::int32_t width, std::int32_t height)
    : m_width(width), m_height(height), m_contentWidth(width), m_contentHeight(height) {}

void MapViewTransform::resize(std::int32_t width, std::int32_t height) {
    const double column = columnAt(m_width / 2.0);
    const double row = rowAt(m_height / 2.0);
    m_width = width;
    m_height = height;
    setZoom(m_zoom);
    m_offset = {static_cast<std::int32_t>(std::lround(column * pixelsPerColumn() - m_width / 2.0)),
                static_cast<std::int32_t>(std::lround(row * pixelsPerRow() - m_height / 2.0))};
    clampOffset();
}

PicturePoint MapViewTransform::screenPoint(MapPoint point) const {
    return {contentPixel(point.column, m_contentWidth, MapGrid::kColumns) - m_offset.x,
            contentPixel(point.rowFromTop, m_contentHeight, MapGrid::kRows) - m_offset.y};
}

MapPoint MapViewTransform::mapPointAt(PicturePoint screen) const {
    return {gridValueAt(std::int64_t{screen.x} + m_offset.x, m_contentWidth, MapGrid::kColumns),
            gridValueAt(std::int64_t{screen.y} + m_offset.y, m_contentHeight, MapGrid::kRows)};
}

double MapViewTransform::columnAt(double screenX) const {
    return (screenX + m_offset.x) / pixelsPerColumn();
}

double MapViewTransform::rowAt(double screenY) const {
    return (screenY + m_offset.y) / pixelsPerRow();
}

double MapViewTransform::pixelsPerColumn() const {
    return static_cast<double>(m_contentWidth) / MapGrid::kColumns;
}

double MapViewTransform::pixelsPerRow() const {
    return static_cast<double>(m_contentHeight) / MapGrid::kRows;
}

void MapViewTransform::zoomAbout(double zoom, double x, double y) {
    const double column = columnAt(x);
    const double row = rowAt(y);
    setZoom(zoom);
    m_offset = {static_cast<std::int32_t>(std::lround(column * pixelsPerColumn() - x)),
                static_cast<std::int32_t>(std::lround(row * pixelsPerRow() - y))};
    clampOffset();
}

void MapViewTransform::zoomStepsAbout(int steps, double x, double y) {
    zoomAbout(m_zoom * std::pow(MapZoom::kStep, steps), x, y);
}

void MapViewTransform::panBy(std::int32_t dx, std::int32_t dy) {
    m_offset.x -= dx;
    m_offset.y -= dy;
    clampOffset();
}

void MapViewTransform::reset() {
    setZoom(MapZoom::kMinimum);
    m_offset = {};
}

void MapViewTransform::setZoom(double zoom) {
    // Steps that land within a hair of 1 are 1, so the whole map shows exactly as unzoomed.
    constexpr double kSnap = 1e-9;
    m_zoom = std::clamp(std::isfinite(zoom) ? zoom : MapZoom::kMinimum, MapZoom::kMinimum, MapZoom::kMaximum);
    if (std::abs(m_zoom - MapZoom::kMinimum) < kSnap) {
        m_zoom = MapZoom::kMinimum;
    }
    m_contentWidth = scaled(m_width, m_zoom);
    m_contentHeight = scaled(m_height, m_zoom);
}

void MapViewTransform::clampOffset() {
    m_offset.x = std::clamp(m_offset.x, 0, m_contentWidth - m_width);
    m_offset.y = std::clamp(m_offset.y, 0, m_contentHeight - m_height);
}

} // namespace spawn
