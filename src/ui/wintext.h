// Windows-1250 <-> UTF-16 at the boundary of the window API. Every control
// takes and gives Windows-1250 std::strings; only these two functions meet
// the W forms of the API.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

std::wstring Wide(const std::string& s);
std::string Narrow(const wchar_t* s, size_t length);
std::string Narrow(const std::wstring& s);
// The text of a window (WM_GETTEXT), as Windows-1250.
std::string WindowText(HWND wnd);
void SetWindowText1250(HWND wnd, const std::string& s);

}  // namespace ui
