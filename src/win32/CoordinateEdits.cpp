#include "CoordinateEdits.h"

#include "WideText.h"

#include <commctrl.h>

namespace spawn::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

// The input by which a user changes an edit box's text; anything else that changes it (WM_SETTEXT
// from code) is not typing.
bool isUserEdit(UINT message) {
    switch (message) {
    case WM_CHAR:
    case WM_KEYDOWN: // Delete
    case WM_IME_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
        return true;
    default:
        return false;
    }
}

} // namespace

CoordinateEdits::CoordinateEdits(HWND dialog, MapMarker& marker) : m_marker(marker) {
    for (std::size_t i = 0; i < kCoordinateBoxCount; ++i) {
        m_boxes[i] = GetDlgItem(dialog, kCoordinateBoxIds[i]);
        SetWindowSubclass(m_boxes[i], boxProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    CoordinateBoxView& view = *this;
    m_controller = std::make_unique<CoordinateBoxController>(view);
}

CoordinateEdits::~CoordinateEdits() {
    for (HWND box : m_boxes) {
        RemoveWindowSubclass(box, boxProc, kSubclassId);
    }
}

LRESULT CALLBACK CoordinateEdits::boxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    auto* edits = reinterpret_cast<CoordinateEdits*>(self);
    // Enter finishes the box's editing: the box asks the dialog for the key, and takes it instead
    // of the dialog's default action (which does nothing).
    const auto* keyMessage = reinterpret_cast<const MSG*>(lParam);
    if (message == WM_GETDLGCODE && keyMessage != nullptr && keyMessage->message == WM_KEYDOWN &&
        keyMessage->wParam == VK_RETURN) {
        return DefSubclassProc(box, message, wParam, lParam) | DLGC_WANTMESSAGE;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        edits->m_controller->editingFinished();
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') {
        return 0; // a line break is no text of a one-line box
    }
    if (!isUserEdit(message)) {
        return DefSubclassProc(box, message, wParam, lParam);
    }
    const auto outer = edits->m_userEditing;
    edits->m_userEditing = edits->indexOf(box);
    const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
    edits->m_userEditing = outer;
    return result;
}

bool CoordinateEdits::onCommand(int id, int code) {
    std::optional<std::size_t> box;
    for (std::size_t i = 0; i < kCoordinateBoxCount; ++i) {
        if (kCoordinateBoxIds[i] == id) {
            box = i;
        }
    }
    if (!box || !m_controller) {
        return false;
    }
    if (code == EN_CHANGE) {
        m_controller->boxChanged(*box, m_userEditing == box);
    } else if (code == EN_KILLFOCUS) {
        m_controller->editingFinished();
    }
    return true;
}

std::optional<std::size_t> CoordinateEdits::indexOf(HWND box) const {
    for (std::size_t i = 0; i < kCoordinateBoxCount; ++i) {
        if (m_boxes[i] == box) {
            return i;
        }
    }
    return std::nullopt;
}

std::u16string CoordinateEdits::boxText(std::size_t box) const {
    const std::wstring text = windowText(m_boxes[box]);
    return {text.begin(), text.end()};
}

std::size_t CoordinateEdits::boxCaret(std::size_t box) const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(m_boxes[box], EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return end;
}

void CoordinateEdits::setBoxText(std::size_t box, const std::u16string& text, std::size_t caret) {
    const std::wstring wide(text.begin(), text.end());
    SetWindowTextW(m_boxes[box], wide.c_str());
    SendMessageW(m_boxes[box], EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

void CoordinateEdits::placeMapMarker(MapPoint point) {
    m_marker.place(point);
}

} // namespace spawn::win32
