// Main window: the two revisions of the classification. A code of the other
// revision (a PKD 2007 code on PKD 2025, or the other way) is answered with
// its counterparts at the top of the result list, and the menu
// "Klasyfikacja" switches between the catalogue the program was started
// with and pkd2007.kod beside it; the choice is kept in the registry.
#include "app/tree_kodow.h"
#include "text/path.h"
#include "ui/message_box.h"

namespace app {

namespace {

// The registry value beside the window's placement, and its two texts.
const char kRevisionValue[] = "Klasyfikacja";
const char kPkd2025[] = "PKD 2025";
const char kPkd2007[] = "PKD 2007";

}  // namespace

bool Tform_TreeKodow::ShowCounterparts(const std::string& code) {
  picker::TCounterpartGroup group;
  if (FBaza) group = picker::FindCounterparts(FBaza->Correspondence(), FTree, FCodes, code);
  if (group.Empty()) {
    // A group shown for an earlier code no longer answers the box.
    if (!FCounterparts.Empty()) {
      FCounterparts = {};
      if (ResultListShown()) Timer2Timer();
    }
    return false;
  }
  FCounterparts = std::move(group);
  // The words box's own search, with the group on top; without words the
  // group alone.
  Timer2Timer();
  return true;
}

bool Tform_TreeKodow::CounterpartsKey(WORD key) {
  if (FCounterparts.Empty() || !ResultListShown()) return false;
  switch (key) {
    case VK_ESCAPE:
      // Closes the list whatever is selected in it, as Escape typed in the
      // words box does.
      HideResultList();
      return true;
    case VK_RETURN:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
    case VK_ADD:
    case VK_SUBTRACT:
      FResultList->ResultKey(key);
      return true;
  }
  return false;
}

std::filesystem::path Tform_TreeKodow::OtherCataloguePath() const {
  return FStartCatalogue.parent_path() / text::PathFrom1250("pkd2007.kod");
}

void Tform_TreeKodow::AddRevisionMenu(ui::TMenu& bar) {
  FRevisionMenu = !FStartCatalogue.empty() && text::FileExists(OtherCataloguePath());
  if (!FRevisionMenu) return;
  ui::TMenu menu(true);
  menu.Add(Pkd2025, kPkd2025);
  menu.Add(Pkd2007, kPkd2007);
  CheckMenuRadioItem(menu.Handle(), Pkd2025, Pkd2007, Pkd2025, MF_BYCOMMAND);
  bar.AddSubmenu("K&lasyfikacja", std::move(menu));
}

void Tform_TreeKodow::UpdateRevisionMenu() {
  const HMENU bar = MainMenu1();
  if (!FRevisionMenu || !bar) return;
  CheckMenuRadioItem(bar, Pkd2025, Pkd2007, FOtherRevision ? Pkd2007 : Pkd2025, MF_BYCOMMAND);
  // A pick shows the catalogue it started on until it ends.
  const UINT state = MF_BYCOMMAND | (Picking() ? MF_GRAYED : MF_ENABLED);
  EnableMenuItem(bar, Pkd2025, state);
  EnableMenuItem(bar, Pkd2007, state);
}

bool Tform_TreeKodow::Picking() const { return FDde && FDde->Session().Picking(); }

void Tform_TreeKodow::ShowRevision(bool other) {
  if (other == FOtherRevision && FBaza) return;
  auto baza = std::make_unique<catalogue::TBaza>();
  baza->Load(other ? OtherCataloguePath() : FStartCatalogue);
  HideResultList();
  Timer1.Stop();
  Timer2.Stop();
  TreeChange.Stop();
  SetBaza(std::move(baza));
  FOtherRevision = other;
  FHistory.Clear();  // its entries were the other tree's
  // Nothing is selected in the new tree: no code, no description.
  SetCodeText(std::string());
  ShowDescription(std::string());
  UpdateRevisionMenu();
}

void Tform_TreeKodow::RevisionClick(WORD id) {
  if (!FRevisionMenu || Picking()) return;
  const bool other = id == Pkd2007;
  ShowRevision(other);
  FStorage.WriteString(kRevisionValue, other ? kPkd2007 : kPkd2025);
}

void Tform_TreeKodow::ShowStartRevision() {
  if (!FOtherRevision) return;
  try {
    ShowRevision(false);
  } catch (const std::exception& e) {
    // The client gets the catalogue shown; the user learns why.
    ui::ShowException(e);
  }
}

bool Tform_TreeKodow::ShowStoredRevision() {
  std::string stored;
  if (!FRevisionMenu || !FStorage.ReadString(kRevisionValue, stored) || stored != kPkd2007) return false;
  try {
    ShowRevision(true);
    return true;
  } catch (const std::exception& e) {
    // A damaged pkd2007.kod must not cost the catalogue the program was
    // started with, nor its DDE service.
    ui::ShowException(e);
    return false;
  }
}

}  // namespace app
