// The main window as the pick session's view: what a DDE pick does to the
// window. The decisions are the session's (picker/pick_session.h).
#include "app/tree_kodow.h"

#include "ui/message_box.h"

namespace app {

void Tform_TreeKodow::BeginPick(uintptr_t owner) {
  // A pick shows the catalogue the program was started with, whose codes
  // its client speaks (tree_kodow_revision.cpp); so do the presets below.
  ShowStartRevision();
  Show();
  SetButtonRowVisible(true);
  const HWND w = reinterpret_cast<HWND>(owner);
  SetOwner(w && w != Handle() && IsWindow(w) ? w : nullptr);
}

void Tform_TreeKodow::SetSearchWords(const std::string& words) {
  ShowStartRevision();
  szukaj_opis.SetText(words);  // a change: restarts the word search's delay
  if (Visible()) szukaj_opis.SetFocus();
}

void Tform_TreeKodow::RunSearches() {
  ShowStartRevision();
  if (!szukaj_kod.Text().empty()) Timer1Timer();
  if (!szukaj_opis.Text().empty()) {
    Timer2.Stop();
    Timer2Timer();
  }
}

void Tform_TreeKodow::WaitUntil(const std::function<bool()>& done) {
  // A close request waits for the buttons (the session holds it back); the
  // client's own terminate waits for the answer to its execute.
  dde::TLongExecutes::WaitUntil([this, &done] { return done() || !Handle(); });
}

void Tform_TreeKodow::EndPick() {
  if (!Handle()) return;
  SetOwner(nullptr);
  // Its drop-down list would stay on the screen without it.
  HideResultList();
  SetButtonRowVisible(false);
  SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Hide();
}

picker::TPickSelection Tform_TreeKodow::Selection() const {
  picker::TPickSelection s;
  const int entry = SelectedEntry();
  if (entry < 0) return s;
  const picker::TTreeEntry& e = FTree.Entry(static_cast<size_t>(entry));
  s.Any = true;
  s.Code = e.Code;
  s.Title = e.Title;
  return s;
}

std::string Tform_TreeKodow::NoteOf(const std::string& code) const {
  return FBaza ? FBaza->Opisy().Opis(code) : std::string();
}

picker::TModalUp Tform_TreeKodow::ModalUp() const {
  if (ui::OpenMessageBoxes() > 0) return picker::muMessageBox;
  if (ui::TDialog::OpenModalCount() > 0) return picker::muInformational;
  return picker::muNone;
}

void Tform_TreeKodow::CloseInformational() { ui::TDialog::EndAllModal(); }

void Tform_TreeKodow::ShowError(const std::exception& e) { ui::ShowException(e); }

}  // namespace app
