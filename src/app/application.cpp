#include "app/application.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/tree_kodow.h"
#include "dde/win/platform_win.h"
#include "picker/pick_protocol.h"
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

TPickerApp::TPickerApp() { FForm.AttachDde(std::make_unique<picker::TPickerDde>(FPlatform, FView)); }

TPickerApp::~TPickerApp() {
  // The window and the DDE side go while the view they use is still here.
  FForm.Destroy();
  FForm.AttachDde(nullptr);
}

int RunPicker(int show) {
  // Held for as long as the program runs; set once the service is
  // registered, for the pkdpick that started this picker and waits to
  // connect.
  const std::unique_ptr<void, decltype(&CloseHandle)> running(
      CreateEventA(nullptr, TRUE, FALSE, picker::kPickerRunningMark), &CloseHandle);
  InitApplication();
  TPickerApp picker;
  Tform_TreeKodow& form = picker.Form();
  form.OnServiceStarted = [&running] {
    if (running) SetEvent(running.get());
  };
  if (!form.Create(CataloguePathBesideExe())) return 1;
  // Started hidden (as pkdpick --find starts it), the window waits hidden for
  // a pick to show it, or for its client to leave. This first ShowWindow
  // also uses up the start's show command, which Windows would otherwise
  // apply to the pick's.
  if (show == SW_HIDE) ShowWindow(form.Handle(), SW_HIDE);
  else form.Show();
  // Painted now, not when the queue runs dry: the DDE service and the hidden
  // result list come from the loop's first messages, before any input is
  // handled, and the user sees the window before them.
  RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  // Started hidden, the picker makes its list when a search first shows it:
  // made now, it would hold up the client that waits on the service to show
  // a pick.
  if (show != SW_HIDE) form.PostCreateResultList();
  return ui::RunMainLoop(form);
}

}  // namespace app
