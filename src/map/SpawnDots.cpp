#include "SpawnDots.h"

#include "ByteReader.h"
#include "NumberText.h"
#include "RecordFields.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>

namespace spawn {

namespace {

constexpr std::size_t kPositionFieldSize = 4;

// The dot's 5 x 5 pixels, row by row: 'f' fill, 'o' outline, '.' left as it is.
// clang-format off
constexpr std::array<const char*, 2 * DotLook::kDotRadius + 1> kDotSprite = {
    ".ooo.",
    "offfo",
    "offfo",
    "offfo",
    ".ooo.",
};
// clang-format on

// The text the form shows for a float field, read back as the form reads it.
double formValueOfFloatAt(const SpawnRecord& record, std::size_t offset) {
    return parseCDouble(fieldText(SpawnLayout::kFloatField, std::span(record.bytes).subspan(offset)));
}

bool holdsPosition(const SpawnRecord& record) {
    return record.bytes.size() >= SpawnLayout::kPositionZOffset + kPositionFieldSize;
}

std::uint64_t positionBits(const SpawnRecord& record) {
    const std::span<const std::uint8_t> bytes(record.bytes);
    const std::uint32_t x =
        readU32Le(bytes.subspan(SpawnLayout::kPositionXOffset).first<kPositionFieldSize>());
    const std::uint32_t z =
        readU32Le(bytes.subspan(SpawnLayout::kPositionZOffset).first<kPositionFieldSize>());
    return std::uint64_t{x} << 32 | z;
}

std::int64_t squaredDistance(const PictureDot& dot, PicturePoint click) {
    const std::int64_t dx = std::int64_t{dot.x} - click.x;
    const std::int64_t dy = std::int64_t{dot.y} - click.y;
    return dx * dx + dy * dy;
}

std::int64_t squaredDistance(PicturePoint a, PicturePoint b) {
    const std::int64_t dx = std::int64_t{a.x} - b.x;
    const std::int64_t dy = std::int64_t{a.y} - b.y;
    return dx * dx + dy * dy;
}

float rangeInPixels(const SpawnRecord& record, std::size_t offset) {
    const float world = std::bit_cast<float>(
        readU32Le(std::span<const std::uint8_t>(record.bytes).subspan(offset).first<kPositionFieldSize>()));
    return std::isnan(world) || world <= 0.0f ? 0.0f
                                              : world / static_cast<float>(MapGrid::kWorldUnitsPerPixel);
}

void drawSprite(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
                PicturePoint centre) {
    constexpr std::int32_t r = DotLook::kDotRadius;
    for (std::int32_t dy = -r; dy <= r; ++dy) {
        const std::int64_t y = std::int64_t{centre.y} + dy;
        if (y < 0 || y >= height) {
            continue;
        }
        const char* spriteRow = kDotSprite[static_cast<std::size_t>(dy + r)];
        for (std::int32_t dx = -r; dx <= r; ++dx) {
            const std::int64_t x = std::int64_t{centre.x} + dx;
            const char look = spriteRow[dx + r];
            if (x < 0 || x >= width || look == '.') {
                continue;
            }
            pixels[static_cast<std::size_t>(y * stride + x)] =
                look == 'f' ? DotLook::kDotFill : DotLook::kDotOutline;
        }
    }
}

} // namespace

std::optional<MapRange> recordMapRange(const SpawnRecord& record) {
    if (record.bytes.size() < SpawnLayout::kRangeZOffset + kPositionFieldSize) {
        return std::nullopt;
    }
    return MapRange{rangeInPixels(record, SpawnLayout::kRangeXOffset),
                    rangeInPixels(record, SpawnLayout::kRangeZOffset)};
}

bool isOnMap(MapPoint point) {
    return point.column >= 0 && point.column <= MapGrid::kColumns && point.rowFromTop >= 0 &&
           point.rowFromTop <= MapGrid::kRows;
}

std::optional<MapPoint> recordMapPoint(const SpawnRecord& record) {
    if (!holdsPosition(record)) {
        return std::nullopt;
    }
    const double x = formValueOfFloatAt(record, SpawnLayout::kPositionXOffset);
    const double z = formValueOfFloatAt(record, SpawnLayout::kPositionZOffset);
    return markerPoint(worldPositionState(x, 0.0, z));
}

std::optional<MapPoint> RecordMapPoints::pointOf(std::size_t index, const SpawnRecord& record) {
    if (!holdsPosition(record)) {
        return std::nullopt;
    }
    if (index >= m_entries.size()) {
        m_entries.resize(index + 1);
    }
    Entry& entry = m_entries[index];
    const std::uint64_t bits = positionBits(record);
    if (!entry.known || entry.positionBits != bits) {
        entry = {true, bits, recordMapPoint(record)};
    }
    return entry.point;
}

void RecordMapPoints::addDot(std::vector<MapDot>& dots, std::size_t index, const SpawnRecord& record) {
    const auto point = pointOf(index, record);
    if (point && isOnMap(*point)) {
        dots.push_back(
            {*point, static_cast<std::int32_t>(index + 1), recordMapRange(record).value_or(MapRange{})});
    }
}

void RecordMapPoints::recordsInserted(std::span<const std::int32_t> positions) {
    if (positions.empty() || static_cast<std::size_t>(positions.front()) > m_entries.size() + 1) {
        return; // nothing remembered there yet
    }
    std::vector<Entry> moved;
    moved.reserve(m_entries.size() + positions.size());
    std::size_t kept = 0;
    for (const std::int32_t position : positions) {
        const auto before = static_cast<std::size_t>(position - 1) - (moved.size() - kept);
        while (kept < before && kept < m_entries.size()) {
            moved.push_back(m_entries[kept++]);
        }
        moved.push_back(Entry{});
    }
    moved.insert(moved.end(), m_entries.begin() + static_cast<std::ptrdiff_t>(kept), m_entries.end());
    m_entries = std::move(moved);
}

void RecordMapPoints::recordsRemoved(std::span<const std::int32_t> positions) {
    std::size_t next = 0;
    std::size_t out = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (next < positions.size() && static_cast<std::size_t>(positions[next]) == i + 1) {
            ++next;
            continue;
        }
        m_entries[out++] = m_entries[i];
    }
    m_entries.resize(out);
}

