// Program start: the application title and the controls library, and where
// the catalogue lies.
#pragma once

#include <filesystem>

#include "app/pick_view.h"
#include "app/tree_kodow.h"
#include "dde/win/platform_win.h"

namespace app {

// Sets the application title and loads the common controls. Called once by
// the program (and by tests that create the window in-process).
void InitApplication();
// "pkd.kod" in the directory of the executable.
std::filesystem::path CataloguePathBesideExe();
// The picker as the program builds it: the real DDEML, the main window, the
// window as the pick session's view, and the DDE side over them.
class TPickerApp {
 public:
  TPickerApp();
  ~TPickerApp();
  TPickerApp(const TPickerApp&) = delete;
  TPickerApp& operator=(const TPickerApp&) = delete;
  Tform_TreeKodow& Form() { return FForm; }

 private:
  dde::TWin32Platform FPlatform;
  Tform_TreeKodow FForm;
  TMainPickView FView{FForm};
};

// Creates the main window, shows it unless the program was started hidden
// (show: WinMain's show command), and runs the message loop until it closes.
int RunPicker(int show);

}  // namespace app
