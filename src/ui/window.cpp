#include "ui/window.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_map>

#include "ui/message_box.h"
#include "ui/wintext.h"

namespace ui {

namespace {

const wchar_t kClassName[] = L"PkdWindow";

// A hooked window: the control its key stages go to (nullptr once the
// control is gone while the window stays) and the window procedure before
// ours. Windows belong to the thread that made them, and so does the table.
struct THook {
  TControl* control;
  WNDPROC previous;
};
thread_local std::unordered_map<HWND, THook> tHooks;
// The control behind each window of a control (not its combo box's edit).
thread_local std::unordered_map<HWND, TControl*> tControls;

}  // namespace

unsigned ShiftState() {
  unsigned s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

// ---- TWindow

TWindow::~TWindow() { Destroy(); }

void TWindow::Destroy() {
  if (FHwnd && IsWindow(FHwnd)) DestroyWindow(FHwnd);
  FHwnd = nullptr;
}

TWindow* TWindow::FromHandle(HWND wnd) {
  if (!wnd) return nullptr;
  wchar_t name[32];
  if (!GetClassNameW(wnd, name, 32) || lstrcmpW(name, kClassName) != 0) return nullptr;
  return reinterpret_cast<TWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

bool TWindow::CreateHandle(DWORD exStyle, const std::string& caption, DWORD style, int x, int y, int w, int h,
                           HWND parent, HMENU menuOrId) {
  static const ATOM atom = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TWindow::StaticWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
  }();
  if (!atom) return false;
  const HWND created = CreateWindowExW(exStyle, kClassName, Wide(caption).c_str(), style, x, y, w, h, parent,
                                       menuOrId, GetModuleHandleW(nullptr), this);
  return created != nullptr;
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    self->FHwnd = wnd;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    auto timer = msg == WM_TIMER ? self->FTimers.find(wp) : self->FTimers.end();
    if (timer != self->FTimers.end()) timer->second->Fire();
    else result = self->WndProc(msg, wp, lp);
  } catch (const std::exception& e) {
    // A handler's failure is shown and the program goes on; it never
    // unwinds through the system's frames.
    ShowException(e);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    self->FHwnd = nullptr;
  }
  return result;
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (lp) {
        if (TControl* c = TControl::FromHandle(reinterpret_cast<HWND>(lp))) {
          c->Command(HIWORD(wp));
          return 0;
        }
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (TControl* c = TControl::FromHandle(header->hwndFrom)) return c->Notify(header);
      break;
    }
  }
  return Default(msg, wp, lp);
}

UINT_PTR TWindow::AddTimer(TTimer* timer) {
  const UINT_PTR id = FNextTimerId++;
  FTimers[id] = timer;
  return id;
}

void TWindow::RemoveTimer(UINT_PTR id) { FTimers.erase(id); }

// ---- TTimer

void TTimer::Start() {
  Stop();
  if (!FOwner.Handle()) return;
  FId = FOwner.AddTimer(this);
  if (!SetTimer(FOwner.Handle(), FId, FInterval, nullptr)) {
    FOwner.RemoveTimer(FId);
    FId = 0;
  }
}

void TTimer::Stop() {
  if (!FId) return;
  if (FOwner.Handle()) KillTimer(FOwner.Handle(), FId);
  FOwner.RemoveTimer(FId);
  FId = 0;
}

void TTimer::Fire() {
  Stop();
  if (OnTimer) OnTimer();
}

// ---- TControl

TControl::~TControl() {
  if (FHooked) Unhook(FHooked);
  if (FHwnd) {
    Unhook(FHwnd);
    tControls.erase(FHwnd);
  }
}

TControl* TControl::FromHandle(HWND wnd) {
  const auto found = tControls.find(wnd);
  return found == tControls.end() ? nullptr : found->second;
}

HWND TControl::CreateControl(const wchar_t* className, const std::string& caption, DWORD style, DWORD exStyle,
                             HWND parent, int id) {
  const RECT& b = FBounds;
  if (FCreateHidden) style &= ~WS_VISIBLE;
  FHwnd = CreateWindowExW(exStyle, className, Wide(caption).c_str(), style | WS_CHILD, b.left, b.top,
                          b.right - b.left, b.bottom - b.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (FHwnd) {
    tControls[FHwnd] = this;
    if (const TWindow* owner = TWindow::FromHandle(parent))
      if (const HFONT font = owner->ChildFont()) SendMessageW(FHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Hook(FHwnd);
  }
  return FHwnd;
}

void TControl::HookKeys(HWND wnd) {
  if (!wnd || wnd == FHwnd) return;
  FHooked = wnd;
  Hook(wnd);
}

void TControl::Hook(HWND wnd) {
  if (tHooks.count(wnd)) return;
  // In the table first: the window procedure may be called while it is being set.
  THook& hook = tHooks[wnd];
  hook.control = this;
  hook.previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC));
  SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TControl::HookProc));
}

