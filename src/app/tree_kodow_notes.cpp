// Main window: the note pane's links and the history of jumps. A code the
// note names is followed by a double click on it or by Enter with the caret
// in it; Alt+Left and Alt+Right go back and forward through the entries
// visited by links and by the searches. Like any move in the tree, a jump
// only moves the selection, also during a pick.
#include "app/tree_kodow.h"

namespace app {

bool Tform_TreeKodow::FollowNoteLink(size_t pos) {
  // The counterparts after the note are codes of the other revision.
  if (pos > FNoteEnd) return false;
  const std::string code = picker::CodeAt(m_opis.Text(), pos);
  if (code.empty()) return false;
  for (size_t i = 0; i < FTree.Count(); ++i) {
    if (FTree.Entry(i).Code != code) continue;
    const int from = SelectedEntry();
    RevealEntry(static_cast<int>(i));
    RecordJump(from);
    tree_kody.SetFocus();  // where the reader goes on, and where the next note shows
    return true;
  }
  return false;
}

bool Tform_TreeKodow::GoBack() {
  const int entry = FHistory.Back();
  if (entry < 0 || static_cast<size_t>(entry) >= FTree.Count()) return false;
  RevealEntry(entry);
  return true;
}

bool Tform_TreeKodow::GoForward() {
  const int entry = FHistory.Forward();
  if (entry < 0 || static_cast<size_t>(entry) >= FTree.Count()) return false;
  RevealEntry(entry);
  return true;
}

bool Tform_TreeKodow::PreTranslate(MSG& msg) {
  // Alt with an arrow comes as a system key, whichever control has the focus.
  // The key still goes on: the system's default handling must see a key
  // after Alt, or releasing Alt would open the menu bar. No control here
  // does anything with Alt+Left or Alt+Right.
  if (msg.message == WM_SYSKEYDOWN && (msg.wParam == VK_LEFT || msg.wParam == VK_RIGHT) &&
      GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0) {
    if (msg.wParam == VK_LEFT) GoBack();
    else GoForward();
    return false;
  }
  return ui::TForm::PreTranslate(msg);
}

}  // namespace app
