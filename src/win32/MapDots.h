#pragma once

// The listed areas as dots on the map picture (static 1024): the world map with the dots drawn
// into a copy of it, and the dot under a click.

#include "SpawnDots.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace spawn::win32 {

class MapDots {
public:
    // `clicked(position)` runs for a left click on a record's dot.
    MapDots(HINSTANCE instance, HWND picture, std::function<void(std::int32_t)> clicked);
    ~MapDots();
    MapDots(const MapDots&) = delete;
    MapDots& operator=(const MapDots&) = delete;

    // Shows these dots (their records' 1-based positions) on the map.
    void show(std::span<const MapDot> dots);

private:
    static LRESULT CALLBACK pictureProc(HWND picture, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_picture;
    std::function<void(std::int32_t)> m_clicked;
    WNDPROC m_staticProc = nullptr;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<std::uint32_t> m_map; // the world map's pixels, 0xAARRGGBB, top row first
    DotGrid m_grid;
    std::vector<PictureDot> m_drawn; // the dots the shown picture has
    HBITMAP m_shown = nullptr; // the map with the dots, owned here
};

} // namespace spawn::win32
