#include "FormPanel.h"

#include "RecordForm.h"
#include "ResourceIds.h"
#include "WideText.h"

namespace spawn::win32 {

namespace {

constexpr int kFormFontTenthsOfPoint = 100;
constexpr int kTenthsPerInch = 720;
constexpr const wchar_t* kFormFontFace = L"宋体";

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

FormPanel::FormPanel(HINSTANCE instance, HWND frame, Typed typed) : m_frame(frame), m_typed(std::move(typed)) {
    m_panel = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FORM_PANEL), frame, panelProc,
                                 reinterpret_cast<LPARAM>(this));
    fitToFrame(0);
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

INT_PTR CALLBACK FormPanel::panelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(panel, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<FormPanel*>(GetWindowLongPtrW(panel, DWLP_USER));
    if (self != nullptr && message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && !self->m_filling) {
        const int j = LOWORD(wParam) - FormGeometry::kEditIdBase;
        if (j >= 1 && static_cast<std::size_t>(j) <= self->m_edits.size()) {
            self->m_typed(static_cast<std::size_t>(j), utf8Of(windowText(reinterpret_cast<HWND>(lParam))));
        }
        return TRUE;
    }
    return FALSE;
}

void FormPanel::fitToFrame(int columns) {
    RECT client{};
    GetClientRect(m_frame, &client);
    const int width = std::max<int>(client.right, columns * FormGeometry::kColumnWidth);
    MoveWindow(m_panel, -m_position, 0, width, client.bottom, TRUE);
}

void FormPanel::rebuild(const RecordForm& form) {
    for (HWND window : m_labels) {
        DestroyWindow(window);
    }
    for (HWND window : m_edits) {
        DestroyWindow(window);
    }
    m_labels.clear();
    m_edits.clear();
    m_position = 0;
    m_columns = form.columnCount();
    fitToFrame(m_columns);
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(m_panel, GWLP_HINSTANCE));
    using namespace FormGeometry;
    m_filling = true;
    for (std::size_t j = 1; j <= form.fieldCount(); ++j) {
        const Cell cell = cellOf(j);
        const int x = cell.column * kColumnWidth;
        const int y = cell.row * kRowHeight;
        HWND label = CreateWindowExW(0, L"STATIC", wideOf(form.field(j).label).c_str(),
                                     WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, x, y, kLabelWidth,
                                     kRowHeight, m_panel,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelIdBase + static_cast<int>(j))),
                                     instance, nullptr);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
        if (RecordForm::isReadOnly(j)) {
            style |= ES_READONLY;
        }
        HWND edit = CreateWindowExW(0, L"EDIT", L"", style, x + kLabelWidth, y, kEditWidth, kRowHeight, m_panel,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditIdBase + static_cast<int>(j))),
                                    instance, nullptr);
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        m_labels.push_back(label);
        m_edits.push_back(edit);
    }
    m_filling = false;
}

void FormPanel::refill(const RecordForm& form) {
    m_filling = true;
    for (std::size_t j = 1; j <= form.fieldCount() && j <= m_edits.size(); ++j) {
        // Set even when equal, which also forgets the box's undo: Ctrl+Z in it never brings back
        // what was typed for another field or record.
        SetWindowTextW(m_edits[j - 1], wideOf(form.text(j)).c_str());
    }
    m_filling = false;
}

void FormPanel::scrollTo(int position) {
    m_position = std::max(0, position);
    fitToFrame(m_columns);
}

bool FormPanel::isEditableBox(HWND window) const {
    for (std::size_t j = 1; j <= m_edits.size(); ++j) {
        if (m_edits[j - 1] == window) {
            return !RecordForm::isReadOnly(j);
        }
    }
    return false;
}

} // namespace spawn::win32
