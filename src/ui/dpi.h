// Sizes are designed at 96 dots per inch and scaled to the window's DPI.
#pragma once

#include <windows.h>

namespace ui {

constexpr int kDesignDpi = 96;

// DPI of the monitor the window is on (per-monitor aware), else of the screen.
int DpiOf(HWND wnd);
inline int Scale(int designPixels, int dpi) { return MulDiv(designPixels, dpi, kDesignDpi); }

}  // namespace ui
