// The note pane m_opis: the note of the selected code with the counterparts
// line after it, the codes the note names followed as links, and the history
// of the entries visited by links and by the searches. The memo and the tree
// are the main window's; this class holds what the pane knows and decides.
#pragma once

#include <cstddef>
#include <string>

#include "app/note_memo.h"
#include "catalogue/baza.h"
#include "picker/code_tree.h"
#include "picker/note_links.h"
#include "ui/controls.h"

namespace app {

// What the note pane needs of the main window.
class TNoteHost {
 public:
  virtual ~TNoteHost() = default;
  virtual catalogue::TBaza* Catalogue() const = 0;
  virtual const picker::TCodeTree& CodeTree() const = 0;
  virtual int SelectedEntry() const = 0;
  // Selects the entry, opening its ancestors, in one paint.
  virtual void RevealEntry(int entry) = 0;
};

class TNotePane {
 public:
  TNotePane(TNoteHost& host, TNoteMemo& memo, ui::TTreeView& tree) : FHost(host), m_opis(memo), tree_kody(tree) {}
  TNotePane(const TNotePane&) = delete;
  TNotePane& operator=(const TNotePane&) = delete;

  // The note of code and its counterparts in the other revision; an empty
  // code (or no catalogue) empties the pane.
  void ShowDescription(const std::string& code);
  // Follows the code that the note names at character pos of the pane:
  // selects it in the tree; false when none is there (or the catalogue lacks it).
  bool FollowNoteLink(size_t pos);
  // Enter follows the code under the caret.
  bool m_opisKeyDown(WORD key, unsigned shift);
  // True when the pane takes Enter before the window's buttons do.
  bool TakesDialogKey(WORD key, HWND focus) const;

  // Back and forward through the entries visited by links and by the
  // searches; false when there is none to go to.
  bool GoBack();
  bool GoForward();
  // Alt+Left and Alt+Right, whichever control has the focus: true when msg
  // was one of them (and acted on).
  bool HistoryKey(const MSG& msg);
  // A search or a link moved the selection here from the entry from.
  void RecordJump(int from) { FHistory.Jump(from, FHost.SelectedEntry()); }
  // The entries were another tree's.
  void ClearHistory() { FHistory.Clear(); }

 private:
  // Selects an entry of the history; false for none (-1) or one the tree lacks.
  bool Visit(int entry);

  TNoteHost& FHost;
  TNoteMemo& m_opis;
  ui::TTreeView& tree_kody;
  picker::TVisitHistory FHistory;  // entries visited by links and searches
  size_t FNoteEnd = 0;             // where the note ends in the pane, before its counterparts
};

}  // namespace app
