#include "MapMarker.h"

#include "ResourceIds.h"

namespace spawn::win32 {

MapMarker::MapMarker(HINSTANCE instance, HWND picture) : m_instance(instance), m_picture(picture) {}

MapMarker::~MapMarker() {
    if (m_icon != nullptr) {
        DestroyIcon(m_icon);
    }
}

void MapMarker::place(MapPoint point) {
    RECT client{};
    GetClientRect(m_picture, &client);
    const MarkerRect rect = markerRect(client.right - client.left, client.bottom - client.top, point);
    if (m_marker == nullptr) {
        // The icon at the system's icon size, drawn centred in the small window and clipped to it.
        m_icon = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_MAP_MARKER), IMAGE_ICON, 0, 0,
                                               LR_DEFAULTSIZE));
        m_marker = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_ICON | SS_CENTERIMAGE, rect.left, rect.top,
                                   MapGrid::kMarkerSize, MapGrid::kMarkerSize, m_picture,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAP_MARKER)), m_instance,
                                   nullptr);
        SendMessageW(m_marker, STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
        // Without a size of its own (SS_CENTERIMAGE) an icon static takes the icon's.
        SetWindowPos(m_marker, nullptr, rect.left, rect.top, MapGrid::kMarkerSize, MapGrid::kMarkerSize,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return;
    }
    SetWindowPos(m_marker, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace spawn::win32
