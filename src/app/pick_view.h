// The main window as the pick session's view: what a DDE pick does to the
// window. The decisions are the session's (picker/pick_session.h).
#pragma once

#include "picker/pick_session.h"
#include "ui/window.h"

namespace app {

class Tform_TreeKodow;

class TMainPickView : public picker::TPickView {
 public:
  // The window may still be under construction: it is used only later.
  explicit TMainPickView(Tform_TreeKodow& form) : FForm(form) {}

  void ShowStartCatalogue() override;
  void BeginPick(uintptr_t owner) override;
  void SetSearchCode(const std::string& code) override;
  void SetSearchWords(const std::string& words) override;
  void RunSearches() override;
  void ShowPick() override;
  void WaitUntil(const std::function<bool()>& done) override;
  void EndPick() override;
  bool Visible() const override;
  picker::TPickSelection Selection() const override;
  std::string NoteOf(const std::string& code) const override;
  picker::TModalUp ModalUp() const override;
  void CloseInformational() override;
  void ShowError(const std::exception& e) override;
  void EndProgram() override;

 private:
  Tform_TreeKodow& FForm;
  // The box a preset gave the focus to while the window was hidden.
  ui::TControl* FFocusOnShow = nullptr;
};

}  // namespace app
