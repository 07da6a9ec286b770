#include "ui/form.h"

#include <vector>

#include "text/cp1250.h"
#include "ui/dispatch.h"
#include "ui/dpi.h"
#include "ui/wintext.h"

namespace ui {

namespace {

// The letter after a single "&" ("&&" is an ampersand), upper-cased; 0 when none.
wchar_t AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') {
      const std::wstring letter = Wide(text::Upper1250(caption.substr(i + 1, 1)));
      return letter.empty() ? 0 : letter[0];
    }
    ++i;
  }
  return 0;
}

}  // namespace

bool TForm::CreateForm(const std::string& caption, int clientWidth, int clientHeight, HMENU menu) {
  return CreateForm(caption, clientWidth, clientHeight, TFormOptions(), menu);
}

bool TForm::CreateForm(const std::string& caption, int clientWidth, int clientHeight, const TFormOptions& options,
                       HMENU menu) {
  FFontWeight = options.FontWeight;
  return CreateStyled(options.ExStyle | WS_EX_CONTROLPARENT, options.Style, nullptr, caption, clientWidth,
                      clientHeight, menu, options.Centred);
}

bool TForm::CreatePopupForm(HWND owner, int clientWidth, int clientHeight) {
  return CreateStyled(WS_EX_CONTROLPARENT, WS_POPUP | WS_CLIPCHILDREN, owner, "", clientWidth, clientHeight, nullptr);
}

bool TForm::CreateStyled(DWORD exStyle, DWORD style, HWND owner, const std::string& caption, int clientWidth,
                         int clientHeight, HMENU menu, bool centred) {
  // Created in its size and place at once: under Wine every later move of a
  // top-level window also goes to the X server. The screen's resolution
  // stands for the window's until the window is there to ask.
  FDpi = DpiOf(nullptr);
  MakeFont();
  auto outer = [&] {
    RECT r = {0, 0, S(clientWidth), S(clientHeight)};
    AdjustWindowRectEx(&r, style, menu != nullptr, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
  };
  auto centre = [](SIZE size) {
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& area = mi.rcMonitor;
    return POINT{area.left + (area.right - area.left - size.cx) / 2, area.top + (area.bottom - area.top - size.cy) / 2};
  };
  SIZE size = outer();
  POINT at = centred ? centre(size) : POINT{CW_USEDEFAULT, CW_USEDEFAULT};
  if (!CreateHandle(exStyle, caption, style, at.x, at.y, size.cx, size.cy, owner, menu)) return false;
  const int dpi = DpiOf(Handle());
  if (dpi != FDpi) {
    FDpi = dpi;
    MakeFont();
    size = outer();
    at = centre(size);
    SetWindowPos(Handle(), nullptr, at.x, at.y, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | (centred ? 0 : SWP_NOMOVE));
  }
  return true;
}

void TForm::MakeFont() {
  // MS Sans Serif 8 pt at the window's resolution.
  FFont.Reset(::CreateFontW(-MulDiv(8, FDpi, 72), 0, 0, 0, FFontWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                          L"MS Sans Serif"));
}

void TForm::ApplyFont() {
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), TRUE);
}

void TForm::Show() {
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

int TForm::ShowModal() {
  ModalResult = mrNone;
  Show();
  PumpUntil([this] { return ModalResult != mrNone || !Handle() || FReleaseRequested; });
  if (ModalResult == mrNone) ModalResult = mrCancel;
  if (Handle()) Hide();
  return ModalResult;
}

void TForm::SetCaption(const std::string& caption) { SetWindowText1250(Handle(), caption); }

void TForm::CenterOnScreen() {
  RECT r;
  GetWindowRect(Handle(), &r);
  MONITORINFO mi = {};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &mi);
  const RECT& area = mi.rcMonitor;
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(Handle(), nullptr, area.left + (area.right - area.left - w) / 2,
               area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::AddLabelAccelerator(const std::string& caption, TControl& target) {
  const size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size()) return;
  const std::wstring letter = Wide(text::Upper1250(caption.substr(amp + 1, 1)));
  if (!letter.empty()) FLabelKeys.emplace_back(letter[0], &target);
}

bool TForm::WantsDialogKey(WORD key) const {
  // An open drop-down list takes Enter and Escape to close itself.
  if (key != VK_RETURN && key != VK_ESCAPE) return false;
  for (HWND w = GetFocus(); w && w != Handle(); w = GetParent(w)) {
    wchar_t cls[32];
    if (GetClassNameW(w, cls, 32) && lstrcmpiW(cls, L"ComboBox") == 0 && SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0))
      return true;
  }
  return false;
}

bool TForm::MoveFocus(bool backwards) {
  HWND focus = GetFocus();
  // Tab order runs over our direct children; a combo box's edit counts as its combo box.
  while (focus && GetParent(focus) != Handle()) focus = GetParent(focus);
  HWND next = GetNextDlgTabItem(Handle(), focus, backwards);
  if (!next) return false;
  ::SetFocus(next);
  return true;
}

