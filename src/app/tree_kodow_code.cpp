// Main window: the search by code in the code field szukaj_kod, and the
// presets a DDE client gives both search boxes.
#include "app/tree_kodow.h"

#include <algorithm>

#include "picker/code_search.h"

namespace app {

void Tform_TreeKodow::SetCodeText(const std::string& code) {
  FSettingCode = true;
  // What a change notification during the write does: stop the delay, start none.
  Timer1.Stop();
  szukaj_kod.SetTextQuiet(code);
  szukaj_kod.SetSel(0, static_cast<int>(code.size()));
  FSettingCode = false;
}

void Tform_TreeKodow::SetSearchCode(const std::string& code) {
  FSettingCode = true;
  Timer1.Stop();
  szukaj_kod.SetTextQuiet(code);
  FSettingCode = false;
  if (Visible()) szukaj_kod.SetFocus();
}

void Tform_TreeKodow::FillCodeList() {
  if (FCodeListFilled) return;
  FCodeListFilled = true;
  szukaj_kod.AddItems(FCodes);
}

void Tform_TreeKodow::szukaj_kodChange() {
  Timer1.Stop();
  if (!FSettingCode) Timer1.Start();
}

void Tform_TreeKodow::Timer1Timer() {
  Timer1.Stop();
  const std::string code = szukaj_kod.Text();
  if (picker::FindCodeExact(FCodes, code) >= 0) {
    const int from = SelectedEntry();
    SelectCode(code);
    RecordJump(from);
  }
  ShowCounterparts(code);  // a code of the other revision; or the group of an earlier one goes
}

bool Tform_TreeKodow::ShowCounterparts(const std::string& code) {
  picker::TCounterpartGroup group;
  if (FBaza) group = picker::FindCounterparts(FBaza->Correspondence(), FTree, FCodes, code);
  return FWords.ShowCounterparts(std::move(group));
}

void Tform_TreeKodow::SelectCode(const std::string& code) {
  if (FSettingCode) {
    FSettingCode = false;
    return;
  }
  RevealEntry(picker::MatchCode(FTree, code));
}

void Tform_TreeKodow::RevealEntry(int hit) {
  if (hit < 0 || !FKody.Item(hit)) return;
  const std::vector<int> path = FTree.PathTo(hit);
  // One paint for the whole jump, not one per level.
  ui::TTreeUpdate update(tree_kody);
  if (!tree_kody.Expanded(FKody.Item(path.front()))) FKody.CollapseAll();
  FKody.ExpandPathAndSelect(path);  // one level each, the hit included
}

bool Tform_TreeKodow::szukaj_kodKeyDown(WORD key, unsigned shift) {
  // Only bare keys with the list closed steer the tree; an open list keeps its keys.
  if (shift != 0 || szukaj_kod.DroppedDown()) return false;
  if (FWords.ResultListKey(key, true)) return true;
  switch (key) {
    case VK_RETURN:
      if (HTREEITEM selected = tree_kody.Selected()) tree_kody.Toggle(selected);
      return true;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_ADD:
    case VK_SUBTRACT:
      SendMessageW(tree_kody.Handle(), WM_KEYDOWN, key, 0);
      return true;
  }
  return false;
}

bool Tform_TreeKodow::CodeBoxDropsChar(char key) const {
  const unsigned char c = static_cast<unsigned char>(key);
  // Ctrl+C, Ctrl+K and Ctrl+T belong to the copy commands.
  if (c == 3 || c == 11 || c == 20) return true;
  return !szukaj_kod.DroppedDown() && (c == '\r' || c == '+' || c == '-');
}

bool Tform_TreeKodow::szukaj_kodKeyPress(char& key) {
  if (CodeBoxDropsChar(key)) return true;
  const unsigned char c = static_cast<unsigned char>(key);
  if (c == '\b' || c == '\t' || c == 27) return false;

  int selStart = 0, selEnd = 0;
  szukaj_kod.GetSel(selStart, selEnd);
  const std::string current = szukaj_kod.Text();
  const std::string typed =
      (selEnd > selStart ? current.substr(0, std::min<size_t>(selStart, current.size())) : current) + key;
  const picker::TCompletion completion = picker::Complete(FCodes, typed);
  if (!completion.Found) return false;  // the field inserts the character itself
  FillCodeList();  // the completion selects the entry in the list
  const int oldIndex = szukaj_kod.ItemIndex();
  szukaj_kod.SetItemIndex(completion.ItemIndex);
  szukaj_kod.SetTextQuiet(completion.Text);
  szukaj_kod.SetSel(static_cast<int>(completion.SelStart),
                    static_cast<int>(completion.SelStart + completion.SelLength));
  if (oldIndex != completion.ItemIndex) szukaj_kodChange();
  return true;
}

void Tform_TreeKodow::SetSearchWords(const std::string& words) {
  szukaj_opis.SetText(words);  // a change: restarts the word search's delay
  if (Visible()) szukaj_opis.SetFocus();
}

void Tform_TreeKodow::RunSearches() {
  if (!szukaj_kod.Text().empty()) Timer1Timer();
  if (!szukaj_opis.Text().empty()) {
    Timer2.Stop();
    FWords.Timer2Timer();
  }
}

}  // namespace app
