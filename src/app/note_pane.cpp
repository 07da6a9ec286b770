// A code the note names is followed by a double click on it or by Enter with
// the caret in it; Alt+Left and Alt+Right go back and forward through the
// entries visited by links and by the searches. Like any move in the tree, a
// jump only moves the selection, also during a pick.
#include "app/note_pane.h"

#include "picker/description.h"

namespace app {

void TNotePane::ShowDescription(const std::string& code) {
  m_opis.Clear();
  FNoteEnd = 0;
  const catalogue::TBaza* baza = FHost.Catalogue();
  if (!baza || code.empty()) return;
  const picker::TNotePane pane = picker::NoteForDisplay(baza->Opisy().Opis(code), baza->Correspondence(), code);
  FNoteEnd = pane.NoteEnd;
  m_opis.SetLines(pane.Text);
}

bool TNotePane::FollowNoteLink(size_t pos) {
  // The counterparts after the note are codes of the other revision.
  if (pos > FNoteEnd) return false;
  const std::string code = picker::CodeAt(m_opis.Text(), pos);
  if (code.empty()) return false;
  const picker::TCodeTree& tree = FHost.CodeTree();
  for (size_t i = 0; i < tree.Count(); ++i) {
    if (tree.Entry(i).Code != code) continue;
    const int from = FHost.SelectedEntry();
    FHost.RevealEntry(static_cast<int>(i));
    RecordJump(from);
    tree_kody.SetFocus();  // where the reader goes on, and where the next note shows
    return true;
  }
  return false;
}

bool TNotePane::m_opisKeyDown(WORD key, unsigned shift) {
  return key == VK_RETURN && shift == 0 && FollowNoteLink(m_opis.Caret());
}

bool TNotePane::TakesDialogKey(WORD key, HWND focus) const {
  // Enter on a code in the note follows it, also in pick mode.
  return key == VK_RETURN && focus == m_opis.Handle() && m_opis.Caret() <= FNoteEnd &&
         !picker::CodeAt(m_opis.Text(), m_opis.Caret()).empty();
}

bool TNotePane::GoBack() { return Visit(FHistory.Back()); }

bool TNotePane::GoForward() { return Visit(FHistory.Forward()); }

bool TNotePane::Visit(int entry) {
  if (entry < 0 || static_cast<size_t>(entry) >= FHost.CodeTree().Count()) return false;
  FHost.RevealEntry(entry);
  return true;
}

bool TNotePane::HistoryKey(const MSG& msg) {
  // Alt with an arrow comes as a system key, whichever control has the focus.
  // The caller lets the key go on: the system's default handling must see a
  // key after Alt, or releasing Alt would open the menu bar. No control here
  // does anything with Alt+Left or Alt+Right.
  if (msg.message != WM_SYSKEYDOWN || (msg.wParam != VK_LEFT && msg.wParam != VK_RIGHT) ||
      GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0)
    return false;
  if (msg.wParam == VK_LEFT) GoBack();
  else GoForward();
  return true;
}

}  // namespace app
