// The result list of the search by words: a borderless pop-up window owned by
// the main window that drops down under the words box like a combo box's
// list, shown without taking the focus from the box. It shows the result
// model of the picker core and reports choices through OnChoose.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "picker/old_code.h"
#include "picker/result_list.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/tree_binding.h"

namespace app {

// Why OnChoose is called.
enum TResultAction { raChoose = 0, raPreview = 1, raCancel = 2 };

class Tform_spisOpisow : public ui::TForm {
 public:
  Tform_spisOpisow();
  ~Tform_spisOpisow() override;
  // Creates the window, hidden, owned by owner (the main window).
  bool Create(HWND owner);

  // Rebuilds the list from result rows: the heading, the hits grouped by
  // title, all expanded; one update batch. folded: the rows were found
  // without Polish letters (the heading says so); counterparts, when not
  // empty, stand first as a group of their own; foldedOnly, the rows found
  // only without Polish letters, come last under a heading of their own.
  void FillResults(const std::vector<std::string>& rows, bool folded = false,
                   const picker::TCounterpartGroup& counterparts = {},
                   const std::vector<std::string>& foldedOnly = {});
  // The TAB-separated path of the selected node in the main tree; empty for
  // none or the heading.
  std::string ResultPath() const;
  // The keys shared by the list's tree and the words box.
  void ResultKey(WORD key);
  // Places the window under the rectangle (screen coordinates) and shows it
  // on top without activating it.
  void ShowUnder(const RECT& box);

  std::function<void(Tform_spisOpisow&)> OnChoose;
  int Action = raChoose;

  ui::TTreeView tree_spis;
  ui::TTimer Timer1;  // the preview's delay
  const picker::TResultList& Results() const { return FResults; }
  const ui::TTreeBinding& Nodes() const { return FNodes; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Choose(int action);
  bool tree_spisKeyDown(WORD key, unsigned shift);
  bool tree_spisKeyPress(char& key);
  void tree_spisDblClick();
  void tree_spisChange();
  void Timer1Timer();

  picker::TResultList FResults;
  ui::TTreeBinding FNodes{tree_spis};
};

}  // namespace app
