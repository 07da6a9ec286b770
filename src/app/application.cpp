#include "app/application.h"

#include <windows.h>
#include <commctrl.h>

#include "app/tree_kodow.h"
#include "dde/platform_win.h"
#include "text/path.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"

namespace app {

void InitApplication() {
  // The task-bar text and the caption of the program's message boxes.
  ui::SetApplicationTitle("Wendrak");
  dde::InstallWin32DdeServices();
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
}

std::filesystem::path CataloguePathBesideExe() { return text::ExecutableFolder() / L"pkd.kod"; }

int RunPicker() {
  InitApplication();
  Tform_TreeKodow form;
  if (!form.Create(CataloguePathBesideExe())) return 1;
  form.Show();
  // The result list is created at start, hidden, so that the first search
  // shows it at once; after the main window shows, which it does not delay.
  form.CreateResultList();
  return ui::RunMainLoop(form);
}

}  // namespace app