bool TForm::PreTranslate(MSG& msg) {
  if (FAccelerators && TranslateAcceleratorW(Handle(), FAccelerators.Get(), &msg)) return true;
  if (msg.message == WM_KEYDOWN) {
    const WORD key = static_cast<WORD>(msg.wParam);
    const unsigned shift = ShiftState();
    if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) return MoveFocus((shift & ssShift) != 0);
    if ((key == VK_RETURN || key == VK_ESCAPE) && !(shift & ssAlt) && !WantsDialogKey(key)) {
      TButton* button = key == VK_RETURN ? FDefaultButton : FCancelButton;
      // Enter on a focused button presses that button, as in a dialog.
      if (key == VK_RETURN)
        if (auto* focused = dynamic_cast<TButton*>(TControl::FromHandle(GetFocus()))) button = focused;
      if (button && button->Handle() && IsWindowVisible(button->Handle()) && IsWindowEnabled(button->Handle())) {
        button->PerformClick();
        return true;
      }
    }
  } else if (msg.message == WM_SYSCHAR) {
    const std::wstring typed(1, static_cast<wchar_t>(msg.wParam));
    const std::wstring upper = Wide(text::Upper1250(Narrow(typed)));
    for (auto& entry : FLabelKeys) {
      if (!upper.empty() && entry.first == upper[0] && entry.second->Handle() &&
          IsWindowVisible(entry.second->Handle())) {
        entry.second->SetFocus();
        return true;
      }
    }
    for (HWND child = GetWindow(Handle(), GW_CHILD); child && !upper.empty(); child = GetWindow(child, GW_HWNDNEXT)) {
      auto* button = dynamic_cast<TButton*>(TControl::FromHandle(child));
      if (button && IsWindowVisible(child) && IsWindowEnabled(child) && AcceleratorOf(button->Text()) == upper[0]) {
        button->PerformClick();
        return true;
      }
    }
  }
  return false;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      if (!CloseQuery()) return 0;
      Closed();
      if (IsMainForm) {
        FReleaseRequested = true;
        PostMessageW(Handle(), WM_NULL, 0, 0);  // wakes the main loop to carry it out
      } else {
        Hide();
      }
      return 0;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) Resized();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      if (FMinWidth > 0) info->ptMinTrackSize.x = S(FMinWidth);
      if (FMinHeight > 0) info->ptMinTrackSize.y = S(FMinHeight);
      return 0;
    }
    case WM_DPICHANGED: {
      const int old = FDpi;
      FDpi = HIWORD(wp);
      MakeFont();
      ApplyFont();
      DpiChanged(old);
      const RECT* r = reinterpret_cast<RECT*>(lp);
      SetWindowPos(Handle(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_ACTIVATE:
      // Like a dialog: the control that had the focus gets it back.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) FLastFocus = focus;
      } else if (FLastFocus && IsWindow(FLastFocus) && IsChild(Handle(), FLastFocus)) {
        ::SetFocus(FLastFocus);
        return 0;
      }
      break;
    case WM_COMMAND:
      if (lp == 0) {  // a menu entry or an accelerator
        MenuCommand(LOWORD(wp));
        return 0;
      }
      break;
  }
  return TWindow::WndProc(msg, wp, lp);
}

// ---- TDialog

bool TDialog::CreateDialogForm(HWND owner, const std::string& caption, int clientWidth, int clientHeight) {
  return CreateStyled(WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                      owner, caption, clientWidth, clientHeight, nullptr);
}

namespace {
// The dialogs inside ShowModal, innermost last.
std::vector<TDialog*>& ModalDialogs() {
  static std::vector<TDialog*> dialogs;
  return dialogs;
}
}  // namespace

int TDialog::OpenModalCount() { return static_cast<int>(ModalDialogs().size()); }

void TDialog::EndAllModal() {
  const std::vector<TDialog*> open = ModalDialogs();
  for (auto d = open.rbegin(); d != open.rend(); ++d) (*d)->EndModal();
}

void TDialog::EndModal() {
  if (ModalResult == mrNone) ModalResult = mrCancel;
  // The owner first, so that the activation goes back to it.
  if (FDisabledOwner) EnableWindow(FDisabledOwner, TRUE);
  FDisabledOwner = nullptr;
  if (Handle()) Hide();
}

int TDialog::ShowModal() {
  const HWND owner = Owner();
  FDisabledOwner = owner && IsWindowEnabled(owner) ? owner : nullptr;
  if (FDisabledOwner) EnableWindow(FDisabledOwner, FALSE);
  ModalResult = mrNone;
  struct TRegistered {
    TDialog* D;
    explicit TRegistered(TDialog* d) : D(d) { ModalDialogs().push_back(d); }
    ~TRegistered() {
      auto& open = ModalDialogs();
      for (auto i = open.begin(); i != open.end(); ++i)
        if (*i == D) {
          open.erase(i);
          break;
        }
      D->EndModal();
    }
  } registered(this);
  Show();
  PumpUntil([this] { return ModalResult != mrNone || !Handle() || ReleaseRequested(); });
  if (ModalResult == mrNone) ModalResult = mrCancel;
  return ModalResult;
}

void PaintBevelPanel(HWND wnd, const RECT& panel) {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(wnd, &ps);
  RECT edge = panel;
  DrawEdge(dc, &edge, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
  EndPaint(wnd, &ps);
}

int RunMainLoop(TForm& mainForm) {
  mainForm.IsMainForm = true;
  MSG msg;
  int code = 0;
  while (!mainForm.ReleaseRequested() && mainForm.Handle()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(msg.wParam);
      break;
    }
    if (got < 0) break;
    ProcessMessage(msg);
  }
  mainForm.Destroy();
  return code;
}

}  // namespace ui
