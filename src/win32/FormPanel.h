#pragma once

// The record form's panel: the child dialog from template 129 inside frame 1001 of the "Options"
// group, with a label and an edit box for every field of the form, in the form font. It draws the
// editing core's form and hands the user's typing back to it.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace spawn {
class RecordForm;
}

namespace spawn::win32 {

class FormPanel {
public:
    // `typed(j, text)` runs when the user changes the text of field j's box (1-based), UTF-8.
    using Typed = std::function<void(std::size_t, std::string)>;

    FormPanel(HINSTANCE instance, HWND frame, Typed typed);
    ~FormPanel();
    FormPanel(const FormPanel&) = delete;
    FormPanel& operator=(const FormPanel&) = delete;

    HWND window() const { return m_panel; }
    HFONT font() const { return m_font; }
    // The face the form font took: "宋体" where it is installed, the system's message font where not.
    const std::wstring& fontFace() const { return m_fontFace; }

    // Makes a label and a box for each field of `form`, dropping the old ones, unscrolled.
    void rebuild(const RecordForm& form);
    // Writes every box's text from the form.
    void refill(const RecordForm& form);
    // Shows the form from this many pixels to the right of its start.
    void scrollTo(int position);
    // Whether `window` is one of the form's boxes and may be typed into.
    bool isEditableBox(HWND window) const;

private:
    static INT_PTR CALLBACK panelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
    void fitToFrame(int columns);

    HWND m_frame;
    HWND m_panel = nullptr;
    HFONT m_font = nullptr;
    std::wstring m_fontFace;
    Typed m_typed;
    std::vector<HWND> m_labels; // field j's at j - 1
    std::vector<HWND> m_edits;
    int m_columns = 0;
    int m_position = 0;
    bool m_filling = false; // the program writes the boxes: no typing
};

} // namespace spawn::win32
