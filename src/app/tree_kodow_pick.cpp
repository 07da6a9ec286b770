// The main window as the pick session's view: what a DDE pick does to the
// window. The decisions are the session's (picker/pick_session.h).
#include "app/tree_kodow.h"

#include <dde.h>

#include "ui/dispatch.h"
#include "ui/message_box.h"

namespace app {

void Tform_TreeKodow::BeginPick(uintptr_t owner) {
  Show();
  SetButtonRowVisible(true);
  const HWND w = reinterpret_cast<HWND>(owner);
  SetOwner(w && w != Handle() && IsWindow(w) ? w : nullptr);
}

void Tform_TreeKodow::SetSearchWords(const std::string& words) {
  szukaj_opis.SetText(words);  // a change: restarts the word search's delay
  if (Visible()) szukaj_opis.SetFocus();
}

void Tform_TreeKodow::RunSearches() {
  if (!szukaj_kod.Text().empty()) Timer1Timer();
  if (!szukaj_opis.Text().empty()) {
    Timer2.Stop();
    Timer2Timer();
  }
}

void Tform_TreeKodow::WaitUntil(const std::function<bool()>& done) {
  // Only a quit message ends the wait otherwise; a close request waits for
  // the buttons (the session holds it back). A client that ends its
  // conversation while its execute waits here would have DDEML free that
  // conversation under the execute it is still to answer (Wine's then
  // crashes): that conversation ends once the pick has been answered. Its
  // window is the one the execute came to. The client is answered at once,
  // as a server answers a terminate, so that its disconnect need not wait
  // for the user.
  ui::PumpUntilHolding([this, &done] { return done() || !Handle(); }, WM_DDE_TERMINATE,
                       ui::DispatchingTo(WM_DDE_EXECUTE), [](const MSG& m) {
                         PostMessageW(reinterpret_cast<HWND>(m.wParam), WM_DDE_TERMINATE,
                                      reinterpret_cast<WPARAM>(m.hwnd), 0);
                       });
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
