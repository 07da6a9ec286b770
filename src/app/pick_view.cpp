#include "app/pick_view.h"

#include "app/tree_kodow.h"
#include "dde/win/long_execute_win.h"
#include "ui/message_box.h"

namespace app {

void TMainPickView::ShowStartCatalogue() { FForm.Revisions().ShowStartRevision(); }

void TMainPickView::BeginPick(uintptr_t owner) {
  FFocusOnShow = nullptr;
  FForm.LayOutForPick();
  const HWND w = reinterpret_cast<HWND>(owner);
  FForm.SetOwner(w && w != FForm.Handle() && IsWindow(w) ? w : nullptr);
}

void TMainPickView::SetSearchCode(const std::string& code) {
  FForm.SetSearchCode(code);  // which focuses the box on a window already shown
  if (!FForm.Visible()) FFocusOnShow = &FForm.szukaj_kod;
}

void TMainPickView::SetSearchWords(const std::string& words) {
  FForm.SetSearchWords(words);
  if (!FForm.Visible()) FFocusOnShow = &FForm.szukaj_opis;
}

void TMainPickView::RunSearches() { FForm.RunSearches(); }

void TMainPickView::ShowPick() {
  // Shown now, with the presets in: a hidden window shows and paints once,
  // and the tree's jump to the preset code costs no drawing on the screen.
  FForm.ShowWithButtonRow();
  if (FFocusOnShow) FFocusOnShow->SetFocus();
  FFocusOnShow = nullptr;
  FForm.ShowAwaitedResults();
}

void TMainPickView::WaitUntil(const std::function<bool()>& done) {
  // A close request waits for the buttons (the session holds it back); the
  // client's own terminate waits for the answer to its execute.
  dde::TLongExecutes::WaitUntil([this, &done] { return done() || !FForm.Handle(); });
}

void TMainPickView::EndPick() {
  const HWND h = FForm.Handle();
  if (!h) return;
  FForm.SetOwner(nullptr);
  // Its drop-down list would stay on the screen without it.
  FForm.HideResultList();
  FForm.SetButtonRowVisible(false);
  SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  FForm.Hide();
}

bool TMainPickView::Visible() const { return FForm.Visible(); }

picker::TPickSelection TMainPickView::Selection() const {
  picker::TPickSelection s;
  const int entry = FForm.SelectedEntry();
  if (entry < 0) return s;
  const picker::TTreeEntry& e = FForm.Tree().Entry(static_cast<size_t>(entry));
  s.Any = true;
  s.Code = e.Code;
  s.Title = e.Title;
  return s;
}

std::string TMainPickView::NoteOf(const std::string& code) const {
  const catalogue::TBaza* baza = FForm.Baza();
  return baza ? baza->Opisy().Opis(code) : std::string();
}

picker::TModalUp TMainPickView::ModalUp() const {
  if (ui::OpenMessageBoxes() > 0) return picker::muMessageBox;
  if (ui::TDialog::OpenModalCount() > 0) return picker::muInformational;
  return picker::muNone;
}

void TMainPickView::CloseInformational() { ui::TDialog::EndAllModal(); }

void TMainPickView::ShowError(const std::exception& e) { ui::ShowException(e); }

void TMainPickView::EndProgram() { FForm.Close(); }

}  // namespace app
