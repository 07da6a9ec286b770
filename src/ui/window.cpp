#include "ui/window.h"

#include <commctrl.h>

#include "ui/message_box.h"
#include "ui/wintext.h"

namespace ui {

namespace {

const wchar_t kClassName[] = L"PkdWindow";
const wchar_t kControlProp[] = L"PkdControl";
constexpr UINT_PTR kSubclassId = 0x504B44;  // "PKD"

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
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
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
    self->hwnd_ = wnd;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    auto timer = msg == WM_TIMER ? self->timers_.find(wp) : self->timers_.end();
    if (timer != self->timers_.end()) timer->second->Fire();
    else result = self->WndProc(msg, wp, lp);
  } catch (const std::exception& e) {
    // A handler's failure is shown and the program goes on; it never
    // unwinds through the system's frames.
    ShowException(e);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
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
  const UINT_PTR id = nextTimerId_++;
  timers_[id] = timer;
  return id;
}

void TWindow::RemoveTimer(UINT_PTR id) { timers_.erase(id); }

// ---- TTimer

void TTimer::Start() {
  Stop();
  if (!owner_.Handle()) return;
  id_ = owner_.AddTimer(this);
  if (!SetTimer(owner_.Handle(), id_, interval_, nullptr)) {
    owner_.RemoveTimer(id_);
    id_ = 0;
  }
}

void TTimer::Stop() {
  if (!id_) return;
  if (owner_.Handle()) KillTimer(owner_.Handle(), id_);
  owner_.RemoveTimer(id_);
  id_ = 0;
}

void TTimer::Fire() {
  Stop();
  if (OnTimer) OnTimer();
}

// ---- TControl

TControl::~TControl() {
  if (hooked_ && IsWindow(hooked_)) RemoveWindowSubclass(hooked_, &TControl::SubclassProc, kSubclassId);
  if (hwnd_ && IsWindow(hwnd_)) {
    RemoveWindowSubclass(hwnd_, &TControl::SubclassProc, kSubclassId);
    RemovePropW(hwnd_, kControlProp);
  }
}

TControl* TControl::FromHandle(HWND wnd) { return static_cast<TControl*>(GetPropW(wnd, kControlProp)); }

HWND TControl::CreateControl(const wchar_t* className, const std::string& caption, DWORD style, DWORD exStyle,
                             HWND parent, int id) {
  hwnd_ = CreateWindowExW(exStyle, className, Wide(caption).c_str(), style | WS_CHILD, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (hwnd_) {
    SetPropW(hwnd_, kControlProp, this);
    AttachHook();
  }
  return hwnd_;
}

void TControl::DetachHook() {
  if (hwnd_) RemoveWindowSubclass(hwnd_, &TControl::SubclassProc, kSubclassId);
}

void TControl::AttachHook() {
  if (hwnd_) SetWindowSubclass(hwnd_, &TControl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TControl::HookKeys(HWND wnd) {
  if (!wnd || wnd == hwnd_) return;
  hooked_ = wnd;
  SetWindowSubclass(wnd, &TControl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TControl::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<TControl*>(data);
  try {
    return self->HandleSubclassed(wnd, msg, wp, lp);
  } catch (const std::exception& e) {
    ShowException(e);
    return 0;
  }
}

LRESULT TControl::HandleSubclassed(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TControl* self = this;
  LRESULT result = 0;
  if (self->Intercept(wnd, msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_KEYDOWN:
      if (self->OnKeyDown && self->OnKeyDown(static_cast<WORD>(wp), ShiftState())) return 0;
      break;
    case WM_CHAR:
      if (self->OnKeyPress) {
        const wchar_t wide = static_cast<wchar_t>(wp);
        std::string narrow = Narrow(&wide, 1);
        // A character without a Windows-1250 form goes to the control untouched.
        if (narrow.size() == 1 && (narrow[0] != '?' || wide == L'?')) {
          char key = narrow[0];
          if (self->OnKeyPress(key)) return 0;
          const std::wstring back = Wide(std::string(1, key));
          wp = back.empty() ? wp : static_cast<WPARAM>(back[0]);
        }
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(wnd, &TControl::SubclassProc, kSubclassId);
      if (wnd == self->hwnd_) {
        RemovePropW(wnd, kControlProp);
        self->hwnd_ = nullptr;
      } else if (wnd == self->hooked_) {
        self->hooked_ = nullptr;
      }
      break;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

void TControl::SetBounds(int x, int y, int w, int h) {
  if (hwnd_) SetWindowPos(hwnd_, nullptr, x, y, w < 0 ? 0 : w, h < 0 ? 0 : h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetVisible(bool visible) {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Visible() const { return hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void TControl::SetFocus() {
  if (hwnd_) ::SetFocus(hwnd_);
}

bool TControl::Focused() const {
  const HWND focus = GetFocus();
  return hwnd_ && focus && (focus == hwnd_ || IsChild(hwnd_, focus));
}

void TControl::SetFont(HFONT font) {
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::string TControl::Text() const { return WindowText(hwnd_); }

void TControl::SetText(const std::string& s) { SetWindowText1250(hwnd_, s); }

}  // namespace ui
