#pragma once

// Where a world position falls on the map grid. Standard library only: the map's marker and the
// checks of a spawn file both place positions with this same arithmetic.

#include <bit>
#include <cstdint>

namespace spawn {

namespace MapGrid {

// The map is a grid of 800 x 1100 map pixels, whatever the size of the picture that shows it.
// Columns grow to the right; rows are counted from the bottom edge (0) to the top edge (1100).
inline constexpr std::int32_t kColumns = 800;
inline constexpr std::int32_t kRows = 1100;

// The world origin (X = 0, Z = 0) lies at this column and row.
inline constexpr std::int32_t kOriginColumn = 400;
inline constexpr std::int32_t kOriginRow = 550;
inline constexpr std::int32_t kHeightOrigin = 0;

inline constexpr std::int32_t kWorldUnitsPerPixel = 10;

// World values become map values by multiplying with the float nearest 0.1 (in double
// precision), not with an exact tenth: world X 9.9999999 lands on column 401.
inline constexpr float kTenth = std::bit_cast<float>(std::uint32_t{0x3DCCCCCD});
static_assert(kTenth == 0.1f);

// Whether a column and a row (counted from the bottom) lie on the map, edges included.
inline constexpr bool isOnGrid(std::int32_t column, std::int32_t row) {
    return column >= 0 && column <= kColumns && row >= 0 && row <= kRows;
}

} // namespace MapGrid

// origin + T(world x 0.1f): the tenth truncated toward zero, offset by the origin's map value.
// A result outside the int32 range (a tenth of about 2^31 or more, or infinity) gives INT32_MAX
// or INT32_MIN, so such a position lies beyond that edge of the map; NaN has no position and gives
// the origin.
std::int32_t mapValueOfWorld(double world, std::int32_t origin);

} // namespace spawn