std::vector<MapDot> RecordMapPoints::allDots(const SpawnRecordList& records) {
    const auto count = static_cast<std::size_t>(records.count());
    // Entries past the list's end belong to records since removed.
    m_entries.resize(count);
    std::vector<MapDot> dots;
    dots.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        addDot(dots, i, records.atIndex(i));
    }
    return dots;
}

std::vector<MapDot> RecordMapPoints::dotsOf(const SpawnRecordList& records,
                                            std::span<const std::int32_t> indices) {
    std::vector<MapDot> dots;
    dots.reserve(indices.size());
    for (const std::int32_t index : indices) {
        if (index >= 0 && index < records.count()) {
            const auto i = static_cast<std::size_t>(index);
            addDot(dots, i, records.atIndex(i));
        }
    }
    return dots;
}

void DotGrid::build(std::int32_t width, std::int32_t height, std::span<const MapDot> dots) {
    // Centres run from 0 to width inclusive, so the last cell column holds the right edge too.
    m_cellColumns = width / DotLook::kGridCellSize + 1;
    m_cellRows = height / DotLook::kGridCellSize + 1;
    m_width = width;
    m_height = height;
    m_dots.clear();
    m_dots.reserve(dots.size());
    m_points.clear();
    m_points.reserve(dots.size());
    m_ranges.clear();
    m_ranges.reserve(dots.size());
    for (const MapDot& dot : dots) {
        if (isOnMap(dot.point)) {
            const PicturePoint pixel = picturePoint(width, height, dot.point);
            m_dots.push_back({pixel.x, pixel.y, dot.position});
            m_points.push_back(dot.point);
            m_ranges.push_back(dot.range);
        }
    }

    // A counting sort by cell: count, turn the counts into starts, then place each dot.
    const auto cellCount = static_cast<std::size_t>(m_cellColumns) * static_cast<std::size_t>(m_cellRows);
    m_cellStart.assign(cellCount + 1, 0);
    for (const PictureDot& dot : m_dots) {
        ++m_cellStart[cellIndex(dot.x, dot.y) + 1];
    }
    for (std::size_t c = 0; c < cellCount; ++c) {
        m_cellStart[c + 1] += m_cellStart[c];
    }
    m_cellDots.resize(m_dots.size());
    std::vector<std::uint32_t> next(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::size_t i = 0; i < m_dots.size(); ++i) {
        m_cellDots[next[cellIndex(m_dots[i].x, m_dots[i].y)]++] = static_cast<std::uint32_t>(i);
    }
}

