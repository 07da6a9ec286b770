#include "ui/dpi.h"

#include "ui/handles.h"

namespace ui {

int DpiOf(HWND wnd) {
  // GetDpiForWindow exists from Windows 10 on; older systems have one DPI for all.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && wnd) {
    const UINT dpi = getDpiForWindow(wnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  TWindowDC dc(nullptr);
  const int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : kDesignDpi;
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace ui
