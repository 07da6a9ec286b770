// Main window: the search by description words in the words box szukaj_opis
// and its result list, the pop-up window Tform_spisOpisow.
#include "app/tree_kodow.h"

#include "picker/result_list.h"

namespace app {

namespace {
constexpr size_t kMinWordsLength = 3;  // shorter texts hide the list
}  // namespace

bool Tform_TreeKodow::CreateResultList() {
  if (FResultList) return true;
  auto list = std::make_unique<Tform_spisOpisow>();
  if (!list->Create(Handle())) return false;
  FResultList = std::move(list);
  return true;
}

bool Tform_TreeKodow::ResultListShown() const { return FResultList && FResultList->Visible(); }

bool Tform_TreeKodow::WantsDialogKey(WORD key) const {
  // During a pick Enter would otherwise press "Wybierz" under the list the
  // user is looking at, answering with the entry selected before it.
  if ((key == VK_RETURN || key == VK_ESCAPE) && ResultListShown()) {
    const HWND focus = GetFocus();
    if (focus == szukaj_opis.Handle()) return true;
    if (!FCounterparts.Empty() && focus && (focus == szukaj_kod.Handle() || GetParent(focus) == szukaj_kod.Handle()))
      return true;
  }
  // Enter on a code in the note follows it, also in pick mode.
  if (key == VK_RETURN && GetFocus() == m_opis.Handle() && m_opis.Caret() <= FNoteEnd &&
      !picker::CodeAt(m_opis.Text(), m_opis.Caret()).empty())
    return true;
  return ui::TForm::WantsDialogKey(key);
}

void Tform_TreeKodow::szukaj_opisChange() {
  Timer2.Stop();
  Timer2.Start();
}

void Tform_TreeKodow::Timer2Timer() {
  Timer2.Stop();
  const std::string words = szukaj_opis.Text();
  if (words.size() < kMinWordsLength) {
    // An old code's counterparts stay without words.
    if (FCounterparts.Empty()) {
      HideResultList();
    } else {
      FWordsFolded = false;
      FWordsFoldedOnly.clear();
      ShowResultList(szukaj_opis, {});
    }
    return;
  }
  const ui::TWaitCursor wait;
  std::vector<std::string> rows;
  SearchByWords(words, rows);
  ShowResultList(szukaj_opis, rows);
}

void Tform_TreeKodow::SearchByWords(const std::string& words, std::vector<std::string>& rows) {
  FWordsFolded = false;
  FWordsFoldedOnly.clear();
  if (!FBaza || words.empty()) return;
  // Prepared at the first search, not at start-up: the lines' description
  // records are looked up once per catalogue.
  if (!FWordSearch) FWordSearch = std::make_unique<picker::TWordSearch>(*FBaza);
  picker::TWordHits hits = FWordSearch->SearchAll(words);
  if (hits.Exact.empty()) {
    // Found only without Polish letters: the list's own heading says so.
    FWordsFolded = !hits.Folded.empty();
    rows = std::move(hits.Folded);
  } else {
    rows = std::move(hits.Exact);
    FWordsFoldedOnly = std::move(hits.Folded);
  }
}

void Tform_TreeKodow::ShowResultList(ui::TControl& box, const std::vector<std::string>& rows) {
  // Without the window (words preset over DDE while it is hidden) the list
  // would stand alone on the screen.
  if (!Visible()) {
    HideResultList();
    return;
  }
  if (!CreateResultList()) return;
  Tform_spisOpisow& list = *FResultList;
  if (list.Owner() != Handle()) list.Hide();
  list.SetOwner(Handle());
  list.OnChoose = [this](Tform_spisOpisow& chosen) { ResultChosen(chosen); };
  list.FillResults(rows, FWordsFolded, FCounterparts, FWordsFoldedOnly);
  // Right under the box, in screen coordinates.
  RECT r;
  GetWindowRect(box.Handle(), &r);
  list.ShowUnder(r);
}

void Tform_TreeKodow::HideResultList() {
  FCounterparts = {};  // they came with the list and go with it
  FPreviewed = false;
  if (!FResultList) return;
  FResultList->Hide();
  FResultList->SetOwner(Handle());
}

void Tform_TreeKodow::ResultChosen(Tform_spisOpisow& list) {
  const std::string path = list.ResultPath();
  const int action = list.Action;
  // The jump a choice makes starts where the tree was before the previews.
  const int before = SelectedEntry();
  if (action != raCancel && !SelectByPath(path)) return;  // a group, or a line the tree lacks
  if (!FPreviewed) FPreviewFrom = before;
  if (action == raPreview) {
    FPreviewed = true;
    return;  // the list stays, the tree follows
  }
  if (action == raChoose) RecordJump(FPreviewFrom);
  HideResultList();
  if (action == raChoose) szukaj_opis.SetText(std::string());
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
}

bool Tform_TreeKodow::SelectByPath(const std::string& path) {
  const int entry = picker::SelectByPath(FTree, path);
  if (entry < 0 || !FKody.Item(entry)) return false;
  ui::TTreeUpdate update(tree_kody);  // the entry's ancestors open in one paint
  tree_kody.Select(FKody.Item(entry));
  return true;
}

int Tform_TreeKodow::FindNodeFrom(const std::string& text, int start) const {
  return picker::FindNodeFrom(FTree, text, start);
}

bool Tform_TreeKodow::szukaj_opisKeyDown(WORD key, unsigned shift) {
  FKeypadChar = 0;
  const bool mouse = GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0 || GetKeyState(VK_MBUTTON) < 0;
  if (shift != 0 || mouse) return false;
  if (!ResultListShown()) return szukaj_kodKeyDown(key, shift);
  switch (key) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
    case VK_ADD:
    case VK_SUBTRACT:
      FResultList->ResultKey(key);
      // The keypad key also makes its character, which would go into the box
      // and search for other words under the list being browsed.
      if (key == VK_ADD || key == VK_SUBTRACT) FKeypadChar = key == VK_ADD ? '+' : '-';
      return true;
  }
  return false;
}

bool Tform_TreeKodow::szukaj_opisKeyPress(char& key) {
  const unsigned char c = static_cast<unsigned char>(key);
  if (c == 11 || c == 20) return true;  // Ctrl+K, Ctrl+T: the copy commands
  if (FKeypadChar != 0 && key == FKeypadChar) {
    FKeypadChar = 0;
    return true;
  }
  // Hidden list: the code box's character filter ("+" and "-" cannot be typed).
  if (!ResultListShown()) return CodeBoxDropsChar(key);
  if (c == '\r') return true;
  if (c == 27) {
    HideResultList();
    return true;
  }
  return false;
}

}  // namespace app
