#include "app/revision_switch.h"

#include "text/path.h"
#include "ui/message_box.h"

namespace app {

namespace {

// The registry value beside the window's placement, and its two texts.
const char kRevisionValue[] = "Klasyfikacja";
const char kPkd2025[] = "PKD 2025";
const char kPkd2007[] = "PKD 2007";

}  // namespace

std::filesystem::path TRevisionSwitch::OtherCataloguePath() const {
  return FStartCatalogue.parent_path() / text::PathFrom1250("pkd2007.kod");
}

void TRevisionSwitch::AddMenu(ui::TMenu& bar) {
  FMenu = !FStartCatalogue.empty() && text::FileExists(OtherCataloguePath());
  if (!FMenu) return;
  ui::TMenu menu(true);
  menu.Add(cmdPkd2025, kPkd2025);
  menu.Add(cmdPkd2007, kPkd2007);
  CheckMenuRadioItem(menu.Handle(), cmdPkd2025, cmdPkd2007, cmdPkd2025, MF_BYCOMMAND);
  bar.AddSubmenu("K&lasyfikacja", std::move(menu));
}

void TRevisionSwitch::UpdateMenu() {
  const HMENU bar = FHost.MenuBar();
  if (!FMenu || !bar) return;
  CheckMenuRadioItem(bar, cmdPkd2025, cmdPkd2007, FOther ? cmdPkd2007 : cmdPkd2025, MF_BYCOMMAND);
  // A pick shows the catalogue it started on until it ends.
  const UINT state = MF_BYCOMMAND | (FHost.Picking() ? MF_GRAYED : MF_ENABLED);
  EnableMenuItem(bar, cmdPkd2025, state);
  EnableMenuItem(bar, cmdPkd2007, state);
}

void TRevisionSwitch::ShowRevision(bool other) {
  if (other == FOther && FHost.HasCatalogue()) return;
  auto baza = std::make_unique<catalogue::TBaza>();
  baza->Load(other ? OtherCataloguePath() : FStartCatalogue);
  FHost.ReplaceCatalogue(std::move(baza));
  FOther = other;
  UpdateMenu();
}

void TRevisionSwitch::RevisionClick(WORD id) {
  if (!FMenu || FHost.Picking()) return;
  const bool other = id == cmdPkd2007;
  ShowRevision(other);
  FStorage.WriteString(kRevisionValue, other ? kPkd2007 : kPkd2025);
}

void TRevisionSwitch::ShowStartRevision() {
  if (!FOther) return;
  try {
    ShowRevision(false);
  } catch (const std::exception& e) {
    // The client gets the catalogue shown; the user learns why.
    ui::ShowException(e);
  }
}

bool TRevisionSwitch::ShowStoredRevision() {
  std::string stored;
  if (!FMenu || !FStorage.ReadString(kRevisionValue, stored) || stored != kPkd2007) return false;
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