std::size_t DotGrid::cellIndex(std::int32_t x, std::int32_t y) const {
    const std::int32_t column = std::clamp(x / DotLook::kGridCellSize, 0, m_cellColumns - 1);
    const std::int32_t row = std::clamp(y / DotLook::kGridCellSize, 0, m_cellRows - 1);
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cellColumns) +
           static_cast<std::size_t>(column);
}

std::optional<std::int32_t> DotGrid::dotAt(PicturePoint click) const {
    if (m_dots.empty()) {
        return std::nullopt;
    }
    // Every dot within reach lies in the cells that the square around the click touches.
    const auto cellOf = [](std::int64_t pixel, std::int32_t cells) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(pixel / DotLook::kGridCellSize, 0, std::int64_t{cells} - 1));
    };
    const std::int64_t reach = DotLook::kPickRadius;
    const std::int64_t left = std::int64_t{click.x} - reach;
    const std::int64_t right = std::int64_t{click.x} + reach;
    const std::int64_t top = std::int64_t{click.y} - reach;
    const std::int64_t bottom = std::int64_t{click.y} + reach;
    if (right < 0 || bottom < 0) {
        return std::nullopt;
    }

    std::optional<std::int32_t> best;
    std::int64_t bestDistance = reach * reach + 1;
    for (std::int32_t row = cellOf(top, m_cellRows); row <= cellOf(bottom, m_cellRows); ++row) {
        for (std::int32_t column = cellOf(left, m_cellColumns); column <= cellOf(right, m_cellColumns);
             ++column) {
            const std::size_t cell = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cellColumns) +
                                     static_cast<std::size_t>(column);
            for (std::uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
                const PictureDot& dot = m_dots[m_cellDots[k]];
                const std::int64_t distance = squaredDistance(dot, click);
                if (distance < bestDistance || (distance == bestDistance && best && dot.position < *best)) {
                    bestDistance = distance;
                    best = dot.position;
                }
            }
        }
    }
    return best;
}

std::optional<PictureDot> DotGrid::dotOfPosition(std::int32_t position) const {
    const auto it = std::find_if(m_dots.begin(), m_dots.end(),
                                 [position](const PictureDot& dot) { return dot.position == position; });
    return it != m_dots.end() ? std::optional(*it) : std::nullopt;
}

std::optional<std::size_t> DotGrid::indexOfPosition(std::int32_t position) const {
    const auto it = std::find_if(m_dots.begin(), m_dots.end(),
                                 [position](const PictureDot& dot) { return dot.position == position; });
    return it != m_dots.end() ? std::optional(static_cast<std::size_t>(it - m_dots.begin())) : std::nullopt;
}

