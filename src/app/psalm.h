// The devotional text the About box's author line opens.
#pragma once

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/handles.h"

namespace app {

extern const char kPsalmText[];

class TPsalm : public ui::TDialog {
 public:
  bool Create(HWND owner);
  // "Zamknij" has the focus when the dialog opens.
  void Show() override;
  ui::TMemo Memo1;
  ui::TButton Button1;
  void Button1Click();

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  ui::TFont FTextFont, FButtonFont;
};

}  // namespace app
