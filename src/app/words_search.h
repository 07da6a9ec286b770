// The search by description words in the words box szukaj_opis, and its
// result list, the pop-up window Tform_spisOpisow. The list also carries the
// counterparts of an old code typed in the code box, so its keys serve both
// boxes. The controls and the debounce timer are the main window's; this
// class holds what the search knows and decides.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/spis_opisow.h"
#include "catalogue/baza.h"
#include "picker/old_code.h"
#include "picker/word_search.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

// What the words search needs of the main window.
class TWordsHost {
 public:
  virtual ~TWordsHost() = default;
  virtual HWND WindowHandle() const = 0;
  virtual bool WindowVisible() const = 0;
  virtual catalogue::TBaza* Catalogue() const = 0;
  // The tree's selected entry (its model index), -1 for none.
  virtual int SelectedEntry() const = 0;
  // Selects the entry a result path names; false when it names none.
  virtual bool SelectByPath(const std::string& path) = 0;
  // A search moved the selection here from the entry from.
  virtual void RecordJump(int from) = 0;
  // With its list hidden the words box steers the tree as the code box does.
  virtual bool CodeBoxKeyDown(WORD key, unsigned shift) = 0;
  virtual bool CodeBoxDropsChar(char key) const = 0;
};

class TWordsSearch {
 public:
  // szukaj_opis, the code box szukaj_kod and Timer2 belong to the host.
  TWordsSearch(TWordsHost& host, ui::TEdit& wordsBox, ui::TComboBox& codeBox, ui::TTimer& timer)
      : FHost(host), szukaj_opis(wordsBox), szukaj_kod(codeBox), Timer2(timer) {}
  TWordsSearch(const TWordsSearch&) = delete;
  TWordsSearch& operator=(const TWordsSearch&) = delete;

  // Creates the result-list window, hidden and owned by the host's window.
  bool CreateResultList();
  Tform_spisOpisow* ResultList() const { return FResultList.get(); }
  bool ResultListShown() const;
  void SearchByWords(const std::string& words, std::vector<std::string>& rows);
  // With the window hidden the list waits for it (ShowAwaitedResultList).
  void ShowResultList(ui::TControl& box, const std::vector<std::string>& rows);
  // The list the searches found while the window was hidden, once it shows.
  void ShowAwaitedResultList();
  void HideResultList();
  // The result list's OnChoose: choose, preview or cancel (its Action).
  void ResultChosen(Tform_spisOpisow& list);

  // The counterparts of an old code at the top of the list: shown with the
  // words' own rows (alone without words); an empty group takes an
  // earlier one away. False for an empty group.
  bool ShowCounterparts(picker::TCounterpartGroup group);
  const picker::TCounterpartGroup& Counterparts() const { return FCounterparts; }

  // The result list's keys typed in a search box (the code box carries an
  // old code's list only): true when the list took the key.
  bool ResultListKey(WORD key, bool fromCodeBox);
  // Enter and Escape typed in a box that shows the list are the list's.
  bool TakesDialogKey(WORD key, HWND focus) const;

  // The catalogue changed or goes: the prepared search points into it.
  void CatalogueChanged() { FWordSearch.reset(); }

  void szukaj_opisChange();
  bool szukaj_opisKeyDown(WORD key, unsigned shift);
  bool szukaj_opisKeyPress(char& key);
  void Timer2Timer();

 private:
  // The list's window hidden, what it shows kept.
  void HideListWindow();

  TWordsHost& FHost;
  ui::TEdit& szukaj_opis;
  ui::TComboBox& szukaj_kod;
  ui::TTimer& Timer2;
  picker::TCounterpartGroup FCounterparts;  // shown at the top of the result list
  bool FListAwaited = false;  // found while the window was hidden: shown with it
  std::vector<std::string> FAwaitedRows;
  bool FWordsFolded = false;  // the last search by words found its rows without Polish letters
  std::vector<std::string> FWordsFoldedOnly;  // and, beside rows found as typed, these only so
  int FPreviewFrom = -1;  // the entry selected before the result list's first preview
  bool FPreviewed = false;
  char FKeypadChar = 0;  // the character of a keypad key the result list took
  // Prepared for the catalogue at its first use.
  std::unique_ptr<picker::TWordSearch> FWordSearch;
  std::unique_ptr<Tform_spisOpisow> FResultList;
};

}  // namespace app
