#pragma once

// Where the map stands in its view at a zoom: which screen pixel shows a map point and which map
// point a screen pixel shows. Standard library only, so it is tested on its own and shared by the
// view, the dots and the benchmarks.

#include "CoordinateConversion.h"

#include <cstdint>

namespace spawn {

namespace MapZoom {
inline constexpr double kMinimum = 1.0; // the whole map fits the view
inline constexpr double kMaximum = 32.0;
inline constexpr double kStep = 1.25; // one wheel notch or one "+" / "-"
} // namespace MapZoom

namespace MapGesture {
// A press on a dot becomes a drag once the pointer is this far away, in screen pixels; a drag
// released nearer than this to where it was pressed moves nothing.
inline constexpr double kDragDistance = 4.0;
// Whether the pointer went from `press` to `now` far enough to drag.
bool isDragDistance(PicturePoint press, PicturePoint now);
} // namespace MapGesture

// A position on the map in fractions of a column and of a row counted from the top.
struct MapPosition {
    double column = 0;
    double row = 0;
};

// How far a drag moves an area, in world units: X grows to the right, Z up the map.
struct WorldMovement {
    double x = 0;
    double z = 0;
};

// The world movement from one map position to another: 10 world units a column in X and a row in
// Z. It is exactly 0 along an axis where the two positions agree, so a drag straight across leaves
// Z as it was.
WorldMovement worldMovementBetween(MapPosition from, MapPosition to);

// The view shows the map scaled to a "content" picture of contentWidth x contentHeight pixels (the
// view's own size times the zoom), of which the pixels from offset() onwards are on screen. At
// zoom 1 the content is the view itself, so every position is the one a picture of the view's size
// gives (picturePoint, mapPointAtPixel).
class MapViewTransform {
public:
    // A view of width x height pixels at zoom 1. Precondition: width, height > 0.
    MapViewTransform(std::int32_t width, std::int32_t height);

    // A new view size: the zoom stays and so does the map point at the view's centre, as far as
    // the map's edges allow.
    void resize(std::int32_t width, std::int32_t height);

    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    double zoom() const { return m_zoom; }
    std::int32_t contentWidth() const { return m_contentWidth; }
    std::int32_t contentHeight() const { return m_contentHeight; }
    // The content pixel at the view's top left corner.
    PicturePoint offset() const { return m_offset; }
    bool isWholeMap() const { return m_zoom == MapZoom::kMinimum; }

    // The screen pixel a map point is drawn on, as picturePoint places it on the content.
    PicturePoint screenPoint(MapPoint point) const;
    // The map point shown at a screen pixel: the one whose screen pixel is the nearest at or
    // before it in each direction (where several share that pixel, the first of them). A marker
    // placed there sits on the clicked pixel or, zoomed in, on the map pixel's first screen pixel.
    MapPoint mapPointAt(PicturePoint screen) const;
    // The map position under a screen position, in fractions of a column and a row (from the top).
    double columnAt(double screenX) const;
    double rowAt(double screenY) const;
    MapPosition mapPositionAt(PicturePoint screen) const { return {columnAt(screen.x), rowAt(screen.y)}; }
    // Screen pixels per map column and per map row.
    double pixelsPerColumn() const;
    double pixelsPerRow() const;

    // Zooms to `zoom` (held within MapZoom's range) keeping the map position under the screen
    // position (x, y) there, as far as the map's edges allow: the map never leaves a gap in view.
    void zoomAbout(double zoom, double x, double y);
    // `steps` steps of MapZoom::kStep, in (> 0) or out (< 0), about (x, y).
    void zoomStepsAbout(int steps, double x, double y);
    // Moves the map by (dx, dy) screen pixels, as far as its edges allow.
    void panBy(std::int32_t dx, std::int32_t dy);
    // Back to zoom 1.
    void reset();

private:
    void setZoom(double zoom);
    void clampOffset();

    std::int32_t m_width;
    std::int32_t m_height;
    double m_zoom = MapZoom::kMinimum;
    std::int32_t m_contentWidth;
    std::int32_t m_contentHeight;
    PicturePoint m_offset;
};

} // namespace spawn
