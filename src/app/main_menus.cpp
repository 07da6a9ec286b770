#include "app/main_menus.h"

#include <windowsx.h>

#include "app/about_box.h"
#include "catalogue/entry_text.h"
#include "text/errors.h"
#include "ui/clipboard.h"

namespace app {

namespace {

// Shortcuts as stored: Ctrl plus the letter's key code.
constexpr WORD kCtrlK = ui::scCtrl | 'K', kCtrlT = ui::scCtrl | 'T', kCtrlC = ui::scCtrl | 'C';

}  // namespace

HMENU TMainMenus::CreateMenus() {
  PopupMenu1.Add(Kopiujkod1, "Kopiuj kod", kCtrlK);
  PopupMenu1.Add(Kopiujtekst1, "Kopiuj tekst", kCtrlT);
  PopupMenu1.Add(Kopiujkoditekst1, "Kopiuj kod i tekst", kCtrlC);
  // Top-level commands, no drop-down menus.
  ui::TMenu bar(false);
  bar.Add(Kopiujkod2, "K&opiuj kod", kCtrlK);
  bar.Add(Kopiujtekst2, "Ko&piuj tekst", kCtrlT);
  bar.Add(Kopiujkoditekst2, "Kopi&uj kod i tekst", kCtrlC);
  bar.Add(Oprogramie1, "O p&rogramie");
  FRevisions.AddMenu(bar);
  // The shortcuts act in the whole window, also in the boxes: Ctrl+C there
  // copies the selected entry, not the box's text.
  FHost.UseAccelerators(bar.CreateAccelerators());
  return bar.Release();  // the window owns its menu bar
}

void TMainMenus::tree_kodyContextMenu(LPARAM screenPoint) {
  POINT at = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  if (screenPoint == -1) {  // from the keyboard: below the selected entry
    RECT r = {};
    const HTREEITEM selected = tree_kody.Selected();
    if (!selected || !tree_kody.ItemRect(selected, r)) GetClientRect(tree_kody.Handle(), &r);
    at = {r.left, r.bottom};
    ClientToScreen(tree_kody.Handle(), &at);
  }
  if (const WORD id = PopupMenu1.Track(FHost.WindowHandle(), at)) MenuCommand(id);
}

void TMainMenus::MenuCommand(WORD id) {
  switch (id) {
    case Kopiujkod1:
    case Kopiujtekst1:
    case Kopiujkoditekst1:
    case Kopiujkod2:
    case Kopiujtekst2:
    case Kopiujkoditekst2:
      KopiujDoClipClick(id);
      break;
    case Oprogramie1:
      Oprogramie1Click();
      break;
    case Pkd2025:
    case Pkd2007:
      FRevisions.RevisionClick(id);
      break;
  }
}

void TMainMenus::KopiujDoClipClick(WORD sender) {
  const int entry = FHost.SelectedEntry();
  if (entry < 0) {
    FNotes.ShowDescription(std::string());
    return;
  }
  const std::string& text = FHost.CodeTree().Entry(entry).Text;
  if (sender == Kopiujkod1 || sender == Kopiujkod2) CopyToClipboard(catalogue::CodeOf(text));
  else if (sender == Kopiujtekst1 || sender == Kopiujtekst2) CopyToClipboard(catalogue::TitleOf(text));
  else if (sender == Kopiujkoditekst1 || sender == Kopiujkoditekst2) CopyToClipboard(text);
}

void TMainMenus::CopyToClipboard(const std::string& text) {
  ui::TClipboard clipboard(FHost.WindowHandle());
  // Nothing is retried; the old contents stay.
  if (!clipboard.Opened()) throw text::Exception("Nie mogę otworzyć schowka");
  clipboard.SetText1250(text);
}

void TMainMenus::Oprogramie1Click() {
  TAboutBox box;
  if (box.Create(FHost.WindowHandle())) box.ShowModal();
}

}  // namespace app
