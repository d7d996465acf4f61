#pragma once

// Every spawn area as a dot on the map picture: where a record's dot stands, which dot a click
// hits, and the dots drawn into a picture's pixels. Standard library only, so the sanitizer build
// covers it.

#include "CoordinateConversion.h"
#include "MapViewTransform.h"
#include "SpawnRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace spawn {

namespace DotLook {
// A click this close to a dot's centre (in picture pixels, straight-line distance) hits it.
inline constexpr std::int32_t kPickRadius = 4;
// A dot is a square of 5 x 5 pixels: a filled 3 x 3 centre in an outline with its corners cut.
inline constexpr std::int32_t kDotRadius = 2;
// Pixel values are 0xAARRGGBB.
inline constexpr std::uint32_t kDotFill = 0xFFFFD21Fu;
inline constexpr std::uint32_t kDotOutline = 0xFF1A1A1Au;
// The pick grid's cells, in picture pixels; no smaller than a pick's reach, so a click looks at
// no more than 3 x 3 cells.
inline constexpr std::int32_t kGridCellSize = 8;
static_assert(kGridCellSize >= kPickRadius);
// Movement ranges are outlined in this colour, half over the picture.
inline constexpr std::uint32_t kRangeColour = 0xFFFFD21Fu;
// A range wider than this many screen pixels is not drawn: no real area roams that far, and its
// outline would cost the frame its speed.
inline constexpr double kLargestRangeRadius = 1 << 15;
} // namespace DotLook

// Whether a map point lies on the map: column 0..800 and row 0..1100 from the top, both edges
// included, as they are for the marker.
bool isOnMap(MapPoint point);

// Where a record's dot stands: its X and Z fields read as the form reads them (their 18-decimal
// texts parsed back), converted as setWorldPosition converts them, so the dot of the record shown
// lies where the marker is placed. Nothing for a record too short to hold them.
std::optional<MapPoint> recordMapPoint(const SpawnRecord& record);

// How far an area's creatures roam from its position (fields 9 and 11, range x and range z), as
// the half axes of an ellipse in map columns and rows.
struct MapRange {
    float columns = 0.0f;
    float rows = 0.0f;

    bool operator==(const MapRange&) const = default;
};

// A record's range in map pixels: the world units divided by the map's 10 world units a pixel. A
// negative or not-a-number range counts as none; nothing for a record too short to hold both.
std::optional<MapRange> recordMapRange(const SpawnRecord& record);

// A record's dot: its map point, its 1-based list position and its movement range.
struct MapDot {
    MapPoint point;
    std::int32_t position = 0;
    MapRange range{};
};

// The map points of a record list, remembered per list index and computed again only for a record
// whose X or Z bytes differ from those last seen there, so that a search or a changed record does
// not format every position anew.
class RecordMapPoints {
public:
    // The dots of every record on the map, in list order.
    std::vector<MapDot> allDots(const SpawnRecordList& records);
    // The dots of the records at these 0-based list indices, in the order given; indices outside
    // the list and records off the map have none.
    std::vector<MapDot> dotsOf(const SpawnRecordList& records, std::span<const std::int32_t> indices);

    // The map point of `record`, which stands at 0-based `index` of its list.
    std::optional<MapPoint> pointOf(std::size_t index, const SpawnRecord& record);

    // Records came into or went out of the list at these 1-based positions (ascending; those they
    // hold now, or held before): the remembered points move with the records that stay, so a
    // removal near the start does not compute every point after it anew.
    void recordsInserted(std::span<const std::int32_t> positions);
    void recordsRemoved(std::span<const std::int32_t> positions);
    // A new list: nothing is remembered.
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        bool known = false;
        std::uint64_t positionBits = 0; // the X and Z bytes the point was computed from
        std::optional<MapPoint> point;
    };
    void addDot(std::vector<MapDot>& dots, std::size_t index, const SpawnRecord& record);

    std::vector<Entry> m_entries;
};

// A dot placed on the picture: its centre pixel and its record's 1-based list position.
struct PictureDot {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t position = 0;

    bool operator==(const PictureDot&) const = default;
};

