#include "MapGrid.h"

#include <cmath>
#include <limits>

namespace spawn {

std::int32_t mapValueOfWorld(double world, std::int32_t origin) {
    constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();
    constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
    const double tenth = world * static_cast<double>(MapGrid::kTenth);
    if (std::isnan(tenth)) {
        return origin;
    }
    // trunc(tenth) is a whole number; adding the origin is exact wherever the result can fit.
    const double value = origin + std::trunc(tenth);
    if (value >= kInt32Max) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= kInt32Min) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

} // namespace spawn