template <class Visit>
void DotGrid::visitCellsUnder(const MapViewTransform& view, std::int32_t left, std::int32_t top,
                              std::int32_t right, std::int32_t bottom, Visit visit) const {
    if (m_dots.empty()) {
        return;
    }
    // A dot's picture pixel and its screen pixel come from the same map point truncated at two
    // scales, so they can differ by a pixel of the picture either way: one pixel more all round.
    const auto pictureX = [&](std::int64_t screenX) {
        return (screenX + view.offset().x) * m_width / view.contentWidth();
    };
    const auto pictureY = [&](std::int64_t screenY) {
        return (screenY + view.offset().y) * m_height / view.contentHeight();
    };
    const auto cellOf = [](std::int64_t pixel, std::int32_t cells) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(pixel / DotLook::kGridCellSize, 0, std::int64_t{cells} - 1));
    };
    const std::int64_t pictureLeft = pictureX(left) - 1;
    const std::int64_t pictureRight = pictureX(std::int64_t{right} + 1) + 1;
    const std::int64_t pictureTop = pictureY(top) - 1;
    const std::int64_t pictureBottom = pictureY(std::int64_t{bottom} + 1) + 1;
    if (pictureRight < 0 || pictureBottom < 0 || pictureLeft > m_width || pictureTop > m_height) {
        return;
    }
    for (std::int32_t row = cellOf(pictureTop, m_cellRows); row <= cellOf(pictureBottom, m_cellRows); ++row) {
        for (std::int32_t column = cellOf(pictureLeft, m_cellColumns);
             column <= cellOf(pictureRight, m_cellColumns); ++column) {
            const std::size_t cell = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cellColumns) +
                                     static_cast<std::size_t>(column);
            for (std::uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
                visit(m_cellDots[k]);
            }
        }
    }
}

std::optional<std::int32_t> DotGrid::dotAt(PicturePoint click, const MapViewTransform& view) const {
    constexpr std::int32_t reach = DotLook::kPickRadius;
    std::optional<std::int32_t> best;
    std::int64_t bestDistance = std::int64_t{reach} * reach + 1;
    visitCellsUnder(
        view, click.x - reach, click.y - reach, click.x + reach, click.y + reach, [&](std::uint32_t i) {
            const std::int64_t distance = squaredDistance(view.screenPoint(m_points[i]), click);
            const std::int32_t position = m_dots[i].position;
            if (distance < bestDistance || (distance == bestDistance && best && position < *best)) {
                bestDistance = distance;
                best = position;
            }
        });
    return best;
}

