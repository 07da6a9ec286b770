// Menu bars and pop-up menus with keyboard shortcuts. A shortcut is stored as
// the key code plus 0x2000 for Shift, 0x4000 for Ctrl, 0x8000 for Alt
// (Ctrl+K is 16459).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/handles.h"

namespace ui {

constexpr WORD scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

// "Ctrl+K" and the like, as shown beside a menu entry.
std::string ShortcutText(WORD shortcut);

class TMenu {
 public:
  explicit TMenu(bool popup);
  // caption marks its access letter with "&"; shortcut 0 for none. A pop-up
  // menu shows the shortcut beside the caption; a menu bar has no room for it.
  void Add(WORD id, const std::string& caption, WORD shortcut = 0);
  // A drop-down menu under caption; this menu then owns it.
  void AddSubmenu(const std::string& caption, TMenu&& submenu);
  HMENU Handle() const { return FMenu.Get(); }
  // For a menu bar given to a window, which then owns it.
  HMENU Release() { return FMenu.Release(); }
  // The accelerator table of every shortcut added; the caller owns it.
  HACCEL CreateAccelerators() const;
  // Shows a pop-up menu at a screen point and returns the chosen id (0: none).
  WORD Track(HWND owner, POINT screen) const;

 private:
  TMenuHandle FMenu;
  bool FPopup;
  std::vector<ACCEL> FAccels;
};

}  // namespace ui
