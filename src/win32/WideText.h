#pragma once

// The window's edge: the program's texts are UTF-8, Windows' W functions take UTF-16.

#include <windows.h>

#include <string>
#include <string_view>

namespace spawn::win32 {

std::wstring wideOf(std::string_view utf8);
std::string utf8Of(std::wstring_view wide);

// The text of a window or control.
std::wstring windowText(HWND window);

} // namespace spawn::win32
