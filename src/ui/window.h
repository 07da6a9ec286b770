// Windows of our own class and wrappers of the system's controls.
// One window procedure serves every window of our class: `this` is bound at
// WM_NCCREATE and each message goes to the virtual WndProc. System controls
// are subclassed so that key-down and character stages can consume keys; the
// control behind a window is found in a table of the thread, not in a window
// property (under Wine a property look-up is a round trip to the server, and
// a subclass chain of the system's makes one for every message).
// An exception out of any handler is shown in the exception box and the
// program goes on.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

namespace ui {

class TTimer;

enum TShift : unsigned { ssShift = 1, ssCtrl = 2, ssAlt = 4 };
// The modifier keys held while the current message was produced.
unsigned ShiftState();

// Moves a child window within its parent's client area, unless it is there
// already.
void MoveChild(HWND wnd, int x, int y, int w, int h);

class TWindow {
 public:
  TWindow() = default;
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return FHwnd; }
  // The window of our class behind a handle, or nullptr.
  static TWindow* FromHandle(HWND wnd);
  void Destroy();
  // Keyboard handling of a top-level window before the focused control sees
  // a message (dialog keys, accelerators); true when the message was used up.
  virtual bool PreTranslate(MSG& /*msg*/) { return false; }
  // The font controls get when they are created in this window; nullptr: the system's.
  virtual HFONT ChildFont() const { return nullptr; }

 protected:
  bool CreateHandle(DWORD exStyle, const std::string& caption, DWORD style, int x, int y, int w, int h,
                    HWND parent, HMENU menuOrId);
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(FHwnd, msg, wp, lp); }

 private:
  friend class TTimer;
  static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  UINT_PTR AddTimer(TTimer* timer);
  void RemoveTimer(UINT_PTR id);

  HWND FHwnd = nullptr;
  std::map<UINT_PTR, TTimer*> FTimers;
  UINT_PTR FNextTimerId = 1;
};

// A system control (edit, combo box, tree view...) owned by a window of ours.
// Its WM_COMMAND and WM_NOTIFY come back to it through its parent.
class TControl {
 public:
  TControl() = default;
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  HWND Handle() const { return FHwnd; }
  static TControl* FromHandle(HWND wnd);

  // Before the control is created, the two say how it is created.
  void SetBounds(int x, int y, int w, int h);
  void SetVisible(bool visible);
  bool Visible() const;
  void SetFocus();
  // True when the focus is on the control or on a child of it (a combo box's edit).
  bool Focused() const;
  void SetFont(HFONT font);
  std::string Text() const;
  void SetText(const std::string& s);

  // Key-down stage: return true to consume the key (the control never sees it).
  std::function<bool(WORD key, unsigned shift)> OnKeyDown;
  // Character stage (Windows-1250): return true to consume, or change the character.
  std::function<bool(char& key)> OnKeyPress;

  // Notifications sent to the parent, routed back here.
  virtual void Command(WORD /*code*/) {}
  virtual LRESULT Notify(NMHDR* /*header*/) { return 0; }

 protected:
  // Creates the control at the bounds set before (SetBounds without a
  // window) and in its parent's font, so that nothing moves it or sets its
  // font again before it is first shown.
  HWND CreateControl(const wchar_t* className, const std::string& caption, DWORD style, DWORD exStyle,
                     HWND parent, int id);
  // Routes the key stages of another window (a combo box's edit) to this control.
  void HookKeys(HWND wnd);
  // Lets a derived control see its own messages first; return true when handled.
  virtual bool Intercept(HWND /*wnd*/, UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
    return false;
  }

 private:
  static LRESULT CALLBACK HookProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleHooked(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC previous);
  void Hook(HWND wnd);
  void Unhook(HWND wnd);
  HWND FHwnd = nullptr;
  HWND FHooked = nullptr;
  RECT FBounds = {0, 0, 0, 0};  // where the control is created, then where it was last placed
  bool FCreateHidden = false;   // SetVisible(false) before it was created
};


// A one-shot timer of a window: started, it fires once after Interval ms and
// stops; starting it again restarts the delay.
class TTimer {
 public:
  explicit TTimer(TWindow& owner, UINT interval = 1000) : FOwner(owner), FInterval(interval) {}
  ~TTimer() { Stop(); }
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  UINT Interval() const { return FInterval; }
  void SetInterval(UINT ms) { FInterval = ms; }
  bool Enabled() const { return FId != 0; }
  void Start();
  void Stop();
  std::function<void()> OnTimer;

 private:
  friend class TWindow;
  void Fire();
  TWindow& FOwner;
  UINT FInterval;
  UINT_PTR FId = 0;
};

}  // namespace ui