// The dots on a picture, with a grid of cells so that the dot under a click is found by looking
// at the few cells around it rather than at every dot.
class DotGrid {
public:
    // Places the dots that lie on the map on a width x height picture (centres from 0 to width
    // and 0 to height, edges included); the others are dropped. Precondition: width, height > 0.
    void build(std::int32_t width, std::int32_t height, std::span<const MapDot> dots);
    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }

    // The dot a click at pixel (x, y) hits: of those within kPickRadius, the nearest; of equally
    // near ones, the lowest position.
    std::optional<std::int32_t> dotAt(PicturePoint click) const;

    // The placed dots, in the order given to build().
    std::span<const PictureDot> dots() const { return m_dots; }
    // The placed dot of a record, if it has one.
    std::optional<PictureDot> dotOfPosition(std::int32_t position) const;
    // The index into dots() of a record's dot, if it has one.
    std::optional<std::size_t> indexOfPosition(std::int32_t position) const;
    // The map point and movement range of dots()[index].
    MapPoint mapPointOf(std::size_t index) const { return m_points[index]; }
    MapRange rangeOf(std::size_t index) const { return m_ranges[index]; }

    // The same questions in a view of this picture's map at a zoom, in screen pixels: the dot a
    // click at `click` hits (within kPickRadius screen pixels: dots keep their size on screen);
    // the positions of the dots inside the screen rectangle, edges included, in list order; the
    // indices into dots() of those whose dot may show in the view, in list order.
    std::optional<std::int32_t> dotAt(PicturePoint click, const MapViewTransform& view) const;
    std::vector<std::int32_t> positionsInside(PicturePoint corner, PicturePoint oppositeCorner,
                                              const MapViewTransform& view) const;
    std::vector<std::uint32_t> indicesInView(const MapViewTransform& view, std::int32_t margin) const;

private:
    std::size_t cellIndex(std::int32_t x, std::int32_t y) const;
    // Calls visit(index) for every dot in the cells that the screen rectangle
    // [left, right] x [top, bottom] may show.
    template <class Visit>
    void visitCellsUnder(const MapViewTransform& view, std::int32_t left, std::int32_t top,
                         std::int32_t right, std::int32_t bottom, Visit visit) const;

    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<MapPoint> m_points; // per dot
    std::vector<MapRange> m_ranges; // per dot

    std::int32_t m_cellColumns = 0;
    std::int32_t m_cellRows = 0;
    std::vector<PictureDot> m_dots;
    std::vector<std::uint32_t> m_cellStart; // m_cellDots[m_cellStart[c] .. m_cellStart[c + 1]) lie in cell c
    std::vector<std::uint32_t> m_cellDots;  // indices into m_dots, grouped by cell
};

// Draws the dots into a picture's pixels (0xAARRGGBB, `stride` pixels from one row to the next),
// clipped to its width x height. Where dots overlap, the earliest dot shows, as it is the one a
// click there picks among equally near dots given in position order.
// Precondition: pixels.size() >= stride x height and stride >= width.
void drawDots(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
              std::span<const PictureDot> dots);

// Outlines an ellipse with these radii (screen pixels) around `centre`, clipped to the picture;
// nothing for one under a pixel, or over kLargestRangeRadius.
// Precondition: pixels.size() >= stride x height and stride >= width.
void drawRangeOutline(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height,
                      std::int32_t stride, PicturePoint centre, double radiusX, double radiusY,
                      std::uint32_t colour);

// Outlines the movement range of every dot of `grid` whose range shows in the view.
// Precondition: as drawDotsInView.
void drawRangesInView(std::span<std::uint32_t> pixels, std::int32_t stride, const DotGrid& grid,
                      const MapViewTransform& view);

// Draws the dots of `grid` that show in a view of `view`'s size into its pixels, each at its
// screen pixel and at its own size whatever the zoom; overlaps as drawDots. The dot of
// `leftOut`, when given, is not drawn (it is being dragged elsewhere).
// Precondition: pixels.size() >= stride x view.height() and stride >= view.width().
void drawDotsInView(std::span<std::uint32_t> pixels, std::int32_t stride, const DotGrid& grid,
                    const MapViewTransform& view, std::optional<std::int32_t> leftOut = std::nullopt);

} // namespace spawn
