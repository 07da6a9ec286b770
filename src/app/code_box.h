// The search by code in the code field szukaj_kod: completion as the user
// types, the tree following the code after the debounce Timer1, the tree's
// navigation keys typed in the field, and an old code's counterparts, which
// drop down in the words search's result list. The controls and the timer
// are the main window's; this class holds what the box knows and decides.
#pragma once

#include <string>
#include <vector>

#include "app/words_search.h"
#include "catalogue/baza.h"
#include "picker/code_tree.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace app {

// What the code box needs of the main window.
class TCodeHost {
 public:
  virtual ~TCodeHost() = default;
  virtual bool WindowVisible() const = 0;
  virtual catalogue::TBaza* Catalogue() const = 0;
  virtual const picker::TCodeTree& CodeTree() const = 0;
  virtual int SelectedEntry() const = 0;
  // Selects the entry, opening its ancestors, in one paint.
  virtual void RevealEntry(int entry) = 0;
  // A search moved the selection here from the entry from.
  virtual void RecordJump(int from) = 0;
};

class TCodeBox {
 public:
  TCodeBox(TCodeHost& host, ui::TComboBox& codeBox, ui::TTimer& timer, ui::TTreeView& tree, TWordsSearch& words)
      : FHost(host), szukaj_kod(codeBox), Timer1(timer), tree_kody(tree), FWords(words) {}
  TCodeBox(const TCodeBox&) = delete;
  TCodeBox& operator=(const TCodeBox&) = delete;

  // The codes of a new tree (none: empty); true when the drop-down list is
  // to be filled later (FillCodeList), after the window has been painted.
  bool SetCodes(std::vector<std::string> codes);
  // The field's list, filled at the latest when it is first used.
  void FillCodeList();

  // The selected entry's code, written without a search of its own.
  void SetCodeText(const std::string& code);
  // A DDE client's preset: the text, searched only when asked.
  void SetSearchCode(const std::string& code);
  void SelectCode(const std::string& code);
  // A complete code of the other revision that the catalogue lacks: its
  // counterparts drop down in the result list; false when code is none such.
  bool ShowCounterparts(const std::string& code);

  void szukaj_kodChange();
  bool szukaj_kodKeyDown(WORD key, unsigned shift);
  bool szukaj_kodKeyPress(char& key);
  // The character filter, which the words box shares while its result list
  // is hidden: true for a character that is dropped.
  bool DropsChar(char key) const;
  void Timer1Timer();

 private:
  TCodeHost& FHost;
  ui::TComboBox& szukaj_kod;
  ui::TTimer& Timer1;
  ui::TTreeView& tree_kody;
  TWordsSearch& FWords;
  std::vector<std::string> FCodes;  // the code field's list, as the field holds it
  bool FSettingCode = false;
  bool FCodeListFilled = true;  // szukaj_kod's list holds FCodes
};

}  // namespace app
