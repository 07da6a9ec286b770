#include "app/application.h"

#include <windows.h>
#include <commctrl.h>

#include "app/tree_kodow.h"
#include "dde/platform_win.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"
#include "ui/wintext.h"

namespace app {

const char kApplicationTitle[] = "Wendrak";

void InitApplication() {
  ui::SetApplicationTitle(kApplicationTitle);
  dde::InstallWin32DdeServices();
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
}

std::string CataloguePathBesideExe() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  const size_t slash = dir.find_last_of(L"\\/");
  dir = slash == std::wstring::npos ? std::wstring() : dir.substr(0, slash + 1);
  return ui::Narrow(dir) + "pkd.kod";
}

int RunPicker() {
  InitApplication();
  Tform_TreeKodow form;
  if (!form.Create(CataloguePathBesideExe())) return 1;
  // The description-search result window is created here once it exists.
  form.Show();
  return ui::RunMainLoop(form);
}

}  // namespace app
