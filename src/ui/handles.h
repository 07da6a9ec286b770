// Owners of Win32 handles: one template, one traits type per kind of handle.
// Owners are movable, never copyable, and release on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace ui {

template <class Traits>
class TOwned {
 public:
  using Handle = typename Traits::Handle;
  TOwned() = default;
  explicit TOwned(Handle h) : FH(h) {}
  ~TOwned() { Reset(); }
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;
  TOwned(TOwned&& o) noexcept : FH(o.Release()) {}
  TOwned& operator=(TOwned&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }

  Handle Get() const { return FH; }
  explicit operator bool() const { return FH != Handle(); }
  Handle Release() { return std::exchange(FH, Handle()); }
  void Reset(Handle h = Handle()) {
    if (FH != Handle()) Traits::Close(FH);
    FH = h;
  }
  // For out-parameters: releases what is held and hands out the slot.
  Handle* Put() {
    Reset();
    return &FH;
  }

 private:
  Handle FH = Handle();
};

struct TGdiTraits {
  using Handle = HGDIOBJ;
  static void Close(Handle h) { DeleteObject(h); }
};
struct TFontTraits {
  using Handle = HFONT;
  static void Close(Handle h) { DeleteObject(h); }
};
struct TKeyTraits {
  using Handle = HKEY;
  static void Close(Handle h) { RegCloseKey(h); }
};
struct TMenuTraits {
  using Handle = HMENU;
  static void Close(Handle h) { DestroyMenu(h); }
};
struct TAccelTraits {
  using Handle = HACCEL;
  static void Close(Handle h) { DestroyAcceleratorTable(h); }
};
struct TIconTraits {
  using Handle = HICON;
  static void Close(Handle h) { DestroyIcon(h); }
};
struct TKernelTraits {
  using Handle = HANDLE;
  static void Close(Handle h) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
struct TGlobalTraits {
  using Handle = HGLOBAL;
  static void Close(Handle h) { GlobalFree(h); }
};
struct TWindowTraits {
  using Handle = HWND;
  static void Close(Handle h) {
    if (IsWindow(h)) DestroyWindow(h);
  }
};

struct TDcTraits {
  using Handle = HDC;
  static void Close(Handle h) { DeleteDC(h); }
};

using TGdiObject = TOwned<TGdiTraits>;
using TFont = TOwned<TFontTraits>;
using TRegKey = TOwned<TKeyTraits>;
using TMenuHandle = TOwned<TMenuTraits>;
using TAccelTable = TOwned<TAccelTraits>;
using TIconHandle = TOwned<TIconTraits>;
using TKernelHandle = TOwned<TKernelTraits>;
using TWindowHandle = TOwned<TWindowTraits>;
using TDeviceContext = TOwned<TDcTraits>;  // made with CreateDC (a printer's)
using TGlobalMemory = TOwned<TGlobalTraits>;

// A device context got with GetDC, given back with ReleaseDC.
class TWindowDC {
 public:
  explicit TWindowDC(HWND wnd) : FWnd(wnd), FDc(GetDC(wnd)) {}
  ~TWindowDC() {
    if (FDc) ReleaseDC(FWnd, FDc);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return FDc; }

 private:
  HWND FWnd;
  HDC FDc;
};

}  // namespace ui
