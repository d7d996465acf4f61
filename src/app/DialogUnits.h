#pragma once

#include <QRect>

#include <cmath>

namespace spawn {

// The window is laid out in dialog units of an 8-point dialog font at 96 dpi: one unit is 1.5
// pixels across and 1.625 pixels down.
inline constexpr double kPixelsPerUnitX = 1.5;
inline constexpr double kPixelsPerUnitY = 1.625;

inline int unitsToPixelsX(int units) {
    return static_cast<int>(std::lround(units * kPixelsPerUnitX));
}
inline int unitsToPixelsY(int units) {
    return static_cast<int>(std::lround(units * kPixelsPerUnitY));
}

// The pixel rectangle of a control placed at (x, y) with size (w, h) in dialog units; the edges
// are rounded, so neighbouring controls stay flush.
inline QRect unitsToPixels(int x, int y, int w, int h) {
    const int left = unitsToPixelsX(x);
    const int top = unitsToPixelsY(y);
    return QRect(left, top, unitsToPixelsX(x + w) - left, unitsToPixelsY(y + h) - top);
}

} // namespace spawn
