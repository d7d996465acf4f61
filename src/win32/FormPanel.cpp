#include "FormPanel.h"

#include "ResourceIds.h"

namespace spawn::win32 {

namespace {

constexpr int kFormFontTenthsOfPoint = 100;
constexpr int kTenthsPerInch = 720;
constexpr const wchar_t* kFormFontFace = L"宋体";

INT_PTR CALLBACK panelProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool faceInstalled(HDC dc, const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, noteFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

} // namespace

FormPanel::FormPanel(HINSTANCE instance, HWND frame) {
    m_panel = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FORM_PANEL), frame, panelProc, 0);
    RECT client{};
    GetClientRect(frame, &client);
    MoveWindow(m_panel, 0, 0, client.right, client.bottom, TRUE);
    ShowWindow(m_panel, SW_SHOW);

    // 10 points in the screen's pixels, as the framework's point fonts are made.
    HDC dc = GetDC(frame);
    LOGFONTW font{};
    font.lfHeight = -MulDiv(GetDeviceCaps(dc, LOGPIXELSY), kFormFontTenthsOfPoint, kTenthsPerInch);
    font.lfCharSet = DEFAULT_CHARSET;
    if (faceInstalled(dc, kFormFontFace)) {
        lstrcpynW(font.lfFaceName, kFormFontFace, LF_FACESIZE);
    } else {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        lstrcpynW(font.lfFaceName, metrics.lfMessageFont.lfFaceName, LF_FACESIZE);
    }
    ReleaseDC(frame, dc);
    m_fontFace = font.lfFaceName;
    m_font = CreateFontIndirectW(&font);
}

FormPanel::~FormPanel() {
    if (m_font != nullptr) {
        DeleteObject(m_font);
    }
}

} // namespace spawn::win32
