#pragma once

// The record form's panel: the child dialog from template 129 that fills the client area of frame
// 1001 in the "Options" group, and the form font its labels and boxes use.

#include <windows.h>

#include <string>

namespace spawn::win32 {

class FormPanel {
public:
    FormPanel(HINSTANCE instance, HWND frame);
    ~FormPanel();
    FormPanel(const FormPanel&) = delete;
    FormPanel& operator=(const FormPanel&) = delete;

    HWND window() const { return m_panel; }
    HFONT font() const { return m_font; }
    // The face the form font took: "宋体" where it is installed, the system's message font where not.
    const std::wstring& fontFace() const { return m_fontFace; }

private:
    HWND m_panel = nullptr;
    HFONT m_font = nullptr;
    std::wstring m_fontFace;
};

} // namespace spawn::win32