std::vector<std::int32_t> DotGrid::positionsInside(PicturePoint corner, PicturePoint oppositeCorner,
                                                   const MapViewTransform& view) const {
    const std::int32_t left = std::min(corner.x, oppositeCorner.x);
    const std::int32_t right = std::max(corner.x, oppositeCorner.x);
    const std::int32_t top = std::min(corner.y, oppositeCorner.y);
    const std::int32_t bottom = std::max(corner.y, oppositeCorner.y);
    std::vector<std::int32_t> positions;
    visitCellsUnder(view, left, top, right, bottom, [&](std::uint32_t i) {
        const PicturePoint at = view.screenPoint(m_points[i]);
        if (at.x >= left && at.x <= right && at.y >= top && at.y <= bottom) {
            positions.push_back(m_dots[i].position);
        }
    });
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

std::vector<std::uint32_t> DotGrid::indicesInView(const MapViewTransform& view, std::int32_t margin) const {
    std::vector<std::uint32_t> indices;
    if (view.isWholeMap()) {
        // Every dot lies on the map, and all of it is in view.
        indices.resize(m_dots.size());
        std::iota(indices.begin(), indices.end(), 0u);
        return indices;
    }
    // Marked, then read in order: cheaper than sorting when most of the map is in view.
    std::vector<std::uint8_t> inView(m_dots.size(), 0);
    visitCellsUnder(view, -margin, -margin, view.width() + margin, view.height() + margin,
                    [&](std::uint32_t i) {
                        const PicturePoint at = view.screenPoint(m_points[i]);
                        inView[i] = at.x >= -margin && at.x <= view.width() + margin && at.y >= -margin &&
                                    at.y <= view.height() + margin;
                    });
    for (std::uint32_t i = 0; i < inView.size(); ++i) {
        if (inView[i] != 0) {
            indices.push_back(i);
        }
    }
    return indices;
}

void drawRangeOutline(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height,
                      std::int32_t stride, PicturePoint centre, double radiusX, double radiusY,
                      std::uint32_t colour) {
    const double radius = std::max(radiusX, radiusY);
    if (!(radius >= 1.0) || centre.x + radiusX < 0 || centre.x - radiusX >= width || centre.y + radiusY < 0 ||
        centre.y - radiusY >= height || radius > DotLook::kLargestRangeRadius) {
        return;
    }
    // Walked around in steps of about a pixel, the angle turned by rotating (cos, sin) so that no
    // step calls a trigonometric function.
    constexpr double kTurn = 6.283185307179586;
    const auto steps = static_cast<std::int32_t>(std::ceil(kTurn * radius));
    const double stepCos = std::cos(kTurn / steps);
    const double stepSin = std::sin(kTurn / steps);
    double c = 1.0;
    double s = 0.0;
    std::int64_t first = -1; // the walk ends where it began: that pixel is not drawn twice
    std::int64_t last = -1;
    for (std::int32_t k = 0; k < steps; ++k) {
        const auto x = static_cast<std::int64_t>(std::floor(centre.x + radiusX * c + 0.5));
        const auto y = static_cast<std::int64_t>(std::floor(centre.y + radiusY * s + 0.5));
        const double nextC = c * stepCos - s * stepSin;
        s = s * stepCos + c * stepSin;
        c = nextC;
        if (x < 0 || x >= width || y < 0 || y >= height) {
            continue;
        }
        const std::int64_t at = y * stride + x;
        if (at == last || at == first) {
            continue;
        }
        last = at;
        if (first < 0) {
            first = at;
        }
        // Half the colour over half the picture: a faint line that the dots stand out against.
        std::uint32_t& pixel = pixels[static_cast<std::size_t>(at)];
        pixel = 0xFF000000u | (((pixel & 0xFEFEFEu) >> 1) + ((colour & 0xFEFEFEu) >> 1));
    }
}

void drawRangesInView(std::span<std::uint32_t> pixels, std::int32_t stride, const DotGrid& grid,
                      const MapViewTransform& view) {
    float largest = 0.0f;
    for (std::size_t i = 0; i < grid.dots().size(); ++i) {
        largest = std::max({largest, grid.rangeOf(i).columns, grid.rangeOf(i).rows});
    }
    const double reach =
        std::min(static_cast<double>(largest) * std::max(view.pixelsPerColumn(), view.pixelsPerRow()),
                 DotLook::kLargestRangeRadius);
    for (const std::uint32_t i : grid.indicesInView(view, static_cast<std::int32_t>(std::ceil(reach)))) {
        const MapRange range = grid.rangeOf(i);
        drawRangeOutline(pixels, view.width(), view.height(), stride, view.screenPoint(grid.mapPointOf(i)),
                         range.columns * view.pixelsPerColumn(), range.rows * view.pixelsPerRow(),
                         DotLook::kRangeColour);
    }
}

void drawDotsInView(std::span<std::uint32_t> pixels, std::int32_t stride, const DotGrid& grid,
                    const MapViewTransform& view, std::optional<std::int32_t> leftOut) {
    const auto indices = grid.indicesInView(view, DotLook::kDotRadius);
    const auto dots = grid.dots();
    // Last to first, so that the earliest of overlapping dots is drawn over the others.
    for (auto i = indices.rbegin(); i != indices.rend(); ++i) {
        if (leftOut && dots[*i].position == *leftOut) {
            continue;
        }
        drawSprite(pixels, view.width(), view.height(), stride, view.screenPoint(grid.mapPointOf(*i)));
    }
}

void drawDots(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
              std::span<const PictureDot> dots) {
    // Last to first, so that the earliest of overlapping dots is drawn over the others.
    for (auto dot = dots.rbegin(); dot != dots.rend(); ++dot) {
        drawSprite(pixels, width, height, stride, {dot->x, dot->y});
    }
}

} // namespace spawn
