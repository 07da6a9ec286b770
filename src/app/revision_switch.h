// The two revisions of the classification: the menu "Klasyfikacja" switches
// between the catalogue the program was started with and pkd2007.kod beside
// it, and the choice is kept in the registry. A pick always shows the start
// catalogue, whose codes its client speaks.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>

#include "catalogue/baza.h"
#include "ui/form_storage.h"
#include "ui/menu.h"

namespace app {

// The menu's commands.
enum TRevisionCommand : WORD { cmdPkd2025 = 231, cmdPkd2007 };

// What the switch needs of the main window.
class TRevisionHost {
 public:
  virtual ~TRevisionHost() = default;
  virtual HMENU MenuBar() const = 0;
  virtual bool HasCatalogue() const = 0;
  // True while a DDE pick waits for the user.
  virtual bool Picking() const = 0;
  // Shows a newly loaded catalogue in place of the one shown, from a fresh
  // start: no search, no selection, no history.
  virtual void ReplaceCatalogue(std::unique_ptr<catalogue::TBaza> baza) = 0;
};

class TRevisionSwitch {
 public:
  TRevisionSwitch(TRevisionHost& host, const ui::TFormStorage& storage) : FHost(host), FStorage(storage) {}
  TRevisionSwitch(const TRevisionSwitch&) = delete;
  TRevisionSwitch& operator=(const TRevisionSwitch&) = delete;

  // The catalogue the program was started with; pkd2007.kod lies beside it.
  void SetStartCatalogue(const std::filesystem::path& path) { FStartCatalogue = path; }
  std::filesystem::path OtherCataloguePath() const;
  bool HasMenu() const { return FMenu; }
  bool ShowsOther() const { return FOther; }

  // Adds the menu to the bar when pkd2007.kod is there.
  void AddMenu(ui::TMenu& bar);
  // Its checks, and its greying during a pick.
  void UpdateMenu();
  // Loads and shows the start catalogue (false) or pkd2007.kod (true);
  // throws when it does not load, and the catalogue shown stays.
  void ShowRevision(bool other);
  // The menu's command: the revision shown and kept in the registry.
  void RevisionClick(WORD id);
  // Back to the start catalogue; a failure is shown, and what is shown stays.
  void ShowStartRevision();
  // At start-up: pkd2007.kod when the registry keeps that choice; false
  // when the start catalogue is to be loaded.
  bool ShowStoredRevision();

 private:
  TRevisionHost& FHost;
  const ui::TFormStorage& FStorage;
  std::filesystem::path FStartCatalogue;
  bool FMenu = false;
  bool FOther = false;  // pkd2007.kod is shown
};

}  // namespace app
