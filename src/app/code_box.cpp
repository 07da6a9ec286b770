#include "app/code_box.h"

#include <algorithm>

#include "picker/code_search.h"
#include "picker/old_code.h"

namespace app {

bool TCodeBox::SetCodes(std::vector<std::string> codes) {
  FCodes = std::move(codes);
  // Thousands of entries the list shows only when dropped down.
  FCodeListFilled = FCodes.empty();
  return !FCodeListFilled;
}

void TCodeBox::SetCodeText(const std::string& code) {
  FSettingCode = true;
  // What a change notification during the write does: stop the delay, start none.
  Timer1.Stop();
  szukaj_kod.SetTextQuiet(code);
  szukaj_kod.SetSel(0, static_cast<int>(code.size()));
  FSettingCode = false;
}

void TCodeBox::SetSearchCode(const std::string& code) {
  FSettingCode = true;
  Timer1.Stop();
  szukaj_kod.SetTextQuiet(code);
  FSettingCode = false;
  if (FHost.WindowVisible()) szukaj_kod.SetFocus();
}

void TCodeBox::FillCodeList() {
  if (FCodeListFilled) return;
  FCodeListFilled = true;
  szukaj_kod.AddItems(FCodes);
}

void TCodeBox::szukaj_kodChange() {
  Timer1.Stop();
  if (!FSettingCode) Timer1.Start();
}

void TCodeBox::Timer1Timer() {
  Timer1.Stop();
  const std::string code = szukaj_kod.Text();
  if (picker::FindCodeExact(FCodes, code) >= 0) {
    const int from = FHost.SelectedEntry();
    SelectCode(code);
    FHost.RecordJump(from);
  }
  ShowCounterparts(code);  // a code of the other revision; or the group of an earlier one goes
}

bool TCodeBox::ShowCounterparts(const std::string& code) {
  picker::TCounterpartGroup group;
  if (const catalogue::TBaza* baza = FHost.Catalogue())
    group = picker::FindCounterparts(baza->Correspondence(), FHost.CodeTree(), FCodes, code);
  return FWords.ShowCounterparts(std::move(group));
}

void TCodeBox::SelectCode(const std::string& code) {
  if (FSettingCode) {
    FSettingCode = false;
    return;
  }
  FHost.RevealEntry(picker::MatchCode(FHost.CodeTree(), code));
}

bool TCodeBox::szukaj_kodKeyDown(WORD key, unsigned shift) {
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

bool TCodeBox::DropsChar(char key) const {
  const unsigned char c = static_cast<unsigned char>(key);
  // Ctrl+C, Ctrl+K and Ctrl+T belong to the copy commands.
  if (c == 3 || c == 11 || c == 20) return true;
  return !szukaj_kod.DroppedDown() && (c == '\r' || c == '+' || c == '-');
}

bool TCodeBox::szukaj_kodKeyPress(char& key) {
  if (DropsChar(key)) return true;
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

}  // namespace app