void TControl::Unhook(HWND wnd) {
  const auto found = tHooks.find(wnd);
  if (found == tHooks.end()) return;
  // Somebody who subclassed the window after us keeps calling our procedure,
  // which then only passes the messages on.
  if (IsWindow(wnd) && GetWindowLongPtrW(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TControl::HookProc)) {
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.previous));
    tHooks.erase(found);
  } else {
    found->second.control = nullptr;
  }
}

LRESULT CALLBACK TControl::HookProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  const auto found = tHooks.find(wnd);
  if (found == tHooks.end()) return DefWindowProcW(wnd, msg, wp, lp);
  const THook hook = found->second;
  if (msg == WM_NCDESTROY) {
    tHooks.erase(found);
    if (hook.control) {
      if (wnd == hook.control->FHwnd) {
        tControls.erase(wnd);
        hook.control->FHwnd = nullptr;
      } else if (wnd == hook.control->FHooked) {
        hook.control->FHooked = nullptr;
      }
    }
    return CallWindowProcW(hook.previous, wnd, msg, wp, lp);
  }
  if (!hook.control) return CallWindowProcW(hook.previous, wnd, msg, wp, lp);
  try {
    return hook.control->HandleHooked(wnd, msg, wp, lp, hook.previous);
  } catch (const std::exception& e) {
    ShowException(e);
    return 0;
  }
}

LRESULT TControl::HandleHooked(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC previous) {
  LRESULT result = 0;
  if (Intercept(wnd, msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_KEYDOWN:
      if (OnKeyDown && OnKeyDown(static_cast<WORD>(wp), ShiftState())) return 0;
      break;
    case WM_CHAR:
      if (OnKeyPress) {
        const wchar_t wide = static_cast<wchar_t>(wp);
        std::string narrow = Narrow(&wide, 1);
        // A character without a Windows-1250 form goes to the control untouched.
        if (narrow.size() == 1 && (narrow[0] != '?' || wide == L'?')) {
          char key = narrow[0];
          if (OnKeyPress(key)) return 0;
          const std::wstring back = Wide(std::string(1, key));
          wp = back.empty() ? wp : static_cast<WPARAM>(back[0]);
        }
      }
      break;
  }
  return CallWindowProcW(previous, wnd, msg, wp, lp);
}

void MoveChild(HWND wnd, int x, int y, int w, int h) {
  if (!wnd) return;
  w = std::max(w, 0);
  h = std::max(h, 0);
  // A move to the same place still costs a round of messages (about a
  // millisecond a control under Wine): a relayout that changes nothing, as
  // at every show of the main window, moves nothing.
  RECT r;
  GetWindowRect(wnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
  if (r.left == x && r.top == y && r.right - r.left == w && r.bottom - r.top == h) return;
  SetWindowPos(wnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetBounds(int x, int y, int w, int h) {
  const RECT wanted = {x, y, x + std::max(w, 0), y + std::max(h, 0)};
  // Only our layout moves a control: the same bounds as last time need no
  // look at the window (a combo box reports its closed height, not the
  // height with its list asked for, and would be moved every time).
  if (FHwnd && EqualRect(&wanted, &FBounds)) return;
  FBounds = wanted;
  if (FHwnd) MoveChild(FHwnd, x, y, w, h);
}

void TControl::SetVisible(bool visible) {
  if (FHwnd) ShowWindow(FHwnd, visible ? SW_SHOWNA : SW_HIDE);
  else FCreateHidden = !visible;
}

bool TControl::Visible() const { return FHwnd && (GetWindowLongW(FHwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

void TControl::SetFocus() {
  if (FHwnd) ::SetFocus(FHwnd);
}

bool TControl::Focused() const {
  const HWND focus = GetFocus();
  return FHwnd && focus && (focus == FHwnd || IsChild(FHwnd, focus));
}

void TControl::SetFont(HFONT font) {
  if (FHwnd) SendMessageW(FHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::string TControl::Text() const { return WindowText(FHwnd); }

void TControl::SetText(const std::string& s) { SetWindowText1250(FHwnd, s); }

}  // namespace ui
