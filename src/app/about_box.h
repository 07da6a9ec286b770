// The About box: the program's icon, name and version from its own version
// resource and file date, the support links, the source of the classification
// and the author line, which opens the devotional text (TPsalm).
#pragma once

#include <functional>
#include <string>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/handles.h"

namespace app {

extern const char kSupportAddress[];
extern const char kWebAddress[];
extern const char kAuthorLine[];
// The credit of the classification's texts, which come from GUS.
extern const char kSourceLine[];

class TAboutBox : public ui::TDialog {
 public:
  TAboutBox();
  // Creates the dialog owned by owner, hidden, and fills it (FormCreate).
  bool Create(HWND owner);
  void Show() override;

  ui::TImage ProgramIcon;
  ui::TLabel ProductName, Version, Source;
  ui::TMouseLabel Copyright, Comments, Label1;
  ui::TButton OKButton;

  // Hands a document or address to the system's "open"; tests look instead.
  std::function<void(const std::string&)> OpenDocument;

  void FormCreate();
  void CommentsClick();
  void Label1Click(ui::TControl* sender);
  void CopyrightClick();
  void CopyrightMouseEnter();
  void CopyrightMouseLeave();

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  ui::TIconHandle FIcon;
  ui::TFont FUnderlined;
};

// Shows a document or address with the system's "open" verb; failures are
// not reported (no mail program, no browser).
void ShellOpen(const std::string& what);

}  // namespace app
