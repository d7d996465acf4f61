#include "MapDots.h"

#include "ResourceIds.h"

#include <algorithm>
#include <cstring>

namespace spawn::win32 {

namespace {

BITMAPINFO topDownInfo(std::int32_t width, std::int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

MapDots::MapDots(HINSTANCE instance, HWND picture, std::function<void(std::int32_t)> clicked)
    : m_picture(picture), m_clicked(std::move(clicked)) {
    HBITMAP map = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_WORLD_MAP), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP size{};
    if (map != nullptr && GetObjectW(map, sizeof size, &size) != 0) {
        m_width = size.bmWidth;
        m_height = size.bmHeight;
        m_map.resize(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
        BITMAPINFO info = topDownInfo(m_width, m_height);
        HDC dc = GetDC(picture);
        GetDIBits(dc, map, 0, static_cast<UINT>(m_height), m_map.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(picture, dc);
        for (std::uint32_t& pixel : m_map) {
            pixel |= 0xFF000000u;
        }
    }
    if (map != nullptr) {
        DeleteObject(map);
    }
    // The marker, a child of the picture, stays over the map drawn anew.
    SetWindowLongPtrW(picture, GWL_STYLE, GetWindowLongPtrW(picture, GWL_STYLE) | WS_CLIPCHILDREN);
    // A static lets clicks through to its parent; this one takes them.
    SetWindowLongPtrW(picture, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pictureProc)));
}

MapDots::~MapDots() {
    if (m_staticProc != nullptr && IsWindow(m_picture)) {
        SetWindowLongPtrW(m_picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_staticProc));
        SetWindowLongPtrW(m_picture, GWLP_USERDATA, 0);
    }
    if (m_shown != nullptr) {
        DeleteObject(m_shown);
    }
}

void MapDots::show(std::span<const MapDot> dots) {
    if (m_map.empty()) {
        return;
    }
    m_grid.build(m_width, m_height, dots);
    const std::span<const PictureDot> placed = m_grid.dots();
    if (m_shown != nullptr && std::equal(placed.begin(), placed.end(), m_drawn.begin(), m_drawn.end())) {
        return; // the picture already shows them
    }
    m_drawn.assign(placed.begin(), placed.end());
    std::vector<std::uint32_t> pixels = m_map;
    drawDots(pixels, m_width, m_height, m_width, m_grid.dots());
    BITMAPINFO info = topDownInfo(m_width, m_height);
    void* bits = nullptr;
    HBITMAP drawn = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (drawn == nullptr || bits == nullptr) {
        return;
    }
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
    SendMessageW(m_picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(drawn));
    if (m_shown != nullptr) {
        DeleteObject(m_shown);
    }
    m_shown = drawn;
}

LRESULT CALLBACK MapDots::pictureProc(HWND picture, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MapDots*>(GetWindowLongPtrW(picture, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(picture, message, wParam, lParam);
    }
    if (message == WM_NCHITTEST) {
        return HTCLIENT;
    }
    if (message == WM_LBUTTONDOWN) {
        const PicturePoint click{static_cast<std::int16_t>(LOWORD(lParam)), static_cast<std::int16_t>(HIWORD(lParam))};
        if (const auto position = self->m_grid.dotAt(click)) {
            self->m_clicked(*position);
        }
        return 0;
    }
    return CallWindowProcW(self->m_staticProc, picture, message, wParam, lParam);
}

} // namespace spawn::win32
