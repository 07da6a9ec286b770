#include "app/words_search.h"

#include "picker/result_list.h"
#include "ui/form.h"

namespace app {

namespace {
constexpr size_t kMinWordsLength = 3;  // shorter texts hide the list
}  // namespace

bool TWordsSearch::CreateResultList() {
  if (FResultList) return true;
  auto list = std::make_unique<Tform_spisOpisow>();
  if (!list->Create(FHost.WindowHandle())) return false;
  FResultList = std::move(list);
  return true;
}

bool TWordsSearch::ResultListShown() const { return FResultList && FResultList->Visible(); }

bool TWordsSearch::TakesDialogKey(WORD key, HWND focus) const {
  // During a pick Enter would otherwise press "Wybierz" under the list the
  // user is looking at, answering with the entry selected before it.
  if ((key != VK_RETURN && key != VK_ESCAPE) || !ResultListShown()) return false;
  if (focus == szukaj_opis.Handle()) return true;
  return !FCounterparts.Empty() && focus && (focus == szukaj_kod.Handle() || GetParent(focus) == szukaj_kod.Handle());
}

void TWordsSearch::szukaj_opisChange() {
  Timer2.Stop();
  Timer2.Start();
}

void TWordsSearch::Timer2Timer() {
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

void TWordsSearch::SearchByWords(const std::string& words, std::vector<std::string>& rows) {
  FWordsFolded = false;
  FWordsFoldedOnly.clear();
  catalogue::TBaza* baza = FHost.Catalogue();
  if (!baza || words.empty()) return;
  // Prepared at the first search, not at start-up: the lines' description
  // records are looked up once per catalogue.
  if (!FWordSearch) FWordSearch = std::make_unique<picker::TWordSearch>(*baza);
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

void TWordsSearch::ShowResultList(ui::TControl& box, const std::vector<std::string>& rows) {
  // Without the window (presets over DDE while it is hidden) the list would
  // stand alone on the screen: it waits, with its counterparts, for a pick
  // to show the window.
  if (!FHost.WindowVisible()) {
    HideListWindow();
    FAwaitedRows = rows;
    FListAwaited = true;
    return;
  }
  FListAwaited = false;
  FAwaitedRows.clear();
  if (!CreateResultList()) return;
  Tform_spisOpisow& list = *FResultList;
  const HWND owner = FHost.WindowHandle();
  if (list.Owner() != owner) list.Hide();
  list.SetOwner(owner);
  list.OnChoose = [this](Tform_spisOpisow& chosen) { ResultChosen(chosen); };
  list.FillResults(rows, FWordsFolded, FCounterparts, FWordsFoldedOnly);
  // Right under the box, in screen coordinates.
  RECT r;
  GetWindowRect(box.Handle(), &r);
  list.ShowUnder(r);
}

void TWordsSearch::ShowAwaitedResultList() {
  if (!FListAwaited || !FHost.WindowVisible()) return;
  const std::vector<std::string> rows = std::move(FAwaitedRows);
  ShowResultList(szukaj_opis, rows);
}

void TWordsSearch::HideResultList() {
  FCounterparts = {};  // they came with the list and go with it
  FListAwaited = false;
  FAwaitedRows.clear();
  HideListWindow();
}

void TWordsSearch::HideListWindow() {
  FPreviewed = false;
  if (!FResultList) return;
  FResultList->Hide();
  FResultList->SetOwner(FHost.WindowHandle());
}

void TWordsSearch::ResultChosen(Tform_spisOpisow& list) {
  const std::string path = list.ResultPath();
  const int action = list.Action;
  // The jump a choice makes starts where the tree was before the previews.
  const int before = FHost.SelectedEntry();
  if (action != raCancel && !FHost.SelectByPath(path)) return;  // a group, or a line the tree lacks
  if (!FPreviewed) FPreviewFrom = before;
  if (action == raPreview) {
    FPreviewed = true;
    return;  // the list stays, the tree follows
  }
  if (action == raChoose) FHost.RecordJump(FPreviewFrom);
  HideResultList();
  if (action == raChoose) szukaj_opis.SetText(std::string());
  const HWND window = FHost.WindowHandle();
  SetForegroundWindow(window);
  BringWindowToTop(window);
}

bool TWordsSearch::ShowCounterparts(picker::TCounterpartGroup group) {
  if (group.Empty()) {
    // A group shown for an earlier code no longer answers the box.
    if (!FCounterparts.Empty()) {
      FCounterparts = {};
      if (ResultListShown() || FListAwaited) Timer2Timer();
    }
    return false;
  }
  FCounterparts = std::move(group);
  // The words box's own search, with the group on top; without words the
  // group alone.
  Timer2Timer();
  return true;
}

bool TWordsSearch::ResultListKey(WORD key, bool fromCodeBox) {
  if (!ResultListShown() || (fromCodeBox && FCounterparts.Empty())) return false;
  switch (key) {
    case VK_ESCAPE:
      // From the code box the list closes whatever is selected in it, as
      // Escape typed in the words box ends up doing.
      if (fromCodeBox) {
        HideResultList();
        return true;
      }
      break;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
      // The code box keeps these for the tree and its caret.
      if (fromCodeBox) return false;
      break;
    case VK_RETURN:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
    case VK_ADD:
    case VK_SUBTRACT:
      break;
    default:
      return false;
  }
  FResultList->ResultKey(key);
  return true;
}

bool TWordsSearch::szukaj_opisKeyDown(WORD key, unsigned shift) {
  FKeypadChar = 0;
  const bool mouse = GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0 || GetKeyState(VK_MBUTTON) < 0;
  if (shift != 0 || mouse) return false;
  if (!ResultListShown()) return FHost.CodeBoxKeyDown(key, shift);
  if (!ResultListKey(key, false)) return false;
  // The keypad key also makes its character, which would go into the box
  // and search for other words under the list being browsed.
  if (key == VK_ADD || key == VK_SUBTRACT) FKeypadChar = key == VK_ADD ? '+' : '-';
  return true;
}

bool TWordsSearch::szukaj_opisKeyPress(char& key) {
  const unsigned char c = static_cast<unsigned char>(key);
  if (c == 11 || c == 20) return true;  // Ctrl+K, Ctrl+T: the copy commands
  if (FKeypadChar != 0 && key == FKeypadChar) {
    FKeypadChar = 0;
    return true;
  }
  // Hidden list: the code box's character filter ("+" and "-" cannot be typed).
  if (!ResultListShown()) return FHost.CodeBoxDropsChar(key);
  if (c == '\r') return true;
  if (c == 27) {
    HideResultList();
    return true;
  }
  return false;
}

}  // namespace app
