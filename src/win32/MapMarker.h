#pragma once

// The map marker: a small red square on the map picture (static 1024) at the current position.

#include "CoordinateConversion.h"

#include <windows.h>

namespace spawn::win32 {

class MapMarker {
public:
    // `picture` is the static that shows the world map; no marker shows until the first place().
    MapMarker(HINSTANCE instance, HWND picture);
    ~MapMarker();
    MapMarker(const MapMarker&) = delete;
    MapMarker& operator=(const MapMarker&) = delete;

    // Centres the marker on the map point, scaled to the picture's client area; a point off the
    // map puts it where the picture clips it away.
    void place(MapPoint point);

    HWND window() const { return m_marker; }

private:
    HINSTANCE m_instance;
    HWND m_picture;
    HWND m_marker = nullptr;
    HICON m_icon = nullptr;
};

} // namespace spawn::win32
