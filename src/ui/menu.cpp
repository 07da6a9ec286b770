#include "ui/menu.h"

#include "ui/wintext.h"

namespace ui {

std::string ShortcutText(WORD shortcut) {
  std::string s;
  if (shortcut & scShift) s += "Shift+";
  if (shortcut & scCtrl) s += "Ctrl+";
  if (shortcut & scAlt) s += "Alt+";
  const WORD key = shortcut & 0xFF;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) s += static_cast<char>(key);
  else if (key >= VK_F1 && key <= VK_F12) s += "F" + std::to_string(key - VK_F1 + 1);
  else s += "#" + std::to_string(key);
  return s;
}

TMenu::TMenu(bool popup) : FMenu(popup ? CreatePopupMenu() : CreateMenu()), FPopup(popup) {}

void TMenu::Add(WORD id, const std::string& caption, WORD shortcut) {
  std::string label = caption;
  if (shortcut) {
    if (FPopup) label += "\t" + ShortcutText(shortcut);
    ACCEL a = {};
    a.fVirt = FVIRTKEY | ((shortcut & scShift) ? FSHIFT : 0) | ((shortcut & scCtrl) ? FCONTROL : 0) |
              ((shortcut & scAlt) ? FALT : 0);
    a.key = shortcut & 0xFF;
    a.cmd = id;
    FAccels.push_back(a);
  }
  AppendMenuW(FMenu.Get(), MF_STRING, id, Wide(label).c_str());
}

void TMenu::AddSubmenu(const std::string& caption, TMenu&& submenu) {
  FAccels.insert(FAccels.end(), submenu.FAccels.begin(), submenu.FAccels.end());
  const HMENU sub = submenu.Release();
  if (!AppendMenuW(FMenu.Get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), Wide(caption).c_str()))
    DestroyMenu(sub);
}

HACCEL TMenu::CreateAccelerators() const {
  if (FAccels.empty()) return nullptr;
  return CreateAcceleratorTableW(const_cast<ACCEL*>(FAccels.data()), static_cast<int>(FAccels.size()));
}

WORD TMenu::Track(HWND owner, POINT screen) const {
  return static_cast<WORD>(TrackPopupMenu(FMenu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner,
                                          nullptr));
}

}  // namespace ui
