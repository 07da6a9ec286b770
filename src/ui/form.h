// A top-level window with controls: font and DPI, default and cancel buttons,
// label accelerators, keyboard accelerators, Tab navigation, a minimum size,
// modal show with a modal result, and closing.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/controls.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace ui {

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// The frame and font of a form; the default is a sizeable window with the
// normal font. WS_EX_CONTROLPARENT is always added, for Tab.
struct TFormOptions {
  DWORD Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  DWORD ExStyle = 0;
  int FontWeight = FW_NORMAL;
  // Created centred on the primary screen (as CenterOnScreen places it).
  bool Centred = false;
};

class TForm : public TWindow {
 public:
  // clientWidth/clientHeight are 96-DPI sizes of the client area.
  bool CreateForm(const std::string& caption, int clientWidth, int clientHeight, HMENU menu = nullptr);
  bool CreateForm(const std::string& caption, int clientWidth, int clientHeight, const TFormOptions& options,
                  HMENU menu = nullptr);
  // A borderless pop-up window owned by owner, created hidden (a drop-down list).
  bool CreatePopupForm(HWND owner, int clientWidth, int clientHeight);
  HWND Owner() const { return GetWindow(Handle(), GW_OWNER); }
  void SetOwner(HWND owner) { SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner)); }

  virtual void Show();
  void Hide() { ShowWindow(Handle(), SW_HIDE); }
  bool Visible() const { return Handle() && IsWindowVisible(Handle()); }
  // Shows the window and waits, handling messages, until a modal result is set.
  virtual int ShowModal();
  // As the close box does.
  void Close() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }
  void SetCaption(const std::string& caption);
  void CenterOnScreen();

  int ModalResult = mrNone;
  // The main form's close is a request to end the program, carried out by the
  // main loop (not by a nested wait).
  bool IsMainForm = false;
  bool ReleaseRequested() const { return FReleaseRequested; }

  int Dpi() const { return FDpi; }
  int S(int designPixels) const { return MulDiv(designPixels, FDpi, 96); }
  HFONT Font() const { return FFont.Get(); }
  HFONT ChildFont() const override { return FFont.Get(); }

  // Enter and Escape trigger these while they are visible and enabled.
  void SetDefaultButton(TButton* b) { FDefaultButton = b; }
  void SetCancelButton(TButton* b) { FCancelButton = b; }
  // Alt + the letter after "&" in the label's caption focuses target. Alt +
  // the letter after "&" in a visible, enabled button's caption presses it.
  void AddLabelAccelerator(const std::string& caption, TControl& target);
  void SetAccelerators(HACCEL table) { FAccelerators.Reset(table); }
  void SetMinSize(int width, int height) { FMinWidth = width, FMinHeight = height; }

  // Keyboard handling before the focused control sees a message; true when
  // the message was used up. Called by the one message-dispatch function.
  bool PreTranslate(MSG& msg) override;

 protected:
  bool CreateStyled(DWORD exStyle, DWORD style, HWND owner, const std::string& caption, int clientWidth,
                    int clientHeight, HMENU menu, bool centred = false);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  virtual bool CloseQuery() { return true; }
  virtual void Closed() {}   // after the close was allowed
  virtual void Resized() {}  // after every change of the client size
  virtual void DpiChanged(int /*oldDpi*/) {}
  virtual void MenuCommand(WORD /*id*/) {}
  // True when the focused control handles Enter or Escape itself (an open list).
  virtual bool WantsDialogKey(WORD key) const;
  void ApplyFont();

 private:
  void MakeFont();
  bool MoveFocus(bool backwards);
  std::vector<std::pair<wchar_t, TControl*>> FLabelKeys;
  TButton* FDefaultButton = nullptr;
  TButton* FCancelButton = nullptr;
  TAccelTable FAccelerators;
  TFont FFont;
  int FDpi = 96;
  int FFontWeight = FW_NORMAL;
  int FMinWidth = 0, FMinHeight = 0;
  bool FReleaseRequested = false;
  HWND FLastFocus = nullptr;
};

// A modal dialog: fixed border, caption and close box, owned by the window
// that opens it, which stays disabled while the dialog is shown. The close
// box gives the modal result "cancel".
class TDialog : public TForm {
 public:
  bool CreateDialogForm(HWND owner, const std::string& caption, int clientWidth, int clientHeight);
  int ShowModal() override;

  // How many dialogs are inside ShowModal now.
  static int OpenModalCount();
  // Ends every dialog inside ShowModal at once, innermost first, as its close
  // box would, and gives each owner its input back now: a DDE pick arriving
  // in a dialog's loop must come up over a usable window. Each ShowModal
  // returns when its own loop next runs.
  static void EndAllModal();

 protected:
  void Closed() override {
    if (ModalResult == mrNone) ModalResult = mrCancel;
  }

 private:
  void EndModal();
  HWND FDisabledOwner = nullptr;
};

// The hourglass pointer for the life of the object; the pointer shown before
// comes back on every path.
class TWaitCursor {
 public:
  TWaitCursor() : FPrevious(SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)))) {}
  ~TWaitCursor() { SetCursor(FPrevious); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

 private:
  HCURSOR FPrevious;
};

// WM_PAINT of a dialog whose only drawing is a panel's bevel: a raised inner
// and a lowered outer edge around `panel` (client coordinates).
void PaintBevelPanel(HWND wnd, const RECT& panel);

// The application's loop: runs until the main form asks to be released, then
// destroys it. Returns the exit code of WM_QUIT or 0.
int RunMainLoop(TForm& mainForm);

}  // namespace ui
