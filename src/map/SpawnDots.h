#pragma once

// Every spawn area as a dot on the map picture: where a record's dot stands, which dot a click
// hits, and the dots drawn into a picture's pixels. Standard library only, so the sanitizer build
// covers it.

#include "CoordinateConversion.h"
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
} // namespace DotLook

// Whether a map point lies on the map: column 0..800 and row 0..1100 from the top, both edges
// included, as they are for the marker.
bool isOnMap(MapPoint point);

// Where a record's dot stands: its X and Z fields read as the form reads them (their 18-decimal
// texts parsed back), converted as setWorldPosition converts them, so the dot of the record shown
// lies where the marker is placed. Nothing for a record too short to hold them.
std::optional<MapPoint> recordMapPoint(const SpawnRecord& record);

// A record's dot: its map point and its 1-based list position.
struct MapDot {
    MapPoint point;
    std::int32_t position = 0;
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

    // The dot a click at pixel (x, y) hits: of those within kPickRadius, the nearest; of equally
    // near ones, the lowest position.
    std::optional<std::int32_t> dotAt(PicturePoint click) const;

    // The placed dots, in the order given to build().
    std::span<const PictureDot> dots() const { return m_dots; }
    // The placed dot of a record, if it has one.
    std::optional<PictureDot> dotOfPosition(std::int32_t position) const;

private:
    std::size_t cellIndex(std::int32_t x, std::int32_t y) const;

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

} // namespace spawn
