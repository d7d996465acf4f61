#pragma once

// The record form's panel: the child dialog from template 129 inside frame 1001 of the "Options"
// group, with a label and an edit box for each field of the form in view, in the form font. It
// draws the editing core's form and hands the user's typing back to it. Only the columns in view
// have controls, and columns that scroll out of view are given to those that come in, so a record
// of 100 entries costs no more windows than one of two.

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
    // The controls of one column of the grid: a label and a box per row.
    struct Column {
        std::vector<HWND> labels;
        std::vector<HWND> edits;
        int formColumn = -1; // the form's column it shows, -1 for none (hidden)
    };

    static INT_PTR CALLBACK panelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
    void fitToFrame();
    // Gives the columns in view their controls, and takes them from those out of view.
    void realise();
    void showColumn(Column& column, int formColumn);
    Column makeColumn();

    HWND m_frame;
    HWND m_panel = nullptr;
    HFONT m_font = nullptr;
    std::wstring m_fontFace;
    Typed m_typed;
    const RecordForm* m_form = nullptr; // the form last drawn
    std::vector<Column> m_columns;
    int m_position = 0;
    bool m_filling = false; // the program writes the boxes: no typing
};

} // namespace spawn::win32
