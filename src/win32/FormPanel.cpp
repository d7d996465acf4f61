#include "FormPanel.h"

#include "RecordForm.h"
#include "ResourceIds.h"
#include "WideText.h"

#include <algorithm>

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

// Gives a control its text. A box that already shows it keeps it and only forgets its undo, so
// that Ctrl+Z in it never brings back what was typed for another field or record; writing the same
// text again would cost Wine's edit control as much as a new one.
void showText(HWND control, const std::wstring& text, bool isBox) {
    if (windowText(control) != text) {
        SetWindowTextW(control, text.c_str());
    } else if (isBox) {
        SendMessageW(control, EM_EMPTYUNDOBUFFER, 0, 0);
    }
}

// The panel drawn once, when a change of many of its controls is done, rather than after each.
class Redrawing {
public:
    explicit Redrawing(HWND panel) : m_panel(panel) { SendMessageW(m_panel, WM_SETREDRAW, FALSE, 0); }
    ~Redrawing() {
        SendMessageW(m_panel, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(m_panel, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    Redrawing(const Redrawing&) = delete;
    Redrawing& operator=(const Redrawing&) = delete;

private:
    HWND m_panel;
};

} // namespace

FormPanel::FormPanel(HINSTANCE instance, HWND frame, Typed typed) : m_frame(frame), m_typed(std::move(typed)) {
    m_panel = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FORM_PANEL), frame, panelProc,
                                 reinterpret_cast<LPARAM>(this));
    fitToFrame();
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
    if (self != nullptr && message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && !self->m_filling &&
        self->m_form != nullptr) {
        const int j = LOWORD(wParam) - FormGeometry::kEditIdBase;
        if (j >= 1 && static_cast<std::size_t>(j) <= self->m_form->fieldCount()) {
            self->m_typed(static_cast<std::size_t>(j), utf8Of(windowText(reinterpret_cast<HWND>(lParam))));
        }
        return TRUE;
    }
    return FALSE;
}

void FormPanel::fitToFrame() {
    RECT client{};
    GetClientRect(m_frame, &client);
    MoveWindow(m_panel, -m_position, 0, client.right + m_position, client.bottom, TRUE);
}

FormPanel::Column FormPanel::makeColumn() {
    using namespace FormGeometry;
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(m_panel, GWLP_HINSTANCE));
    Column column;
    for (int row = 0; row < kAreaRows; ++row) {
        HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_RIGHT | SS_CENTERIMAGE, 0, 0, kLabelWidth,
                                     kRowHeight, m_panel, nullptr, instance, nullptr);
        HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, kEditWidth,
                                    kRowHeight, m_panel, nullptr, instance, nullptr);
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        column.labels.push_back(label);
        column.edits.push_back(edit);
    }
    return column;
}

void FormPanel::rebuild(const RecordForm& form) {
    m_form = &form;
    m_position = 0;
    for (Column& column : m_columns) {
        column.formColumn = -1;
    }
    const Redrawing quiet(m_panel);
    fitToFrame();
    realise();
}

void FormPanel::refill(const RecordForm& form) {
    m_form = &form;
    const Redrawing quiet(m_panel);
    m_filling = true;
    for (Column& column : m_columns) {
        for (std::size_t row = 0; column.formColumn >= 0 && row < column.edits.size(); ++row) {
            const std::size_t j = FormGeometry::fieldAt(column.formColumn, static_cast<int>(row), form.fieldCount());
            if (j != 0) {
                showText(column.edits[row], wideOf(form.text(j)), true);
            }
        }
    }
    m_filling = false;
}

void FormPanel::scrollTo(int position) {
    m_position = std::max(0, position);
    const Redrawing quiet(m_panel);
    fitToFrame();
    realise();
}

void FormPanel::realise() {
    using namespace FormGeometry;
    RECT client{};
    GetClientRect(m_frame, &client);
    const bool any = m_form != nullptr && !m_form->isEmpty();
    const int first = m_position / kColumnWidth;
    const int width = static_cast<int>(client.right);
    const int last = any ? std::min(m_form->columnCount() - 1, (m_position + width - 1) / kColumnWidth) : -1;
    // Columns that scrolled out of view are free for the ones that came in.
    realiseColumns(
        m_columns, first, last, [this] { return makeColumn(); },
        [this](Column& column, int formColumn) { showColumn(column, formColumn); });
    for (Column& column : m_columns) {
        if (column.formColumn < 0) {
            for (std::size_t row = 0; row < column.edits.size(); ++row) {
                ShowWindow(column.labels[row], SW_HIDE);
                ShowWindow(column.edits[row], SW_HIDE);
                SetWindowLongPtrW(column.labels[row], GWLP_ID, 0);
                SetWindowLongPtrW(column.edits[row], GWLP_ID, 0);
            }
        }
    }
}

void FormPanel::showColumn(Column& column, int formColumn) {
    using namespace FormGeometry;
    column.formColumn = formColumn;
    m_filling = true;
    for (std::size_t row = 0; row < column.edits.size(); ++row) {
        HWND label = column.labels[row];
        HWND edit = column.edits[row];
        const std::size_t j = fieldAt(formColumn, static_cast<int>(row), m_form->fieldCount());
        if (j == 0) {
            ShowWindow(label, SW_HIDE);
            ShowWindow(edit, SW_HIDE);
            SetWindowLongPtrW(label, GWLP_ID, 0);
            SetWindowLongPtrW(edit, GWLP_ID, 0);
            continue;
        }
        const int x = kColumnWidth * formColumn;
        const int y = kRowHeight * static_cast<int>(row);
        const FormFieldState& field = m_form->field(j);
        SetWindowLongPtrW(label, GWLP_ID, kLabelIdBase + static_cast<LONG_PTR>(j));
        SetWindowLongPtrW(edit, GWLP_ID, kEditIdBase + static_cast<LONG_PTR>(j));
        showText(label, wideOf(field.label), false);
        showText(edit, wideOf(field.text), true);
        SendMessageW(edit, EM_SETREADONLY, RecordForm::isReadOnly(j) ? TRUE : FALSE, 0);
        SetWindowPos(label, nullptr, x, y, kLabelWidth, kRowHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetWindowPos(edit, nullptr, x + kLabelWidth, y, kEditWidth, kRowHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    m_filling = false;
}

bool FormPanel::isEditableBox(HWND window) const {
    if (window == nullptr || GetParent(window) != m_panel) {
        return false;
    }
    const int j = GetDlgCtrlID(window) - FormGeometry::kEditIdBase;
    return j >= 1 && m_form != nullptr && static_cast<std::size_t>(j) <= m_form->fieldCount() &&
           !RecordForm::isReadOnly(static_cast<std::size_t>(j));
}

} // namespace spawn::win32
