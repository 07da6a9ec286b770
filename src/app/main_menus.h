// The main window's menus: the menu bar and the tree's context menu
// PopupMenu1, with the copy commands that stand in both, the About command
// and the revision menu, and the shortcuts that act in the whole window. The
// window and its controls are the main window's; this class makes the menus
// and carries out their commands.
#pragma once

#include <windows.h>

#include <string>

#include "app/note_pane.h"
#include "app/revision_switch.h"
#include "picker/code_tree.h"
#include "ui/controls.h"
#include "ui/menu.h"

namespace app {

// What the menus need of the main window.
class TMenuHost {
 public:
  virtual ~TMenuHost() = default;
  virtual HWND WindowHandle() const = 0;
  virtual const picker::TCodeTree& CodeTree() const = 0;
  virtual int SelectedEntry() const = 0;
  // The menu bar's shortcuts, for the whole window; the window owns the table.
  virtual void UseAccelerators(HACCEL table) = 0;
};

class TMainMenus {
 public:
  TMainMenus(TMenuHost& host, ui::TMenu& popup, ui::TTreeView& tree, TNotePane& notes, TRevisionSwitch& revisions)
      : FHost(host), PopupMenu1(popup), tree_kody(tree), FNotes(notes), FRevisions(revisions) {}
  TMainMenus(const TMainMenus&) = delete;
  TMainMenus& operator=(const TMainMenus&) = delete;

  // The copy commands stand twice, in the tree's context menu (1) and in the
  // menu bar (2); the menu entry that runs the handler tells them apart.
  enum TCommand : WORD {
    Kopiujkod1 = 201, Kopiujtekst1, Kopiujkoditekst1,
    Kopiujkod2 = 211, Kopiujtekst2, Kopiujkoditekst2,
    Oprogramie1 = 221,
    Pkd2025 = cmdPkd2025, Pkd2007 = cmdPkd2007  // the menu "Klasyfikacja"
  };

  // Fills the context menu and makes the menu bar, which the caller gives
  // to the window.
  HMENU CreateMenus();
  // The tree's context menu at a screen point (-1: from the keyboard).
  void tree_kodyContextMenu(LPARAM screenPoint);
  // Runs the command of a menu entry or shortcut.
  void MenuCommand(WORD id);

  void KopiujDoClipClick(WORD sender);
  // Raises "Nie mogę otworzyć schowka" when another program holds the clipboard.
  void CopyToClipboard(const std::string& text);
  void Oprogramie1Click();

 private:
  TMenuHost& FHost;
  ui::TMenu& PopupMenu1;
  ui::TTreeView& tree_kody;
  TNotePane& FNotes;
  TRevisionSwitch& FRevisions;
};

}  // namespace app
